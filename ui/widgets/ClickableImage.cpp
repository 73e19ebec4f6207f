#include "ui/widgets/ClickableImage.h"

#include <QMouseEvent>

namespace larkspire {

ClickableImage::ClickableImage(QWidget* parent) : QLabel(parent) { setCursor(Qt::PointingHandCursor); }

void ClickableImage::mouseReleaseEvent(QMouseEvent* event)
{
    // Released outside the picture, the press was taken back.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit Clicked();
    QLabel::mouseReleaseEvent(event);
}

}  // namespace larkspire
