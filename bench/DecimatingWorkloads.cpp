// Workloads of CRDDecimatingBoxGrid: dense lines, clean and noisy, in order and jittered, with markers,
// and on a canvas of pixel ratio 2; against the box grid, one pass and the peers. Markers and single
// points in many colours against the box grid.
#include "PlotFloors.h"
#include "RDMapping_p.h"

#include "CRDBoxGridLayout.h"
#include "CRDDecimatingBoxGrid.h"
#include "CRDDecoratedPoint.h"

#include <benchmark/benchmark.h>

#include <QColor>
#include <QPaintEngine>
#include <QRegion>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <random>
#include <string>
#include <thread>

namespace
{

using namespace KelmFramework;

constexpr double c_dLeft = 0.0;
constexpr double c_dRight = 10.0;

struct LineShape
{
    double dNoise = 0.0;  ///< sigma of y, in units of the sine's amplitude
    double dJitter = 0.0; ///< sigma of x, in pixel columns of the device rectangle
};
const LineShape c_Clean{0.0, 0.0};
// About 8 pixels on the widget: a band some 50 rows high.
const LineShape c_Noisy{0.05, 0.0};

// Three periods of a unit sine over x in [0, 10]. Jittered, x is irregular and out of order.
std::vector<CRDPoint> Sine(long iCount, const LineShape& Shape, double dPhase, std::uint32_t iSeed, double dColumn)
{
    constexpr double c_dPi = 3.14159265358979323846;
    std::mt19937 Generator(iSeed);
    std::normal_distribution<double> Noise(0.0, 1.0);
    std::vector<CRDPoint> vecPoints;
    vecPoints.reserve(static_cast<std::size_t>(iCount));
    for (long i = 0; i < iCount; ++i) {
        const double dX = c_dLeft + (c_dRight - c_dLeft) * static_cast<double>(i) / static_cast<double>(iCount - 1);
        const double dY = std::sin(2.0 * c_dPi * 0.3 * dX + dPhase);
        const double dNoise = Shape.dNoise > 0.0 ? Shape.dNoise * Noise(Generator) : 0.0;
        const double dJitter = Shape.dJitter > 0.0 ? Shape.dJitter * dColumn * Noise(Generator) : 0.0;
        vecPoints.emplace_back(dX + dJitter, dY + dNoise);
    }
    return vecPoints;
}

template <class Grid>
std::unique_ptr<Grid> MakeGrid()
{
    auto pGrid = std::make_unique<Grid>(CRDPoint(c_dLeft, -1.5), CRDPoint(c_dRight, 1.5), QStringLiteral("x"),
                                        QStringLiteral("y"), 10, 5, 1, 1, c_ColorGray, c_ColorBlack);
    Bench::SetWidgetDeviceRect(*pGrid);
    return pGrid;
}

struct Scene
{
    std::unique_ptr<CRDDecimatingBoxGrid> pGrid = MakeGrid<CRDDecimatingBoxGrid>();
    std::unique_ptr<CRDBoxGridLayout> pExact = MakeGrid<CRDBoxGridLayout>();
    std::vector<CRDDecoratedLine> vecLines;
};

// The grid's map, from the viewport and device rectangle it shows, with the kernel the library maps with.
Mapping::Linear MapOf(const CRDGrid& Grid)
{
    const CRDPoint LeftBottom = Grid.GetViewPortLeftButton(), RightTop = Grid.GetViewPortRightTop();
    const QRect Device = Bench::WidgetDeviceRect(Grid);
    const long iSpanY = Device.bottom() - Device.top();
    return {{LeftBottom.m_dX, 1.0 / std::fabs(RightTop.m_dX - LeftBottom.m_dX),
             static_cast<double>(Device.right() - Device.left()), static_cast<double>(Device.left()), LeftBottom.m_dY,
             1.0 / std::fabs(RightTop.m_dY - LeftBottom.m_dY), static_cast<double>(iSpanY),
             static_cast<double>(Device.top()), static_cast<double>(iSpanY)},
            iSpanY};
}

// The least any decimation must do: map every vertex with the grid's arithmetic and keep its
// column's lowest and highest row.
void OnePass(const Mapping::Linear& Map, const std::vector<CRDDecoratedLine>& vecLines)
{
    constexpr long c_iColumns = Bench::c_iWidgetWidth + 1;
    long aiLow[c_iColumns], aiHigh[c_iColumns];
    for (const CRDDecoratedLine& Line : vecLines) {
        long iColumn = -1, iLow = 0, iHigh = 0;
        for (const CRDPoint& Point : Line.m_vecPoints) {
            const long iX = Map.DeviceX(Point.m_dX), iY = Map.DeviceY(Point.m_dY);
            if (iX != iColumn) {
                if (iColumn >= 0 && iColumn < c_iColumns) {
                    aiLow[iColumn] = iLow;
                    aiHigh[iColumn] = iHigh;
                }
                iColumn = iX;
                iLow = iHigh = iY;
            } else {
                iLow = std::min(iLow, iY);
                iHigh = std::max(iHigh, iY);
            }
        }
        benchmark::DoNotOptimize(aiLow);
        benchmark::DoNotOptimize(aiHigh);
        benchmark::ClobberMemory();
    }
}

Bench::Race RaceOf(std::shared_ptr<Scene> pScene, qreal dPixelRatio)
{
    Bench::Race Variants;
    Variants.dPixelRatio = dPixelRatio;
    Variants.Library.OnPainter = [pScene](QPainter& Painter) {
        for (CRDDecoratedLine& Line : pScene->vecLines)
            pScene->pGrid->DrawLine(Painter, Line);
    };
    // Close to the library's pixels, not equal: its own test compares them.
    const Bench::PaintFunction Exact = [pScene](QPainter& Painter) {
        for (CRDDecoratedLine& Line : pScene->vecLines)
            pScene->pExact->DrawLine(Painter, Line);
    };
    Variants.vecRivals.push_back({"box grid", Bench::Picture::Unchecked, {{"", Bench::Drawer{Exact, {}}}}});
    const Bench::PaintFunction Pass = [pScene, Map = MapOf(*pScene->pGrid)](QPainter&) {
        OnePass(Map, pScene->vecLines);
    };
    Variants.vecRivals.push_back({"one pass", Bench::Picture::Unchecked, {{"", Bench::Drawer{Pass, {}}}}});

    auto pPeer = std::make_shared<Bench::PeerScene>();
    pPeer->LeftBottom = pScene->pGrid->GetViewPortLeftButton();
    pPeer->RightTop = pScene->pGrid->GetViewPortRightTop();
    pPeer->DeviceRect = Bench::WidgetDeviceRect(*pScene->pGrid);
    pPeer->dPixelRatio = dPixelRatio;
    pPeer->vecLines = pScene->vecLines;
    for (Bench::Rival& Peer : Bench::PeerRivals(pPeer))
        Variants.vecRivals.push_back(std::move(Peer));
    return Variants;
}

void RegisterLines(const std::string& strFamily, int iLines, long iPoints, const LineShape& Shape,
                   ERDLineStyle eLineStyle, ERDPointStyle ePointStyle = eRDPointNone, qreal dPixelRatio = 1.0)
{
    Bench::RegisterWorkload("decimating_" + strFamily + "/" + std::to_string(iLines * iPoints), [=] {
        const CRDColor Colors[] = {c_ColorBlue, c_ColorRed, c_ColorDarkGreen, c_ColorOrange, c_ColorDark};
        auto pScene = std::make_shared<Scene>();
        const QRect Device = Bench::WidgetDeviceRect(*pScene->pGrid);
        const double dColumn = (c_dRight - c_dLeft) / (Device.right() - Device.left());
        // Several lines differ in phase and noise, as channels of one measurement would.
        for (int i = 0; i < iLines; ++i) {
            std::vector<CRDPoint> vecPoints = Sine(iPoints, Shape, 0.3 * i, static_cast<std::uint32_t>(11 + i),
                                                   dColumn);
            pScene->vecLines.emplace_back(vecPoints, Colors[i % 5], eLineStyle, ePointStyle, QString());
        }
        return RaceOf(pScene, dPixelRatio);
    });
}

// What a rubber band's move exposes when it is dragged across: its old and its new rectangle,
// which overlap without one holding the other.
QRegion BandMove()
{
    return QRegion(250, 200, 400, 300) + QRegion(246, 204, 400, 300);
}

// The lines painted under the painter's system clip, as a widget repaints an exposed region.
Bench::CanvasFunction UnderClip(std::shared_ptr<Scene> pScene, const QRegion& Exposed, bool bExact)
{
    return [pScene, Exposed, bExact](QImage& Image) {
        Image.paintEngine()->setSystemClip(Exposed);
        {
            QPainter Painter(&Image);
            Painter.setRenderHint(QPainter::Antialiasing);
            for (CRDDecoratedLine& Line : pScene->vecLines)
                bExact ? pScene->pExact->DrawLine(Painter, Line) : pScene->pGrid->DrawLine(Painter, Line);
        }
        Image.paintEngine()->setSystemClip(QRegion());
    };
}

// Four noisy lines repainted under a band's move, against the box grid under the same clip and
// against their full repaint.
void RegisterBandClip()
{
    Bench::RegisterWorkload("decimating_band_clip/4000000", [] {
        const CRDColor Colors[] = {c_ColorBlue, c_ColorRed, c_ColorDarkGreen, c_ColorOrange};
        auto pScene = std::make_shared<Scene>();
        const QRect Device = Bench::WidgetDeviceRect(*pScene->pGrid);
        const double dColumn = (c_dRight - c_dLeft) / (Device.right() - Device.left());
        for (int i = 0; i < 4; ++i) {
            std::vector<CRDPoint> vecPoints = Sine(1000000, c_Noisy, 0.8 * i, static_cast<std::uint32_t>(31 + i),
                                                   dColumn);
            pScene->vecLines.emplace_back(vecPoints, Colors[i], eRDLineSolid, eRDPointNone, QString());
        }
        Bench::Race Variants;
        Variants.Library.OnCanvas = UnderClip(pScene, BandMove(), false);
        Variants.vecRivals.push_back(
            {"box grid", Bench::Picture::Unchecked, {{"", Bench::Drawer{{}, UnderClip(pScene, BandMove(), true)}}}});
        Variants.vecRivals.push_back({"full repaint",
                                      Bench::Picture::Unchecked,
                                      {{"", Bench::Drawer{{}, UnderClip(pScene, QRegion(), false)}}}});
        return Variants;
    });
}

// A colour of its own for each of many items, as a colour scale gives them.
CRDColor ScaleColor(double dValue)
{
    const QColor Color = QColor::fromHsvF(std::fmod(std::fabs(dValue), 1.0) * 0.83, 0.9, 0.85);
    return CRDColor(static_cast<unsigned char>(Color.red()), static_cast<unsigned char>(Color.green()),
                    static_cast<unsigned char>(Color.blue()));
}

// The library's grid and the box grid, each drawing the scene's single points and then its lines.
Bench::Race AgainstBoxGrid(std::shared_ptr<Scene> pScene, std::shared_ptr<std::vector<CRDDecoratedPoint>> pPoints)
{
    const auto Paint = [pScene, pPoints](CRDLinearGrid& Grid, QPainter& Painter) {
        for (CRDDecoratedPoint& Point : *pPoints)
            Grid.DrawPoint(Painter, Point);
        for (CRDDecoratedLine& Line : pScene->vecLines)
            Grid.DrawLine(Painter, Line);
    };
    Bench::Race Variants;
    Variants.Library.OnPainter = [pScene, Paint](QPainter& Painter) { Paint(*pScene->pGrid, Painter); };
    const Bench::PaintFunction Exact = [pScene, Paint](QPainter& Painter) { Paint(*pScene->pExact, Painter); };
    Variants.vecRivals.push_back({"box grid", Bench::Picture::Unchecked, {{"", Bench::Drawer{Exact, {}}}}});
    return Variants;
}

// Markers of more colours than a frame of a few lines has, and single points each in a colour of its own.
void RegisterManyColours()
{
    Bench::RegisterWorkload("decimating_tracks_40colours/50000", [] {
        // 5,000 tracks of 10 points, steps of about 4 pixels, in 40 colours and the three marker styles.
        auto pScene = std::make_shared<Scene>();
        std::mt19937 Generator(41);
        std::uniform_real_distribution<double> StartX(0.2, 9.2), StartY(-1.3, 1.3), Turn(-0.02, 0.02);
        for (int i = 0; i < 5000; ++i) {
            std::vector<CRDPoint> vecPoints;
            double dX = StartX(Generator), dY = StartY(Generator);
            for (int k = 0; k < 10; ++k) {
                vecPoints.emplace_back(dX, dY);
                dX += 0.05 + Turn(Generator);
                dY += Turn(Generator);
            }
            pScene->vecLines.emplace_back(vecPoints, ScaleColor((i % 40) / 40.0), eRDLineSolid,
                                          ERDPointStyle(eRDPointDot + (i / 40) % 3), QString());
        }
        return AgainstBoxGrid(pScene, std::make_shared<std::vector<CRDDecoratedPoint>>());
    });
    Bench::RegisterWorkload("decimating_points_own_colours/100000", [] {
        // A cloud of 100,000 dots, each coloured by its distance from the centre.
        auto pPoints = std::make_shared<std::vector<CRDDecoratedPoint>>();
        std::mt19937 Generator(43);
        std::normal_distribution<double> Spread(0.0, 1.0);
        for (int i = 0; i < 100000; ++i) {
            const double dX = 1.6 * Spread(Generator), dY = 0.45 * Spread(Generator);
            pPoints->emplace_back(CRDPoint(5.0 + dX, dY), ScaleColor(std::hypot(dX / 1.6, dY / 0.45) / 3.0),
                                  eRDPointDot);
        }
        return AgainstBoxGrid(std::make_shared<Scene>(), pPoints);
    });
}

// A thread's CPU time so far.
double ThreadSeconds()
{
    timespec Now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &Now);
    return static_cast<double>(Now.tv_sec) + 1e-9 * static_cast<double>(Now.tv_nsec);
}

// The lines painted in a thread of their own, which has built nothing yet, as a display's first paint
// finds it; the thread's CPU time is then spent again in the caller's, which the harness measures.
Bench::CanvasFunction FirstPaint(std::shared_ptr<Scene> pScene)
{
    return [pScene](QImage& Image) {
        double dSeconds = 0.0;
        std::thread Painting([&] {
            const double dStart = ThreadSeconds();
            QPainter Painter(&Image);
            Painter.setRenderHint(QPainter::Antialiasing);
            for (CRDDecoratedLine& Line : pScene->vecLines)
                pScene->pGrid->DrawLine(Painter, Line);
            Painter.end();
            dSeconds = ThreadSeconds() - dStart;
        });
        Painting.join();
        for (const double dEnd = ThreadSeconds() + dSeconds; ThreadSeconds() < dEnd;) {}
    };
}

// Random walks in every line style, with steps of up to 32 pixels either way: the segments take every
// shape the counted route keeps. Their first paint against a warm one, at a fractional ratio too,
// where shapes are measured per sub-pixel phase.
void RegisterFirstPaint(qreal dPixelRatio, const std::string& strRatio)
{
    Bench::RegisterWorkload("decimating_first_paint" + strRatio + "/60000", [=] {
        auto pScene = std::make_shared<Scene>();
        const QRect Device = Bench::WidgetDeviceRect(*pScene->pGrid);
        const double dColumn = (c_dRight - c_dLeft) / (Device.right() - Device.left());
        const double dRow = 3.0 / (Device.bottom() - Device.top());
        std::mt19937 Generator(47);
        std::uniform_int_distribution<int> Step(-32, 32);
        const CRDColor Colors[] = {c_ColorBlue, c_ColorRed, c_ColorDarkGreen};
        for (int iStyle = eRDLineSolid; iStyle <= eRDLineDashDotted; ++iStyle) {
            std::vector<CRDPoint> vecPoints;
            double dX = 5.0, dY = 0.0;
            for (int i = 0; i < 20000; ++i) {
                vecPoints.emplace_back(dX, dY);
                dX = std::clamp(dX + Step(Generator) * dColumn, c_dLeft, c_dRight);
                dY = std::clamp(dY + Step(Generator) * dRow, -1.5, 1.5);
            }
            pScene->vecLines.emplace_back(vecPoints, Colors[iStyle], ERDLineStyle(iStyle), eRDPointNone, QString());
        }
        Bench::Race Variants;
        Variants.dPixelRatio = dPixelRatio;
        Variants.Library.OnCanvas = FirstPaint(pScene);
        const Bench::PaintFunction Warm = [pScene](QPainter& Painter) {
            for (CRDDecoratedLine& Line : pScene->vecLines)
                pScene->pGrid->DrawLine(Painter, Line);
        };
        Variants.vecRivals.push_back({"warm frame", Bench::Picture::Library, {{"", Bench::Drawer{Warm, {}}}}});
        return Variants;
    });
}

// x-y data, whose x goes back and forth: what counting per pixel column helps least.
enum class XY {
    Walk,       ///< a random walk of steps 8 to 100 pixels long, turned back at the edges
    Hysteresis, ///< ten noisy loops of a magnetisation curve, each axis measured with noise
    Sparse,     ///< twenty noisy lines of one or two vertices per pixel column
};

std::vector<CRDDecoratedLine> XYLines(XY eShape, const QRect& Device)
{
    constexpr double c_dPi = 3.14159265358979323846;
    const double dColumn = (c_dRight - c_dLeft) / (Device.right() - Device.left());
    const double dRow = 3.0 / (Device.bottom() - Device.top());
    std::mt19937 Generator(23);
    std::normal_distribution<double> Noise(0.0, 1.0);
    std::uniform_real_distribution<double> Unit(0.0, 1.0);
    std::vector<CRDDecoratedLine> vecLines;
    std::vector<CRDPoint> vecPoints;
    if (eShape == XY::Walk) {
        double dX = 5.0, dY = 0.0;
        for (long i = 0; i < 200000; ++i) {
            const double dLength = 8.0 + 92.0 * Unit(Generator), dAngle = 2.0 * c_dPi * Unit(Generator);
            dX += dLength * std::cos(dAngle) * dColumn;
            dY += dLength * std::sin(dAngle) * dRow;
            dX = dX < c_dLeft ? 2 * c_dLeft - dX : dX > c_dRight ? 2 * c_dRight - dX : dX;
            dY = dY < -1.5 ? -3.0 - dY : dY > 1.5 ? 3.0 - dY : dY;
            vecPoints.emplace_back(dX, dY);
        }
        vecLines.emplace_back(vecPoints, c_ColorBlue, eRDLineSolid, eRDPointNone, QString());
    } else if (eShape == XY::Hysteresis) {
        constexpr long c_iCount = 1000000;
        for (long i = 0; i < c_iCount; ++i) {
            const double dPhase = 2.0 * c_dPi * 10.0 * static_cast<double>(i) / c_iCount;
            const double dField = std::cos(dPhase); // rising while the sine is negative
            const double dBranch = std::sin(dPhase) < 0.0 ? -0.3 : 0.3;
            vecPoints.emplace_back(5.0 + 4.5 * dField + 2.0 * dColumn * Noise(Generator),
                                   std::tanh(3.0 * (dField + dBranch)) + 0.05 * Noise(Generator));
        }
        vecLines.emplace_back(vecPoints, c_ColorRed, eRDLineSolid, eRDPointNone, QString());
    } else {
        const CRDColor Colors[] = {c_ColorBlue, c_ColorRed, c_ColorDarkGreen, c_ColorOrange, c_ColorDark};
        const long iCount = static_cast<long>(1.5 * (Device.right() - Device.left()));
        for (int iLine = 0; iLine < 20; ++iLine) {
            vecPoints = Sine(iCount, c_Noisy, 0.3 * iLine, static_cast<std::uint32_t>(41 + iLine), dColumn);
            vecLines.emplace_back(vecPoints, Colors[iLine % 5], eRDLineSolid, eRDPointNone, QString());
        }
    }
    return vecLines;
}

void RegisterXY(const std::string& strName, XY eShape, long iPoints)
{
    for (const qreal dPixelRatio : {1.0, 1.5}) {
        const std::string strRatio = dPixelRatio == 1.0 ? "" : "_dpr1.5";
        Bench::RegisterWorkload("decimating_xy_" + strName + strRatio + "/" + std::to_string(iPoints), [=] {
            auto pScene = std::make_shared<Scene>();
            pScene->vecLines = XYLines(eShape, Bench::WidgetDeviceRect(*pScene->pGrid));
            return RaceOf(pScene, dPixelRatio);
        });
    }
}

// Two noisy lines in translucent colours, as overlaid channels are drawn to show each other, at the
// usual screen scales.
void RegisterTranslucent()
{
    for (const qreal dPixelRatio : {1.0, 1.5, 2.0}) {
        const std::string strRatio = dPixelRatio == 1.0 ? "" : dPixelRatio == 1.5 ? "_dpr1.5" : "_dpr2";
        Bench::RegisterWorkload("decimating_translucent" + strRatio + "/2000000", [=] {
            auto pScene = std::make_shared<Scene>();
            const QRect Device = Bench::WidgetDeviceRect(*pScene->pGrid);
            const double dColumn = (c_dRight - c_dLeft) / (Device.right() - Device.left());
            for (int i = 0; i < 2; ++i) {
                std::vector<CRDPoint> vecPoints = Sine(1000000, c_Noisy, 0.8 * i, static_cast<std::uint32_t>(61 + i),
                                                       dColumn);
                CRDColor Color = i == 0 ? c_ColorBlue : c_ColorRed;
                Color.setAlpha(i == 0 ? 160 : 96);
                pScene->vecLines.emplace_back(vecPoints, Color, eRDLineSolid, eRDPointNone, QString());
            }
            return RaceOf(pScene, dPixelRatio);
        });
    }
}

bool RegisterAll()
{
    const LineShape CleanJittered{0.0, 0.2}, NoisyJittered{c_Noisy.dNoise, 0.2};
    RegisterLines("clean_solid", 1, 1000000, c_Clean, eRDLineSolid);
    RegisterLines("noisy_solid", 1, 1000000, c_Noisy, eRDLineSolid);
    RegisterLines("noisy_dotted", 1, 1000000, c_Noisy, eRDLineDotted);
    RegisterLines("noisy_dashdotted", 1, 1000000, c_Noisy, eRDLineDashDotted);
    RegisterLines("clean_20x10000", 20, 10000, c_Clean, eRDLineSolid);
    RegisterLines("noisy_20x10000", 20, 10000, c_Noisy, eRDLineSolid);
    RegisterLines("clean_jittered", 1, 1000000, CleanJittered, eRDLineSolid);
    RegisterLines("noisy_jittered", 1, 1000000, NoisyJittered, eRDLineSolid);
    RegisterLines("markers_dot", 1, 10000, c_Noisy, eRDLineSolid, eRDPointDot);
    RegisterLines("markers_cross", 1, 10000, c_Noisy, eRDLineSolid, eRDPointCross);
    RegisterLines("markers_square", 1, 10000, c_Noisy, eRDLineSolid, eRDPointSquare);
    RegisterLines("clean_dpr1.5", 1, 1000000, c_Clean, eRDLineSolid, eRDPointNone, 1.5);
    RegisterLines("noisy_dpr1.5", 1, 1000000, c_Noisy, eRDLineSolid, eRDPointNone, 1.5);
    RegisterLines("clean_dpr2", 1, 1000000, c_Clean, eRDLineSolid, eRDPointNone, 2.0);
    RegisterLines("noisy_dpr2", 1, 1000000, c_Noisy, eRDLineSolid, eRDPointNone, 2.0);
    RegisterBandClip();
    RegisterManyColours();
    RegisterFirstPaint(1.0, "");
    RegisterXY("walk", XY::Walk, 200000);
    RegisterXY("hysteresis", XY::Hysteresis, 1000000);
    RegisterXY("sparse", XY::Sparse, 24000);
    RegisterTranslucent();
    RegisterFirstPaint(1.5, "_dpr1.5");
    return true;
}

const bool s_bRegistered = RegisterAll();

} // namespace
