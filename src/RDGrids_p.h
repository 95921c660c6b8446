// What a linear grid hands down to the drawing beneath it, for the grids of the library.
#ifndef RDGRIDS_P_H
#define RDGRIDS_P_H

#include "RDMapping_p.h"
#include "RDPainting_p.h"

namespace KelmFramework
{

class CRDLinearGrid;

namespace Grids
{

/// The grid's map from its viewport onto its device rectangle, as it stands.
Mapping::Map MapOf(const CRDLinearGrid& Grid);

/// The grid's device rectangle.
Mapping::Frame FrameOf(const CRDLinearGrid& Grid);

/// The grid's marker sizes.
Painting::MarkerShape MarkerShapeOf(const CRDLinearGrid& Grid);

} // namespace Grids
} // namespace KelmFramework

#endif // RDGRIDS_P_H
