// Clipping: device points and segments against the device frame, by the linear grid's rules.
#ifndef RDCLIPPING_P_H
#define RDCLIPPING_P_H

#include "CRDDevicePoint.h"
#include "RDMapping_p.h"
#include "RDNumeric_p.h"

namespace KelmFramework
{
namespace Clipping
{

/// Whether a mapped point has a device position: the failure value of a conversion has none.
inline bool HasPosition(const CRDDevicePoint& Point)
{
    return Point.m_iX != Numeric::c_iInvalidDevice && Point.m_iY != Numeric::c_iInvalidDevice;
}

/// Whether the point lies in the frame, edges included. A frame may start at the smallest long
/// itself; a point without a position stays outside it.
inline bool Contains(const Mapping::Frame& Device, const CRDDevicePoint& Point)
{
    return HasPosition(Point) && Device.Contains(Point.m_iX, Point.m_iY);
}

/// The outside test: one bit per edge of the frame that a point lies beyond.
inline unsigned OutCode(const Mapping::Frame& Device, long iX, long iY)
{
    return unsigned(iX < Device.iL) | unsigned(iX > Device.iR) << 1 | unsigned(iY < Device.iT) << 2
           | unsigned(iY > Device.iB) << 3;
}

/// Clips the segment from P to Q to the frame, moving its ends in place along the line through
/// them: P at the left edge only, Q at the right edge only, both at the top and bottom edges, with
/// no test after the moves. False, with P and Q unchanged, when both ends lie beyond one and the
/// same edge, or when an end has no device position (it has no line to clip along).
inline bool ClipLine(const Mapping::Frame& Device, CRDDevicePoint& P, CRDDevicePoint& Q)
{
    const long iL = Device.iL, iT = Device.iT, iR = Device.iR, iB = Device.iB;
    if ((P.m_iX < iL && Q.m_iX < iL) || (P.m_iX > iR && Q.m_iX > iR) || (P.m_iY < iT && Q.m_iY < iT)
        || (P.m_iY > iB && Q.m_iY > iB))
        return false;
    if (!HasPosition(P) || !HasPosition(Q))
        return false;

    const bool bVertical = Q.m_iX == P.m_iX;
    const double dM = bVertical ? 0.0 : Numeric::Difference(P.m_iY, Q.m_iY) / Numeric::Difference(P.m_iX, Q.m_iX);
    const double dC = static_cast<double>(P.m_iY) - static_cast<double>(P.m_iX) * dM;

    // Moves an end onto the top or bottom edge when it lies beyond it; a vertical end keeps its x.
    const auto clipY = [&](CRDDevicePoint& End) {
        long iEdge;
        if (End.m_iY < iT)
            iEdge = iT;
        else if (End.m_iY > iB)
            iEdge = iB;
        else
            return;
        End.m_iY = iEdge;
        if (!bVertical)
            End.m_iX = Numeric::TruncToDevice((static_cast<double>(iEdge) - dC) / dM);
    };

    if (P.m_iX < iL) {
        P.m_iX = iL;
        P.m_iY = Numeric::TruncToDevice(static_cast<double>(iL) * dM + dC);
    }
    clipY(P);
    if (Q.m_iX > iR) {
        Q.m_iX = iR;
        Q.m_iY = Numeric::TruncToDevice(static_cast<double>(iR) * dM + dC);
    }
    clipY(Q);
    return true;
}

} // namespace Clipping
} // namespace KelmFramework

#endif // RDCLIPPING_P_H
