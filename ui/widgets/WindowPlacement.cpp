#include "ui/widgets/WindowPlacement.h"

#include <QMenu>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace larkspire {

void EnsureMinClientSize(QWidget& window, int width, int height)
{
    if (window.width() < width) window.resize(width, window.height());
    if (window.height() < height) window.resize(window.width(), height);
}

QSize MinClientSizeOnScreen(const QWidget& window, QSize designed)
{
    const QScreen* screen = window.screen();
    if (screen == nullptr) return designed;
    const QSize frame = window.frameGeometry().size() - window.size();
    return designed.boundedTo(screen->availableGeometry().size() - frame);
}

void FitIntoAvailableArea(QWidget& window)
{
    const QScreen* screen = window.screen();
    if (screen == nullptr) return;
    const QRect area = screen->availableGeometry();
    window.resize(MinClientSizeOnScreen(window, window.size().expandedTo(QSize(1, 1))));
    const QRect outer = window.frameGeometry();
    const int left = std::clamp(outer.left(), area.left(), std::max(area.left(), area.right() + 1 - outer.width()));
    const int top = std::clamp(outer.top(), area.top(), std::max(area.top(), area.bottom() + 1 - outer.height()));
    window.move(left, top);
}

void CenterInAvailableArea(QWidget& window)
{
    const QScreen* screen = window.screen();
    if (screen == nullptr) return;
    const QRect area = screen->availableGeometry();
    const QSize outerSize = window.frameGeometry().size();
    window.move(area.left() + std::max(0, (area.width() - outerSize.width()) / 2),
                area.top() + std::max(0, (area.height() - outerSize.height()) / 2));
}

void CenterOnScreen(QWidget& window)
{
    const QScreen* screen = window.screen();
    if (screen == nullptr) return;
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
