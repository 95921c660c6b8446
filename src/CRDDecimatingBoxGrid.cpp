// CRDDecimatingBoxGrid: a box grid that counts the short segments of dense lines per pixel.
#include "CRDDecimatingBoxGrid.h"

#include "RDDecimation_p.h"
#include "RDFrameCache_p.h"
#include "RDGrids_p.h"

namespace KelmFramework
{

CRDDecimatingBoxGrid::~CRDDecimatingBoxGrid()
{
}

void CRDDecimatingBoxGrid::DrawLine(QPainter& Painter, CRDDecoratedLine& Line)
{
    if (FrameCache::Frame::Skips(*this, Painter))
        return;
    if (!Decimation::DrawLine(Painter, Line, Grids::MapOf(*this), Grids::FrameOf(*this), Grids::MarkerShapeOf(*this),
                              m_iLineWidth))
        CRDBoxGridLayout::DrawLine(Painter, Line);
}

} // namespace KelmFramework
