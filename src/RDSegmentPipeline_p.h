// The one road of a line's segments to the painter: map, outside test, clip, fit, and the label.
#ifndef RDSEGMENTPIPELINE_P_H
#define RDSEGMENTPIPELINE_P_H

#include "CRDDecoratedLine.h"
#include "CRDDevicePoint.h"
#include "CRDLinearGrid.h"
#include "RDLinearMap_p.h"
#include "RDNumeric_p.h"
#include "RDPainting_p.h"

#include <QPainter>

#include <algorithm>
#include <cstddef>

namespace KelmFramework
{
namespace Segments
{

/// A segment on its way to the painter, in device pixels within the painter range.
struct Segment
{
    long iX1, iY1, iX2, iY2;
    bool bInside; ///< both ends lie in the device rectangle, and clipping moved neither
};

/// One bit per edge of the device rectangle that a point lies beyond.
struct OutCode
{
    long iL, iT, iR, iB;

    unsigned operator()(long iX, long iY) const
    {
        return unsigned(iX < iL) | unsigned(iX > iR) << 1 | unsigned(iY < iT) << 2 | unsigned(iY > iB) << 3;
    }
};

/// Vertices mapped per block: the block's device coordinates stay in the cache.
constexpr std::size_t c_iBlock = 256;

/// Hands every segment that CRDLinearGrid::DrawLine draws to Draw(segment, bPaintNow), in the
/// same order, and draws the line's name right after the first of them; bPaintNow is set for that
/// one, which Draw must have painted when it returns.
template <class DrawFunction>
void ForEachSegment(CRDLinearGrid& Grid, QPainter& Painter, const CRDDecoratedLine& Line, DrawFunction&& Draw)
{
    const std::size_t iCount = Line.m_vecPoints.size();
    if (iCount < 2)
        return;
    const Numeric::LinearMap Map = Numeric::LinearMap::Of(Grid);
    const OutCode Code{Map.iL, Map.iT, Map.iR, Map.iB};
    // Where no edge is the failure value, a point inside has a position, and a segment with both
    // ends inside is one that DoClipLine would accept unchanged.
    const bool bInsideHasPosition = Map.iL != Numeric::c_iInvalidDevice && Map.iT != Numeric::c_iInvalidDevice;
    bool bLabelPending = !Line.m_strName.isEmpty();
    const CRDPoint* const pPoints = Line.m_vecPoints.data();

    long aiX[c_iBlock], aiY[c_iBlock];
    long iPrevX = Map.MapX(pPoints[0].m_dX), iPrevY = Map.MapY(pPoints[0].m_dY);
    unsigned uPrevCode = Code(iPrevX, iPrevY);
    for (std::size_t iFirst = 1; iFirst < iCount; iFirst += c_iBlock) {
        const std::size_t iBlock = std::min(c_iBlock, iCount - iFirst);
        Map.MapBlock(pPoints + iFirst, iBlock, aiX, aiY);
        for (std::size_t k = 0; k < iBlock; ++k) {
            const long iX = aiX[k], iY = aiY[k];
            const unsigned uCode = Code(iX, iY);
            Segment Piece{iPrevX, iPrevY, iX, iY, true};
            const unsigned uBoth = uPrevCode | uCode, uCommon = uPrevCode & uCode;
            iPrevX = iX;
            iPrevY = iY;
            uPrevCode = uCode;
            // Both ends beyond one edge: DoClipLine's first test, without the call.
            if (uCommon)
                continue;
            // The label goes where clipping put the start, before fitting to the painter range.
            CRDDevicePoint LabelAt(Piece.iX1, Piece.iY1);
            if (uBoth != 0 || !bInsideHasPosition) {
                CRDDevicePoint Q(Piece.iX2, Piece.iY2);
                if (!Grid.DoClipLine(LabelAt, Q))
                    continue;
                Piece = {LabelAt.m_iX, LabelAt.m_iY, Q.m_iX, Q.m_iY, false};
                if (!Numeric::FitToPaintRange(Piece.iX1, Piece.iY1, Piece.iX2, Piece.iY2))
                    continue;
            }
            Draw(Piece, bLabelPending);
            if (bLabelPending) {
                Painting::DrawLineLabel(Painter, Line.m_strName, LabelAt);
                bLabelPending = false;
            }
        }
    }
}

} // namespace Segments
} // namespace KelmFramework

#endif // RDSEGMENTPIPELINE_P_H
