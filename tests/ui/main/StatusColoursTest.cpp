#include "ui/main/PingTableModel.h"
#include "ui/main/StatusColours.h"

#include <QGuiApplication>
#include <QPalette>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <ostream>
#include <set>
#include <string>

namespace larkspire {
namespace {

struct Theme {
    QColor base;
    QColor text;
    const char* name;
};

void PrintTo(const Theme& theme, std::ostream* out) { *out << theme.name; }

QPalette PaletteOf(const Theme& theme)
{
    QPalette palette;
    palette.setColor(QPalette::Base, theme.base);
    palette.setColor(QPalette::Text, theme.text);
    return palette;
}

constexpr StatusKind kColouredKinds[] = {StatusKind::Completed, StatusKind::Error, StatusKind::Timeout,
                                         StatusKind::Aborted, StatusKind::UnderWay};

class StatusColoursOnTheme : public testing::TestWithParam<Theme> {};

// Every outcome reads on the theme's background, and no two outcomes share a colour.
TEST_P(StatusColoursOnTheme, EveryOutcomeReadsAndHasAColourOfItsOwn)
{
    const QPalette palette = PaletteOf(GetParam());
    std::set<QRgb> seen;
    for (StatusKind kind : kColouredKinds) {
        const QColor colour = StatusColour(kind, palette);
        ASSERT_TRUE(colour.isValid()) << static_cast<int>(kind);
        EXPECT_GE(ContrastRatio(colour, palette.color(QPalette::Base)), kMinStatusContrast) << static_cast<int>(kind);
        EXPECT_NE(colour, palette.color(QPalette::Text)) << static_cast<int>(kind);
        seen.insert(colour.rgb());
    }
    EXPECT_EQ(seen.size(), std::size(kColouredKinds));
    EXPECT_FALSE(StatusColour(StatusKind::NotChecked, palette).isValid()) << "a row not checked keeps the text colour";
}

INSTANTIATE_TEST_SUITE_P(Themes, StatusColoursOnTheme,
                         testing::Values(Theme{Qt::white, Qt::black, "White"},
                                         Theme{QColor(0xe9, 0xe9, 0xe9), Qt::black, "LightGrey"},
                                         Theme{Qt::black, Qt::white, "Black"},
                                         Theme{QColor(0x2d, 0x2d, 0x2d), QColor(0xee, 0xee, 0xee), "DarkGrey"}),
                         [](const testing::TestParamInfo<Theme>& info) { return std::string(info.param.name); });

TEST(StatusColours, AMidGreyBackgroundKeepsTheThemesTextColour)
{
    const QPalette palette = PaletteOf(Theme{QColor(0x80, 0x80, 0x80), QColor(0x10, 0x10, 0x10), "MidGrey"});
    for (StatusKind kind : kColouredKinds)
        EXPECT_EQ(StatusColour(kind, palette), QColor(0x10, 0x10, 0x10)) << static_cast<int>(kind);
}

TEST(StatusColours, ContrastRatioRunsFromNoneToBlackOnWhite)
{
    EXPECT_DOUBLE_EQ(ContrastRatio(Qt::white, Qt::white), 1.0);
    EXPECT_NEAR(ContrastRatio(Qt::black, Qt::white), 21.0, 1e-9);
    EXPECT_DOUBLE_EQ(ContrastRatio(Qt::red, Qt::blue), ContrastRatio(Qt::blue, Qt::red));
}

// The status column is drawn in its outcome's colour, the URL column and an unchecked row in the text colour, and a
// status change tells the view the colour changed too.
TEST(PingTableModelColours, TheStatusColumnTakesItsOutcomesColour)
{
    PingTable table;
    PingTableModel model(table);
    table.SetRowCount(3);
    QSignalSpy cells(&model, &QAbstractItemModel::dataChanged);
    table.SetOutcome(0, {u"Error 404"});
    table.SetOutcome(1, {u"Pinging page..."});

    const QPalette palette = QGuiApplication::palette();
    EXPECT_EQ(model.data(model.index(0, PingTable::ColumnPing), Qt::ForegroundRole).value<QColor>(),
              StatusColour(StatusKind::Error, palette));
    EXPECT_EQ(model.data(model.index(1, PingTable::ColumnPing), Qt::ForegroundRole).value<QColor>(),
              StatusColour(StatusKind::UnderWay, palette));
    EXPECT_FALSE(model.data(model.index(2, PingTable::ColumnPing), Qt::ForegroundRole).isValid());
    EXPECT_FALSE(model.data(model.index(0, PingTable::ColumnUrl), Qt::ForegroundRole).isValid());
    EXPECT_EQ(model.data(model.index(0, PingTable::ColumnPing)).toString(), QStringLiteral("Error 404"));
    ASSERT_EQ(cells.count(), 2);
    EXPECT_TRUE(cells[0][2].value<QList<int>>().contains(Qt::ForegroundRole));
}

}  // namespace
}  // namespace larkspire
