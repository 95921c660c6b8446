// rd_alloc: heap allocations per frame of every workload variant, counted by a replaced malloc.
// Writes JSON for report.py: {"workload": {"library": n, "same_calls.clip": n, "qwt": n, ...}, ...},
// keyed as rd_bench's counters. With --primitives it prints every primitive the library variants
// paint instead, one a line, so that two builds can be compared with diff.
#include "BenchHarness.h"
#include "CountingMalloc.h"
#include "Replay.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

namespace
{

long AllocationsOf(const Bench::Race& Variants, const Bench::Drawer& Paint)
{
    // The first frames fill Qt's caches (glyphs, buffers) and the matrix's font fitting.
    Bench::PaintFrame(Variants, Paint);
    Bench::PaintFrame(Variants, Paint);
    const long iBefore = RDCounting::Allocations();
    Bench::PaintFrame(Variants, Paint);
    return RDCounting::Allocations() - iBefore;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication Application(argc, argv);
    if (!RDCounting::CountsAllocations()) {
        std::fprintf(stderr, "rd_alloc: this build cannot count allocations\n");
        return 1;
    }
    const bool bPrimitives = argc > 1 && std::strcmp(argv[1], "--primitives") == 0;
    const int iFirstPrefix = bPrimitives ? 2 : 1;
    // The other arguments are name prefixes; without any, every workload is taken.
    const auto Wanted = [&](const std::string& strName) {
        for (int i = iFirstPrefix; i < argc; ++i)
            if (strName.compare(0, std::strlen(argv[i]), argv[i]) == 0)
                return true;
        return argc <= iFirstPrefix;
    };
    if (bPrimitives) {
        for (const Bench::Workload& Entry : Bench::Workloads()) {
            if (!Wanted(Entry.strName))
                continue;
            Bench::PaintRecorder Recording;
            Bench::Record(Recording, Entry.Variants().Library.OnPainter);
            for (std::size_t i = 0; i < Recording.primitives().size(); ++i)
                std::printf("%s %zu %s\n", Entry.strName.c_str(), i, qPrintable(Bench::Describe(Recording, i)));
        }
        return 0;
    }
    std::printf("{");
    const char* pSeparator = "\n";
    for (const Bench::Workload& Entry : Bench::Workloads()) {
        if (!Wanted(Entry.strName))
            continue;
        const Bench::Race& Variants = Entry.Variants();
        std::printf("%s  \"%s\": {", pSeparator, Entry.strName.c_str());
        const char* pField = "";
        for (const Bench::Entrant& Variant : Bench::VariantsOf(Variants)) {
            std::printf("%s\"%s\": %ld", pField, Variant.strKey.c_str(), AllocationsOf(Variants, *Variant.pPaint));
            pField = ", ";
        }
        std::printf("}");
        std::fflush(stdout);
        pSeparator = ",\n";
    }
    std::printf("\n}\n");
    return 0;
}
