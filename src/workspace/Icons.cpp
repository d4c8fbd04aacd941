#include "Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

const QColor kInk(40, 40, 40);
const QColor kBlue(30, 90, 180);
const QColor kGreen(30, 140, 60);
const QColor kRed(190, 30, 30);

void drawSheet(QPainter &p, const QRectF &r)
{
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(Qt::white);
    p.drawRect(r);
    p.setPen(QPen(QColor(120, 120, 120), 1));
    for (double y = r.top() + 4; y < r.bottom() - 2; y += 3)
        p.drawLine(QPointF(r.left() + 3, y), QPointF(r.right() - 3, y));
}

void drawGrid(QPainter &p, const QRectF &r, const QColor &head)
{
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(Qt::white);
    p.drawRect(r);
    p.fillRect(QRectF(r.left() + 0.6, r.top() + 0.6, r.width() - 1.2, 4), head);
    p.setPen(QPen(QColor(110, 110, 110), 1));
    for (double y = r.top() + 8; y < r.bottom(); y += 4)
        p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
    p.drawLine(QPointF(r.center().x(), r.top() + 4), QPointF(r.center().x(), r.bottom()));
}

void drawArrow(QPainter &p, QPointF from, QPointF to, const QColor &color)
{
    p.setPen(QPen(color, 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(from, to);
    const QPointF d = to - from;
    const double len = std::hypot(d.x(), d.y());
    const QPointF u = d / len, n(-u.y(), u.x());
    p.setBrush(color);
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygonF{to + u * 2, to - u * 5 + n * 4, to - u * 5 - n * 4});
}

void drawTriangle(QPainter &p, double x, bool pointsLeft, const QColor &color)
{
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    if (pointsLeft)
        p.drawPolygon(QPolygonF{{x, 12}, {x + 8, 6}, {x + 8, 18}});
    else
        p.drawPolygon(QPolygonF{{x + 8, 12}, {x, 6}, {x, 18}});
}

void paint(QPainter &p, ToolIcon kind)
{
    switch (kind) {
    case ToolIcon::SaveAs:
        p.setPen(QPen(kInk, 1.2));
        p.setBrush(kBlue);
        p.drawRoundedRect(QRectF(3, 3, 18, 18), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(7, 3.5, 10, 7));
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(QRectF(7, 14, 10, 7));
        break;
    case ToolIcon::Preview:
        drawSheet(p, QRectF(3, 2, 13, 18));
        p.setPen(QPen(kInk, 2));
        p.setBrush(QColor(200, 225, 255, 200));
        p.drawEllipse(QRectF(10, 10, 8, 8));
        p.drawLine(QPointF(17, 17), QPointF(21.5, 21.5));
        break;
    case ToolIcon::Print:
        drawSheet(p, QRectF(7, 2, 10, 8));
        p.setPen(QPen(kInk, 1.2));
        p.setBrush(QColor(170, 170, 175));
        p.drawRoundedRect(QRectF(2.5, 9, 19, 8), 1.5, 1.5);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(6, 14, 12, 7));
        p.setBrush(kGreen);
        p.setPen(Qt::NoPen);
        p.drawEllipse(QRectF(17, 10.5, 2.5, 2.5));
        break;
    case ToolIcon::Query:
        drawGrid(p, QRectF(2, 3, 14, 15), QColor(230, 190, 90));
        p.setPen(QPen(kInk, 2.2));
        p.setBrush(QColor(255, 255, 255, 210));
        p.drawEllipse(QRectF(11, 10, 8, 8));
        p.drawLine(QPointF(18, 17), QPointF(22, 21.5));
        break;
    case ToolIcon::Clear:
        drawGrid(p, QRectF(2, 3, 16, 16), QColor(200, 200, 200));
        p.setPen(QPen(kRed, 2.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(12, 12), QPointF(21, 21));
        p.drawLine(QPointF(21, 12), QPointF(12, 21));
        break;
    case ToolIcon::CopyToArchive:
        drawGrid(p, QRectF(2, 2, 11, 11), QColor(150, 190, 240));
        p.setPen(QPen(kInk, 1.2));
        p.setBrush(QColor(215, 180, 120));
        p.drawRect(QRectF(12, 13, 10, 9));
        p.drawLine(QPointF(12, 16), QPointF(22, 16));
        drawArrow(p, QPointF(7, 15), QPointF(15, 11), kGreen);
        break;
    case ToolIcon::Chart:
        p.setPen(QPen(kInk, 1.2));
        p.drawLine(QPointF(3, 21), QPointF(21, 21));
        p.drawLine(QPointF(3, 21), QPointF(3, 3));
        p.setPen(Qt::NoPen);
        p.setBrush(kBlue);
        p.drawRect(QRectF(5, 13, 3.5, 8));
        p.setBrush(kGreen);
        p.drawRect(QRectF(10, 7, 3.5, 14));
        p.setBrush(QColor(220, 140, 30));
        p.drawRect(QRectF(15, 10, 3.5, 11));
        break;
    case ToolIcon::OpenTable:
        p.setPen(QPen(kInk, 1.2));
        p.setBrush(QColor(240, 200, 90));
        p.drawPath([] {
            QPainterPath path;
            path.moveTo(2, 20); path.lineTo(2, 5); path.lineTo(8, 5); path.lineTo(10, 7);
            path.lineTo(19, 7); path.lineTo(19, 20); path.closeSubpath();
            return path;
        }());
        drawGrid(p, QRectF(9, 11, 13, 10), QColor(150, 190, 240));
        break;
    case ToolIcon::SaveTable:
        drawGrid(p, QRectF(2, 2, 13, 12), QColor(150, 190, 240));
        p.setPen(QPen(kInk, 1.2));
        p.setBrush(kBlue);
        p.drawRoundedRect(QRectF(11, 11, 11, 11), 1.5, 1.5);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(13.5, 11.5, 6, 4));
        break;
    case ToolIcon::FieldLayout:
        p.setPen(QPen(kInk, 1.2));
        for (int i = 0; i < 4; ++i) {
            p.setBrush(i % 2 ? QColor(190, 215, 245) : QColor(245, 225, 170));
            p.drawRect(QRectF(2 + i * 5, 6, 5, 12));
        }
        p.setPen(QPen(kBlue, 2));
        p.drawLine(QPointF(2, 3), QPointF(22, 3));
        break;
    case ToolIcon::First:
        p.fillRect(QRectF(5, 6, 2.5, 12), kInk);
        drawTriangle(p, 8.5, true, kInk);
        break;
    case ToolIcon::Prior:
        drawTriangle(p, 7, true, kInk);
        break;
    case ToolIcon::Next:
        drawTriangle(p, 9, false, kInk);
        break;
    case ToolIcon::Last:
        drawTriangle(p, 7.5, false, kInk);
        p.fillRect(QRectF(16.5, 6, 2.5, 12), kInk);
        break;
    case ToolIcon::Delete:
        p.fillRect(QRectF(5, 10.5, 14, 3), kRed);
        break;
    case ToolIcon::Insert:
        p.fillRect(QRectF(5, 10.5, 14, 3), kGreen);
        p.fillRect(QRectF(10.5, 5, 3, 14), kGreen);
        break;
    case ToolIcon::Post:
        p.setPen(QPen(kGreen, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF{{5, 12.5}, {10, 17.5}, {19, 6.5}});
        break;
    case ToolIcon::Cancel:
        p.setPen(QPen(kRed, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(6, 6), QPointF(18, 18));
        p.drawLine(QPointF(18, 6), QPointF(6, 18));
        break;
    }
}

QPixmap render(ToolIcon kind, int size, bool disabled)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 24.0, size / 24.0);
    if (disabled)
        p.setOpacity(0.35);
    paint(p, kind);
    return pixmap;
}

}  // namespace

QIcon toolIcon(ToolIcon kind)
{
    QIcon icon;
    for (int size : {16, 24, 32, 48}) {
        icon.addPixmap(render(kind, size, false), QIcon::Normal);
        icon.addPixmap(render(kind, size, true), QIcon::Disabled);
    }
    return icon;
}
