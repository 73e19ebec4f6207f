#include "ui/about/AboutLogos.h"

#include <QPainter>
#include <QPainterPath>
#include <QTransform>

#include <functional>

namespace larkspire {
namespace {

// Logos are designed on a 32 by 32 grid and scaled to the size asked for.
constexpr qreal Grid = 32;

QPixmap Painted(int size, const std::function<void(QPainter&)>& draw)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / Grid, size / Grid);
    draw(painter);
    return pixmap;
}

void RoundedBackground(QPainter& painter, const QColor& colour)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawRoundedRect(QRectF(0, 0, Grid, Grid), 6, 6);
}

QPainterPath Ellipse(QPointF centre, qreal rx, qreal ry, qreal degrees)
{
    QPainterPath path;
    path.addEllipse(QPointF(0, 0), rx, ry);
    return QTransform().translate(centre.x(), centre.y()).rotate(degrees).map(path);
}

QPainterPath Triangle(QPointF a, QPointF b, QPointF c)
{
    QPainterPath path;
    path.moveTo(a);
    path.lineTo(b);
    path.lineTo(c);
    path.closeSubpath();
    return path;
}

}  // namespace

QPixmap FacebookLogo(int size)
{
    return Painted(size, [](QPainter& painter) {
        RoundedBackground(painter, QColor(0x18, 0x77, 0xf2));
        // A white lower-case "f" standing on the bottom edge.
        QPainterPath letter;
        letter.moveTo(19, Grid);
        letter.lineTo(19, 13);
        letter.cubicTo(19, 8.5, 21, 7, 25.5, 7);
        painter.setPen(QPen(Qt::white, 4.6, Qt::SolidLine, Qt::FlatCap));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(letter);
        painter.drawLine(QPointF(13, 16.5), QPointF(25, 16.5));
    });
}

QPixmap TwitterLogo(int size)
{
    return Painted(size, [](QPainter& painter) {
        RoundedBackground(painter, QColor(0x1d, 0xa1, 0xf2));
        // A white bird flying up to the right: head and beak, belly, tail, and the wing's two feathers.
        QPainterPath body;
        body.moveTo(25.5, 13);
        body.cubicTo(25.5, 20, 19, 25.5, 12, 25);
        body.cubicTo(9, 24.8, 6.5, 24, 4.5, 22.5);
        body.cubicTo(8, 22.8, 11, 21.5, 12.5, 20);
        body.cubicTo(9, 19.5, 7, 17, 6.8, 15);
        body.cubicTo(8, 15.6, 9.5, 15.8, 10.5, 15.6);
        body.cubicTo(8, 14.3, 6.5, 12, 6.5, 9);
        body.cubicTo(9.5, 12.5, 13.5, 14.5, 17, 14.8);
        body.closeSubpath();
        QPainterPath bird = body.united(Ellipse({21, 12.5}, 4.5, 4.5, 0));
        bird = bird.united(Triangle({24, 9}, {28.5, 8}, {25.5, 12.5}));
        bird = bird.united(Triangle({25, 12.5}, {28, 13.5}, {24.5, 15}));
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        painter.drawPath(bird);
    });
}

QPixmap YoutubeLogo(int size)
{
    return Painted(size, [](QPainter& painter) {
        // A red rounded play button with a white triangle.
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0xff, 0x00, 0x00));
        painter.drawRoundedRect(QRectF(1, 6, 30, 20), 6, 6);
        painter.setBrush(Qt::white);
        painter.drawPath(Triangle({13, 11}, {13, 21}, {21.5, 16}));
    });
}

}  // namespace larkspire
