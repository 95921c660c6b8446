// Live workloads: a 4-channel display fed tick by tick (data update, rendering and unchanged repaint
// per tick) against the peers, and rubber-band drags over dense lines.
#include "BenchHarness.h"
#include "LivePeers.h"

#include "CRDBoxGridLayout.h"
#include "CRDDecimatingBoxGrid.h"
#include "CResultDisplay.h"

#include <QApplication>
#include <QPixmap>
#include <QRegion>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <cmath>
#include <ctime>
#include <memory>
#include <random>
#include <string>

namespace
{

using namespace KelmFramework;
using Bench::LiveContender;
using Bench::LiveSetup;
using Bench::LiveTick;
using Bench::LiveWindow;

double ThreadSeconds()
{
    timespec Now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &Now);
    return static_cast<double>(Now.tv_sec) + 1e-9 * static_cast<double>(Now.tv_nsec);
}

// Measured channels: slow sines of their own period and level, with normal noise of about 8 pixels.
class Source
{
public:
    explicit Source(const LiveSetup& Setup) : m_Setup(Setup), m_Generator(20) {}

    std::vector<CRDPoint> Next(int iChannel, long iCount, long iFirst)
    {
        constexpr double c_dTwoPi = 6.283185307179586;
        std::normal_distribution<double> Noise(0.0, 0.05);
        std::vector<CRDPoint> vecPoints;
        vecPoints.reserve(static_cast<std::size_t>(iCount));
        const double dLevel = 1.2 - 0.8 * iChannel;
        for (long i = iFirst; i < iFirst + iCount; ++i) {
            const double dT = static_cast<double>(i) * m_Setup.dSampleStep;
            vecPoints.emplace_back(dT, dLevel + 0.3 * std::sin(c_dTwoPi * dT / (2.0 + iChannel)) + Noise(m_Generator));
        }
        return vecPoints;
    }

private:
    LiveSetup m_Setup;
    std::mt19937 m_Generator;
};

template <class Grid>
LiveContender LiveLibrary(const std::string& strKey, const LiveSetup& Setup, const LiveWindow& First)
{
    struct Scene
    {
        std::unique_ptr<Grid> pGrid;
        QWidget Parent;
        CResultDisplay* pDisplay = nullptr;
        std::vector<long> vecIds;
    };
    auto pScene = std::make_shared<Scene>();
    const double dLeft = First.front().front().m_dX, dRight = First.front().back().m_dX;
    pScene->pGrid = std::make_unique<Grid>(CRDPoint(dLeft, Setup.dBottom), CRDPoint(dRight, Setup.dTop),
                                           QStringLiteral("time [s]"), QStringLiteral("signal [V]"), 10, 5, 1, 3,
                                           c_ColorGray, c_ColorBlack);
    pScene->pDisplay = new CResultDisplay(&pScene->Parent, pScene->pGrid.get(), c_ColorWhite);
    pScene->pDisplay->resize(Bench::c_iWidgetWidth, Bench::c_iWidgetHeight);
    const CRDColor Colors[] = {c_ColorBlue, c_ColorRed, c_ColorDarkGreen, c_ColorOrange};
    for (std::size_t c = 0; c < First.size(); ++c)
        pScene->vecIds.push_back(
            pScene->pDisplay->AddLine(First[c], Colors[c % 4], eRDLineSolid, eRDPointNone, QString()));

    LiveContender Contender;
    Contender.strKey = strKey;
    Contender.Update = [pScene](const LiveTick& Tick) {
        for (std::size_t c = 0; c < pScene->vecIds.size(); ++c) {
            pScene->pDisplay->AppendLinePoints(pScene->vecIds[c], (*Tick.pNew)[c]);
            pScene->pDisplay->DropLinePoints(pScene->vecIds[c], Tick.iDrop);
        }
        pScene->pDisplay->SetViewPort(CRDPoint(Tick.dLeft, Tick.dBottom), CRDPoint(Tick.dRight, Tick.dTop));
    };
    Contender.Render = [pScene] { const QPixmap Picture = pScene->pDisplay->grab(); };
    Contender.Repaint = [pScene] { const QPixmap Picture = pScene->pDisplay->grab(); };
    return Contender;
}

// Every contender gets the same ticks, in a rotating order so that all share the machine's load.
void RunLive(benchmark::State& State, const LiveSetup& Setup)
{
    Source Samples(Setup);
    LiveWindow First;
    for (int c = 0; c < Setup.iChannels; ++c)
        First.push_back(Samples.Next(c, Setup.iWindow, 0));
    std::vector<LiveContender> vecContenders{LiveLibrary<CRDDecimatingBoxGrid>("decimating_grid", Setup, First),
                                             LiveLibrary<CRDBoxGridLayout>("box_grid", Setup, First)};
#ifdef RD_BENCH_QCUSTOMPLOT
    vecContenders.push_back(Bench::LiveQCustomPlot(Setup, First));
#endif
#ifdef RD_BENCH_QWT
    vecContenders.push_back(Bench::LiveQwt(Setup, First));
#endif
    First.clear();
    long iNext = Setup.iWindow;
    LiveWindow New;
    const auto nextTick = [&] {
        New.clear();
        for (int c = 0; c < Setup.iChannels; ++c)
            New.push_back(Samples.Next(c, Setup.iPerTick, iNext));
        iNext += Setup.iPerTick;
        LiveTick Tick;
        Tick.pNew = &New;
        Tick.iDrop = Setup.iPerTick;
        Tick.dRight = static_cast<double>(iNext - 1) * Setup.dSampleStep;
        Tick.dLeft = Tick.dRight - static_cast<double>(Setup.iWindow - 1) * Setup.dSampleStep;
        Tick.dBottom = Setup.dBottom;
        Tick.dTop = Setup.dTop;
        return Tick;
    };
    // Two ticks untimed: containers grown and caches filled, as in an application that has run a while.
    for (int iWarm = 0; iWarm < 2; ++iWarm) {
        const LiveTick Tick = nextTick();
        for (LiveContender& Contender : vecContenders) {
            Contender.Update(Tick);
            Contender.Render();
            Contender.Repaint();
        }
    }

    const std::size_t iContenders = vecContenders.size();
    std::vector<double> vecUpdate(iContenders, 0.0), vecRender(iContenders, 0.0), vecRepaint(iContenders, 0.0);
    long iTicks = 0;
    for (auto _ : State) {
        const LiveTick Tick = nextTick();
        for (std::size_t k = 0; k < iContenders; ++k) {
            const std::size_t v = (static_cast<std::size_t>(iTicks) + k) % iContenders;
            LiveContender& Contender = vecContenders[v];
            const double dStart = ThreadSeconds();
            Contender.Update(Tick);
            const double dUpdated = ThreadSeconds();
            Contender.Render();
            const double dRendered = ThreadSeconds();
            Contender.Repaint();
            vecUpdate[v] += dUpdated - dStart;
            vecRender[v] += dRendered - dUpdated;
            vecRepaint[v] += ThreadSeconds() - dRendered;
        }
        ++iTicks;
    }
    const double dTicks = static_cast<double>(std::max(iTicks, 1L));
    for (std::size_t v = 0; v < iContenders; ++v) {
        const std::string& strKey = vecContenders[v].strKey;
        State.counters[strKey + "_update_ms"] = 1e3 * vecUpdate[v] / dTicks;
        State.counters[strKey + "_render_ms"] = 1e3 * vecRender[v] / dTicks;
        State.counters[strKey + "_repaint_ms"] = 1e3 * vecRepaint[v] / dTicks;
        State.counters[strKey + "_tick_ms"] = 1e3 * (vecUpdate[v] + vecRender[v]) / dTicks;
    }
    State.counters["pixel_ratio"] = qApp ? qApp->devicePixelRatio() : 1.0;
}

// A rubber band dragged over a display of dense lines: every move repaints what lies under the
// band's old and new rectangles, into the image the display was painted into.
template <class Grid>
std::function<void(long)> BandDrag(long iPoints)
{
    struct Scene
    {
        std::unique_ptr<Grid> pGrid;
        QWidget Parent;
        CResultDisplay* pDisplay = nullptr;
        QImage Image;
        QRect Band;
    };
    auto pScene = std::make_shared<Scene>();
    pScene->pGrid = std::make_unique<Grid>(CRDPoint(0.0, -1.5), CRDPoint(10.0, 1.5), QStringLiteral("time [s]"),
                                           QStringLiteral("signal [V]"), 10, 5, 1, 3, c_ColorGray, c_ColorBlack);
    pScene->pDisplay = new CResultDisplay(&pScene->Parent, pScene->pGrid.get(), c_ColorWhite);
    pScene->pDisplay->resize(Bench::c_iWidgetWidth, Bench::c_iWidgetHeight);
    const CRDColor Colors[] = {c_ColorBlue, c_ColorRed, c_ColorDarkGreen, c_ColorOrange};
    std::mt19937 Generator(7);
    std::normal_distribution<double> Noise(0.0, 0.05);
    for (int c = 0; c < 4; ++c) {
        std::vector<CRDPoint> vecPoints;
        vecPoints.reserve(static_cast<std::size_t>(iPoints));
        for (long i = 0; i < iPoints; ++i) {
            const double dX = 10.0 * static_cast<double>(i) / static_cast<double>(iPoints - 1);
            vecPoints.emplace_back(dX, 1.2 - 0.8 * c + 0.3 * std::sin(dX * (1.0 + c)) + Noise(Generator));
        }
        pScene->pDisplay->AddLine(vecPoints, Colors[c], eRDLineSolid, eRDPointNone, QString());
    }
    const qreal dRatio = qApp->devicePixelRatio();
    pScene->Image = QImage(static_cast<int>(std::lround(Bench::c_iWidgetWidth * dRatio)),
                           static_cast<int>(std::lround(Bench::c_iWidgetHeight * dRatio)), QImage::Format_RGB32);
    pScene->Image.setDevicePixelRatio(dRatio);
    pScene->pDisplay->render(&pScene->Image);
    pScene->Band = QRect(250, 200, 1, 1);
    return [pScene](long iMove) {
        // Out from the press point to 400 x 300 pixels and back, 4 by 3 pixels a move.
        const long iStep = iMove % 200 < 100 ? iMove % 100 : 100 - iMove % 100;
        const QRect Band(250, 200, 1 + 4 * static_cast<int>(iStep), 1 + 3 * static_cast<int>(iStep));
        const QRegion Exposed = QRegion(pScene->Band) + QRegion(Band);
        pScene->Band = Band;
        pScene->pDisplay->render(&pScene->Image, Exposed.boundingRect().topLeft(), Exposed);
    };
}

void RunBandDrag(benchmark::State& State, long iPoints)
{
    const std::vector<std::pair<std::string, std::function<void(long)>>> vecContenders{
        {"decimating_grid", BandDrag<CRDDecimatingBoxGrid>(iPoints)},
        {"box_grid", BandDrag<CRDBoxGridLayout>(iPoints)}};
    std::vector<double> vecSeconds(vecContenders.size(), 0.0);
    long iMoves = 0;
    for (auto _ : State) {
        for (std::size_t v = 0; v < vecContenders.size(); ++v) {
            const double dStart = ThreadSeconds();
            vecContenders[v].second(iMoves);
            vecSeconds[v] += ThreadSeconds() - dStart;
        }
        ++iMoves;
    }
    for (std::size_t v = 0; v < vecContenders.size(); ++v)
        State.counters[vecContenders[v].first + "_frame_ms"] = 1e3 * vecSeconds[v]
                                                               / static_cast<double>(std::max(iMoves, 1L));
    State.counters["pixel_ratio"] = qApp->devicePixelRatio();
}

bool RegisterAll()
{
    benchmark::RegisterBenchmark("live/4x200000", [](benchmark::State& State) {
        RunLive(State, LiveSetup());
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("band_drag/4x1000000", [](benchmark::State& State) {
        RunBandDrag(State, 1000000);
    })->Unit(benchmark::kMillisecond);
    return true;
}

const bool s_bRegistered = RegisterAll();

} // namespace
