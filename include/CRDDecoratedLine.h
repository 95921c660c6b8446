// CRDDecoratedLine: a polyline with its colour, styles and name.
#ifndef CRDDECORATEDLINE_H
#define CRDDECORATEDLINE_H

#include "CRDColor.h"
#include "CRDPoint.h"
#include "ResultDisplayExport.h"
#include "ResultDisplayTypes.h"

#include <QString>

#include <vector>

namespace KelmFramework
{

/// A polyline in user coordinates with its decoration. Default: white, solid, no markers, no points.
class RESULTDISPLAY_EXPORT CRDDecoratedLine
{
public:
    CRDDecoratedLine();
    /// Copies the vertices; the caller's vector is left as it is.
    CRDDecoratedLine(std::vector<CRDPoint>& vecPoints, CRDColor Color, ERDLineStyle eLineStyle,
                     ERDPointStyle ePointStyle, QString strName);
    CRDDecoratedLine(const CRDDecoratedLine& other);
    CRDDecoratedLine& operator=(const CRDDecoratedLine& other);
    ~CRDDecoratedLine();

    QString m_strName;
    CRDColor m_Color;
    ERDLineStyle m_eLineStyle;
    ERDPointStyle m_ePointStyle;
    std::vector<CRDPoint> m_vecPoints;
};

} // namespace KelmFramework

#endif // CRDDECORATEDLINE_H
