// CRDPoint: a point in user coordinates.
#include "CRDPoint.h"

namespace KelmFramework
{

CRDPoint::CRDPoint() : m_dX(0.0), m_dY(0.0), m_bInterpolated(false)
{
}

CRDPoint::CRDPoint(double dX, double dY, bool bInterpolated) : m_dX(dX), m_dY(dY), m_bInterpolated(bInterpolated)
{
}

CRDPoint::CRDPoint(const CRDPoint& other) : m_dX(other.m_dX), m_dY(other.m_dY), m_bInterpolated(false)
{
}

CRDPoint& CRDPoint::operator=(const CRDPoint& other)
{
    if (this != &other) {
        m_dX = other.m_dX;
        m_dY = other.m_dY;
    }
    return *this;
}

CRDPoint::~CRDPoint()
{
}

void CRDPoint::SetInterpolated(bool bInterpolated)
{
    m_bInterpolated = bInterpolated;
}

} // namespace KelmFramework
