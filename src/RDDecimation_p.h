// The decimating drawing of a line: the entry any grid of the library calls to draw dense lines fast.
#ifndef RDDECIMATION_P_H
#define RDDECIMATION_P_H

#include "CRDDecoratedLine.h"
#include "RDMapping_p.h"
#include "RDPainting_p.h"

class QColor;
class QPainter;

namespace KelmFramework
{
namespace Decimation
{

/// Draws what CRDLinearGrid::DrawLine draws with this map on this device frame, with these marker
/// sizes and this line width, leaving the same label and pen: the short segments of dense lines
/// counted per pixel, markers blended from images, so that no channel of any pixel differs by more
/// than 2. False, having drawn nothing, where the painter or the colour allows no counting: the
/// calling grid then draws the line itself, exactly.
bool DrawLine(QPainter& Painter, const CRDDecoratedLine& Line, const Mapping::Map& Map, const Mapping::Frame& Device,
              const Painting::MarkerShape& Markers, long iLineWidth);

/// Blends the marker CRDLinearGrid::DrawPoint draws at this device point, in the pen it has set, from
/// the cached marker, within 2 per channel. False, having drawn nothing, where the painter, the colour
/// or the point's place allows no blending: the painter then draws it.
bool DrawMarker(QPainter& Painter, ERDPointStyle eStyle, const QColor& Color, long iX, long iY,
                const Painting::MarkerShape& Shape);

} // namespace Decimation
} // namespace KelmFramework

#endif // RDDECIMATION_P_H
