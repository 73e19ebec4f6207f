#pragma once

#include <QPoint>

class QMenu;
class QWidget;

namespace larkspire {

// Grows the window's client area (its size without the frame) to at least width x height; each
// dimension is checked on its own. Resize handlers call it so a window never gets below its design size.
void EnsureMinClientSize(QWidget& window, int width, int height);

// Places the window in the middle of its screen, by its outer (framed) size. A window larger than the
// screen gets a negative position.
void CenterOnScreen(QWidget& window);

// The screen point under the lower-left corner of `button`, reached through `window`'s coordinates.
QPoint PointUnderControl(const QWidget& window, const QWidget& button);

// Opens `menu` with its top-left corner at the lower-left corner of `button`.
void PopupMenuUnderControl(const QWidget& window, const QWidget& button, QMenu& menu);

}  // namespace larkspire
