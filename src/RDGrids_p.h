// What a linear grid hands down to the drawing beneath it, and the scales a grid of the library sets in it.
#ifndef RDGRIDS_P_H
#define RDGRIDS_P_H

#include "RDMapping_p.h"
#include "RDPainting_p.h"
#include "ResultDisplayTypes.h"

class QPainter;

namespace KelmFramework
{

class CRDDecoratedLine;
class CRDDecoratedPoint;
class CRDLinearGrid;

namespace Grids
{

/// The grid's map from its viewport onto its device rectangle, as it stands.
Mapping::Map MapOf(const CRDLinearGrid& Grid);

/// The grid's device rectangle.
Mapping::Frame FrameOf(const CRDLinearGrid& Grid);

/// The grid's marker sizes.
Painting::MarkerShape MarkerShapeOf(const CRDLinearGrid& Grid);

/// Sets the scale of each axis of the grid, linear until then: every conversion and drawing of
/// the grid, and every map it hands down, works in those scales. For the grids of the library.
void SetScales(CRDLinearGrid& Grid, ERDScale eScaleX, ERDScale eScaleY);

/// Draws the line through the decimation with what the grid hands down. False, having drawn nothing,
/// where the grid must draw it exactly.
bool DrawDecimated(const CRDLinearGrid& Grid, QPainter& Painter, const CRDDecoratedLine& Line);

/// Draws the point as the grid's DrawPoint does, its marker blended from the decimation's cached
/// markers where the painter allows.
void DrawPointDecimated(CRDLinearGrid& Grid, QPainter& Painter, CRDDecoratedPoint& Point);

} // namespace Grids
} // namespace KelmFramework

#endif // RDGRIDS_P_H
