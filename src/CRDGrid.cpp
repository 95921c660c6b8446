// CRDGrid: the abstract grid.
#include "CRDGrid.h"

#include "RDNumeric_p.h"

namespace KelmFramework
{

CRDGrid::CRDGrid(QString strXAxisTitle, QString strYAxisTitle, long iXDivisions, long iYDivisions, short iXPrecision,
                 short iYPrecision, const CRDColor& GridColor, const CRDColor& TextColor)
    : m_GridColor(GridColor),
      m_TextColor(TextColor),
      m_strXAxisTitle(strXAxisTitle),
      m_strYAxisTitle(strYAxisTitle),
      m_iXDivisions(Numeric::ClampDivisions(iXDivisions)),
      m_iYDivisions(Numeric::ClampDivisions(iYDivisions)),
      m_iXPrecision(iXPrecision),
      m_iYPrecision(iYPrecision)
{
}

CRDGrid::~CRDGrid()
{
}

} // namespace KelmFramework
