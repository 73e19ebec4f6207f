#include "ui/widgets/WindowPlacement.h"

#include "tests/support/qt/EventuallyTrue.h"

#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace larkspire {
namespace {

TEST(EnsureMinClientSize, GrowsEachDimensionOnItsOwn)
{
    const struct {
        QSize before;
        QSize after;
    } cases[] = {
        {{500, 400}, {733, 618}}, {{900, 400}, {900, 618}},   {{500, 700}, {733, 700}},
        {{733, 618}, {733, 618}}, {{1000, 800}, {1000, 800}},
    };
    for (const auto& c : cases) {
        QWidget window;
        window.resize(c.before);
        EnsureMinClientSize(window, 733, 618);
        EXPECT_EQ(window.size(), c.after) << c.before.width() << "x" << c.before.height();
    }
}

// On the offscreen platform's 800x800 screen: odd leftovers round down, larger windows go off the top left.
TEST(CenterOnScreen, PlacesTheWindowInTheMiddleAndLargerWindowsAtNegativePositions)
{
    const struct {
        QSize size;
        QPoint pos;
    } cases[] = {
        {{300, 200}, {250, 300}},
        {{301, 201}, {249, 299}},
        {{5000, 4000}, {-2100, -1600}},
    };
    for (const auto& c : cases) {
        QWidget window;
        window.resize(c.size);
        ASSERT_EQ(window.screen()->geometry(), QRect(0, 0, 800, 800)) << "not the screen these positions are for";
        CenterOnScreen(window);
        EXPECT_EQ(window.pos(), c.pos) << c.size.width() << "x" << c.size.height();
    }
}

TEST(PopupMenuUnderControl, OpensTheMenuAtTheButtonsLowerLeftCorner)
{
    QWidget window;
    window.resize(300, 200);
    window.move(40, 30);
    auto* button = new QPushButton(QStringLiteral("Go"), &window);
    button->setGeometry(60, 50, 80, 26);
    QMenu menu;
    menu.addAction(QStringLiteral("One"));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    const QPoint expected = window.mapToGlobal(QPoint(60, 76));
    EXPECT_EQ(PointUnderControl(window, *button), expected);
    PopupMenuUnderControl(window, *button, menu);
    ASSERT_TRUE(test::EventuallyTrue([&] { return menu.isVisible(); }, "the menu to show"));
    EXPECT_EQ(menu.pos(), expected);
    menu.close();
}

}  // namespace
}  // namespace larkspire
