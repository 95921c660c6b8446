// rd_alloc: heap allocations per frame of every workload variant, counted by a replaced malloc.
// Writes JSON for report.py: {"workload": {"library": n, "same_calls.clip": n, "qwt": n, ...}, ...},
// keyed as rd_bench's counters. With --primitives it prints every primitive the library variants
// paint instead, one a line, so that two builds can be compared with diff. With --check it fails
// where the library allocates per vertex or per cell (run by ctest).
#include "BenchHarness.h"
#include "CountingMalloc.h"
#include "Replay.h"

#include <QApplication>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
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

const Bench::Race& Named(const std::string& strName)
{
    for (const Bench::Workload& Entry : Bench::Workloads())
        if (Entry.strName == strName)
            return Entry.Variants();
    std::fprintf(stderr, "rd_alloc: no workload %s\n", strName.c_str());
    std::exit(1);
}

// What the library adds to its same-calls floor (the candidate with fewer), as report.py reckons:
// Qt's dashed strokes and text allocate for both.
long LibraryExtra(const std::string& strName)
{
    const Bench::Race& Variants = Named(strName);
    long iFloor = LONG_MAX;
    for (const Bench::Entrant& Variant : Bench::VariantsOf(Variants))
        if (Variant.strKey.rfind("same_calls", 0) == 0)
            iFloor = std::min(iFloor, AllocationsOf(Variants, *Variant.pPaint));
    return AllocationsOf(Variants, Variants.Library) - iFloor;
}

// The README's claim: nothing per vertex and nothing per cell. A line adds the same few allocations
// at any length; the matrix's may grow by less than one per hundred cells.
int Check()
{
    struct Claim
    {
        const char* pSmall;
        const char* pLarge;
        long iMostGrowth;
        long iMostAtSmall;
    };
    const Claim Claims[] = {{"line_solid/1000", "line_solid/10000", 0, 20},
                            {"line_dotted/1000", "line_dotted/10000", 0, 20},
                            {"line_squares/1000", "line_squares/10000", 0, 20},
                            {"matrix/100", "matrix/10000", 99, 100}};
    int iFailed = 0;
    for (const Claim& Each : Claims) {
        const long iSmall = LibraryExtra(Each.pSmall), iLarge = LibraryExtra(Each.pLarge);
        const bool bHolds = iLarge - iSmall <= Each.iMostGrowth && iSmall <= Each.iMostAtSmall;
        std::printf("%s: the library adds %ld allocations to %s, %ld to %s\n", bHolds ? "ok" : "FAIL", iSmall,
                    Each.pSmall, iLarge, Each.pLarge);
        iFailed += bHolds ? 0 : 1;
    }
    // An unchanged repaint is copied back: no text is laid out, no line drawn.
    const char* const pChanged = "display_20x10000/200000";
    const char* const pUnchanged = "display_unchanged_20x10000/200000";
    const long iChanged = AllocationsOf(Named(pChanged), Named(pChanged).Library);
    const long iUnchanged = AllocationsOf(Named(pUnchanged), Named(pUnchanged).Library);
    const bool bCopied = iUnchanged * 4 <= iChanged;
    std::printf("%s: an unchanged repaint allocates %ld times, a repaint after a change %ld\n", bCopied ? "ok" : "FAIL",
                iUnchanged, iChanged);
    iFailed += bCopied ? 0 : 1;
    return iFailed == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    const bool bCheck = argc == 2 && std::strcmp(argv[1], "--check") == 0;
    if (!RDCounting::CountsAllocations()) {
        std::fprintf(stderr, "rd_alloc: this build cannot count allocations\n");
        return bCheck ? 77 : 1; // ctest's skip
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication Application(argc, argv);
    if (bCheck)
        return Check();
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
