// rd_bench: an offscreen application, then Google Benchmark over every registered workload.
#include "BenchHarness.h"
#include "Peers.h"

#include <QApplication>

#include <benchmark/benchmark.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    benchmark::Initialize(&argc, argv);
    QApplication Application(argc, argv);
    benchmark::AddCustomContext("qt_version", qVersion());
    benchmark::AddCustomContext("resultdisplay_build", RD_BENCH_BUILD);
    benchmark::AddCustomContext("peers", Bench::PeerNames());
    Bench::RegisterSolos(benchmark::GetBenchmarkFilter());
    // A filter that selects nothing is a mistake, not a run.
    const bool bRan = benchmark::RunSpecifiedBenchmarks() > 0;
    benchmark::Shutdown();
    return bRan ? 0 : 1;
}
