// The legend: a box in the top right corner of the device rectangle naming every named line.
#ifndef RDLEGEND_P_H
#define RDLEGEND_P_H

#include "CRDDecoratedLine.h"
#include "RDNumeric_p.h"
#include "RDPainting_p.h"

#include <QFontMetrics>
#include <QLine>
#include <QPainter>
#include <QRect>

#include <algorithm>
#include <map>
#include <vector>

namespace KelmFramework
{
namespace Legend
{

constexpr int c_iSample = 24; ///< length of a row's sample of the line, in pixels
constexpr int c_iPad = 6;     ///< inside the box, and between the box and the device rectangle

/// One row per line with a name, in id order: a sample of the line with its pen and marker, then the
/// name. Nothing where no line has a name.
inline void Draw(QPainter& Painter, const std::map<long, CRDDecoratedLine>& mapLines, const QRect& Device,
                 const QColor& Background, const QColor& Frame, const QColor& Text, const Painting::MarkerShape& Shape)
{
    std::vector<const CRDDecoratedLine*> vecNamed;
    const QFontMetrics Metrics = Painter.fontMetrics();
    int iTextWidth = 0;
    for (const auto& Entry : mapLines) {
        if (Entry.second.m_strName.isEmpty())
            continue;
        vecNamed.push_back(&Entry.second);
        iTextWidth = std::max(iTextWidth, Metrics.horizontalAdvance(Entry.second.m_strName));
    }
    if (vecNamed.empty())
        return;
    const int iRow = Metrics.height() + 2;
    const int iWidth = c_iPad + c_iSample + c_iPad + iTextWidth + c_iPad;
    const int iHeight = 2 * c_iPad + static_cast<int>(vecNamed.size()) * iRow - 2;
    const int iLeft = std::max(Device.left() + c_iPad, Device.right() - c_iPad - iWidth);
    const QRect Box(iLeft, Device.top() + c_iPad, iWidth, iHeight);

    Painter.save();
    Painter.setPen(Painting::FlatPen(Frame, 1.0));
    Painter.setBrush(QBrush(Background));
    Painter.drawRect(QRectF(Box).adjusted(0.5, 0.5, -0.5, -0.5));
    Painter.setBrush(Qt::NoBrush);
    int iTop = Box.top() + c_iPad;
    for (const CRDDecoratedLine* pLine : vecNamed) {
        const int iMiddle = iTop + iRow / 2 - 1;
        const int iSampleLeft = Box.left() + c_iPad;
        Painter.setPen(Painting::FlatPen(pLine->m_Color, 1.0, Painting::PenStyleOf(pLine->m_eLineStyle)));
        const QLine Sample(iSampleLeft, iMiddle, iSampleLeft + c_iSample, iMiddle);
        Painter.drawLines(&Sample, 1);
        if (pLine->m_ePointStyle >= eRDPointDot && pLine->m_ePointStyle <= eRDPointSquare) {
            Painter.setPen(Painting::MarkerPen(pLine->m_Color, pLine->m_ePointStyle, Shape));
            Painting::DrawMarker(Painter, pLine->m_ePointStyle, iSampleLeft + c_iSample / 2, iMiddle, Shape);
        }
        Painter.setPen(Painting::FlatPen(Text, 1.0));
        Painting::DrawText(Painter, QRect(iSampleLeft + c_iSample + c_iPad, iTop, iTextWidth, iRow - 2),
                           Qt::AlignLeft | Qt::AlignVCenter, pLine->m_strName);
        iTop += iRow;
    }
    Painter.restore();
}

} // namespace Legend
} // namespace KelmFramework

#endif // RDLEGEND_P_H
