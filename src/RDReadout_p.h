// The value readout: the drawn vertex nearest the mouse, found without walking every vertex, and its box.
#ifndef RDREADOUT_P_H
#define RDREADOUT_P_H

#include "CRDDecoratedLine.h"
#include "CRDDecoratedPoint.h"
#include "CRDDevicePoint.h"
#include "CRDLinearGrid.h"
#include "CRDPoint.h"
#include "RDNumeric_p.h"
#include "RDPainting_p.h"

#include <QColor>
#include <QDateTime>
#include <QFontMetrics>
#include <QPainter>
#include <QRect>
#include <QString>
#include <QTimeZone>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <vector>

namespace KelmFramework
{
namespace Readout
{

/// How far from the mouse a vertex may lie to be read, in pixels.
constexpr long c_iRadius = 20;
/// Vertices looked at per line and mouse position at most: a column may hold any number of them.
constexpr std::size_t c_iMostScanned = std::size_t(1) << 18;

/// The vertex read, and where it lies.
struct Hit
{
    bool bFound = false;
    double dDistance2 = 0.0;
    CRDDevicePoint At;
    CRDPoint Value;
    QColor Color;
    QString strName;
};

/// Whether x never decreases along the line (no NaN): such lines are searched by halving.
inline bool SortedInX(const std::vector<CRDPoint>& vecPoints)
{
    for (std::size_t i = 1; i < vecPoints.size(); ++i)
        if (!(vecPoints[i - 1].m_dX <= vecPoints[i].m_dX))
            return false;
    return vecPoints.empty() || !std::isnan(vecPoints.front().m_dX);
}

/// Looks for the nearest drawn vertex to a device point over the grid's current map.
class Search
{
public:
    Search(CRDLinearGrid& Grid, long iMouseX, long iMouseY) : m_Grid(Grid), m_iX(iMouseX), m_iY(iMouseY) {}

    const Hit& Best() const { return m_Best; }

    /// A vertex or point: kept if drawn, within the radius and nearer than the best so far. Answers its
    /// horizontal distance in pixels, or -1 where it has no position.
    long Offer(const CRDPoint& Point, const QColor& Color, const QString& strName)
    {
        CRDPoint User(Point.m_dX, Point.m_dY);
        CRDDevicePoint Device;
        const bool bInside = m_Grid.ConvertPointToDevicePoint(User, Device);
        if (Device.m_iX == Numeric::c_iInvalidDevice)
            return -1;
        const double dDX = Numeric::Difference(m_iX, Device.m_iX), dDY = Numeric::Difference(m_iY, Device.m_iY);
        const double dDistance2 = dDX * dDX + dDY * dDY;
        if (bInside && dDistance2 <= Limit2()) {
            m_Best = {true, dDistance2, Device, User, Color, strName};
        }
        return std::fabs(dDX) > 1e18 ? LONG_MAX : static_cast<long>(std::fabs(dDX));
    }

    /// The vertices of a line whose x never decreases: halving to the mouse's x, then outward on
    /// both sides until they lie further across than the best or the radius.
    void SortedLine(const CRDDecoratedLine& Line, double dUserX)
    {
        const std::vector<CRDPoint>& vecPoints = Line.m_vecPoints;
        std::size_t iLow = 0, iHigh = vecPoints.size();
        while (iLow < iHigh) {
            const std::size_t iMiddle = iLow + (iHigh - iLow) / 2;
            if (vecPoints[iMiddle].m_dX < dUserX)
                iLow = iMiddle + 1;
            else
                iHigh = iMiddle;
        }
        std::size_t iScanned = 0;
        for (std::size_t i = iLow; i < vecPoints.size() && iScanned < c_iMostScanned / 2; ++i, ++iScanned) {
            const long iAcross = Offer(vecPoints[i], Line.m_Color, Line.m_strName);
            if (iAcross >= 0 && static_cast<double>(iAcross) * iAcross > Limit2())
                break;
        }
        iScanned = 0;
        for (std::size_t i = iLow; i-- > 0 && iScanned < c_iMostScanned / 2; ++iScanned) {
            const long iAcross = Offer(vecPoints[i], Line.m_Color, Line.m_strName);
            if (iAcross >= 0 && static_cast<double>(iAcross) * iAcross > Limit2())
                break;
        }
    }

    /// Vertices of a line in any order, by pixel column, built once per line, content and view.
    struct Columns
    {
        long iFirst = 0;                     ///< device x of column 0
        std::vector<std::uint32_t> vecStart; ///< per column, where its vertices start in vecOrder
        std::vector<std::uint32_t> vecOrder; ///< vertex indices, column by column
    };

    static Columns Index(CRDLinearGrid& Grid, const std::vector<CRDPoint>& vecPoints, long iLeft, long iRight)
    {
        Columns Result;
        const long iWidth = iRight - iLeft + 1;
        if (iWidth <= 0 || iWidth > (1L << 24) || vecPoints.size() >= UINT32_MAX)
            return Result;
        Result.iFirst = iLeft;
        Result.vecStart.assign(static_cast<std::size_t>(iWidth) + 1, 0);
        std::vector<std::int32_t> vecColumn(vecPoints.size(), -1);
        for (std::size_t i = 0; i < vecPoints.size(); ++i) {
            CRDPoint User(vecPoints[i].m_dX, vecPoints[i].m_dY);
            CRDDevicePoint Device;
            if (!Grid.ConvertPointToDevicePoint(User, Device) || Device.m_iX < iLeft || Device.m_iX > iRight)
                continue;
            vecColumn[i] = static_cast<std::int32_t>(Device.m_iX - iLeft);
            ++Result.vecStart[static_cast<std::size_t>(vecColumn[i]) + 1];
        }
        for (std::size_t c = 1; c < Result.vecStart.size(); ++c)
            Result.vecStart[c] += Result.vecStart[c - 1];
        Result.vecOrder.resize(Result.vecStart.back());
        std::vector<std::uint32_t> vecNext(Result.vecStart.begin(), Result.vecStart.end() - 1);
        for (std::size_t i = 0; i < vecPoints.size(); ++i)
            if (vecColumn[i] >= 0)
                Result.vecOrder[vecNext[static_cast<std::size_t>(vecColumn[i])]++] = static_cast<std::uint32_t>(i);
        return Result;
    }

    /// The vertices of an indexed line: columns outward from the mouse's until they lie further
    /// across than the best or the radius.
    void IndexedLine(const CRDDecoratedLine& Line, const Columns& Index)
    {
        const long iColumns = static_cast<long>(Index.vecStart.size()) - 1;
        if (iColumns <= 0)
            return;
        std::size_t iScanned = 0;
        for (long iAcross = 0; iAcross <= c_iRadius && static_cast<double>(iAcross) * iAcross <= Limit2(); ++iAcross) {
            for (int iSide = iAcross == 0 ? 1 : 0; iSide < 2; ++iSide) {
                const long iColumn = m_iX - Index.iFirst + (iSide == 0 ? -iAcross : iAcross);
                if (iColumn < 0 || iColumn >= iColumns)
                    continue;
                for (std::uint32_t k = Index.vecStart[static_cast<std::size_t>(iColumn)];
                     k < Index.vecStart[static_cast<std::size_t>(iColumn) + 1] && iScanned < c_iMostScanned;
                     ++k, ++iScanned)
                    Offer(Line.m_vecPoints[Index.vecOrder[k]], Line.m_Color, Line.m_strName);
            }
        }
    }

private:
    double Limit2() const
    {
        const double dRadius2 = static_cast<double>(c_iRadius) * c_iRadius;
        return m_Best.bFound ? std::min(m_Best.dDistance2, dRadius2) : dRadius2;
    }

    CRDLinearGrid& m_Grid;
    long m_iX, m_iY;
    Hit m_Best;
};

/// Significant digits that tell apart values a pixel apart (dStep) around dValue.
inline int DigitsFor(double dValue, double dStep)
{
    if (!(dStep > 0.0) || !std::isfinite(dStep))
        return 17;
    const double dDigits = std::ceil(std::log10(std::max(std::fabs(dValue), dStep) / dStep)) + 1.0;
    return static_cast<int>(std::clamp(dDigits, 3.0, 17.0));
}

/// Seconds since the epoch as a date and clock time in Zone, with the decimals that tell apart values
/// dStep apart; as a number where no date holds them.
inline QString TimeText(double dSeconds, double dStep, const QTimeZone& Zone)
{
    const double dWhole = std::floor(dSeconds);
    const QDateTime At = std::fabs(dWhole) < 1e15 ? QDateTime::fromSecsSinceEpoch(static_cast<qint64>(dWhole), Zone)
                                                  : QDateTime();
    if (!At.isValid())
        return QString::number(dSeconds, 'g', 17);
    QString strText = At.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    const int iDecimals = dStep > 0.0 && dStep < 1.0 ? std::min(9, static_cast<int>(std::ceil(-std::log10(dStep)))) : 0;
    if (iDecimals > 0) {
        // Truncated, so that a fraction never rounds up into the next second.
        const double dFraction = std::floor((dSeconds - dWhole) * std::pow(10.0, iDecimals));
        strText += QStringLiteral(".%1").arg(static_cast<qint64>(dFraction), iDecimals, 10, QLatin1Char('0'));
    }
    return strText;
}

/// The readout's text and its box beside the vertex, kept inside the widget where it fits.
struct Box
{
    QString strText;
    QRect Frame;

    /// pTimeX and pTimeY, where given, are the zones in which a time axis reads its values.
    static Box For(const Hit& Picked, double dStepX, double dStepY, const QFontMetrics& Metrics, const QSize& Widget,
                   const QTimeZone* pTimeX = nullptr, const QTimeZone* pTimeY = nullptr)
    {
        const auto text = [](double dValue, double dStep, const QTimeZone* pTime) {
            return pTime ? TimeText(dValue, dStep, *pTime) : QString::number(dValue, 'g', DigitsFor(dValue, dStep));
        };
        Box Result;
        Result.strText = QStringLiteral("x = %1   y = %2")
                             .arg(text(Picked.Value.m_dX, dStepX, pTimeX), text(Picked.Value.m_dY, dStepY, pTimeY));
        if (!Picked.strName.isEmpty())
            Result.strText = Picked.strName + QStringLiteral(":   ") + Result.strText;
        const int iWidth = Metrics.horizontalAdvance(Result.strText) + 12, iHeight = Metrics.height() + 6;
        const int iX = Numeric::NarrowToInt(Picked.At.m_iX), iY = Numeric::NarrowToInt(Picked.At.m_iY);
        // Right of and above the vertex, else left of or below it, and inside the widget where it fits.
        int iLeft = iX + 10, iTop = iY - 10 - iHeight;
        if (iLeft + iWidth > Widget.width())
            iLeft = iX - 10 - iWidth;
        if (iTop < 0)
            iTop = iY + 10;
        iLeft = std::max(0, std::min(iLeft, Widget.width() - iWidth));
        iTop = std::max(0, std::min(iTop, Widget.height() - iHeight));
        Result.Frame = QRect(iLeft, iTop, iWidth, iHeight);
        return Result;
    }

    /// What the readout paints: the box and the ring around the vertex.
    QRect Painted(const Hit& Picked) const
    {
        const QPoint At(Numeric::NarrowToInt(Picked.At.m_iX), Numeric::NarrowToInt(Picked.At.m_iY));
        return Frame.adjusted(-1, -1, 1, 1) | QRect(At - QPoint(8, 8), QSize(17, 17));
    }

    void Draw(QPainter& Painter, const Hit& Picked, const QColor& Background, const QColor& Text) const
    {
        Painter.save();
        Painter.setBrush(Qt::NoBrush);
        const QPointF At(static_cast<double>(Numeric::NarrowToInt(Picked.At.m_iX)) + 0.5,
                         static_cast<double>(Numeric::NarrowToInt(Picked.At.m_iY)) + 0.5);
        // Edged in the background colour, so that the ring shows on a dense line of its own colour.
        Painter.setPen(Painting::FlatPen(Background, 4.0));
        Painter.drawEllipse(At, 5.0, 5.0);
        Painter.setPen(Painting::FlatPen(Picked.Color, 1.5));
        Painter.drawEllipse(At, 5.0, 5.0);
        Painter.setPen(Painting::FlatPen(Picked.Color, 1.0));
        Painter.setBrush(QBrush(Background));
        Painter.drawRect(QRectF(Frame).adjusted(0.5, 0.5, -0.5, -0.5));
        Painter.setPen(Painting::FlatPen(Text, 1.0));
        Painting::DrawText(Painter, Frame, Qt::AlignCenter, strText);
        Painter.restore();
    }
};

} // namespace Readout
} // namespace KelmFramework

#endif // RDREADOUT_P_H
