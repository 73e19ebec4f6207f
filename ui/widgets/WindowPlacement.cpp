#include "ui/widgets/WindowPlacement.h"

#include <QMenu>
#include <QScreen>
#include <QWidget>

namespace larkspire {

void EnsureMinClientSize(QWidget& window, int width, int height)
{
    if (window.width() < width)
        window.resize(width, window.height());
    if (window.height() < height)
        window.resize(window.width(), height);
}

void CenterOnScreen(QWidget& window)
{
    const QScreen* screen = window.screen();
    if (screen == nullptr)
        return;
    // Measured from the screen's own corner, so a second monitor centres on itself.
    const QRect screenArea = screen->geometry();
    const QSize outerSize = window.frameGeometry().size();
    window.move(screenArea.left() + (screenArea.width() - outerSize.width()) / 2,
                screenArea.top() + (screenArea.height() - outerSize.height()) / 2);
}

QPoint PointUnderControl(const QWidget& window, const QWidget& button)
{
    const QPoint inWindow = button.mapTo(&window, QPoint(0, button.height()));
    return window.mapToGlobal(inWindow);
}

void PopupMenuUnderControl(const QWidget& window, const QWidget& button, QMenu& menu)
{
    menu.popup(PointUnderControl(window, button));
}

}  // namespace larkspire
