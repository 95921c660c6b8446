// What the grids and widgets paint alike: their pens and the name label of a line.
#ifndef RDPAINTING_P_H
#define RDPAINTING_P_H

#include "CRDDevicePoint.h"
#include "RDNumeric_p.h"
#include "ResultDisplayTypes.h"

#include <QBrush>
#include <QColor>
#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <QRect>
#include <QString>

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

/// A line's name, above and right of the device point where the line first becomes visible.
inline void DrawLineLabel(QPainter& Painter, const QString& strName, const CRDDevicePoint& At)
{
    const QFontMetrics Metrics = Painter.fontMetrics();
    const long iTextHeight = Metrics.height();
    const long iTextWidth = Metrics.horizontalAdvance(strName);
    const QRect LabelBox(Numeric::NarrowSum(At.m_iX, iTextHeight + 5), Numeric::NarrowSum(At.m_iY, -5 - iTextHeight),
                         Numeric::NarrowToInt(iTextWidth), Numeric::NarrowToInt(iTextHeight));
    Painter.drawText(LabelBox, Qt::AlignCenter, strName);
}

} // namespace Painting
} // namespace KelmFramework

#endif // RDPAINTING_P_H
