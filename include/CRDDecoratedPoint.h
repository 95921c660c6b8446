// CRDDecoratedPoint: a single point drawn as a marker.
#ifndef CRDDECORATEDPOINT_H
#define CRDDECORATEDPOINT_H

#include "CRDColor.h"
#include "CRDPoint.h"
#include "ResultDisplayExport.h"
#include "ResultDisplayTypes.h"

namespace KelmFramework
{

/// A user point with the colour and style of its marker. Default: a white dot at (0, 0).
class RESULTDISPLAY_EXPORT CRDDecoratedPoint : public CRDPoint
{
public:
    CRDDecoratedPoint();
    /// A marker at (dX, dY) in user units; a style outside ERDPointStyle draws no marker.
    CRDDecoratedPoint(double dX, double dY, CRDColor Color, ERDPointStyle ePointStyle);
    /// A marker at the point's user coordinates.
    CRDDecoratedPoint(CRDPoint Point, CRDColor Color, ERDPointStyle ePointStyle);
    /// Copies position, colour and style.
    CRDDecoratedPoint(const CRDDecoratedPoint& other);
    /// Copies position, colour and style.
    CRDDecoratedPoint& operator=(const CRDDecoratedPoint& other);
    virtual ~CRDDecoratedPoint();

    CRDColor m_Color;            ///< The marker's colour.
    ERDPointStyle m_ePointStyle; ///< The marker's shape.
};

} // namespace KelmFramework

#endif // CRDDECORATEDPOINT_H
