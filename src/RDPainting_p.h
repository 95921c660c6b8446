// What the grids and widgets paint alike: their pens and the name label of a line.
#ifndef RDPAINTING_P_H
#define RDPAINTING_P_H

#include "CRDDevicePoint.h"
#include "RDNumeric_p.h"
#include "ResultDisplayTypes.h"

#include <QBrush>
#include <QColor>
#include <QFontMetrics>
#include <QLine>
#include <QPaintEngine>
#include <QPainter>
#include <QPen>
#include <QPoint>
#include <QRect>
#include <QRectF>
#include <QRegion>
#include <QString>
#include <QTransform>

#include <algorithm>
#include <climits>
#include <cmath>

namespace KelmFramework
{
namespace Painting
{

/// A pen of one colour with flat caps and mitred joins: every line of the library is drawn so.
inline QPen FlatPen(const QColor& Color, qreal dWidth, Qt::PenStyle ePenStyle = Qt::SolidLine)
{
    return QPen(QBrush(Color, Qt::SolidPattern), dWidth, ePenStyle, Qt::FlatCap, Qt::MiterJoin);
}

/// Qt's pen style for a line style; an unknown one is drawn solid.
inline Qt::PenStyle PenStyleOf(ERDLineStyle eLineStyle)
{
    switch (eLineStyle) {
    case eRDLineDotted:
        return Qt::DotLine;
    case eRDLineDashDotted:
        return Qt::DashDotLine;
    default:
        return Qt::SolidLine;
    }
}

/// The marker sizes of a grid, in pixels.
struct MarkerShape
{
    long iDotWidth;
    long iCrossHalfSize;
    long iCrossWidth;
    long iSquareHalfSize;
    long iSquareWidth;
};

/// The pen of a marker style: round for dots, flat for crosses and squares.
inline QPen MarkerPen(const QColor& Color, ERDPointStyle ePointStyle, const MarkerShape& Shape)
{
    if (ePointStyle == eRDPointDot)
        return QPen(QBrush(Color, Qt::SolidPattern), static_cast<double>(Shape.iDotWidth), Qt::SolidLine, Qt::RoundCap,
                    Qt::RoundJoin);
    return FlatPen(Color, static_cast<double>(ePointStyle == eRDPointCross ? Shape.iCrossWidth : Shape.iSquareWidth));
}

/// A dot, cross or square at a device point, in the pen already set.
inline void DrawMarker(QPainter& Painter, ERDPointStyle ePointStyle, long iX, long iY, const MarkerShape& Shape)
{
    using Numeric::NarrowSum;
    using Numeric::NarrowToInt;
    switch (ePointStyle) {
    case eRDPointDot: {
        const QPoint Dot(NarrowToInt(iX), NarrowToInt(iY));
        Painter.drawPoints(&Dot, 1);
        break;
    }
    case eRDPointCross: {
        const long iA = Shape.iCrossHalfSize;
        const QLine Horizontal(NarrowSum(iX, -iA), NarrowToInt(iY), NarrowSum(iX, iA), NarrowToInt(iY));
        Painter.drawLines(&Horizontal, 1);
        const QLine Vertical(NarrowToInt(iX), NarrowSum(iY, -iA), NarrowToInt(iX), NarrowSum(iY, iA));
        Painter.drawLines(&Vertical, 1);
        break;
    }
    case eRDPointSquare: {
        const long iH = Shape.iSquareHalfSize;
        const int iSide = NarrowSum(iH, iH);
        const QRect Square(NarrowSum(iX, -iH), NarrowSum(iY, -iH), iSide, iSide);
        Painter.drawRects(&Square, 1);
        break;
    }
    default:
        break;
    }
}

/// Text in a box as QPainter::drawText draws it, in the painter's pen.
inline void DrawText(QPainter& Painter, const QRect& Box, int iFlags, const QString& strText)
{
    // A text that overflows its box is clipped to it. Replaying a QPicture, the raster engine then loses
    // the polylines after it (lines come back from a picture as polylines) until the pen changes; Qt 6
    // even records the clip in the picture. Drawn in a copy of the pen that differs only where text
    // cannot show it, the replay sees the pen change on either side.
    const QPaintEngine* pEngine = Painter.paintEngine();
    if (pEngine && pEngine->type() == QPaintEngine::Picture) {
        const QPen Pen = Painter.pen();
        QPen TextPen = Pen;
        TextPen.setMiterLimit(Pen.miterLimit() + 1.0);
        Painter.setPen(TextPen);
        Painter.drawText(Box, iFlags, strText);
        Painter.setPen(Pen);
        return;
    }
    Painter.drawText(Box, iFlags, strText);
}

/// For its lifetime, a clip that cuts nothing on a raster painter that has none: the raster
/// engine draws the same antialiased lines, pixel for pixel, about a third faster with a clip set.
/// Other painters (printers, PDF, SVG, recorders) are left alone, and so are rotated ones.
class UncuttingClip
{
public:
    explicit UncuttingClip(QPainter& Painter) : m_Painter(Painter)
    {
        const QPaintEngine* const pEngine = Painter.paintEngine();
        // The pixels are the engine's device's. A widget rendered into an image paints through a
        // stand-in device of the widget's size, with the image's pixel ratio in the painter's transform.
        const QPaintDevice* const pDevice = pEngine ? pEngine->paintDevice() : nullptr;
        const QTransform ToDevice = Painter.deviceTransform();
        if (!pEngine || pEngine->type() != QPaintEngine::Raster || !pDevice || Painter.hasClipping()
            || ToDevice.type() > QTransform::TxScale)
            return;
        const QRectF Device(0, 0, pDevice->width() * pDevice->devicePixelRatioF(),
                            pDevice->height() * pDevice->devicePixelRatioF());
        const QRect Logical = ToDevice.inverted().mapRect(Device).toAlignedRect().adjusted(-1, -1, 1, 1);
        Painter.setClipRect(Logical);
        m_bSet = true;
    }
    ~UncuttingClip()
    {
        if (m_bSet)
            m_Painter.setClipping(false);
    }
    UncuttingClip(const UncuttingClip&) = delete;
    UncuttingClip& operator=(const UncuttingClip&) = delete;

private:
    QPainter& m_Painter;
    bool m_bSet = false;
};

/// Columns of the painter's coordinates, edges included.
struct Columns
{
    long iLeft, iRight;
};

/// The columns outside which a line in the painter's pen changes no pixel: those of a raster
/// painter's clip and system clip, widened by what the pen and its antialiasing reach. All columns
/// where it has neither, and where the painter cannot tell (vector and print output, rotations).
inline Columns WritableColumns(const QPainter& Painter)
{
    constexpr Columns All{LONG_MIN, LONG_MAX};
    const QPaintEngine* const pEngine = Painter.paintEngine();
    const QTransform ToDevice = Painter.deviceTransform();
    const double dScale = std::fabs(ToDevice.m11());
    const QPen Pen = Painter.pen();
    const double dWidth = Pen.isCosmetic() || Pen.widthF() <= 0.0 ? 1.0 / dScale : Pen.widthF();
    if (!pEngine || pEngine->type() != QPaintEngine::Raster || ToDevice.type() > QTransform::TxScale
        || !(dScale >= 1.0 / 64) || !(dWidth <= 1e6))
        return All;
    const QRegion System = pEngine->systemClip();
    const bool bClipped = Painter.hasClipping();
    if (System.isEmpty() && !bClipped)
        return All;
    QRectF Logical = bClipped ? Painter.clipBoundingRect() : QRectF();
    if (!System.isEmpty()) {
        const QRectF Seen = ToDevice.inverted().mapRect(QRectF(System.boundingRect()));
        Logical = bClipped ? Logical & Seen : Seen;
    }
    // Antialiasing reaches a device pixel beyond the pen, and clipping may move an end by one.
    const double dReach = std::ceil(dWidth / 2 + 2 / dScale) + 2;
    const double dMost = 1e15;
    const double dLeft = std::floor(std::clamp(Logical.left(), -dMost, dMost)) - dReach;
    const double dRight = std::ceil(std::clamp(Logical.right(), -dMost, dMost)) + dReach;
    if (Logical.isEmpty() || !(dLeft <= dRight))
        return Columns{0, -1};
    return Columns{static_cast<long>(dLeft), static_cast<long>(dRight)};
}

/// A line's name, above and right of the device point where the line first becomes visible.
inline void DrawLineLabel(QPainter& Painter, const QString& strName, const CRDDevicePoint& At)
{
    const QFontMetrics Metrics = Painter.fontMetrics();
    const long iTextHeight = Metrics.height();
    const long iTextWidth = Metrics.horizontalAdvance(strName);
    const QRect LabelBox(Numeric::NarrowSum(At.m_iX, iTextHeight + 5), Numeric::NarrowSum(At.m_iY, -5 - iTextHeight),
                         Numeric::NarrowToInt(iTextWidth), Numeric::NarrowToInt(iTextHeight));
    DrawText(Painter, LabelBox, Qt::AlignCenter, strName);
}

} // namespace Painting
} // namespace KelmFramework

#endif // RDPAINTING_P_H
