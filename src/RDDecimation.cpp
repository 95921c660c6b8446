// The decimating drawing of a line: the route for the painter, then segments and markers along it.
#include "RDDecimation_p.h"

#include "RDBlend_p.h"
#include "RDClipping_p.h"
#include "RDMarkerCache_p.h"
#include "RDRoute_p.h"
#include "RDSegmentPipeline_p.h"
#include "RDSinks_p.h"
#include "RDStampModel_p.h"

#include <QLine>
#include <QPainter>
#include <QPen>
#include <QPointF>

#include <algorithm>
#include <utility>
#include <vector>

namespace KelmFramework
{
namespace Decimation
{

namespace
{

// The segments of a line: short ones counted, the rest drawn as they come.
template <long Period, unsigned OnMask>
void DrawCounted(QPainter& Painter, const CRDDecoratedLine& Line, const Mapping::Map& Map, const Target& Where,
                 const Frame& Device, const Frame& Stamps, const QPen& LinePen)
{
    LineBatch Others(Painter, Where.Visible, LinePen.widthF());
    const StampModel& Model = StampModelFor();
    const bool bCounted = Model.bValid && !Stamps.IsEmpty();
    const long iRows = bCounted ? Stamps.Height() : 0;
    CoverageCanvas Canvas(bCounted ? Stamps : Frame{1, 1, 0, 0}, LinePen.color(), Model, Where);
    CanvasRows Rows{Canvas, Stamps.iT};
    typename CanvasSink<Period, OnMask>::Profiles Columns(iRows, Rows);
    CanvasSink<Period, OnMask> Sink(Painter, Device, Stamps, bCounted, Others, Canvas, Columns,
                                    Line.m_vecPoints.size());
    Segments::ForEachSegment(Map, Device, Painter, Line, Sink);
    Sink.Finish(Canvas);
}

// Vertices mapped at a time for markers.
constexpr std::size_t c_iMarkerBlock = 256;

// Markers at every vertex inside, in order, from the cached markers where they lie clear of the painter's
// edges; a run of vertices on one pixel blends it only as often as that changes a pixel.
void DrawMarkers(QPainter& Painter, const CRDDecoratedLine& Line, const Mapping::Map& Map, const Frame& Device,
                 const Target& Where, const Painting::MarkerShape& Shape)
{
    const ERDPointStyle eStyle = Line.m_ePointStyle;
    if (eStyle < eRDPointDot || eStyle > eRDPointSquare || Line.m_vecPoints.empty())
        return;
    const QPen MarkerPen = Painting::MarkerPen(Line.m_Color, eStyle, Shape);
    MarkerStamp Stamp(Painter, Where, eStyle, Shape, Line.m_Color);
    // Markers whose pen cannot reach a pixel the painter may write are left out (under a small clip,
    // most of them); a marker reaches its half size and its pen's width from its centre.
    const long iMost = 1L << 20;
    const long iSeen = std::min({std::max({Shape.iDotWidth, Shape.iCrossHalfSize + Shape.iCrossWidth,
                                           Shape.iSquareHalfSize + Shape.iSquareWidth}),
                                 iMost})
                       + 2;
    const Frame Seen{Where.Visible.iL - iSeen, Where.Visible.iT - iSeen, Where.Visible.iR + iSeen,
                     Where.Visible.iB + iSeen};

    bool bPenSet = false;
    long iRunX = 0, iRunY = 0, iRun = 0;
    const auto drawRun = [&]() __attribute__((always_inline))
    {
        const long iTimes = Stamp.Blend(iRunX, iRunY, iRun);
        if (iTimes == 0)
            return;
        if (!Seen.Contains(iRunX, iRunY) && iSeen <= iMost)
            return;
        if (!bPenSet)
            Painter.setPen(MarkerPen);
        bPenSet = true;
        for (long i = 0; i < iTimes; ++i)
            Painting::DrawMarker(Painter, eStyle, iRunX, iRunY, Shape);
    };

    const CRDPoint* const pPoints = Line.m_vecPoints.data();
    const std::size_t iCount = Line.m_vecPoints.size();
    long aiX[c_iMarkerBlock], aiY[c_iMarkerBlock];
    bool bAny = false;
    for (std::size_t iFirst = 0; iFirst < iCount; iFirst += c_iMarkerBlock) {
        const std::size_t iBlock = std::min(c_iMarkerBlock, iCount - iFirst);
        Map.MapBlock(pPoints + iFirst, iBlock, aiX, aiY);
        for (std::size_t k = 0; k < iBlock; ++k) {
            const CRDDevicePoint Vertex(aiX[k], aiY[k]);
            if (!Clipping::Contains(Device, Vertex))
                continue;
            if (iRun > 0 && Vertex.m_iX == iRunX && Vertex.m_iY == iRunY) {
                ++iRun;
                continue;
            }
            if (iRun > 0)
                drawRun();
            iRunX = Vertex.m_iX;
            iRunY = Vertex.m_iY;
            iRun = 1;
            bAny = true;
        }
    }
    if (iRun > 0)
        drawRun();
    // The painter is left with the marker pen, as after the box grid's last marker.
    if (bAny && !bPenSet)
        Painter.setPen(MarkerPen);
}

} // namespace

bool DrawLine(QPainter& Painter, const CRDDecoratedLine& Line, const Mapping::Map& Map, const Frame& Device,
              const Painting::MarkerShape& Markers, long iLineWidth)
{
    const Target Where = TargetOf(Painter, Line.m_Color);
    const Qt::PenStyle ePenStyle = Painting::PenStyleOf(Line.m_eLineStyle);
    // Shapes at a scale in quarters are those of a solid one-pixel pen, of which a patterned line is
    // made where the engine's dashes are seen to start on whole pixels.
    if (Where.eRoute == Route::Exact
        || (Where.eRoute == Route::Phased
            && (iLineWidth != 1 || (ePenStyle != Qt::SolidLine && !DashesHold(PatternOf(ePenStyle), Where.iQuarters)))))
        return false;

    // Set after the route is chosen, which it leaves as it is: what goes to the painter is drawn as
    // fast as the box grid draws it.
    const Painting::UncuttingClip Clip(Painter);
    const QPen LinePen = Painting::FlatPen(Line.m_Color, static_cast<double>(iLineWidth), ePenStyle);
    Painter.setPen(LinePen);
    if (Where.eRoute == Route::Phased && Line.m_vecPoints.size() >= 2) {
        LineBatch Others(Painter, Where.Visible, LinePen.widthF());
        PhaseCanvas Canvas(Where, SolidSource(Painter, LinePen.color()));
        PhaseSink Sink(Where, Others, Canvas, PatternOf(ePenStyle));
        Segments::ForEachSegment(Map, Device, Painter, Line, Sink);
    } else if (Line.m_vecPoints.size() >= 2) {
        const Frame Stamps = iLineWidth == 1 ? StampFrame(Device, Where) : Frame{0, 0, -1, -1};
        if (ePenStyle == Qt::DotLine)
            DrawCounted<c_Dotted.iPeriod, c_Dotted.uOnMask>(Painter, Line, Map, Where, Device, Stamps, LinePen);
        else if (ePenStyle == Qt::DashDotLine)
            DrawCounted<c_DashDotted.iPeriod, c_DashDotted.uOnMask>(Painter, Line, Map, Where, Device, Stamps, LinePen);
        else
            DrawCounted<c_Solid.iPeriod, c_Solid.uOnMask>(Painter, Line, Map, Where, Device, Stamps, LinePen);
    }
    DrawMarkers(Painter, Line, Map, Device, Where, Markers);
    return true;
}

bool DrawMarker(QPainter& Painter, ERDPointStyle eStyle, const QColor& Color, long iX, long iY,
                const Painting::MarkerShape& Shape)
{
    const Target Where = TargetOf(Painter, Color);
    MarkerStamp Stamp(Painter, Where, eStyle, Shape, Color);
    return Stamp.Blend(iX, iY, 1) == 0;
}

} // namespace Decimation
} // namespace KelmFramework
