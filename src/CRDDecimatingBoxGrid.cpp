// CRDDecimatingBoxGrid: a box grid that counts the short segments of dense lines per pixel.
#include "CRDDecimatingBoxGrid.h"

#include "RDFrameCache_p.h"
#include "RDGrids_p.h"

namespace KelmFramework
{

CRDDecimatingBoxGrid::~CRDDecimatingBoxGrid()
{
}

void CRDDecimatingBoxGrid::DrawPoint(QPainter& Painter, CRDDecoratedPoint& Point)
{
    if (FrameCache::Frame::Skips(*this, Painter))
        return;
    Grids::DrawPointDecimated(*this, Painter, Point);
}

void CRDDecimatingBoxGrid::DrawLine(QPainter& Painter, CRDDecoratedLine& Line)
{
    if (FrameCache::Frame::Skips(*this, Painter))
        return;
    if (!Grids::DrawDecimated(*this, Painter, Line))
        CRDBoxGridLayout::DrawLine(Painter, Line);
}

} // namespace KelmFramework
