// CRDDecimatingBoxGrid: a box grid that reduces dense lines per pixel column before drawing them.
#ifndef CRDDECIMATINGBOXGRID_H
#define CRDDECIMATINGBOXGRID_H

#include "CRDBoxGridLayout.h"
#include "ResultDisplayExport.h"

namespace KelmFramework
{

/// A CRDBoxGridLayout for lines with far more vertices than pixel columns. Segments that fall
/// into one pixel column are merged into how often each of its rows is lit, so a line costs a
/// few passes over its vertices while its antialiased picture stays that of the box grid; on an
/// antialiased raster painter, dense columns reach it as images rather than lines. Markers are
/// drawn once per distinct device position. Choose CRDBoxGridLayout where every segment must
/// reach the paint device as a primitive of its own (recorders, printers, PDF and SVG output).
class RESULTDISPLAY_EXPORT CRDDecimatingBoxGrid : public CRDBoxGridLayout
{
public:
    /// The two constructors of CRDBoxGridLayout.
    using CRDBoxGridLayout::CRDBoxGridLayout;
    ~CRDDecimatingBoxGrid() override;

    /// Draws what CRDBoxGridLayout::DrawLine draws, with the same label, in far fewer primitives.
    void DrawLine(QPainter& Painter, CRDDecoratedLine& Line) override;
};

} // namespace KelmFramework

#endif // CRDDECIMATINGBOXGRID_H
