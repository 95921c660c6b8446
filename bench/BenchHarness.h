// Benchmark scaffolding: the offscreen canvas, the widget's device rectangle, workload registration.
// A workload family is a source file of its own that calls RegisterWorkload from a static
// initializer (as LineWorkloads.cpp does), listed in CMakeLists.txt and named in report.py.
#ifndef BENCHHARNESS_H
#define BENCHHARNESS_H

#include <QPainter>

#include <functional>
#include <string>
#include <vector>

namespace KelmFramework
{
class CRDGrid;
}

namespace Bench
{

/// The widget every workload stands for.
constexpr int c_iWidgetWidth = 1000;
constexpr int c_iWidgetHeight = 700;

/// Paints one frame. The painter is open on the canvas with antialiasing, as in the widget.
/// Widget workloads paint through QWidget::render(&Painter).
using PaintFunction = std::function<void(QPainter&)>;

/// The variants of one workload, all painting the same picture.
struct SVariants
{
    PaintFunction Library;   ///< through ResultDisplay
    PaintFunction SameCalls; ///< raw QPainter: the library's primitives from precomputed coordinates
    PaintFunction Polyline;  ///< raw QPainter, batched as a hand-rolled widget would (optional)
};

/// Registers "<name>", which paints the variants in turn, iteration by iteration, so that the
/// library and its floors share the machine's load; it reports each variant's CPU milliseconds
/// per frame and the ratios of the library to each floor. "solo/<name>/<variant>" paints one
/// variant alone (for profilers). The factory runs once, on first use, after the application
/// exists. Without bPolylineFloor the factory leaves Polyline empty.
void RegisterWorkload(const std::string& strName, std::function<SVariants()> Factory, bool bPolylineFloor = true);

/// A registered workload, for programs that paint the variants outside Google Benchmark.
struct SWorkload
{
    std::string strName;
    std::function<const SVariants&()> Variants; ///< built on first use
};
const std::vector<SWorkload>& Workloads();

/// Paints one frame of a variant on the shared canvas, as the benchmarks do.
void PaintFrame(const PaintFunction& Paint);

/// Gives the grid the device rectangle a 1000x700 CResultDisplay computes: margin 100,
/// spans rounded down to whole division multiples.
void SetWidgetDeviceRect(KelmFramework::CRDGrid& Grid);

} // namespace Bench

#endif // BENCHHARNESS_H
