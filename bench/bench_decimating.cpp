// Benchmarks of CRDDecimatingBoxGrid::DrawLine against one pass over the data and the box grid.
#include "CRDBoxGridLayout.h"
#include "CRDDecimatingBoxGrid.h"
#include "RDLinearMap_p.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

using namespace KelmFramework;

namespace
{

enum Shape { CleanSine, NoisySine };

// Three periods of a sine over the viewport: clean, it stays within a few rows per pixel column;
// with noise of about 10 pixels it fills a band some 60 rows high.
std::vector<CRDPoint> makeLine(Shape shape, long iCount, double dOffset = 0.0, double dAmplitude = 1.0)
{
    std::mt19937 random(11);
    std::normal_distribution<double> noise(0.0, 0.05);
    std::vector<CRDPoint> points;
    points.reserve(static_cast<std::size_t>(iCount));
    for (long i = 0; i < iCount; ++i) {
        const double t = double(i) / double(iCount - 1);
        points.emplace_back(t, dOffset + dAmplitude * std::sin(6 * M_PI * t) + (shape == NoisySine ? noise(random) : 0.0));
    }
    return points;
}

// A grid on the device rectangle of a 1000 x 700 widget with its margins.
template <class Grid>
class BenchGrid : public Grid
{
public:
    BenchGrid()
        : Grid(CRDPoint(0, -1.5), CRDPoint(1, 1.5), QString(), QString(), 10, 10, 1, 3, c_ColorGray, c_ColorBlack)
    {
        CRDDevicePoint leftTop(50, 30), rightBottom(950, 670);
        this->SetDeviceViewPort(leftTop, rightBottom);
    }

    Numeric::LinearMap Map() const { return Numeric::LinearMap::Of(*this); }
};

template <class Grid>
void DrawLines(benchmark::State& state, Shape shape, ERDLineStyle eStyle, int iLines, long iPoints)
{
    BenchGrid<Grid> grid;
    std::vector<CRDDecoratedLine> lines;
    for (int i = 0; i < iLines; ++i) {
        // Several lines are stacked one above the other.
        std::vector<CRDPoint> points = iLines > 1 ? makeLine(shape, iPoints, -1.3 + 2.6 * i / (iLines - 1), 0.1)
                                                  : makeLine(shape, iPoints);
        lines.emplace_back(points, c_ColorBlue, eStyle, eRDPointNone, QString());
    }
    QImage image(1000, 700, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    for (auto _ : state) {
        for (CRDDecoratedLine& line : lines)
            grid.DrawLine(painter, line);
    }
    state.SetItemsProcessed(state.iterations() * iLines * iPoints);
}

// The floor: every vertex mapped with the grid's arithmetic and reduced to its column's min and max.
void OnePass(benchmark::State& state, Shape shape)
{
    BenchGrid<CRDDecimatingBoxGrid> grid;
    const Numeric::LinearMap map = grid.Map();
    const std::vector<CRDPoint> points = makeLine(shape, 1000000);
    std::vector<long> low(1001), high(1001);
    for (auto _ : state) {
        long iColumn = -1, iLow = 0, iHigh = 0;
        for (const CRDPoint& point : points) {
            const long iX = map.MapX(point.m_dX), iY = map.MapY(point.m_dY);
            if (iX != iColumn) {
                if (iColumn >= 0 && iColumn < 1001) {
                    low[static_cast<std::size_t>(iColumn)] = iLow;
                    high[static_cast<std::size_t>(iColumn)] = iHigh;
                }
                iColumn = iX;
                iLow = iHigh = iY;
            } else {
                iLow = std::min(iLow, iY);
                iHigh = std::max(iHigh, iY);
            }
        }
        benchmark::DoNotOptimize(low.data());
        benchmark::DoNotOptimize(high.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 1000000);
}

void Register()
{
    const struct
    {
        const char* pName;
        ERDLineStyle eStyle;
    } styles[] = {{"solid", eRDLineSolid}, {"dotted", eRDLineDotted}, {"dash-dotted", eRDLineDashDotted}};
    const struct
    {
        const char* pName;
        Shape eShape;
    } shapes[] = {{"clean sine", CleanSine}, {"noisy sine", NoisySine}};

    for (const auto& shape : shapes) {
        benchmark::RegisterBenchmark((std::string("one pass/1e6/") + shape.pName).c_str(), OnePass, shape.eShape)
            ->Unit(benchmark::kMillisecond);
        for (const auto& style : styles)
            benchmark::RegisterBenchmark(
                (std::string("decimating/1e6/") + shape.pName + "/" + style.pName).c_str(),
                DrawLines<CRDDecimatingBoxGrid>, shape.eShape, style.eStyle, 1, 1000000L)
                ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("decimating/20x1e4/") + shape.pName + "/solid").c_str(),
                                     DrawLines<CRDDecimatingBoxGrid>, shape.eShape, eRDLineSolid, 20, 10000L)
            ->Unit(benchmark::kMillisecond);
        // About 0.2 s and more per call: a few iterations say enough.
        benchmark::RegisterBenchmark((std::string("box grid/1e6/") + shape.pName + "/solid").c_str(),
                                     DrawLines<CRDBoxGridLayout>, shape.eShape, eRDLineSolid, 1, 1000000L)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3);
        benchmark::RegisterBenchmark((std::string("box grid/20x1e4/") + shape.pName + "/solid").c_str(),
                                     DrawLines<CRDBoxGridLayout>, shape.eShape, eRDLineSolid, 20, 10000L)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(5);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Register();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
