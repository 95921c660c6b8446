// Plot floors, derived from a recording of the primitives the library itself issues.
#include "PlotFloors.h"

#include "Replay.h"

#include <QPolygon>
#include <QtGlobal>

#include <cmath>
#include <random>

namespace Bench
{

using namespace KelmFramework;

namespace
{

// The primitives of one DrawLine, or of a run of DrawPoint calls, in the library's order.
struct CallList
{
    bool bLinePen = false;
    QPen LinePen;
    std::vector<QLine> vecSegments;
    QPen MarkerPen;
    std::vector<QPoint> vecDots;
    std::vector<QRect> vecSquares;
    std::vector<QLine> vecCrossArms; // two per marker
};

void PaintSameCalls(QPainter& Painter, const CallList& Calls)
{
    if (Calls.bLinePen)
        Painter.setPen(Calls.LinePen);
    for (const QLine& Segment : Calls.vecSegments)
        Painter.drawLines(&Segment, 1);
    // DrawPoint sets its pen for every marker.
    for (const QPoint& Dot : Calls.vecDots) {
        Painter.setPen(Calls.MarkerPen);
        Painter.drawPoints(&Dot, 1);
    }
    for (const QRect& Square : Calls.vecSquares) {
        Painter.setPen(Calls.MarkerPen);
        Painter.drawRects(&Square, 1);
    }
    for (std::size_t i = 0; i + 1 < Calls.vecCrossArms.size(); i += 2) {
        Painter.setPen(Calls.MarkerPen);
        Painter.drawLines(&Calls.vecCrossArms[i], 1);
        Painter.drawLines(&Calls.vecCrossArms[i + 1], 1);
    }
}

// What a hand-rolled widget draws: one polyline, then all markers in one call.
struct BatchedCalls
{
    bool bLine = false;
    QPen LinePen;
    QPolygon Vertices;
    CallList Markers;
};

void PaintBatched(QPainter& Painter, const BatchedCalls& Batch)
{
    if (Batch.bLine) {
        Painter.setPen(Batch.LinePen);
        Painter.drawPolyline(Batch.Vertices);
    }
    const CallList& Markers = Batch.Markers;
    Painter.setPen(Markers.MarkerPen);
    if (!Markers.vecDots.empty())
        Painter.drawPoints(Markers.vecDots.data(), static_cast<int>(Markers.vecDots.size()));
    if (!Markers.vecSquares.empty())
        Painter.drawRects(Markers.vecSquares.data(), static_cast<int>(Markers.vecSquares.size()));
    if (!Markers.vecCrossArms.empty())
        Painter.drawLines(Markers.vecCrossArms.data(), static_cast<int>(Markers.vecCrossArms.size()));
}

void TakeMarkers(const PaintRecorder& Recorder, std::size_t iFirst, CallList& Calls)
{
    const std::vector<RecordedPrimitive>& vecPrimitives = Recorder.primitives();
    for (std::size_t i = iFirst; i < vecPrimitives.size(); ++i) {
        const RecordedPrimitive& Primitive = vecPrimitives[i];
        Calls.MarkerPen = Recorder.penOf(Primitive);
        switch (Primitive.kind) {
        case RecordedPrimitive::Point:
            Calls.vecDots.push_back(Primitive.point);
            break;
        case RecordedPrimitive::Rect:
            Calls.vecSquares.push_back(Primitive.rect);
            break;
        case RecordedPrimitive::Line:
            Calls.vecCrossArms.push_back(Primitive.line);
            break;
        case RecordedPrimitive::Text:
        case RecordedPrimitive::Other:
            qFatal("the plot floors replay integer lines, points and rectangles only");
        }
    }
}

CallList LineCalls(CRDLinearGrid& Grid, const CRDDecoratedLine& Line)
{
    CallList Calls;
    Calls.bLinePen = true;
    // Segments come first; whatever follows them is markers.
    CRDDecoratedLine Bare(Line);
    Bare.m_ePointStyle = eRDPointNone;
    PaintRecorder Segments;
    Record(Segments, [&](QPainter& Painter) {
        Grid.DrawLine(Painter, Bare);
        Calls.LinePen = Painter.pen();
    });
    for (const RecordedPrimitive& Primitive : Segments.primitives()) {
        if (Primitive.kind != RecordedPrimitive::Line)
            qFatal("the plot floors draw lines without labels");
        Calls.vecSegments.push_back(Primitive.line);
    }
    CRDDecoratedLine Full(Line);
    PaintRecorder All;
    Record(All, [&](QPainter& Painter) { Grid.DrawLine(Painter, Full); });
    TakeMarkers(All, Calls.vecSegments.size(), Calls);
    return Calls;
}

} // namespace

std::vector<CRDPoint> NoisySine(long iCount, double dPhase, std::uint32_t iSeed)
{
    constexpr double c_dPi = 3.14159265358979323846;
    std::mt19937 Generator(iSeed);
    std::vector<CRDPoint> vecPoints;
    vecPoints.reserve(static_cast<std::size_t>(iCount));
    for (long i = 0; i < iCount; ++i) {
        const double dX = 10.0 * static_cast<double>(i) / static_cast<double>(iCount - 1);
        const double dNoise = 0.1 * (static_cast<double>(Generator()) / 4294967295.0 - 0.5);
        vecPoints.emplace_back(dX, std::sin(2.0 * c_dPi * 0.3 * dX + dPhase) + dNoise);
    }
    return vecPoints;
}

QPolygon MappedVertices(KelmFramework::CRDLinearGrid& Grid, const std::vector<KelmFramework::CRDPoint>& vecPoints)
{
    QPolygon Vertices;
    Vertices.reserve(static_cast<int>(vecPoints.size()));
    for (CRDPoint Vertex : vecPoints) {
        CRDDevicePoint Device;
        Grid.ConvertPointToDevicePoint(Vertex, Device);
        Vertices << QPoint(static_cast<int>(Device.m_iX), static_cast<int>(Device.m_iY));
    }
    return Vertices;
}

std::shared_ptr<const PeerScene> PeerSceneOf(const PlotScene& Scene)
{
    auto pPeer = std::make_shared<PeerScene>();
    pPeer->LeftBottom = Scene.pGrid->GetViewPortLeftButton();
    pPeer->RightTop = Scene.pGrid->GetViewPortRightTop();
    pPeer->DeviceRect = WidgetDeviceRect(*Scene.pGrid);
    pPeer->vecPoints = Scene.vecPoints;
    pPeer->vecLines = Scene.vecLines;
    return pPeer;
}

Race PlotVariants(std::shared_ptr<PlotScene> pScene)
{
    CRDLinearGrid& Grid = *pScene->pGrid;
    auto pSameCalls = std::make_shared<std::vector<CallList>>();
    auto pBatched = std::make_shared<std::vector<BatchedCalls>>();

    if (!pScene->vecPoints.empty()) {
        CallList Calls;
        PaintRecorder Points;
        Record(Points, [&](QPainter& Painter) {
            for (CRDDecoratedPoint& Point : pScene->vecPoints)
                Grid.DrawPoint(Painter, Point);
        });
        TakeMarkers(Points, 0, Calls);
        pSameCalls->push_back(Calls);
        pBatched->push_back(BatchedCalls{false, QPen(), QPolygon(), Calls});
    }
    for (const CRDDecoratedLine& Line : pScene->vecLines) {
        CallList Calls = LineCalls(Grid, Line);
        pBatched->push_back(BatchedCalls{true, Calls.LinePen, MappedVertices(Grid, Line.m_vecPoints), Calls});
        pSameCalls->push_back(std::move(Calls));
    }

    Race Variants;
    Variants.Library.OnPainter = [pScene](QPainter& Painter) {
        for (CRDDecoratedPoint& Point : pScene->vecPoints)
            pScene->pGrid->DrawPoint(Painter, Point);
        for (CRDDecoratedLine& Line : pScene->vecLines)
            pScene->pGrid->DrawLine(Painter, Line);
    };
    const PaintFunction SameCalls = [pSameCalls](QPainter& Painter) {
        for (const CallList& Calls : *pSameCalls)
            PaintSameCalls(Painter, Calls);
    };
    const PaintFunction Polyline = [pBatched](QPainter& Painter) {
        for (const BatchedCalls& Batch : *pBatched)
            PaintBatched(Painter, Batch);
    };
    CheckSamePrimitives(Variants.Library.OnPainter, SameCalls, "same-calls");
    Variants.vecRivals.push_back({"same calls", Picture::Library, ClipCandidates(SameCalls)});
    Variants.vecRivals.push_back({"polyline", Picture::Shared, ClipCandidates(Polyline)});
    for (Rival& Peer : PeerRivals(PeerSceneOf(*pScene)))
        Variants.vecRivals.push_back(std::move(Peer));
    return Variants;
}

} // namespace Bench
