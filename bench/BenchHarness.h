// Benchmark scaffolding: the offscreen canvas, the widget's device rectangle, workload registration.
// A workload family is a source file of its own that calls RegisterWorkload from a static
// initializer (as LineWorkloads.cpp does), listed in CMakeLists.txt and named in report.py.
#ifndef BENCHHARNESS_H
#define BENCHHARNESS_H

#include <QImage>
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

/// Paints one frame on a painter open on the canvas with antialiasing, as in the widget.
/// Widget workloads paint through QWidget::render(&Painter).
using PaintFunction = std::function<void(QPainter&)>;
/// Paints one frame on the canvas with a painter of its own (a peer's painter class).
using CanvasFunction = std::function<void(QImage&)>;

/// One way to paint a frame: on the harness's painter or on the canvas itself.
struct Drawer
{
    PaintFunction OnPainter;
    CanvasFunction OnCanvas;
    qreal dPixelRatio = 0.0; ///< of the canvas it paints on, where not the workload's (0)
};

/// What a rival's pictures must be; checked once, when the workload is built.
enum class Picture {
    Library, ///< pixel for pixel the library's
    Shared,  ///< one picture for all candidates, not the library's
    Ink,     ///< something visible: a peer, which decimates its own way
    Unchecked,
};

/// A floor or a peer. Its candidates are set-ups that paint the same picture (a clip or none, ...);
/// each is timed, and the fastest in a run counts as the rival.
struct Rival
{
    std::string strName; ///< "same calls", "QCustomPlot"; counters are named after it
    Picture ePicture;
    std::vector<std::pair<std::string, Drawer>> vecCandidates; ///< one, with an empty name, if it has no set-ups
};

/// A workload: the library's frame and its rivals, all on one canvas.
struct Race
{
    qreal dPixelRatio = 1.0; ///< of the canvas, which keeps the widget's logical size
    Drawer Library;          ///< on the painter
    std::vector<Rival> vecRivals;
};

/// Registers "<name>", which paints the library and every candidate of every rival in turn, round
/// by round, so that all share the machine's load; it reports each one's CPU milliseconds per
/// frame and the library's ratio to each. A round gives every variant about the same time, so
/// that fast ones are painted several frames in a row. The factory runs once, on first use, after
/// the application exists; the pictures are checked then, and a failed check ends the process.
void RegisterWorkload(const std::string& strName, std::function<Race()> Factory);

/// Registers "solo/<name>/<variant>", which paints one variant alone (for profilers), for the
/// workloads a benchmark filter that starts with "solo/" may select; it builds them to learn
/// their variants.
void RegisterSolos(const std::string& strFilter);

/// One variant of a workload: the library or a rival's candidate.
struct Entrant
{
    std::string strKey; ///< "library", "same_calls.clip", "qwt": the counters' stem
    const Drawer* pPaint;
};
/// The library first, then every candidate of every rival.
std::vector<Entrant> VariantsOf(const Race& Variants);

/// A registered workload, for programs that paint the variants outside Google Benchmark.
struct Workload
{
    std::string strName;
    std::function<const Race&()> Variants;  ///< built and checked on first use
    std::function<const Race&()> Unchecked; ///< built on first use, its pictures not checked (solo/ runs)
};
const std::vector<Workload>& Workloads();

/// Paints one frame of a workload's variant as the benchmarks do: on its pixel ratio's canvas,
/// filled white first, as a repaint starts from the widget's background.
void PaintFrame(const Race& Variants, const Drawer& Paint);

/// A white canvas of the widget's logical size at the variant's pixel ratio, painted once.
QImage PaintFresh(const Race& Variants, const Drawer& Paint);

/// The device rectangle a 1000x700 CResultDisplay computes for a grid: margin 100, spans rounded
/// down to whole division multiples; its corners are the first and last pixels.
QRect WidgetDeviceRect(const KelmFramework::CRDGrid& Grid);

/// Gives the grid that device rectangle.
void SetWidgetDeviceRect(KelmFramework::CRDGrid& Grid);

/// The candidates of a raw QPainter floor: as it is, and with a clip that cuts nothing set first,
/// with which the raster engine draws the same pixels faster.
std::vector<std::pair<std::string, Drawer>> ClipCandidates(const PaintFunction& Paint);

} // namespace Bench

#endif // BENCHHARNESS_H
