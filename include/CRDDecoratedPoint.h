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
    CRDDecoratedPoint(double dX, double dY, CRDColor Color, ERDPointStyle ePointStyle);
    CRDDecoratedPoint(CRDPoint Point, CRDColor Color, ERDPointStyle ePointStyle);
    CRDDecoratedPoint(const CRDDecoratedPoint& other);
    CRDDecoratedPoint& operator=(const CRDDecoratedPoint& other);
    virtual ~CRDDecoratedPoint();

    CRDColor m_Color;
    ERDPointStyle m_ePointStyle;
};

} // namespace KelmFramework

#endif // CRDDECORATEDPOINT_H
