// CRDPoint: a point in user coordinates.
#ifndef CRDPOINT_H
#define CRDPOINT_H

#include "ResultDisplayExport.h"

namespace KelmFramework
{

/// A point in user (data) coordinates, y growing upward.
/// The interpolated flag is never copied: copies start with it false, assignment keeps the target's.
class RESULTDISPLAY_EXPORT CRDPoint
{
public:
    CRDPoint();
    CRDPoint(double dX, double dY, bool bInterpolated = false);
    CRDPoint(const CRDPoint& other);
    CRDPoint& operator=(const CRDPoint& other);
    ~CRDPoint();

    void SetInterpolated(bool bInterpolated);

    double m_dX;
    double m_dY;
    bool m_bInterpolated;
};

} // namespace KelmFramework

#endif // CRDPOINT_H
