// CRDDecoratedLine: a polyline with its colour, styles and name.
#include "CRDDecoratedLine.h"

namespace KelmFramework
{

CRDDecoratedLine::CRDDecoratedLine()
    : m_strName(), m_Color(c_ColorWhite), m_eLineStyle(eRDLineSolid), m_ePointStyle(eRDPointNone)
{
}

CRDDecoratedLine::CRDDecoratedLine(std::vector<CRDPoint>& vecPoints, CRDColor Color, ERDLineStyle eLineStyle,
                                   ERDPointStyle ePointStyle, QString strName)
    : m_strName(strName),
      m_Color(Color),
      m_eLineStyle(eLineStyle),
      m_ePointStyle(ePointStyle),
      m_vecPoints(vecPoints.begin(), vecPoints.end())
{
}

CRDDecoratedLine::CRDDecoratedLine(const CRDDecoratedLine& other) : CRDDecoratedLine()
{
    if (this != &other) {
        m_vecPoints = other.m_vecPoints;
        m_Color = other.m_Color;
        m_eLineStyle = other.m_eLineStyle;
        m_ePointStyle = other.m_ePointStyle;
        m_strName = other.m_strName;
    }
}

CRDDecoratedLine& CRDDecoratedLine::operator=(const CRDDecoratedLine& other)
{
    if (this != &other) {
        // Cleared first so that every point is copy-constructed: assigning over existing
        // points would keep their interpolated flags.
        m_vecPoints.clear();
        m_vecPoints.insert(m_vecPoints.end(), other.m_vecPoints.begin(), other.m_vecPoints.end());
        m_Color = other.m_Color;
        m_eLineStyle = other.m_eLineStyle;
        m_ePointStyle = other.m_ePointStyle;
        m_strName = other.m_strName;
    }
    return *this;
}

CRDDecoratedLine::~CRDDecoratedLine()
{
}

} // namespace KelmFramework
