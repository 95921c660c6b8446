// CRDDecimatingBoxGrid: a box grid that counts the short segments of dense lines per pixel.
#ifndef CRDDECIMATINGBOXGRID_H
#define CRDDECIMATINGBOXGRID_H

#include "CRDBoxGridLayout.h"
#include "ResultDisplayExport.h"

namespace KelmFramework
{

/// A CRDBoxGridLayout for lines with far more vertices than pixel columns, on screen.
///
/// On an antialiased raster painter (a widget, a QImage of 32-bit pixels) drawing an opaque
/// colour with source-over at full opacity, at one device pixel per pixel or an even pixel ratio,
/// the segments that stay within a pixel column or span one pixel are counted per pixel, in any
/// order of the vertices, and blended as images; the others go to the painter in order. No
/// channel of any pixel then differs by more than 2 from CRDBoxGridLayout's. Markers are blended
/// at every vertex, and single points drawn, from an image per style, tinted to the colour; DrawPoint
/// is not called for a line's markers.
/// Every other painter, colour or scale (printers, PDF, SVG, QPicture, translucent colours,
/// other composition modes, pixel ratios of 1.25 or 1.5) gets CRDBoxGridLayout's own drawing.
class RESULTDISPLAY_EXPORT CRDDecimatingBoxGrid : public CRDBoxGridLayout
{
public:
    /// The two constructors of CRDBoxGridLayout.
    using CRDBoxGridLayout::CRDBoxGridLayout;
    ~CRDDecimatingBoxGrid() override;

    /// Draws what CRDBoxGridLayout::DrawPoint draws, with the same pen left set, the marker blended
    /// from the image of its style in the point's colour where the painter allows (see the class).
    void DrawPoint(QPainter& Painter, CRDDecoratedPoint& Point) override;

    /// Draws what CRDBoxGridLayout::DrawLine draws, with the same label and pen left set, in far
    /// fewer primitives where the painter allows (see the class).
    void DrawLine(QPainter& Painter, CRDDecoratedLine& Line) override;
};

} // namespace KelmFramework

#endif // CRDDECIMATINGBOXGRID_H
