// Zooms, pans and fits worked out in device pixels through the grid's own conversion, so that they hold
// on whatever scale the grid maps.
#ifndef RDVIEWPORT_P_H
#define RDVIEWPORT_P_H

#include "CRDDecoratedLine.h"
#include "CRDDecoratedPoint.h"
#include "CRDDevicePoint.h"
#include "CRDGrid.h"
#include "CRDPoint.h"
#include "RDMapping_p.h"
#include "RDNumeric_p.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace KelmFramework
{
namespace Viewport
{

/// The user point at a device position between pixels. The grid converts whole pixels; between two
/// neighbours the position is interpolated, which on a logarithmic axis is off by far less than a pixel.
inline CRDPoint UserAt(CRDGrid& Grid, double dX, double dY)
{
    const double dFloorX = std::floor(dX), dFloorY = std::floor(dY);
    CRDDevicePoint First(Numeric::TruncToDevice(dFloorX), Numeric::TruncToDevice(dFloorY));
    CRDPoint UserFirst;
    Grid.ConvertPointFromDeviceToUserViewport(First, UserFirst);
    CRDPoint User(UserFirst.m_dX, UserFirst.m_dY);
    const double dFractionX = dX - dFloorX, dFractionY = dY - dFloorY;
    if (dFractionX != 0.0 || dFractionY != 0.0) {
        // Neither coordinate is LONG_MAX: TruncToDevice answers LONG_MIN beyond the range of long.
        CRDDevicePoint Next(First.m_iX + 1, First.m_iY + 1);
        CRDPoint UserNext;
        Grid.ConvertPointFromDeviceToUserViewport(Next, UserNext);
        if (dFractionX != 0.0)
            User.m_dX += dFractionX * (UserNext.m_dX - UserFirst.m_dX);
        if (dFractionY != 0.0)
            User.m_dY += dFractionY * (UserNext.m_dY - UserFirst.m_dY);
    }
    return User;
}

/// The axes a grid maps in log10: there, extents and spans are taken in decades.
struct Axes
{
    bool bLogX = false;
    bool bLogY = false;

    /// A point in the axes' own spaces (NaN for a value without position on a log axis), and back.
    CRDPoint Into(const CRDPoint& Point) const
    {
        return CRDPoint(bLogX ? Mapping::Map::Log10(Point.m_dX) : Point.m_dX,
                        bLogY ? Mapping::Map::Log10(Point.m_dY) : Point.m_dY, false);
    }
    CRDPoint Back(const CRDPoint& Point) const
    {
        return CRDPoint(bLogX ? std::pow(10.0, Point.m_dX) : Point.m_dX,
                        bLogY ? std::pow(10.0, Point.m_dY) : Point.m_dY, false);
    }
};

/// A view: its low and high corner.
struct Range
{
    CRDPoint Low;
    CRDPoint High;

    /// Both spans usable by a linear map, in user values and in the axes' own spaces.
    bool Usable(const Axes& Scales = Axes()) const
    {
        const CRDPoint SpaceLow = Scales.Into(Low), SpaceHigh = Scales.Into(High);
        return Numeric::IsUsableSpan(Low.m_dX, High.m_dX) && Numeric::IsUsableSpan(Low.m_dY, High.m_dY)
               && Numeric::IsUsableSpan(SpaceLow.m_dX, SpaceHigh.m_dX)
               && Numeric::IsUsableSpan(SpaceLow.m_dY, SpaceHigh.m_dY);
    }
};

/// The device rectangle a display hands its grid.
struct Pixels
{
    double dLeft, dTop, dRight, dBottom;
};

/// The view that shows the device rectangle [dLeft, dRight] x [dTop, dBottom] now.
inline Range ViewOf(CRDGrid& Grid, double dLeft, double dTop, double dRight, double dBottom)
{
    return {UserAt(Grid, dLeft, dBottom), UserAt(Grid, dRight, dTop)};
}

/// The view scaled about a device point: dScaleX and dScaleY multiply the span shown (1 keeps an axis
/// as it is). Zooming out moves every edge out by at least one representable step: after deep zooms a
/// step of a few per cent of a span of a few dozen doubles would round away.
inline Range Scaled(CRDGrid& Grid, const Pixels& Device, double dAnchorX, double dAnchorY, double dScaleX,
                    double dScaleY)
{
    const Range Old{Grid.GetViewPortLeftButton(), Grid.GetViewPortRightTop()};
    Range New = ViewOf(Grid, dAnchorX + (Device.dLeft - dAnchorX) * dScaleX,
                       dAnchorY + (Device.dTop - dAnchorY) * dScaleY, dAnchorX + (Device.dRight - dAnchorX) * dScaleX,
                       dAnchorY + (Device.dBottom - dAnchorY) * dScaleY);
    const auto settle = [](double dScale, double dOldLow, double dOldHigh, double& dLow, double& dHigh) {
        if (dScale == 1.0) {
            dLow = dOldLow;
            dHigh = dOldHigh;
        } else if (dScale > 1.0) {
            dLow = std::min(dLow, std::nextafter(dOldLow, -HUGE_VAL));
            dHigh = std::max(dHigh, std::nextafter(dOldHigh, HUGE_VAL));
        }
    };
    settle(dScaleX, Old.Low.m_dX, Old.High.m_dX, New.Low.m_dX, New.High.m_dX);
    settle(dScaleY, Old.Low.m_dY, Old.High.m_dY, New.Low.m_dY, New.High.m_dY);
    return New;
}

/// The view moved with the mouse by (iDX, iDY) pixels: what lay under the mouse stays under it.
inline Range Panned(CRDGrid& Grid, const Pixels& Device, long iDX, long iDY)
{
    const double dX = static_cast<double>(iDX), dY = static_cast<double>(iDY);
    return ViewOf(Grid, Device.dLeft - dX, Device.dTop - dY, Device.dRight - dX, Device.dBottom - dY);
}

/// The lowest and highest finite value of one axis.
struct Extent
{
    double dLow = HUGE_VAL;
    double dHigh = -HUGE_VAL;

    void Add(double dValue)
    {
        dLow = std::min(dLow, dValue);
        dHigh = std::max(dHigh, dValue);
    }
    bool Any() const { return dLow <= dHigh; }
    /// A range of no width, widened to 10 % of its value around it (-1 to 1 around 0).
    void Widen()
    {
        if (dLow != dHigh)
            return;
        const double dHalf = dLow == 0.0 ? 1.0 : 0.05 * std::fabs(dLow);
        dLow -= dHalf;
        dHigh += dHalf;
    }
};

/// The extents of every drawn vertex and point: those with both coordinates finite, and above 0 on a
/// log axis.
inline void Measure(const std::map<long, CRDDecoratedLine>& mapLines,
                    const std::map<long, CRDDecoratedPoint>& mapPoints, const Axes& Scales, Extent& X, Extent& Y)
{
    const auto add = [&](const CRDPoint& Point) {
        const CRDPoint Space = Scales.Into(Point);
        if (std::isfinite(Space.m_dX) && std::isfinite(Space.m_dY)) {
            X.Add(Point.m_dX);
            Y.Add(Point.m_dY);
        }
    };
    for (const auto& Entry : mapLines)
        for (const CRDPoint& Vertex : Entry.second.m_vecPoints)
            add(Vertex);
    for (const auto& Entry : mapPoints)
        add(Entry.second);
}

} // namespace Viewport
} // namespace KelmFramework

#endif // RDVIEWPORT_P_H
