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
    /// (0, 0), not interpolated.
    CRDPoint();
    /// Any doubles are kept as given; NaN and infinities are simply not drawn.
    CRDPoint(double dX, double dY, bool bInterpolated = false);
    /// Copies the coordinates; the copy is not interpolated.
    CRDPoint(const CRDPoint& other);
    /// Copies the coordinates and keeps this point's interpolated flag.
    CRDPoint& operator=(const CRDPoint& other);
    ~CRDPoint();

    /// Marks the point as interpolated (not measured); the library draws it like any other.
    void SetInterpolated(bool bInterpolated);

    double m_dX;          ///< x in user units.
    double m_dY;          ///< y in user units, growing upward.
    bool m_bInterpolated; ///< Set by SetInterpolated; never copied.
};

} // namespace KelmFramework

#endif // CRDPOINT_H
