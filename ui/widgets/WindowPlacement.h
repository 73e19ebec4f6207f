#pragma once

#include <QPoint>
#include <QSize>

class QMenu;
class QWidget;

namespace larkspire {

// Grows the window's client area (its size without the frame) to at least width x height; each
// dimension is checked on its own. Resize handlers call it so a window never gets below its design size.
void EnsureMinClientSize(QWidget& window, int width, int height);

// The smaller of `designed` and the client size that fits the screen's available area (the screen less
// its panels) with the window's frame; a window's minimum client size that always stays reachable.
QSize MinClientSizeOnScreen(const QWidget& window, QSize designed);

// Shrinks the window to the screen's available area, frame included, and moves it inside; for the first
// showing, once the window's frame is known.
void FitIntoAvailableArea(QWidget& window);

// Places the window in the middle of its screen's available area; a window larger than that area starts
// at its top-left corner, so its title bar and menus stay on the screen.
void CenterInAvailableArea(QWidget& window);

// Places the window in the middle of its screen, by its outer (framed) size. A window larger than the
// screen gets a negative position.
void CenterOnScreen(QWidget& window);

// The screen point under the lower-left corner of `button`, reached through `window`'s coordinates.
QPoint PointUnderControl(const QWidget& window, const QWidget& button);

// Opens `menu` with its top-left corner at the lower-left corner of `button`.
void PopupMenuUnderControl(const QWidget& window, const QWidget& button, QMenu& menu);

}  // namespace larkspire
