// CRDAxisBoxGrid: a box grid with round ticks, log and time scales, every tick labelled.
#include "CRDAxisBoxGrid.h"

#include "RDAxisTicks_p.h"
#include "RDFrameCache_p.h"
#include "RDGrids_p.h"
#include "RDNumeric_p.h"
#include "RDPainting_p.h"

#include <QFontMetrics>
#include <QLine>
#include <QPainter>
#include <QPen>
#include <QPointF>
#include <QRect>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace KelmFramework
{

using Numeric::NarrowToInt;

// What the grid keeps beyond its documented members.
class CRDAxisBoxGridPrivate
{
public:
    explicit CRDAxisBoxGridPrivate(IResultDisplayCallBack* pGiven)
        : DefaultCallBack(QStringLiteral("CRDBoxGridLayout")), pCallBack(pGiven ? pGiven : &DefaultCallBack)
    {
    }

    IResultDisplayCallBack DefaultCallBack;
    IResultDisplayCallBack* pCallBack; // not owned
    ERDScale eXScale = eRDScaleLinear;
    ERDScale eYScale = eRDScaleLinear;
    QTimeZone Zone = QTimeZone::utc();
};

namespace
{

ERDScale KnownScale(ERDScale eScale)
{
    return eScale == eRDScaleLog10 || eScale == eRDScaleTime ? eScale : eRDScaleLinear;
}

// A label line's box, in device pixels.
struct Placed
{
    QRect Box;
    QString strText;
    int iFlags;
};

} // namespace

CRDAxisBoxGrid::CRDAxisBoxGrid(CRDPoint PointA, CRDPoint PointB, QString strXAxisTitle, QString strYAxisTitle,
                               long iXDivisions, long iYDivisions, short iXPrecision, short iYPrecision,
                               CRDColor GridColor, CRDColor TextColor)
    : CRDLinearGrid(PointA, PointB, strXAxisTitle, strYAxisTitle, iXDivisions, iYDivisions, iXPrecision, iYPrecision,
                    GridColor, TextColor),
      d(std::make_unique<CRDAxisBoxGridPrivate>(nullptr))
{
}

CRDAxisBoxGrid::CRDAxisBoxGrid(IResultDisplayCallBack& CallBack, CRDPoint PointA, CRDPoint PointB,
                               QString strXAxisTitle, QString strYAxisTitle, long iXDivisions, long iYDivisions,
                               short iXPrecision, short iYPrecision, CRDColor GridColor, CRDColor TextColor)
    : CRDLinearGrid(PointA, PointB, strXAxisTitle, strYAxisTitle, iXDivisions, iYDivisions, iXPrecision, iYPrecision,
                    GridColor, TextColor),
      d(std::make_unique<CRDAxisBoxGridPrivate>(&CallBack))
{
}

CRDAxisBoxGrid::~CRDAxisBoxGrid()
{
}

void CRDAxisBoxGrid::SetXScale(ERDScale eScale)
{
    d->eXScale = KnownScale(eScale);
    Grids::SetScales(*this, d->eXScale, d->eYScale);
    FrameCache::Touch();
}

void CRDAxisBoxGrid::SetYScale(ERDScale eScale)
{
    d->eYScale = KnownScale(eScale);
    Grids::SetScales(*this, d->eXScale, d->eYScale);
    FrameCache::Touch();
}

ERDScale CRDAxisBoxGrid::GetXScale() const
{
    return d->eXScale;
}

ERDScale CRDAxisBoxGrid::GetYScale() const
{
    return d->eYScale;
}

void CRDAxisBoxGrid::SetTimeZone(const QTimeZone& TimeZone)
{
    d->Zone = TimeZone.isValid() ? TimeZone : QTimeZone::utc();
    FrameCache::Touch();
}

QTimeZone CRDAxisBoxGrid::GetTimeZone() const
{
    return d->Zone;
}

void CRDAxisBoxGrid::DrawLine(QPainter& Painter, CRDDecoratedLine& Line)
{
    if (FrameCache::Frame::Skips(*this, Painter))
        return;
    if (!Grids::DrawDecimated(*this, Painter, Line))
        CRDLinearGrid::DrawLine(Painter, Line);
}

void CRDAxisBoxGrid::DrawGrid(QPainter& Painter, CRDDevicePoint& LeftTop, CRDDevicePoint& RightBottom, long iMargin)
{
    const QFontMetrics Metrics = Painter.fontMetrics();
    const int iH = Metrics.height();
    const AxisTicks::TextMetrics Text{[&Metrics](const QString& strText) { return Metrics.horizontalAdvance(strText); },
                                      iH};
    // Device coordinates as the painter takes them; the margin a layout would give.
    const long iL = NarrowToInt(LeftTop.m_iX), iT = NarrowToInt(LeftTop.m_iY);
    const long iR = NarrowToInt(RightBottom.m_iX), iB = NarrowToInt(RightBottom.m_iY);
    const long iM = Numeric::ClampExtent(iMargin);
    const long iGap = std::max(2, iH / 4);
    const CRDPoint LeftBottom = GetViewPortLeftButton(), RightTop = GetViewPortRightTop();

    // Labels may reach into the margin beyond either end of an axis, and take the margin across but a gap.
    const auto axis = [&](double dLow, double dHigh, ERDScale eScale, long iLength, long iDivisions, short iPrecision) {
        AxisTicks::Axis A;
        A.dLow = dLow;
        A.dHigh = dHigh;
        A.eScale = eScale;
        A.iLength = iLength;
        A.iMaxTicks = iDivisions;
        A.iPrecision = iPrecision;
        A.iRoomBefore = A.iRoomAfter = iM;
        A.iRoomAcross = iM - iGap;
        A.Zone = d->Zone;
        return A;
    };
    AxisTicks::Axis X = axis(LeftBottom.m_dX, RightTop.m_dX, d->eXScale, iR - iL, m_iXDivisions, m_iXPrecision);
    // A callback of the built-in name is the default one and supplies no texts.
    if (d->pCallBack->m_strName != QLatin1String("CRDBoxGridLayout")) {
        IResultDisplayCallBack* const pCallBack = d->pCallBack;
        X.Texts = [pCallBack](double dValue) { return pCallBack->GetXAxisStepValue(dValue); };
    }
    AxisTicks::Axis Y = axis(LeftBottom.m_dY, RightTop.m_dY, d->eYScale, iB - iT, m_iYDivisions, m_iYPrecision);
    Y.bVertical = true;
    Y.bSignificant = true;
    // A repaint of the same picture is copied back. The ticks follow from what the picture's key holds, but
    // for an application's texts: those of the ticks they lead to are part of the key.
    std::optional<AxisTicks::Ticks> XFirst;
    if (X.Texts)
        XFirst = AxisTicks::Choose(X, Text);
    const auto Labels = [&]() -> std::optional<QStringList> {
        if (!XFirst)
            return std::nullopt;
        QStringList Texts;
        for (const AxisTicks::Tick& T : XFirst->vecTicks)
            Texts << T.strText;
        return Texts;
    };
    if (FrameCache::Frame::Replay(*this, Painter, Labels))
        return;
    const AxisTicks::Ticks XTicks = XFirst ? std::move(*XFirst) : AxisTicks::Choose(X, Text);
    const AxisTicks::Ticks YTicks = AxisTicks::Choose(Y, Text);

    // Ticks where the grid maps their values, so that they meet the data drawn at them.
    const auto xPixel = [&](double dValue) {
        CRDDevicePoint Device;
        MapToDevice(CRDPoint(dValue, LeftBottom.m_dY, false), Device);
        return Device.m_iX;
    };
    const auto yPixel = [&](double dValue) {
        CRDDevicePoint Device;
        MapToDevice(CRDPoint(LeftBottom.m_dX, dValue, false), Device);
        return Device.m_iY;
    };
    const auto onAxis = [](long iPixel, long iFrom, long iTo) { return iPixel > iFrom && iPixel < iTo; };

    std::vector<QLine> vecLines{QLine(iL, iT, iR, iT), QLine(iL, iB, iR, iB), QLine(iL, iT, iL, iB),
                                QLine(iR, iT, iR, iB)};
    std::vector<long> vecX, vecY;
    for (const AxisTicks::Tick& T : XTicks.vecTicks) {
        vecX.push_back(xPixel(T.dValue));
        if (onAxis(vecX.back(), iL, iR))
            vecLines.emplace_back(vecX.back(), iT, vecX.back(), iB);
    }
    for (const AxisTicks::Tick& T : YTicks.vecTicks) {
        vecY.push_back(yPixel(T.dValue));
        if (onAxis(vecY.back(), iT, iB))
            vecLines.emplace_back(iL, vecY.back(), iR, vecY.back());
    }
    // Minor ticks: short marks inward from both edges across the axis.
    const long iMinor = std::max(3, iH / 4);
    for (double dPosition : XTicks.vecMinor) {
        const long iX = iL + static_cast<long>(dPosition);
        if (onAxis(iX, iL, iR)) {
            vecLines.emplace_back(iX, iB, iX, iB - iMinor);
            vecLines.emplace_back(iX, iT, iX, iT + iMinor);
        }
    }
    for (double dPosition : YTicks.vecMinor) {
        const long iY = iB - static_cast<long>(dPosition);
        if (onAxis(iY, iT, iB)) {
            vecLines.emplace_back(iL, iY, iL + iMinor, iY);
            vecLines.emplace_back(iR, iY, iR - iMinor, iY);
        }
    }
    Painter.setPen(Painting::FlatPen(m_GridColor, 1.0));
    Painter.drawLines(vecLines.data(), static_cast<int>(vecLines.size()));

    // Labels: x centred under their ticks, y right-aligned left of the box, centred on theirs.
    std::vector<Placed> vecX1, vecY1;
    const auto add = [&](std::vector<Placed>& vecOut, long iLeft, long iTop, const QString& strText, int iFlags) {
        vecOut.push_back(
            {QRect(NarrowToInt(iLeft), NarrowToInt(iTop), Metrics.horizontalAdvance(strText), iH), strText, iFlags});
    };
    long iYLabelWidth = 0;
    for (std::size_t i = 0; i < YTicks.vecTicks.size(); ++i) {
        const AxisTicks::Tick& T = YTicks.vecTicks[i];
        if (!T.bShown || !onAxis(vecY[i], iT - 1, iB + 1))
            continue;
        for (const QString* pLine : {&T.strText, &T.strContext}) {
            if (pLine->isEmpty())
                continue;
            const long iWidth = Metrics.horizontalAdvance(*pLine);
            iYLabelWidth = std::max(iYLabelWidth, iWidth);
            add(vecY1, iL - iGap - iWidth, vecY[i] - iH / 2 + (pLine == &T.strText ? 0 : iH), *pLine,
                Qt::AlignRight | Qt::AlignVCenter);
        }
    }
    // The labels' multipliers ("×10⁻⁹"): above the box's top left corner, and right-aligned under the x labels.
    const auto multiplier = [&](const AxisTicks::Axis& Axis, const QString& strMultiplier) {
        return AxisTicks::MultiplierBoxOf(Axis, Text, strMultiplier);
    };
    if (!YTicks.strMultiplier.isEmpty())
        add(vecY1, iL, iB - static_cast<long>(multiplier(Y, YTicks.strMultiplier).dTo), YTicks.strMultiplier,
            Qt::AlignLeft | Qt::AlignVCenter);
    // The lowest y label may reach below the box, where the first x label may reach left of it: the x row
    // then moves down, as far as the margin allows, or the y label is left out.
    long iRowTop = iB + iGap;
    const auto xRow = [&](long iTop) {
        std::vector<Placed> vecOut;
        for (std::size_t i = 0; i < XTicks.vecTicks.size(); ++i) {
            const AxisTicks::Tick& T = XTicks.vecTicks[i];
            if (!T.bShown || !onAxis(vecX[i], iL - 1, iR + 1))
                continue;
            add(vecOut, vecX[i] - Metrics.horizontalAdvance(T.strText) / 2, iTop, T.strText, Qt::AlignCenter);
            if (!T.strContext.isEmpty()) {
                const double dShift = AxisTicks::BoxOf(X, Text, T).dContextFrom - T.dPosition;
                add(vecOut, vecX[i] + static_cast<long>(std::floor(dShift)), iTop + iH, T.strContext, Qt::AlignCenter);
            }
        }
        if (!XTicks.strMultiplier.isEmpty())
            add(vecOut, iL + static_cast<long>(multiplier(X, XTicks.strMultiplier).dFrom), iTop + iH,
                XTicks.strMultiplier, Qt::AlignRight | Qt::AlignVCenter);
        return vecOut;
    };
    vecX1 = xRow(iRowTop);
    const auto overlaps = [](const std::vector<Placed>& vecA, const QRect& Box) {
        return std::any_of(vecA.begin(), vecA.end(), [&](const Placed& P) { return P.Box.intersects(Box); });
    };
    long iLowestY = iB;
    for (const Placed& P : vecY1)
        iLowestY = std::max<long>(iLowestY, P.Box.bottom());
    if (std::any_of(vecY1.begin(), vecY1.end(), [&](const Placed& P) { return overlaps(vecX1, P.Box); })) {
        long iRowHeight = 0;
        for (const Placed& P : vecX1)
            iRowHeight = std::max<long>(iRowHeight, P.Box.bottom() + 1 - iRowTop);
        if (iLowestY + 1 + iRowHeight <= iB + iM) {
            iRowTop = iLowestY + 1;
            vecX1 = xRow(iRowTop);
        } else {
            vecY1.erase(
                std::remove_if(vecY1.begin(), vecY1.end(), [&](const Placed& P) { return overlaps(vecX1, P.Box); }),
                vecY1.end());
        }
    }

    // Titles: x centred under the labels, y read bottom to top left of them, centred on the box; each only
    // where it fits the margin and meets no label.
    std::vector<Placed> vecAll = vecX1;
    vecAll.insert(vecAll.end(), vecY1.begin(), vecY1.end());
    const QRect Room(NarrowToInt(iL - iM), NarrowToInt(iT - iM), NarrowToInt(iR - iL + 2 * iM + 1),
                     NarrowToInt(iB - iT + 2 * iM + 1));
    long iXTitleTop = iB + iGap;
    for (const Placed& P : vecX1)
        iXTitleTop = std::max<long>(iXTitleTop, P.Box.bottom() + 1 + iGap);
    const int iXTitleWidth = Metrics.horizontalAdvance(m_strXAxisTitle);
    const QRect XTitle(NarrowToInt(iL + (iR - iL) / 2 - iXTitleWidth / 2), NarrowToInt(iXTitleTop), iXTitleWidth, iH);
    const int iYTitleWidth = Metrics.horizontalAdvance(m_strYAxisTitle);
    const long iYTitleRight = iL - iGap - (iYLabelWidth > 0 ? iYLabelWidth + iGap : 0);
    const QRect YTitle(NarrowToInt(iYTitleRight - iH), NarrowToInt(iT + (iB - iT) / 2 - iYTitleWidth / 2), iH,
                       iYTitleWidth);
    const auto fits = [&](const QRect& Box) { return Room.contains(Box) && !overlaps(vecAll, Box); };

    Painter.setPen(Painting::FlatPen(m_TextColor, 1.0));
    for (const std::vector<Placed>* pLabels : {&vecX1, &vecY1})
        for (const Placed& P : *pLabels)
            Painting::DrawText(Painter, P.Box, P.iFlags, P.strText);
    if (!m_strXAxisTitle.isEmpty() && fits(XTitle))
        Painting::DrawText(Painter, XTitle, Qt::AlignLeft, m_strXAxisTitle);
    if (!m_strYAxisTitle.isEmpty() && fits(YTitle)) {
        Painter.save();
        Painter.translate(QPointF(YTitle.left(), YTitle.top() + iYTitleWidth));
        Painter.rotate(-90.0);
        Painting::DrawText(Painter, QRect(0, 0, iYTitleWidth, iH), Qt::AlignLeft, m_strYAxisTitle);
        Painter.restore();
    }
}

} // namespace KelmFramework
