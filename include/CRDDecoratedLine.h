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
    /// Copies the vertices and the decoration.
    CRDDecoratedLine(const CRDDecoratedLine& other);
    /// Copies the vertices and the decoration.
    CRDDecoratedLine& operator=(const CRDDecoratedLine& other);
    ~CRDDecoratedLine();

    QString m_strName;                 ///< Drawn once where the line first becomes visible; empty for none.
    CRDColor m_Color;                  ///< Colour of the segments and markers.
    ERDLineStyle m_eLineStyle;         ///< Pen style of the segments.
    ERDPointStyle m_ePointStyle;       ///< Marker drawn at every vertex.
    std::vector<CRDPoint> m_vecPoints; ///< The vertices in user units, joined in this order.
};

} // namespace KelmFramework

#endif // CRDDECORATEDLINE_H
