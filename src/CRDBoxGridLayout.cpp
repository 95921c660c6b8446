// CRDBoxGridLayout: the concrete grid with grid lines, tick labels and axis titles.
#include "CRDBoxGridLayout.h"

#include "RDFrameCache_p.h"
#include "RDNumeric_p.h"
#include "RDPainting_p.h"

#include <QFontMetrics>
#include <QLine>
#include <QPainter>
#include <QPen>
#include <QPointF>
#include <QRect>

#include <cmath>

namespace KelmFramework
{

using Numeric::NarrowSum;
using Numeric::NarrowToInt;

CRDBoxGridLayout::CRDBoxGridLayout(CRDPoint PointA, CRDPoint PointB, QString strXAxisTitle, QString strYAxisTitle,
                                   long iXDivisions, long iYDivisions, short iXPrecision, short iYPrecision,
                                   CRDColor GridColor, CRDColor TextColor)
    : CRDLinearGrid(PointA, PointB, strXAxisTitle, strYAxisTitle, iXDivisions, iYDivisions, iXPrecision, iYPrecision,
                    GridColor, TextColor),
      m_iLabelGap(5),
      m_DefaultCallBack(QStringLiteral("CRDBoxGridLayout")),
      m_pCallBack(&m_DefaultCallBack)
{
}

CRDBoxGridLayout::CRDBoxGridLayout(IResultDisplayCallBack& CallBack, CRDPoint PointA, CRDPoint PointB,
                                   QString strXAxisTitle, QString strYAxisTitle, long iXDivisions, long iYDivisions,
                                   short iXPrecision, short iYPrecision, CRDColor GridColor, CRDColor TextColor)
    : CRDLinearGrid(PointA, PointB, strXAxisTitle, strYAxisTitle, iXDivisions, iYDivisions, iXPrecision, iYPrecision,
                    GridColor, TextColor),
      m_iLabelGap(5),
      m_DefaultCallBack(QStringLiteral("CRDBoxGridLayout")),
      m_pCallBack(&CallBack)
{
}

CRDBoxGridLayout::~CRDBoxGridLayout()
{
}

void CRDBoxGridLayout::DrawGrid(QPainter& Painter, CRDDevicePoint& LeftTop, CRDDevicePoint& RightBottom, long iMargin)
{
    // An application's texts may change with nothing else: asked for on every paint, as DrawXGrid does.
    const auto Labels = [this]() -> std::optional<QStringList> {
        if (m_pCallBack->m_strName == QLatin1String("CRDBoxGridLayout") || m_iXDivisions < 0)
            return std::nullopt;
        QStringList Texts;
        const long iXDivisions = Numeric::ClampDivisions(m_iXDivisions);
        const double dXValueStep = (GetViewPortRightTop().m_dX - GetViewPortLeftButton().m_dX) / iXDivisions;
        double dValue = GetViewPortLeftButton().m_dX;
        for (long i = 0; i <= iXDivisions; ++i, dValue += dXValueStep)
            if (i > 0)
                Texts << m_pCallBack->GetXAxisStepValue(dValue);
        return Texts;
    };
    if (FrameCache::Frame::Replay(*this, Painter, Labels))
        return;
    DrawXGrid(Painter, LeftTop, RightBottom, iMargin);
    DrawYGrid(Painter, LeftTop, RightBottom, iMargin);
}

void CRDBoxGridLayout::DrawXGrid(QPainter& Painter, CRDDevicePoint& LeftTop, CRDDevicePoint& RightBottom, long iMargin)
{
    const QFontMetrics Metrics = Painter.fontMetrics();
    const int iTextHeight = Metrics.height();
    const long iL = LeftTop.m_iX;
    const long iB = RightBottom.m_iY;
    const long iXDivisions = Numeric::ClampDivisions(m_iXDivisions);
    const long iYDivisions = Numeric::ClampDivisions(m_iYDivisions);
    const long iXStep = Numeric::IntSpan(iL, RightBottom.m_iX) / iXDivisions;
    const int iTop = NarrowToInt(LeftTop.m_iY);
    const int iYEnd = NarrowSum(LeftTop.m_iY, iYDivisions * (Numeric::IntSpan(LeftTop.m_iY, iB) / iYDivisions));
    const double dXValueStep = (GetViewPortRightTop().m_dX - GetViewPortLeftButton().m_dX) / iXDivisions;
    const int iLabelTop = NarrowSum(iB, m_iLabelGap);
    // A callback of the built-in name is the default one and supplies no texts.
    const bool bNumeric = m_pCallBack->m_strName == QLatin1String("CRDBoxGridLayout");
    // Set before every line and label as if fresh: an equal pen draws the same, without allocating.
    const QPen GridPen = Painting::FlatPen(m_GridColor, 1.0);
    const QPen TextPen = Painting::FlatPen(m_TextColor, 1.0);

    if (m_iXDivisions >= 0) {
        double dValue = GetViewPortLeftButton().m_dX;
        for (long i = 0; i <= iXDivisions; ++i, dValue += dXValueStep) {
            const int iX = NarrowSum(iL, i * iXStep);
            Painter.setPen(GridPen);
            const QLine GridLine(iX, iTop, iX, iYEnd);
            Painter.drawLines(&GridLine, 1);
            if (i == 0)
                continue;

            Painter.setPen(TextPen);
            if (bNumeric) {
                const QString strText = QString::number(dValue, 'f', Numeric::LabelPrecision(m_iXPrecision));
                const int iWidth = Metrics.horizontalAdvance(strText);
                Painting::DrawText(Painter, QRect(NarrowSum(iX, -(iWidth / 2)), iLabelTop, iWidth, iTextHeight),
                                   Qt::AlignCenter, strText);
            } else {
                const QString strText = FrameCache::Frame::Label(
                    *this, Painter, i - 1, [&] { return m_pCallBack->GetXAxisStepValue(dValue); });
                const int iWidth = Metrics.horizontalAdvance(strText);
                // Slanted so that long texts do not collide; longer texts start further down.
                Painter.save();
                Painter.translate(QPointF(iX - 0.75 * iWidth, NarrowToInt(iB) + strText.size() * 0.9 * m_iLabelGap));
                Painter.rotate(-45.0);
                Painting::DrawText(Painter, QRect(0, 0, iWidth, iTextHeight), Qt::AlignLeft, strText);
                Painter.restore();
            }
        }
    }

    // The title's box starts at half the device width counted from x 0, in the band above the box.
    Painter.setPen(TextPen);
    Painting::DrawText(Painter,
                       QRect(NarrowToInt(Numeric::IntSpan(iL, RightBottom.m_iX) / 2),
                             NarrowSum(iMargin / 2, -(iTextHeight / 2)), Metrics.horizontalAdvance(m_strXAxisTitle),
                             iTextHeight),
                       Qt::AlignLeft, m_strXAxisTitle);
}

void CRDBoxGridLayout::DrawYGrid(QPainter& Painter, CRDDevicePoint& LeftTop, CRDDevicePoint& RightBottom, long iMargin)
{
    const QFontMetrics Metrics = Painter.fontMetrics();
    const int iTextHeight = Metrics.height();
    const long iT = LeftTop.m_iY;
    const long iHeight = Numeric::IntSpan(iT, RightBottom.m_iY);
    const long iXDivisions = Numeric::ClampDivisions(m_iXDivisions);
    const long iYDivisions = Numeric::ClampDivisions(m_iYDivisions);
    const long iYStep = iHeight / iYDivisions;
    const int iLeft = NarrowToInt(LeftTop.m_iX);
    const int iXEnd = NarrowSum(LeftTop.m_iX,
                                iXDivisions * (Numeric::IntSpan(LeftTop.m_iX, RightBottom.m_iX) / iXDivisions));
    const double dYValueStep = (GetViewPortRightTop().m_dY - GetViewPortLeftButton().m_dY) / iYDivisions;
    const QPen GridPen = Painting::FlatPen(m_GridColor, 1.0);
    const QPen TextPen = Painting::FlatPen(m_TextColor, 1.0);

    if (m_iYDivisions >= 0) {
        double dValue = GetViewPortRightTop().m_dY;
        for (long i = 0; i <= iYDivisions; ++i, dValue -= dYValueStep) {
            const int iY = NarrowSum(iT, i * iYStep);
            Painter.setPen(GridPen);
            const QLine GridLine(iLeft, iY, iXEnd, iY);
            Painter.drawLines(&GridLine, 1);
            // The running sum misses zero by rounding noise; the lines below continue from an exact 0.
            if (std::fabs(dValue) < 1e-8)
                dValue = 0.0;
            if (i == iYDivisions)
                continue;

            const QString strText = QString::number(dValue, 'g', Numeric::LabelPrecision(m_iYPrecision));
            const int iWidth = Metrics.horizontalAdvance(strText);
            Painter.setPen(TextPen);
            Painting::DrawText(Painter,
                               QRect(NarrowSum(iLeft, -static_cast<long>(iWidth) - m_iLabelGap),
                                     NarrowSum(iY, -(iTextHeight / 2)), iWidth, iTextHeight),
                               Qt::AlignCenter, strText);
        }
    }

    // Reads bottom to top, centred in the margin band right of the box.
    Painter.setPen(TextPen);
    const int iTitleWidth = Metrics.horizontalAdvance(m_strYAxisTitle);
    const int iTitleX = NarrowSum(NarrowSum(RightBottom.m_iX, iMargin / 2), -(iTextHeight / 2));
    const int iTitleY = NarrowSum(NarrowSum(iHeight / 2, iTitleWidth), iMargin / 2);
    Painter.save();
    Painter.translate(QPointF(iTitleX, iTitleY));
    Painter.rotate(-90.0);
    Painting::DrawText(Painter, QRect(0, 0, iTitleWidth, iTextHeight), Qt::AlignRight, m_strYAxisTitle);
    Painter.restore();
}

} // namespace KelmFramework
