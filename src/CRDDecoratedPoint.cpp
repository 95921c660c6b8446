// CRDDecoratedPoint: a single point drawn as a marker.
#include "CRDDecoratedPoint.h"

namespace KelmFramework
{

CRDDecoratedPoint::CRDDecoratedPoint() : CRDPoint(), m_Color(c_ColorWhite), m_ePointStyle(eRDPointDot)
{
}

CRDDecoratedPoint::CRDDecoratedPoint(double dX, double dY, CRDColor Color, ERDPointStyle ePointStyle)
    : CRDPoint(dX, dY, false), m_Color(Color), m_ePointStyle(ePointStyle)
{
}

CRDDecoratedPoint::CRDDecoratedPoint(CRDPoint Point, CRDColor Color, ERDPointStyle ePointStyle)
    : CRDPoint(Point), m_Color(Color), m_ePointStyle(ePointStyle)
{
}

CRDDecoratedPoint::CRDDecoratedPoint(const CRDDecoratedPoint& other)
    : CRDPoint(other), m_Color(other.m_Color), m_ePointStyle(other.m_ePointStyle)
{
}

CRDDecoratedPoint& CRDDecoratedPoint::operator=(const CRDDecoratedPoint& other)
{
    if (this != &other) {
        m_ePointStyle = other.m_ePointStyle;
        m_Color = other.m_Color;
        CRDPoint::operator=(other);
    }
    return *this;
}

CRDDecoratedPoint::~CRDDecoratedPoint()
{
}

} // namespace KelmFramework
