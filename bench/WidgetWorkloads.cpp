// Whole-widget workloads: CResultDisplay repaints, after a change and unchanged, and CRDMatrix repaints,
// through QWidget::render.
#include "PlotFloors.h"
#include "Replay.h"

#include "CRDBoxGridLayout.h"
#include "CRDMatrix.h"
#include "CResultDisplay.h"

#include <QWidget>

#include <cstdint>
#include <random>
#include <string>

namespace
{

using namespace KelmFramework;
using Bench::PaintRecorder;
using Bench::Replay;
using Bench::TextBox;

// The widgets need a parent; the grid outlives the display, so it is declared first.
struct DisplayScene
{
    std::unique_ptr<CRDBoxGridLayout> pGrid;
    QWidget Parent;
    CResultDisplay* pDisplay = nullptr;
};

struct MatrixScene
{
    QWidget Parent;
    CRDMatrix* pMatrix = nullptr;
};

// bChanged: every frame follows a change (the view set anew), as after new data; otherwise nothing
// changes between frames, and the display copies the last frame back.
Bench::Race DisplayVariants(int iLines, long iPoints, bool bChanged = true)
{
    auto pScene = std::make_shared<DisplayScene>();
    pScene->pGrid = std::make_unique<CRDBoxGridLayout>(CRDPoint(0.0, -1.5), CRDPoint(10.0, 1.5),
                                                       QStringLiteral("time [s]"), QStringLiteral("voltage [V]"), 10, 5,
                                                       1, 3, c_ColorGray, c_ColorBlack);
    pScene->pDisplay = new CResultDisplay(&pScene->Parent, pScene->pGrid.get(), c_ColorWhite);
    pScene->pDisplay->resize(Bench::c_iWidgetWidth, Bench::c_iWidgetHeight);

    Bench::Race Variants;
    const Bench::PaintFunction Library = [pScene, bChanged](QPainter& Painter) {
        if (bChanged)
            pScene->pDisplay->SetViewPort(pScene->pGrid->GetViewPortLeftButton(), pScene->pGrid->GetViewPortRightTop());
        pScene->pDisplay->render(&Painter);
    };
    Variants.Library.OnPainter = Library;

    // Before the lines are added, the repaint is what the polyline floor keeps.
    PaintRecorder GridOnly;
    Bench::Record(GridOnly, Library);
    auto pGrid = std::make_shared<Replay>(GridOnly, TextBox::OwnSize);

    struct PolylineCall
    {
        QPen Pen;
        QPolygon Vertices;
    };
    auto pPolylines = std::make_shared<std::vector<PolylineCall>>();
    auto pPeer = std::make_shared<Bench::PeerScene>();
    const CRDColor Colors[] = {c_ColorBlue, c_ColorRed, c_ColorDarkGreen, c_ColorOrange, c_ColorDark};
    for (int i = 0; i < iLines; ++i) {
        std::vector<CRDPoint> vecPoints = Bench::NoisySine(iPoints, 0.3 * i, static_cast<std::uint32_t>(i + 1));
        pScene->pDisplay->AddLine(vecPoints, Colors[i % 5], eRDLineSolid, eRDPointNone, QString());
        CRDDecoratedLine Line(vecPoints, Colors[i % 5], eRDLineSolid, eRDPointNone, QString());
        pPeer->vecLines.push_back(Line);
        PaintRecorder Pen;
        QPen LinePen;
        Bench::Record(Pen, [&](QPainter& Painter) {
            pScene->pGrid->DrawLine(Painter, Line);
            LinePen = Painter.pen();
        });
        pPolylines->push_back(PolylineCall{LinePen, Bench::MappedVertices(*pScene->pGrid, vecPoints)});
    }

    PaintRecorder Full;
    Bench::Record(Full, Library);
    auto pSameCalls = std::make_shared<Replay>(Full, TextBox::OwnSize);
    const Bench::PaintFunction SameCalls = [pSameCalls](QPainter& Painter) { pSameCalls->Paint(Painter); };
    Bench::CheckSamePrimitives(Library, SameCalls, "same-calls");
    Variants.vecRivals.push_back({"same calls", Bench::Picture::Library, Bench::ClipCandidates(SameCalls)});
    if (iLines > 0) {
        const Bench::PaintFunction Polyline = [pGrid, pPolylines](QPainter& Painter) {
            pGrid->Paint(Painter);
            for (const PolylineCall& Line : *pPolylines) {
                Painter.setPen(Line.Pen);
                Painter.drawPolyline(Line.Vertices);
            }
        };
        Variants.vecRivals.push_back({"polyline", Bench::Picture::Shared, Bench::ClipCandidates(Polyline)});
    }

    const CRDBoxGridLayout& Grid = *pScene->pGrid;
    pPeer->LeftBottom = Grid.GetViewPortLeftButton();
    pPeer->RightTop = Grid.GetViewPortRightTop();
    pPeer->DeviceRect = Bench::WidgetDeviceRect(Grid);
    pPeer->bWidget = true;
    pPeer->strXTitle = Grid.m_strXAxisTitle;
    pPeer->strYTitle = Grid.m_strYAxisTitle;
    pPeer->iXDivisions = static_cast<int>(Grid.m_iXDivisions);
    pPeer->iYDivisions = static_cast<int>(Grid.m_iYDivisions);
    for (Bench::Rival& Peer : Bench::PeerRivals(pPeer))
        Variants.vecRivals.push_back(std::move(Peer));
    return Variants;
}

Bench::Race MatrixVariants(long iItems)
{
    CRDMatrixData Data;
    std::mt19937 Generator(static_cast<std::uint32_t>(iItems));
    for (long i = 0; i < iItems; ++i) {
        // -1 is no state: drawn in the default green.
        const short iState = static_cast<short>(static_cast<long>(Generator() % 5) - 1);
        Data.AppendMatrixItem(iState, QStringLiteral("sensor %1").arg(i), QString::number(i));
    }
    Data.m_iBlinkIndex = iItems / 2;

    auto pScene = std::make_shared<MatrixScene>();
    pScene->pMatrix = new CRDMatrix(&pScene->Parent, Data, c_ColorLightGray, c_ColorDarkGray,
                                    {c_ColorGreen, c_ColorYellow, c_ColorOrange, c_ColorRed});
    pScene->pMatrix->resize(Bench::c_iWidgetWidth, Bench::c_iWidgetHeight);
    // The blinking cell shows inverted.
    pScene->pMatrix->UpdateMatrixData(Data);

    Bench::Race Variants;
    Variants.Library.OnPainter = [pScene](QPainter& Painter) { pScene->pMatrix->render(&Painter); };
    PaintRecorder Full;
    Bench::Record(Full, Variants.Library.OnPainter);
    auto pRaw = std::make_shared<Replay>(Full, TextBox::LastFill);
    const Bench::PaintFunction SameCalls = [pRaw](QPainter& Painter) { pRaw->Paint(Painter); };
    Bench::CheckSamePrimitives(Variants.Library.OnPainter, SameCalls, "same-calls");
    Variants.vecRivals.push_back({"same calls", Bench::Picture::Library, Bench::ClipCandidates(SameCalls)});
    return Variants;
}

bool RegisterAll()
{
    // The grid, its labels and titles alone: what a repaint costs beyond the data.
    Bench::RegisterWorkload("display_axes/0", [] { return DisplayVariants(0, 0); });
    Bench::RegisterWorkload("display_20x10000/200000", [] { return DisplayVariants(20, 10000); });
    Bench::RegisterWorkload("display_unchanged_20x10000/200000", [] { return DisplayVariants(20, 10000, false); });
    for (long iItems : {100L, 1000L, 10000L})
        Bench::RegisterWorkload("matrix/" + std::to_string(iItems), [iItems] { return MatrixVariants(iItems); });
    return true;
}

const bool s_bRegistered = RegisterAll();

} // namespace
