// Workloads of CRDDecimatingBoxGrid: dense lines, clean and noisy, in order and jittered, with markers;
// against the box grid, one pass and the peers. Markers and single points in many colours against the
// box grid. Each also at pixel ratios 1.5 and 2, against its frame at ratio 1.
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

// The same frame at pixel ratio 1, against which a frame at another ratio is held.
Bench::Rival AtRatioOne(Bench::Drawer Library)
{
    Library.dPixelRatio = 1.0;
    return {"ratio 1", Bench::Picture::Unchecked, {{"", std::move(Library)}}};
}

// Pixel ratios every workload is also measured at, and the suffix of their names.
constexpr qreal c_adRatios[] = {1.0, 1.5, 2.0};
std::string RatioSuffix(qreal dPixelRatio)
{
    return dPixelRatio == 1.0 ? "" : dPixelRatio == 1.5 ? "_dpr1.5" : "_dpr2";
}

// Above ratio 1, the frame against the ratio-1 frame; the other rivals where bRivals is set.
Bench::Race AtRatio(Bench::Race Variants, qreal dPixelRatio, bool bRivals)
{
    Variants.dPixelRatio = dPixelRatio;
    if (dPixelRatio == 1.0)
        return Variants;
    if (!bRivals)
        Variants.vecRivals.clear();
    Variants.vecRivals.push_back(AtRatioOne(Variants.Library));
    return Variants;
}

// At every ratio; the rivals above ratio 1 only where bRivals is set (the box grid and the peers take
// seconds a frame there).
void RegisterLines(const std::string& strFamily, int iLines, long iPoints, const LineShape& Shape,
                   ERDLineStyle eLineStyle, ERDPointStyle ePointStyle = eRDPointNone, bool bRivals = false)
{
    for (const qreal dPixelRatio : c_adRatios)
        Bench::RegisterWorkload(
            "decimating_" + strFamily + RatioSuffix(dPixelRatio) + "/" + std::to_string(iLines * iPoints), [=] {
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
                return AtRatio(RaceOf(pScene, dPixelRatio), dPixelRatio, bRivals);
            });
}

// What a rubber band's move exposes when it is dragged across: its old and its new rectangle,
// which overlap without one holding the other; in device pixels.
QRegion BandMove(qreal dPixelRatio)
{
    const auto scaled = [dPixelRatio](int iX, int iY, int iWidth, int iHeight) {
        return QRegion(
            QRectF(iX * dPixelRatio, iY * dPixelRatio, iWidth * dPixelRatio, iHeight * dPixelRatio).toAlignedRect());
    };
    return scaled(250, 200, 400, 300) + scaled(246, 204, 400, 300);
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

// Noisy lines of 1,000,000 points, one per colour, apart in phase.
std::shared_ptr<Scene> NoisyLines(const std::vector<CRDColor>& vecColors, std::uint32_t uSeed)
{
    auto pScene = std::make_shared<Scene>();
    const QRect Device = Bench::WidgetDeviceRect(*pScene->pGrid);
    const double dColumn = (c_dRight - c_dLeft) / (Device.right() - Device.left());
    for (std::size_t i = 0; i < vecColors.size(); ++i) {
        std::vector<CRDPoint> vecPoints = Sine(1000000, c_Noisy, 0.8 * i, static_cast<std::uint32_t>(uSeed + i),
                                               dColumn);
        pScene->vecLines.emplace_back(vecPoints, vecColors[i], eRDLineSolid, eRDPointNone, QString());
    }
    return pScene;
}

// Four noisy lines repainted under a band's move, against the box grid under the same clip and
// against their full repaint.
void RegisterBandClip()
{
    for (const qreal dPixelRatio : c_adRatios)
        Bench::RegisterWorkload("decimating_band_clip" + RatioSuffix(dPixelRatio) + "/4000000", [dPixelRatio] {
            const auto pScene = NoisyLines({c_ColorBlue, c_ColorRed, c_ColorDarkGreen, c_ColorOrange}, 31);
            Bench::Race Variants;
            Variants.Library.OnCanvas = UnderClip(pScene, BandMove(dPixelRatio), false);
            Variants.vecRivals.push_back({"box grid",
                                          Bench::Picture::Unchecked,
                                          {{"", Bench::Drawer{{}, UnderClip(pScene, BandMove(dPixelRatio), true)}}}});
            Variants.vecRivals.push_back({"full repaint",
                                          Bench::Picture::Unchecked,
                                          {{"", Bench::Drawer{{}, UnderClip(pScene, QRegion(), false)}}}});
            // Its ratio-1 frame is under the ratio-1 band.
            if (dPixelRatio != 1.0)
                Variants.vecRivals.push_back(AtRatioOne(Bench::Drawer{{}, UnderClip(pScene, BandMove(1.0), false)}));
            Variants.dPixelRatio = dPixelRatio;
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
    for (const qreal dPixelRatio : c_adRatios) {
        Bench::RegisterWorkload("decimating_tracks_40colours" + RatioSuffix(dPixelRatio) + "/50000", [dPixelRatio] {
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
            return AtRatio(AgainstBoxGrid(pScene, std::make_shared<std::vector<CRDDecoratedPoint>>()), dPixelRatio,
                           false);
        });
        Bench::RegisterWorkload("decimating_points_own_colours" + RatioSuffix(dPixelRatio) + "/100000", [dPixelRatio] {
            // A cloud of 100,000 dots, each coloured by its distance from the centre.
            auto pPoints = std::make_shared<std::vector<CRDDecoratedPoint>>();
            std::mt19937 Generator(43);
            std::normal_distribution<double> Spread(0.0, 1.0);
            for (int i = 0; i < 100000; ++i) {
                const double dX = 1.6 * Spread(Generator), dY = 0.45 * Spread(Generator);
                pPoints->emplace_back(CRDPoint(5.0 + dX, dY), ScaleColor(std::hypot(dX / 1.6, dY / 0.45) / 3.0),
                                      eRDPointDot);
            }
            return AtRatio(AgainstBoxGrid(std::make_shared<Scene>(), pPoints), dPixelRatio, false);
        });
    }
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
// shape the counted route keeps. Their first paint against a warm one.
void RegisterFirstPaint()
{
    for (const qreal dPixelRatio : c_adRatios)
        Bench::RegisterWorkload("decimating_first_paint" + RatioSuffix(dPixelRatio) + "/60000", [dPixelRatio] {
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
            Variants.Library.OnCanvas = FirstPaint(pScene);
            const Bench::PaintFunction Warm = [pScene](QPainter& Painter) {
                for (CRDDecoratedLine& Line : pScene->vecLines)
                    pScene->pGrid->DrawLine(Painter, Line);
            };
            Variants.vecRivals.push_back({"warm frame", Bench::Picture::Library, {{"", Bench::Drawer{Warm, {}}}}});
            // Patterned slanted segments go to the painter at a scaled ratio, as the box grid draws them.
            const Bench::PaintFunction Exact = [pScene](QPainter& Painter) {
                for (CRDDecoratedLine& Line : pScene->vecLines)
                    pScene->pExact->DrawLine(Painter, Line);
            };
            Variants.vecRivals.push_back({"box grid", Bench::Picture::Unchecked, {{"", Bench::Drawer{Exact, {}}}}});
            Variants.dPixelRatio = dPixelRatio;
            // A warm frame at ratio 1 leaves no shapes to build for another ratio.
            if (dPixelRatio != 1.0)
                Variants.vecRivals.push_back(AtRatioOne(Variants.Library));
            return Variants;
        });
}

// x-y data, whose x goes back and forth: what counting per pixel column helps least.
enum class XY {
    Walk,       ///< a random walk of steps 8 to 100 pixels long, turned back at the edges
    Hysteresis, ///< ten noisy loops of a magnetisation curve, each axis measured with noise
    Sparse,     ///< twenty noisy lines of one or two vertices per pixel column
    Short,      ///< a random walk of steps up to 32 pixels either way, whose segments are all shapes
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
    } else if (eShape == XY::Short) {
        std::uniform_int_distribution<int> Step(-32, 32);
        double dX = 5.0, dY = 0.0;
        for (long i = 0; i < 20000; ++i) {
            vecPoints.emplace_back(dX, dY);
            dX = std::clamp(dX + Step(Generator) * dColumn, c_dLeft, c_dRight);
            dY = std::clamp(dY + Step(Generator) * dRow, -1.5, 1.5);
        }
        vecLines.emplace_back(vecPoints, c_ColorBlue, eRDLineSolid, eRDPointNone, QString());
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
    // Against the box grid at 1.5 too, where the cost model was once wrong.
    for (const qreal dPixelRatio : c_adRatios) {
        Bench::RegisterWorkload("decimating_xy_" + strName + RatioSuffix(dPixelRatio) + "/" + std::to_string(iPoints),
                                [=] {
                                    auto pScene = std::make_shared<Scene>();
                                    pScene->vecLines = XYLines(eShape, Bench::WidgetDeviceRect(*pScene->pGrid));
                                    return AtRatio(RaceOf(pScene, dPixelRatio), dPixelRatio, dPixelRatio == 1.5);
                                });
    }
}

// Two noisy lines in translucent colours, as overlaid channels are drawn to show each other, at the
// usual screen scales.
void RegisterTranslucent()
{
    // Against the box grid at every ratio: these once took its drawing.
    for (const qreal dPixelRatio : c_adRatios)
        Bench::RegisterWorkload("decimating_translucent" + RatioSuffix(dPixelRatio) + "/2000000", [=] {
            CRDColor Blue = c_ColorBlue, Red = c_ColorRed;
            Blue.setAlpha(160);
            Red.setAlpha(96);
            const auto pScene = NoisyLines({Blue, Red}, 61);
            return AtRatio(RaceOf(pScene, dPixelRatio), dPixelRatio, true);
        });
}

bool RegisterAll()
{
    const LineShape CleanJittered{0.0, 0.2}, NoisyJittered{c_Noisy.dNoise, 0.2};
    RegisterLines("clean_solid", 1, 1000000, c_Clean, eRDLineSolid, eRDPointNone, true);
    RegisterLines("noisy_solid", 1, 1000000, c_Noisy, eRDLineSolid, eRDPointNone, true);
    // Patterns once took the box grid's drawing at fractional ratios: against it there too.
    RegisterLines("noisy_dotted", 1, 1000000, c_Noisy, eRDLineDotted, eRDPointNone, true);
    RegisterLines("noisy_dashdotted", 1, 1000000, c_Noisy, eRDLineDashDotted, eRDPointNone, true);
    RegisterLines("clean_20x10000", 20, 10000, c_Clean, eRDLineSolid);
    RegisterLines("noisy_20x10000", 20, 10000, c_Noisy, eRDLineSolid);
    RegisterLines("clean_jittered", 1, 1000000, CleanJittered, eRDLineSolid);
    RegisterLines("noisy_jittered", 1, 1000000, NoisyJittered, eRDLineSolid);
    RegisterLines("markers_dot", 1, 10000, c_Noisy, eRDLineSolid, eRDPointDot);
    RegisterLines("markers_cross", 1, 10000, c_Noisy, eRDLineSolid, eRDPointCross);
    RegisterLines("markers_square", 1, 10000, c_Noisy, eRDLineSolid, eRDPointSquare);
    RegisterBandClip();
    RegisterManyColours();
    RegisterFirstPaint();
    RegisterXY("walk", XY::Walk, 200000);
    RegisterXY("hysteresis", XY::Hysteresis, 1000000);
    RegisterXY("sparse", XY::Sparse, 24000);
    RegisterXY("short", XY::Short, 20000);
    RegisterTranslucent();
    return true;
}

const bool s_bRegistered = RegisterAll();

} // namespace
