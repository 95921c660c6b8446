// Benchmark scaffolding: the canvas, paired timing and registration.
#include "BenchHarness.h"

#include "CRDGrid.h"

#include <QImage>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <memory>
#include <optional>

namespace Bench
{

namespace
{

QImage& Canvas()
{
    static QImage Image = [] {
        QImage Result(c_iWidgetWidth, c_iWidgetHeight, QImage::Format_ARGB32_Premultiplied);
        Result.fill(Qt::white);
        return Result;
    }();
    return Image;
}

struct SLazyWorkload
{
    std::function<SVariants()> Factory;
    std::optional<SVariants> Built;
    long iRotation = 0; // carried across repetitions, which often run a single iteration

    const SVariants& Get()
    {
        if (!Built)
            Built = Factory();
        return *Built;
    }
};

std::vector<SWorkload>& Registry()
{
    static std::vector<SWorkload> vecWorkloads;
    return vecWorkloads;
}

double ThreadSeconds()
{
    timespec Now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &Now);
    return static_cast<double>(Now.tv_sec) + 1e-9 * static_cast<double>(Now.tv_nsec);
}

void RunPaired(benchmark::State& State, SLazyWorkload& Workload)
{
    const SVariants& Variants = Workload.Get();
    const PaintFunction* pPaints[] = {&Variants.Library, &Variants.SameCalls, &Variants.Polyline};
    const int iVariants = Variants.Polyline ? 3 : 2;
    double dSeconds[3] = {0.0, 0.0, 0.0};
    long iIteration = 0;
    for (auto _ : State) {
        // A rotating order, so that no variant always follows the same one.
        for (int k = 0; k < iVariants; ++k) {
            const int iVariant = static_cast<int>((Workload.iRotation + k) % iVariants);
            const double dStart = ThreadSeconds();
            PaintFrame(*pPaints[iVariant]);
            dSeconds[iVariant] += ThreadSeconds() - dStart;
        }
        ++Workload.iRotation;
        ++iIteration;
    }
    const double dFrames = static_cast<double>(std::max(iIteration, 1L));
    State.counters["library_ms"] = 1e3 * dSeconds[0] / dFrames;
    State.counters["same_calls_ms"] = 1e3 * dSeconds[1] / dFrames;
    State.counters["lib_per_same"] = dSeconds[0] / dSeconds[1];
    if (iVariants == 3) {
        State.counters["polyline_ms"] = 1e3 * dSeconds[2] / dFrames;
        State.counters["lib_per_polyline"] = dSeconds[0] / dSeconds[2];
    }
}

} // namespace

const std::vector<SWorkload>& Workloads()
{
    return Registry();
}

void PaintFrame(const PaintFunction& Paint)
{
    QPainter Painter(&Canvas());
    Painter.setRenderHint(QPainter::Antialiasing);
    Paint(Painter);
}

void RegisterWorkload(const std::string& strName, std::function<SVariants()> Factory, bool bPolylineFloor)
{
    const auto pWorkload = std::make_shared<SLazyWorkload>();
    pWorkload->Factory = std::move(Factory);
    Registry().push_back(SWorkload{strName, [pWorkload]() -> const SVariants& { return pWorkload->Get(); }});
    benchmark::RegisterBenchmark(strName.c_str(), [pWorkload](benchmark::State& State) {
        RunPaired(State, *pWorkload);
    })->Unit(benchmark::kMillisecond);

    const std::pair<const char*, PaintFunction SVariants::*> Solos[] = {
        {"library", &SVariants::Library}, {"same-calls", &SVariants::SameCalls}, {"polyline", &SVariants::Polyline}};
    for (const auto& [pSuffix, pVariant] : Solos) {
        if (pVariant == &SVariants::Polyline && !bPolylineFloor)
            continue;
        const std::string strSolo = "solo/" + strName + "/" + pSuffix;
        benchmark::RegisterBenchmark(strSolo.c_str(), [pWorkload, pVariant = pVariant](benchmark::State& State) {
            const PaintFunction& Paint = pWorkload->Get().*pVariant;
            for (auto _ : State)
                PaintFrame(Paint);
        })->Unit(benchmark::kMillisecond);
    }
}

void SetWidgetDeviceRect(KelmFramework::CRDGrid& Grid)
{
    const long iMargin = (c_iWidgetWidth / 100) * 10;
    const long iSpanX = c_iWidgetWidth - 2 * iMargin;
    const long iSpanY = c_iWidgetHeight - 2 * iMargin;
    KelmFramework::CRDDevicePoint LeftTop(iMargin, iMargin);
    KelmFramework::CRDDevicePoint RightBottom(iSpanX / Grid.m_iXDivisions * Grid.m_iXDivisions + iMargin,
                                              iSpanY / Grid.m_iYDivisions * Grid.m_iYDivisions + iMargin);
    Grid.SetDeviceViewPort(LeftTop, RightBottom);
}

} // namespace Bench
