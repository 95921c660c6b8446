// The user-to-device map of a linear grid as one inline value, for loops over many vertices.
#ifndef RDLINEARMAP_P_H
#define RDLINEARMAP_P_H

#include "RDNumeric_p.h"

namespace KelmFramework
{
namespace Numeric
{

/// The constants of CRDLinearGrid's map, copied once so that a loop maps every vertex inline with
/// exactly the arithmetic (and order of operations) of ConvertPointToDevicePoint.
struct LinearMap
{
    double dUserOriginX;
    double dUserOriginY;
    double dScaleX;
    double dScaleY;
    double dDeviceOriginX;
    double dDeviceOriginY;
    double dDeviceWidth;
    double dDeviceHeight;
    double dSpanY; // |B - T| in int arithmetic, as a double

    long MapX(double dX) const { return TruncToDevice(((dX - dUserOriginX) * dScaleX) * dDeviceWidth + dDeviceOriginX); }
    long MapY(double dY) const
    {
        return TruncToDevice(dSpanY - (((dY - dUserOriginY) * dScaleY) * dDeviceHeight - dDeviceOriginY));
    }
};

} // namespace Numeric
} // namespace KelmFramework

#endif // RDLINEARMAP_P_H
