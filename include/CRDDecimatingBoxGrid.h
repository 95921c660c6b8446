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
/// colour with source-over at full opacity, at one device pixel per pixel, the segments that stay
/// within a pixel column or span one pixel are counted per pixel, in any order of the vertices, and
/// blended as images; the others go to the painter in order, as does the rest of a line once
/// counting it would cost more than drawing it. At other pixel ratios in quarters, solid lines one
/// pixel wide are blended from the shapes of their segments. No channel of any pixel then differs
/// by more than 2 from CRDBoxGridLayout's. Where the route allows, markers and single points are
/// blended from an image per style, tinted to the colour; DrawPoint is not called for a line's markers.
/// Every other painter, colour or line (printers, PDF, SVG, QPicture, translucent colours, other
/// composition modes, dotted or wider lines at fractional ratios) gets CRDBoxGridLayout's own drawing;
/// the README lists the routes.
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
