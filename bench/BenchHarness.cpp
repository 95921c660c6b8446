// Benchmark scaffolding: the canvas, the pictures' checks, interleaved timing and registration.
#include "BenchHarness.h"

#include "CRDGrid.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <ctime>
#include <map>
#include <memory>
#include <optional>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace Bench
{

namespace
{

// What a variant gets of a round: fast ones are painted several frames in a row, so that each
// round samples them for about as long as one frame of a slow one and the round stays short.
constexpr double c_dRoundShareSeconds = 0.02;
constexpr long c_iMostFramesPerRound = 200;

QImage Blank(qreal dPixelRatio)
{
    QImage Image(static_cast<int>(std::lround(c_iWidgetWidth * dPixelRatio)),
                 static_cast<int>(std::lround(c_iWidgetHeight * dPixelRatio)), QImage::Format_ARGB32_Premultiplied);
    Image.setDevicePixelRatio(dPixelRatio);
    Image.fill(Qt::white);
    return Image;
}

qreal RatioOf(const Race& Variants, const Drawer& Paint)
{
    return Paint.dPixelRatio > 0.0 ? Paint.dPixelRatio : Variants.dPixelRatio;
}

// One canvas per pixel ratio, filled white before every frame: a repaint starts from the widget's
// background, so no frame finds another's pixels beneath it (the library's blends and the engine's
// read what lies beneath, and a picture painted before would make them faster or slower).
QImage& Cleared(const Race& Variants, const Drawer& Paint)
{
    static std::map<qreal, QImage> mapCanvases;
    const qreal dPixelRatio = RatioOf(Variants, Paint);
    auto Found = mapCanvases.find(dPixelRatio);
    if (Found == mapCanvases.end())
        Found = mapCanvases.emplace(dPixelRatio, Blank(dPixelRatio)).first;
    else
        Found->second.fill(Qt::white);
    return Found->second;
}

#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target("avx"))) void ZeroUpperAvx()
{
    _mm256_zeroupper();
}
#endif

// Painting through Qt's raster engine leaves the upper halves of the vector registers dirty, and
// plain SSE code after it then runs several times slower here (one pass: 7.2 ms instead of 1.2
// after the box grid). Every frame starts clean, whatever the variant before it left.
void ZeroUpperVectors()
{
#if defined(__x86_64__) && defined(__GNUC__)
    static const bool s_bAvx = __builtin_cpu_supports("avx");
    if (s_bAvx)
        ZeroUpperAvx();
#endif
}

void PaintOn(QImage& Image, const Drawer& Paint)
{
    if (Paint.OnCanvas) {
        ZeroUpperVectors();
        Paint.OnCanvas(Image);
        return;
    }
    QPainter Painter(&Image);
    Painter.setRenderHint(QPainter::Antialiasing);
    ZeroUpperVectors();
    Paint.OnPainter(Painter);
}

std::string Key(const std::string& strName)
{
    std::string strKey;
    for (const char c : strName)
        strKey += std::isalnum(static_cast<unsigned char>(c)) ? static_cast<char>(std::tolower(c)) : '_';
    return strKey;
}

long Ink(const QImage& Image)
{
    const QImage Rgb = Image.convertToFormat(QImage::Format_RGB32);
    long iInk = 0;
    for (int y = 0; y < Rgb.height(); ++y) {
        const QRgb* pLine = reinterpret_cast<const QRgb*>(Rgb.constScanLine(y));
        iInk += std::count_if(pLine, pLine + Rgb.width(),
                              [](QRgb Pixel) { return qRed(Pixel) + qGreen(Pixel) + qBlue(Pixel) < 3 * 255; });
    }
    return iInk;
}

void RequireSame(const QImage& Expected, const QImage& Actual, const std::string& strWhat)
{
    if (Expected == Actual)
        return;
    long iDiffering = 0;
    QPoint First(-1, -1);
    for (int y = 0; y < Expected.height(); ++y)
        for (int x = 0; x < Expected.width(); ++x)
            if (Expected.pixel(x, y) != Actual.pixel(x, y) && iDiffering++ == 0)
                First = QPoint(x, y);
    qFatal("%s: %ld pixels differ, the first at (%d, %d): #%08x instead of #%08x", strWhat.c_str(), iDiffering,
           First.x(), First.y(), Actual.pixel(First), Expected.pixel(First));
}

void CheckPictures(const std::string& strWorkload, const Race& Variants)
{
    const QImage Library = PaintFresh(Variants, Variants.Library);
    const long iLibraryInk = Ink(Library);
    if (iLibraryInk == 0)
        qFatal("%s: the library paints nothing", strWorkload.c_str());
    for (const Rival& Other : Variants.vecRivals) {
        if (Other.ePicture == Picture::Unchecked)
            continue;
        std::optional<QImage> First;
        for (const auto& [strCandidate, Paint] : Other.vecCandidates) {
            const std::string strWhat = strWorkload + ": " + Other.strName
                                        + (strCandidate.empty() ? "" : ", " + strCandidate);
            const QImage Image = PaintFresh(Variants, Paint);
            switch (Other.ePicture) {
            case Picture::Library:
                RequireSame(Library, Image, strWhat + " against the library");
                break;
            case Picture::Shared:
                if (First)
                    RequireSame(*First, Image, strWhat + " against " + Other.vecCandidates.front().first);
                break;
            case Picture::Ink:
                // A tenth of the library's ink: not a proof of the same picture, but of one that shows the data.
                if (Ink(Image) * 10 < iLibraryInk)
                    qFatal("%s: %ld pixels painted, the library paints %ld", strWhat.c_str(), Ink(Image), iLibraryInk);
                break;
            case Picture::Unchecked:
                break;
            }
            if (!First)
                First = Image;
        }
    }
}

double ThreadSeconds()
{
    timespec Now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &Now);
    return static_cast<double>(Now.tv_sec) + 1e-9 * static_cast<double>(Now.tv_nsec);
}

// What reading the clock around a frame adds to it (a system call each, half a microsecond here):
// taken off every frame, as the fastest frames last some 30 microseconds.
double ClockSeconds()
{
    static const double s_dClock = [] {
        double dLeast = HUGE_VAL;
        for (int i = 0; i < 1000; ++i) {
            const double dStart = ThreadSeconds();
            dLeast = std::min(dLeast, ThreadSeconds() - dStart);
        }
        return dLeast;
    }();
    return s_dClock;
}

// One frame's CPU time, painted on a cleared canvas; the clearing is not timed.
double TimedFrame(const Race& Variants, const Drawer& Paint)
{
    QImage& Image = Cleared(Variants, Paint);
    const double dStart = ThreadSeconds();
    PaintOn(Image, Paint);
    return std::max(ThreadSeconds() - dStart - ClockSeconds(), 0.0);
}

struct LazyWorkload
{
    std::string strName;
    std::function<Race()> Factory;
    std::optional<Race> Built;
    std::vector<Entrant> vecVariants;
    std::vector<long> vecFramesPerRound;
    long iRotation = 0; // carried across repetitions, which often run a single round
    bool bChecked = false;

    const Race& Get(bool bCheck = true)
    {
        if (!Built) {
            Built = Factory();
            vecVariants = VariantsOf(*Built);
        }
        if (bCheck && !bChecked) {
            CheckPictures(strName, *Built);
            bChecked = true;
        }
        return *Built;
    }

    void Calibrate()
    {
        Get();
        if (!vecFramesPerRound.empty())
            return;
        for (const Entrant& Variant : vecVariants) {
            PaintFrame(*Built, *Variant.pPaint);
            // The fastest of a few frames: one slowed down by the machine would make too few.
            double dFrame = HUGE_VAL;
            for (int i = 0; i < 3 && dFrame > c_dRoundShareSeconds; ++i)
                dFrame = std::min(dFrame, std::max(TimedFrame(*Built, *Variant.pPaint), 1e-6));
            vecFramesPerRound.push_back(
                std::clamp(std::lround(c_dRoundShareSeconds / dFrame), 1L, c_iMostFramesPerRound));
        }
    }
};

std::vector<Workload>& Registry()
{
    static std::vector<Workload> vecWorkloads;
    return vecWorkloads;
}

void RunRounds(benchmark::State& State, LazyWorkload& Lazy)
{
    Lazy.Calibrate();
    const Race& Variants = *Lazy.Built;
    const std::size_t iVariants = Lazy.vecVariants.size();
    std::vector<double> vecSeconds(iVariants, 0.0);
    std::vector<long> vecFrames(iVariants, 0);
    for (auto _ : State) {
        // A rotating order, so that no variant always follows the same one.
        for (std::size_t k = 0; k < iVariants; ++k) {
            const std::size_t v = (static_cast<std::size_t>(Lazy.iRotation) + k) % iVariants;
            const Drawer& Paint = *Lazy.vecVariants[v].pPaint;
            const long iFrames = Lazy.vecFramesPerRound[v];
            // An untimed frame first: every timed one then finds its data as warm as the frame before
            // left it, whatever variant painted last.
            PaintFrame(Variants, Paint);
            for (long f = 0; f < iFrames; ++f)
                vecSeconds[v] += TimedFrame(Variants, Paint);
            vecFrames[v] += iFrames;
        }
        ++Lazy.iRotation;
    }
    const auto PerFrame = [&](std::size_t v) {
        return vecSeconds[v] / static_cast<double>(std::max(vecFrames[v], 1L));
    };
    for (std::size_t v = 0; v < iVariants; ++v) {
        const std::string& strKey = Lazy.vecVariants[v].strKey;
        State.counters[strKey + "_ms"] = 1e3 * PerFrame(v);
        if (v > 0)
            State.counters["lib_per_" + strKey] = PerFrame(0) / PerFrame(v);
    }
}

} // namespace

std::vector<Entrant> VariantsOf(const Race& Variants)
{
    std::vector<Entrant> vecVariants{{"library", &Variants.Library}};
    for (const Rival& Other : Variants.vecRivals)
        for (const auto& [strCandidate, Paint] : Other.vecCandidates)
            vecVariants.push_back({Key(Other.strName) + (strCandidate.empty() ? "" : "." + Key(strCandidate)), &Paint});
    return vecVariants;
}

const std::vector<Workload>& Workloads()
{
    return Registry();
}

void PaintFrame(const Race& Variants, const Drawer& Paint)
{
    PaintOn(Cleared(Variants, Paint), Paint);
}

QImage PaintFresh(const Race& Variants, const Drawer& Paint)
{
    QImage Image = Blank(RatioOf(Variants, Paint));
    PaintOn(Image, Paint);
    return Image;
}

void RegisterWorkload(const std::string& strName, std::function<Race()> Factory)
{
    const auto pWorkload = std::make_shared<LazyWorkload>();
    pWorkload->strName = strName;
    pWorkload->Factory = std::move(Factory);
    Registry().push_back(Workload{strName, [pWorkload]() -> const Race& { return pWorkload->Get(); },
                                  [pWorkload]() -> const Race& { return pWorkload->Get(false); }});
    benchmark::RegisterBenchmark(strName.c_str(), [pWorkload](benchmark::State& State) {
        RunRounds(State, *pWorkload);
    })->Unit(benchmark::kMillisecond);
}

void RegisterSolos(const std::string& strFilter)
{
    if (strFilter.compare(0, 5, "solo/") != 0)
        return;
    for (const Workload& Entry : Registry()) {
        // "solo/line_solid" selects every line_solid workload, "solo/line_solid/1000/library" one.
        const std::string strSolo = "solo/" + Entry.strName;
        if (strSolo.compare(0, strFilter.size(), strFilter) != 0
            && strFilter.compare(0, strSolo.size() + 1, strSolo + "/") != 0)
            continue;
        // Unchecked: checking the pictures paints every variant, whose frames would fill a short profile
        // of this one (the peers of the dotted line at 1.5 take about two seconds).
        const Race& Variants = Entry.Unchecked();
        for (const Entrant& Variant : VariantsOf(Variants)) {
            const std::string strSolo = "solo/" + Entry.strName + "/" + Variant.strKey;
            benchmark::RegisterBenchmark(strSolo.c_str(), [&Variants,
                                                           pPaint = Variant.pPaint](benchmark::State& State) {
                for (auto _ : State)
                    PaintFrame(Variants, *pPaint);
            })->Unit(benchmark::kMillisecond);
        }
    }
}

QRect WidgetDeviceRect(const KelmFramework::CRDGrid& Grid)
{
    const int iMargin = (c_iWidgetWidth / 100) * 10;
    const long iSpanX = c_iWidgetWidth - 2 * iMargin;
    const long iSpanY = c_iWidgetHeight - 2 * iMargin;
    return QRect(QPoint(iMargin, iMargin),
                 QPoint(static_cast<int>(iSpanX / Grid.m_iXDivisions * Grid.m_iXDivisions + iMargin),
                        static_cast<int>(iSpanY / Grid.m_iYDivisions * Grid.m_iYDivisions + iMargin)));
}

void SetWidgetDeviceRect(KelmFramework::CRDGrid& Grid)
{
    const QRect Rect = WidgetDeviceRect(Grid);
    KelmFramework::CRDDevicePoint LeftTop(Rect.left(), Rect.top());
    KelmFramework::CRDDevicePoint RightBottom(Rect.right(), Rect.bottom());
    Grid.SetDeviceViewPort(LeftTop, RightBottom);
}

std::vector<std::pair<std::string, Drawer>> ClipCandidates(const PaintFunction& Paint)
{
    const PaintFunction Clipped = [Paint](QPainter& Painter) {
        Painter.setClipRect(QRect(0, 0, c_iWidgetWidth, c_iWidgetHeight));
        Paint(Painter);
    };
    return {{"no clip", Drawer{Paint, {}}}, {"clip", Drawer{Clipped, {}}}};
}

} // namespace Bench
