// The user-to-device map of a linear grid as one inline value, for loops over many vertices.
#ifndef RDLINEARMAP_P_H
#define RDLINEARMAP_P_H

#include "CRDDevicePoint.h"
#include "CRDLinearGrid.h"
#include "CRDPoint.h"
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

    static LinearMap Of(const CRDLinearGrid& Grid)
    {
        return {Grid.m_dUserOriginX,   Grid.m_dUserOriginY,   Grid.m_dScaleX,       Grid.m_dScaleY,
                Grid.m_dDeviceOriginX, Grid.m_dDeviceOriginY, Grid.m_dDeviceWidth,  Grid.m_dDeviceHeight,
                static_cast<double>(IntSpan(Grid.m_DeviceLeftTop.m_iY, Grid.m_DeviceRightBottom.m_iY))};
    }

    long MapX(double dX) const { return TruncToDevice(((dX - dUserOriginX) * dScaleX) * dDeviceWidth + dDeviceOriginX); }
    long MapY(double dY) const
    {
        return TruncToDevice(dSpanY - (((dY - dUserOriginY) * dScaleY) * dDeviceHeight - dDeviceOriginY));
    }
    void Map(const CRDPoint& Point, CRDDevicePoint& DevicePoint) const
    {
        DevicePoint.m_iY = MapY(Point.m_dY);
        DevicePoint.m_iX = MapX(Point.m_dX);
    }
};

} // namespace Numeric
} // namespace KelmFramework

#endif // RDLINEARMAP_P_H
