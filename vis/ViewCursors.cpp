#include "vis/ViewCursors.h"

#include <QBitmap>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace {
constexpr int Size = 32;

// A magnifying glass: lens at the top-left, handle towards the bottom-right.
void DrawMagnifier(QPainter& painter, bool plus, bool minus)
{
    painter.setPen(QPen(Qt::black, 4, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(20, 20, 29, 29);
    painter.setPen(QPen(Qt::black, 2));
    painter.setBrush(Qt::white);
    painter.drawEllipse(QPoint(12, 12), 10, 10);
    painter.setPen(QPen(Qt::black, 2));
    if (plus || minus) painter.drawLine(7, 12, 17, 12);
    if (plus) painter.drawLine(12, 7, 12, 17);
}

// An open hand: four fingers, a thumb and the palm.
void DrawHand(QPainter& painter)
{
    QPainterPath hand;
    for (int finger = 0; finger < 4; ++finger) hand.addRoundedRect(QRectF(8 + 4 * finger, 3 + (finger % 3 ? 0 : 3), 4, 16), 2, 2);
    QPainterPath thumb;
    thumb.moveTo(8, 22);
    thumb.lineTo(2, 14);
    thumb.lineTo(5, 12);
    thumb.lineTo(10, 17);
    thumb.closeSubpath();
    hand = hand.united(thumb);
    hand.addRoundedRect(QRectF(8, 14, 16, 14), 4, 4);
    hand = hand.simplified();
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    painter.drawPath(hand);
    painter.drawLine(12, 10, 12, 16);
    painter.drawLine(16, 8, 16, 16);
    painter.drawLine(20, 8, 20, 16);
}

// A rectangular lens with a handle.
void DrawLens(QPainter& painter)
{
    painter.setPen(QPen(Qt::black, 4, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(15, 18, 25, 29);
    painter.setPen(QPen(Qt::black, 2));
    painter.setBrush(Qt::white);
    painter.drawRect(2, 2, 20, 15);
    painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
    painter.drawRect(6, 6, 12, 7);
}

// Two arcs chasing each other round a centre, arrow heads at their ends.
void DrawRotation(QPainter& painter)
{
    const QRectF circle(5, 5, 22, 22);
    for (int pass = 0; pass < 2; ++pass) {
        painter.setPen(QPen(pass == 0 ? Qt::white : Qt::black, pass == 0 ? 5 : 2, Qt::SolidLine, Qt::FlatCap));
        painter.setBrush(Qt::NoBrush);
        painter.drawArc(circle, 20 * 16, 140 * 16);
        painter.drawArc(circle, 200 * 16, 140 * 16);
        painter.setBrush(pass == 0 ? Qt::white : Qt::black);
        painter.setPen(QPen(pass == 0 ? Qt::white : Qt::black, pass == 0 ? 2 : 1));
        painter.drawPolygon(QPolygonF({QPointF(3, 12), QPointF(11, 12), QPointF(7, 18)}));
        painter.drawPolygon(QPolygonF({QPointF(29, 20), QPointF(21, 20), QPointF(25, 14)}));
    }
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::black);
    painter.drawEllipse(QPointF(16, 16), 2, 2);
}

void Draw(QPainter& painter, TViewCursor which);

QCursor Make(TViewCursor which)
{
    // Drawn in colour with transparency, then split into the two bitmaps of a
    // monochrome cursor: black pixels form the image, every painted pixel the mask.
    QImage drawing(Size, Size, QImage::Format_ARGB32);
    drawing.fill(Qt::transparent);
    {
        QPainter painter(&drawing);
        painter.setRenderHint(QPainter::Antialiasing, false);
        Draw(painter, which);
    }
    QImage ink(Size, Size, QImage::Format_RGB32);
    QImage mask(Size, Size, QImage::Format_RGB32);
    ink.fill(Qt::white);
    mask.fill(Qt::white);
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x) {
            const QRgb pixel = drawing.pixel(x, y);
            if (qAlpha(pixel) < 128) continue;
            mask.setPixel(x, y, qRgb(0, 0, 0));
            if (qGray(pixel) < 128) ink.setPixel(x, y, qRgb(0, 0, 0));
        }
    return QCursor(QBitmap::fromImage(ink, Qt::ThresholdDither), QBitmap::fromImage(mask, Qt::ThresholdDither), 0, 0);
}

void Draw(QPainter& painter, TViewCursor which)
{
    switch (which) {
    case TViewCursor::Pan: DrawHand(painter); break;
    case TViewCursor::ZoomIn: DrawMagnifier(painter, true, false); break;
    case TViewCursor::ZoomOut: DrawMagnifier(painter, false, true); break;
    case TViewCursor::InstantZoom: DrawLens(painter); break;
    case TViewCursor::Rotate: DrawRotation(painter); break;
    }
}
} // namespace

QCursor ViewCursor(TViewCursor cursor)
{
    static const QCursor cursors[] = {Make(TViewCursor::Pan), Make(TViewCursor::ZoomIn), Make(TViewCursor::ZoomOut),
                                      Make(TViewCursor::InstantZoom), Make(TViewCursor::Rotate)};
    return cursors[static_cast<int>(cursor)];
}
