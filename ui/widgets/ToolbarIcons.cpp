#include "ui/widgets/ToolbarIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace larkspire {
namespace {

constexpr int DrawnSize = 24;

const QColor Ink(0x37, 0x47, 0x4f);
const QColor Paper(0xfa, 0xfa, 0xfa);
const QColor Accent(0x1e, 0x6f, 0xc8);

void DrawSave(QPainter& p)
{
    p.setPen(QPen(Ink, 1.5));
    p.setBrush(Accent);
    p.drawRoundedRect(QRectF(3.5, 3.5, 17, 17), 2, 2);
    p.setBrush(Paper);
    p.drawRect(QRectF(7, 3.5, 10, 6));     // shutter
    p.drawRect(QRectF(6.5, 13, 11, 7.5));  // label
    p.setPen(QPen(Ink, 1));
    p.drawLine(QPointF(8.5, 15.5), QPointF(15.5, 15.5));
    p.drawLine(QPointF(8.5, 18), QPointF(15.5, 18));
}

void DrawCut(QPainter& p)
{
    p.setPen(QPen(Ink, 1.8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(7, 3), QPointF(15.5, 16));
    p.drawLine(QPointF(17, 3), QPointF(8.5, 16));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Accent, 2));
    p.drawEllipse(QPointF(7, 18.5), 3.2, 3.2);
    p.drawEllipse(QPointF(17, 18.5), 3.2, 3.2);
}

void DrawPage(QPainter& p, const QRectF& page)
{
    p.setPen(QPen(Ink, 1.3));
    p.setBrush(Paper);
    p.drawRect(page);
    p.setPen(QPen(Accent, 1));
    for (qreal y = page.top() + 3.5; y < page.bottom() - 1.5; y += 2.5)
        p.drawLine(QPointF(page.left() + 2.5, y), QPointF(page.right() - 2.5, y));
}

void DrawCopy(QPainter& p)
{
    DrawPage(p, QRectF(3.5, 3.5, 11, 13));
    DrawPage(p, QRectF(9.5, 7.5, 11, 13));
}

void DrawPaste(QPainter& p)
{
    p.setPen(QPen(Ink, 1.3));
    p.setBrush(QColor(0xb0, 0x80, 0x50));
    p.drawRoundedRect(QRectF(4.5, 4.5, 14, 17), 1.5, 1.5);
    p.setBrush(QColor(0x90, 0x90, 0x90));
    p.drawRoundedRect(QRectF(8.5, 2.5, 6, 4), 1, 1);
    DrawPage(p, QRectF(10.5, 9.5, 10, 12));
}

// A curved arrow pointing left (Undo), or mirrored to point right (Redo).
void DrawTurnArrow(QPainter& p, bool pointsRight)
{
    if (pointsRight) {
        p.translate(DrawnSize, 0);
        p.scale(-1, 1);
    }
    QPainterPath curve;
    curve.moveTo(7, 9);
    curve.lineTo(14, 9);
    curve.cubicTo(22, 9, 22, 20, 14, 20);
    curve.lineTo(9, 20);
    p.setPen(QPen(Accent, 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(curve);
    QPainterPath head;
    head.moveTo(2.5, 9);
    head.lineTo(9, 3.5);
    head.lineTo(9, 14.5);
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(Accent);
    p.drawPath(head);
}

void DrawFind(QPainter& p)
{
    p.setPen(QPen(Ink, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(14.5, 14.5), QPointF(20.5, 20.5));
    p.setPen(QPen(Ink, 2));
    p.setBrush(QColor(0xd6, 0xe8, 0xfa));
    p.drawEllipse(QPointF(10, 10), 6.5, 6.5);
}

QIcon Drawn(ToolbarIcon icon)
{
    QPixmap pixmap(DrawnSize, DrawnSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    switch (icon) {
    case ToolbarIcon::Save:
        DrawSave(painter);
        break;
    case ToolbarIcon::Cut:
        DrawCut(painter);
        break;
    case ToolbarIcon::Copy:
        DrawCopy(painter);
        break;
    case ToolbarIcon::Paste:
        DrawPaste(painter);
        break;
    case ToolbarIcon::Undo:
        DrawTurnArrow(painter, false);
        break;
    case ToolbarIcon::Redo:
        DrawTurnArrow(painter, true);
        break;
    case ToolbarIcon::Find:
        DrawFind(painter);
        break;
    }
    painter.end();
    return QIcon(pixmap);
}

QString ThemeName(ToolbarIcon icon)
{
    switch (icon) {
    case ToolbarIcon::Save:
        return QStringLiteral("document-save");
    case ToolbarIcon::Cut:
        return QStringLiteral("edit-cut");
    case ToolbarIcon::Copy:
        return QStringLiteral("edit-copy");
    case ToolbarIcon::Paste:
        return QStringLiteral("edit-paste");
    case ToolbarIcon::Undo:
        return QStringLiteral("edit-undo");
    case ToolbarIcon::Redo:
        return QStringLiteral("edit-redo");
    case ToolbarIcon::Find:
        return QStringLiteral("edit-find");
    }
    return {};
}

}  // namespace

QIcon ToolbarIconFor(ToolbarIcon icon) { return QIcon::fromTheme(ThemeName(icon), Drawn(icon)); }

}  // namespace larkspire
