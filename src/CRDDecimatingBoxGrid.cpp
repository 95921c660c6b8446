// CRDDecimatingBoxGrid: a box grid that reduces dense lines per pixel column before drawing them.
#include "CRDDecimatingBoxGrid.h"

#include "RDColumnProfile_p.h"
#include "RDCoverageCanvas_p.h"
#include "RDDecimation_p.h"
#include "RDLinearMap_p.h"
#include "RDNumeric_p.h"
#include "RDPainting_p.h"

#include <QBrush>
#include <QLine>
#include <QPaintEngine>
#include <QPainter>
#include <QPen>
#include <QRect>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

// Why not simply M4 (first, min, max, last per column; Jugel et al., VLDB 2014): that keeps an
// aliased line's pixels, but an antialiased one-pixel segment on integer coordinates lights its
// two pixel columns by one half each, and the box grid blends every segment on its own. A column
// crossed by many segments is lit many times over, so its pixels depend on how often each row is
// crossed. The first and last segments of a column are kept as they are; the vertical segments
// inside it are kept as that count per row. Drawn as lines, a dense column's count still costs
// the raster engine up to 16 blends per pixel, each one set up pixel by pixel; dense columns are
// drawn as images of the same blends instead (CoverageCanvas).

namespace KelmFramework
{

using namespace Decimation;

namespace
{

// Whether the painter blends into pixels as the canvas assumes: the raster engine, antialiased,
// whole-pixel translation at most, plain source-over.
bool IsPlainRaster(QPainter& Painter)
{
    const QPaintEngine* const pEngine = Painter.paintEngine();
    const QPaintDevice* const pDevice = Painter.device();
    const QTransform Transform = Painter.combinedTransform();
    return pEngine && pEngine->type() == QPaintEngine::Raster && pDevice && pDevice->devicePixelRatioF() == 1.0
           && Painter.testRenderHint(QPainter::Antialiasing) && Transform.type() <= QTransform::TxTranslate
           && Transform.dx() == std::trunc(Transform.dx()) && Transform.dy() == std::trunc(Transform.dy())
           && Painter.opacity() == 1.0 && Painter.compositionMode() == QPainter::CompositionMode_SourceOver;
}

// What one DrawLine call works with.
struct LineJob
{
    CRDLinearGrid& Grid; // for its clipping, which segments leaving the rectangle go through
    QPainter& Painter;
    const CRDDecoratedLine& Line;
    const Numeric::LinearMap& Map;
    const DeviceFrame& Frame;
    const QPen& LinePen;
    const QPen& ProfilePen;
};

// The segments of a line, in the order and with the clipping of CRDLinearGrid::DrawLine.
template <long Period, unsigned OnMask>
void DrawSegments(const LineJob& Job)
{
    // Pixels lit at the start of the pattern.
    constexpr long c_iFirstDash = [] {
        long iLit = 0;
        for (unsigned uMask = OnMask; uMask & 1u; uMask >>= 1)
            ++iLit;
        return iLit;
    }();
    const DeviceFrame& Frame = Job.Frame;
    const Numeric::LinearMap Map = Job.Map;
    const CRDPoint* const pPoints = Job.Line.m_vecPoints.data();
    const std::size_t iCount = Job.Line.m_vecPoints.size();

    LineBatch Batch(Job.Painter, Job.LinePen, Job.ProfilePen, Period == 1);
    PixelSet PointPixels(Frame);
    // Aliased pixels are opaque: once lit, drawing them again changes nothing.
    const int iSaturation = Job.Painter.testRenderHint(QPainter::Antialiasing) ? c_iSaturation : 1;
    // Inside a sane rectangle clipping moves nothing, and a column profile can be kept.
    const bool bFast = PointPixels.IsUsable() && Frame.iB - Frame.iT < c_iMaxProfileRows;
    ColumnProfile<Period, OnMask> Column(bFast ? Frame.iB - Frame.iT + 1 : 0);
    CoverageCanvas Canvas(Frame, bFast && IsPlainRaster(Job.Painter), Job.LinePen.color(), MeasuredCoverage());
    CoverageCanvas* const pCanvas = Canvas.IsUsable() ? &Canvas : nullptr;
    const long iTop = Frame.iT, iBottom = Frame.iB;
    // A profile drawn as lines is queued before anything else, so the drawing order stays that
    // of the box grid.
    const auto addVertical = [&](long iX, long iY1, long iY2) {
        if (Column.IsEmpty() || Column.Column() != iX) {
            Column.Flush(iTop, Batch, PointPixels, iSaturation, pCanvas);
            Column.Open(iX, iY1 - iTop);
        }
        Column.Add(iY1 - iTop, iY2 - iTop);
    };
    bool bLabelPending = !Job.Line.m_strName.isEmpty();

    long iPrevX = Map.MapX(pPoints[0].m_dX);
    long iPrevY = Map.MapY(pPoints[0].m_dY);
    bool bPrevInside = bFast && Frame.Contains(iPrevX, iPrevY);
    std::size_t i = 1;
    for (;;) {
        if (bPrevInside && !bLabelPending) {
            // The bulk of a dense line: vertices that stay in the column of the previous one.
            if (Column.IsEmpty() || Column.Column() != iPrevX) {
                Column.Flush(iTop, Batch, PointPixels, iSaturation, pCanvas);
                Column.Open(iPrevX, iPrevY - iTop);
            }
            i = Column.AddVertices(pPoints, i, iCount, Map, iTop, iBottom, iPrevY);
        }
        if (i >= iCount)
            break;

        const long iX1 = iPrevX, iY1 = iPrevY;
        const long iX2 = Map.MapX(pPoints[i].m_dX);
        const long iY2 = Map.MapY(pPoints[i].m_dY);
        const bool bInside = bFast && Frame.Contains(iX2, iY2);
        const bool bBothInside = bPrevInside && bInside;
        iPrevX = iX2;
        iPrevY = iY2;
        bPrevInside = bInside;
        ++i;

        CRDDevicePoint P(iX1, iY1), Q(iX2, iY2);
        long iClipX1 = iX1, iClipY1 = iY1, iClipX2 = iX2, iClipY2 = iY2;
        if (!bBothInside) {
            if (!Job.Grid.DoClipLine(P, Q))
                continue;
            iClipX1 = P.m_iX, iClipY1 = P.m_iY, iClipX2 = Q.m_iX, iClipY2 = Q.m_iY;
            if (!Numeric::FitToPaintRange(iClipX1, iClipY1, iClipX2, iClipY2))
                continue;
        }
        const QLine Segment(static_cast<int>(iClipX1), static_cast<int>(iClipY1), static_cast<int>(iClipX2),
                            static_cast<int>(iClipY2));
        if (bLabelPending) {
            // The label goes between the first segment drawn and the rest, as in the box grid.
            Job.Painter.drawLines(&Segment, 1);
            Painting::DrawLineLabel(Job.Painter, Job.Line.m_strName, P);
            bLabelPending = false;
        } else if (bFast && iClipX1 == iClipX2 && Frame.Contains(iClipX1, iClipY1)
                   && Frame.Contains(iClipX2, iClipY2)) {
            addVertical(iClipX1, iClipY1, iClipY2); // clipped at the top or bottom edge
        } else {
            Column.Flush(iTop, Batch, PointPixels, iSaturation, pCanvas);
            // A pattern starts lit, so a segment no longer than its first dash is drawn alike by
            // the solid pen of the profiles, and dense lines switch pens less often.
            const long iLength = std::max(std::abs(iClipX2 - iClipX1), std::abs(iClipY2 - iClipY1));
            Batch.Add(Segment, iLength <= c_iFirstDash);
        }
    }
    Column.Flush(iTop, Batch, PointPixels, iSaturation, pCanvas);
    Batch.Finish();
    // Dense columns go last: the blends of each of their pixels keep their order, but a line that
    // crosses them is blended before instead of between them, which moves a few pixels by one step.
    if (pCanvas)
        pCanvas->Draw(Job.Painter);

    // A point covers its pixel fully, which makes it the line's colour, and further blends of that
    // colour keep it so (8-bit rounding included): points can go last, as filled runs of pixels.
    std::vector<QRect> vecRuns;
    PointPixels.ForEachRun([&vecRuns](long iX, long iY, long iLength) {
        vecRuns.emplace_back(static_cast<int>(iX), static_cast<int>(iY), static_cast<int>(iLength), 1);
    });
    if (!vecRuns.empty()) {
        const QBrush Previous = Job.Painter.brush();
        Job.Painter.setPen(Qt::NoPen);
        Job.Painter.setBrush(Job.LinePen.brush());
        Job.Painter.drawRects(vecRuns.data(), static_cast<int>(vecRuns.size()));
        Job.Painter.setBrush(Previous);
        Job.Painter.setPen(Job.LinePen);
    }
}

} // namespace

CRDDecimatingBoxGrid::~CRDDecimatingBoxGrid() {}

void CRDDecimatingBoxGrid::DrawLine(QPainter& Painter, CRDDecoratedLine& Line)
{
    // Recorders, printers, PDF and SVG keep every primitive: they get the box grid's.
    const QPaintEngine* const pEngine = Painter.paintEngine();
    if (!pEngine || pEngine->type() != QPaintEngine::Raster) {
        CRDBoxGridLayout::DrawLine(Painter, Line);
        return;
    }

    const double dWidth = static_cast<double>(m_iLineWidth);
    const Qt::PenStyle ePenStyle = Painting::PenStyleOf(Line.m_eLineStyle);
    const QPen LinePen = Painting::FlatPen(Line.m_Color, dWidth, ePenStyle);
    Painter.setPen(LinePen);

    const Numeric::LinearMap Map = Numeric::LinearMap::Of(*this);
    DeviceFrame Frame{m_DeviceLeftTop.m_iX, m_DeviceLeftTop.m_iY, m_DeviceRightBottom.m_iX, m_DeviceRightBottom.m_iY,
                      false};
    const auto paintable = [](long iV) { return iV >= -Numeric::c_iPaintLimit && iV <= Numeric::c_iPaintLimit; };
    Frame.bSane = Frame.iL <= Frame.iR && Frame.iT <= Frame.iB && paintable(Frame.iL) && paintable(Frame.iR)
                  && paintable(Frame.iT) && paintable(Frame.iB);

    const std::vector<CRDPoint>& vecPoints = Line.m_vecPoints;
    if (vecPoints.size() >= 2) {
        const QPen ProfilePen = Painting::FlatPen(Line.m_Color, dWidth);
        const LineJob Job{*this, Painter, Line, Map, Frame, LinePen, ProfilePen};
        // Qt's patterns for a one-pixel pen: dots 1 on, 2 off; dash-dots 4 on, 2 off, 1 on, 2 off.
        if (ePenStyle == Qt::DotLine)
            DrawSegments<3, 0x1>(Job);
        else if (ePenStyle == Qt::DashDotLine)
            DrawSegments<9, 0x4f>(Job);
        else
            DrawSegments<1, 0x1>(Job);
    }

    if (Line.m_ePointStyle != eRDPointNone && !vecPoints.empty()) {
        // Without a bitmap only repeats in a row are left out.
        PixelSet Drawn(Frame);
        long iLastX = Numeric::c_iInvalidDevice, iLastY = Numeric::c_iInvalidDevice;
        for (const CRDPoint& Vertex : vecPoints) {
            const long iX = Map.MapX(Vertex.m_dX);
            const long iY = Map.MapY(Vertex.m_dY);
            if (!Frame.Contains(iX, iY) || (iX == iLastX && iY == iLastY))
                continue;
            iLastX = iX;
            iLastY = iY;
            if (Drawn.IsUsable() && !Drawn.Insert(iX, iY))
                continue;
            CRDDecoratedPoint Marker(Vertex, Line.m_Color, Line.m_ePointStyle);
            DrawPoint(Painter, Marker);
        }
    }
}

} // namespace KelmFramework
