// Mapping: user coordinates to device pixels and back.
#ifndef RDMAPPING_P_H
#define RDMAPPING_P_H

namespace KelmFramework
{
namespace Mapping
{

/// A rectangle of device pixels, edges included: the device rectangle, or a part of it.
struct Frame
{
    long iL, iT, iR, iB;

    bool Contains(long iX, long iY) const { return iX >= iL && iX <= iR && iY >= iT && iY <= iB; }
    bool IsEmpty() const { return iL > iR || iT > iB; }
    long Width() const { return iR - iL + 1; }
    long Height() const { return iB - iT + 1; }
};

} // namespace Mapping
} // namespace KelmFramework

#endif // RDMAPPING_P_H
