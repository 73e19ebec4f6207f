#include "ui/widgets/WindowPlacement.h"

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
        {{500, 400}, {733, 618}}, {{900, 400}, {900, 618}}, {{500, 700}, {733, 700}},
        {{733, 618}, {733, 618}}, {{1000, 800}, {1000, 800}},
    };
    for (const auto& c : cases) {
        QWidget window;
        window.resize(c.before);
        EnsureMinClientSize(window, 733, 618);
        EXPECT_EQ(window.size(), c.after) << c.before.width() << "x" << c.before.height();
    }
}

TEST(CenterOnScreen, PlacesTheWindowInTheMiddleAndLargerWindowsAtNegativePositions)
{
    for (const QSize size : {QSize(300, 200), QSize(301, 201), QSize(5000, 4000)}) {
        QWidget window;
        window.resize(size);
        CenterOnScreen(window);
        const QRect screen = window.screen()->geometry();
        EXPECT_EQ(window.pos(), QPoint(screen.left() + (screen.width() - size.width()) / 2,
                                       screen.top() + (screen.height() - size.height()) / 2));
        if (size.width() > screen.width()) {
            EXPECT_LT(window.x(), 0);
        }
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
    QTRY_VERIFY(menu.isVisible());
    EXPECT_EQ(menu.pos(), expected);
    menu.close();
}

}  // namespace
}  // namespace larkspire
