// rd_chart: draws milliseconds per frame against N for the one-line workloads and the dense lines of the
// decimating grid, on log-log axes of the library's own CRDAxisBoxGrid, offscreen into a PNG.
//   rd_chart RESULTS.json OUTPUT.png
#include "CRDAxisBoxGrid.h"
#include "CResultDisplay.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <vector>

using namespace KelmFramework;

namespace
{

// A family keeps its line and marker style, a variant its colour: the library, the floors and the
// peers of one workload differ in colour only.
struct FamilyStyle
{
    const char* pKey;
    const char* pName;
    const char* pLibrary; ///< what the library's variant draws with
    ERDLineStyle eLineStyle;
    ERDPointStyle ePointStyle;
};

struct VariantStyle
{
    const char* pKey; ///< the counters' stem; a floor's or a peer's fastest candidate counts
    const char* pName;
    CRDColor Color;
};

// The longest names first: the legend's top is furthest from the data at 10^3. The decimating grid's
// family is drawn at whatever N the run has (its dense lines: a million points).
const FamilyStyle c_Families[] = {
    {"line_squares", "squares", "box grid", eRDLineDashDotted, eRDPointSquare},
    {"line_solid", "solid", "box grid", eRDLineSolid, eRDPointDot},
    {"decimating_noisy_solid", "noisy sine", "decimating grid", eRDLineDotted, eRDPointCross},
};
// A variant a family lacks is left out: the decimating family's rival "box grid" is the exact drawing.
const VariantStyle c_Variants[] = {
    {"library", "library", c_ColorBlue},         {"box_grid", "box grid", c_ColorLightBlue},
    {"same_calls", "same calls", c_ColorOrange}, {"polyline", "polyline", c_ColorDarkGreen},
    {"qcustomplot", "QCustomPlot", c_ColorRed},  {"qwt", "Qwt", c_ColorGray},
};

// The milliseconds of a variant in a median entry. Of a rival's candidates ("same_calls.clip_ms"),
// the fastest against the library within the repetitions counts, as in report.py.
bool Milliseconds(const QJsonObject& Median, const QString& strKey, double& dMilliseconds)
{
    if (strKey == QLatin1String("library")) {
        dMilliseconds = Median.value(QLatin1String("library_ms")).toDouble();
        return Median.contains(QLatin1String("library_ms"));
    }
    double dBestRatio = -1.0;
    for (auto It = Median.begin(); It != Median.end(); ++It) {
        const QString strCounter = It.key();
        if (!strCounter.endsWith(QLatin1String("_ms")))
            continue;
        const QString strVariant = strCounter.chopped(3);
        if (strVariant != strKey && !strVariant.startsWith(strKey + QLatin1Char('.')))
            continue;
        const double dRatio = Median.value(QLatin1String("lib_per_") + strVariant).toDouble();
        if (dRatio > dBestRatio) {
            dBestRatio = dRatio;
            dMilliseconds = It.value().toDouble();
        }
    }
    return dBestRatio >= 0.0;
}

// Median milliseconds by workload ("line_solid/1000") and counter.
std::map<QString, QJsonObject> ReadMedians(const QString& strPath)
{
    QFile File(strPath);
    if (!File.open(QIODevice::ReadOnly))
        qFatal("rd_chart: cannot read %s", qPrintable(strPath));
    std::map<QString, QJsonObject> mapMedians;
    for (const QJsonValue& Entry :
         QJsonDocument::fromJson(File.readAll()).object().value(QStringLiteral("benchmarks")).toArray()) {
        const QJsonObject Object = Entry.toObject();
        if (Object.value(QStringLiteral("aggregate_name")).toString() == QStringLiteral("median"))
            mapMedians[Object.value(QStringLiteral("run_name")).toString()] = Object;
    }
    return mapMedians;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication Application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: rd_chart RESULTS.json OUTPUT.png\n");
        return 2;
    }
    const std::map<QString, QJsonObject> mapMedians = ReadMedians(QString::fromLocal8Bit(argv[1]));

    struct ChartSeries
    {
        QString strName;
        const FamilyStyle* pFamily;
        CRDColor Color;
        std::vector<CRDPoint> vecPoints;
    };
    std::vector<ChartSeries> vecSeries;
    double dLowest = HUGE_VAL, dHighest = -HUGE_VAL, dFewest = HUGE_VAL, dMost = -HUGE_VAL;
    for (const FamilyStyle& Family : c_Families) {
        for (const VariantStyle& Variant : c_Variants) {
            const bool bLibrary = QLatin1String(Variant.pKey) == QLatin1String("library");
            ChartSeries Series{QStringLiteral("%1, %2").arg(QLatin1String(Family.pName),
                                                            QLatin1String(bLibrary ? Family.pLibrary : Variant.pName)),
                               &Family,
                               Variant.Color,
                               {}};
            const QString strPrefix = QLatin1String(Family.pKey) + QLatin1Char('/');
            for (const auto& Entry : mapMedians) {
                double dMilliseconds = 0.0;
                if (!Entry.first.startsWith(strPrefix)
                    || !Milliseconds(Entry.second, QLatin1String(Variant.pKey), dMilliseconds)
                    || !(dMilliseconds > 0.0))
                    continue;
                const double dCount = Entry.first.mid(strPrefix.size()).toDouble();
                Series.vecPoints.emplace_back(dCount, dMilliseconds);
                dLowest = std::min(dLowest, dMilliseconds);
                dHighest = std::max(dHighest, dMilliseconds);
                dFewest = std::min(dFewest, dCount);
                dMost = std::max(dMost, dCount);
            }
            std::sort(Series.vecPoints.begin(), Series.vecPoints.end(),
                      [](const CRDPoint& A, const CRDPoint& B) { return A.m_dX < B.m_dX; });
            if (!Series.vecPoints.empty())
                vecSeries.push_back(Series);
        }
    }
    if (vecSeries.empty())
        qFatal("rd_chart: no one-line workloads in %s", argv[1]);

    // Whole decades on both axes; the decade left of the fewest points holds the legend.
    const double dBottom = std::floor(std::log10(dLowest));
    const double dTop = std::max(std::ceil(std::log10(dHighest)), dBottom + 1.0);
    const double dLeft = std::floor(std::log10(dFewest)) - 1.0;
    const double dRight = std::max(std::ceil(std::log10(dMost)), dLeft + 2.0);
    CRDAxisBoxGrid Grid(CRDPoint(std::pow(10.0, dLeft), std::pow(10.0, dBottom)),
                        CRDPoint(std::pow(10.0, dRight), std::pow(10.0, dTop)), QStringLiteral("N, points per line"),
                        QStringLiteral("ms per frame"), 10, 10, 0, 3, c_ColorLightGray, c_ColorBlack);
    Grid.SetXScale(eRDScaleLog10);
    Grid.SetYScale(eRDScaleLog10);
    QWidget Parent;
    auto* pDisplay = new CResultDisplay(&Parent, &Grid, c_ColorWhite);
    pDisplay->resize(1000, 700);
    pDisplay->UpdateDrawAreaRange(1000, 700);

    // The legend: a short line of each series' style, named, spread evenly over the decades.
    const double dEntryHeight = (dTop - dBottom) / (static_cast<double>(vecSeries.size()) + 1.0);
    double dEntry = dTop - 0.6 * dEntryHeight;
    for (ChartSeries& Series : vecSeries) {
        pDisplay->AddLine(Series.vecPoints, Series.Color, Series.pFamily->eLineStyle, Series.pFamily->ePointStyle,
                          QString());
        std::vector<CRDPoint> vecSample{CRDPoint(std::pow(10.0, dLeft + 0.05), std::pow(10.0, dEntry)),
                                        CRDPoint(std::pow(10.0, dLeft + 0.25), std::pow(10.0, dEntry))};
        pDisplay->AddLine(vecSample, Series.Color, Series.pFamily->eLineStyle, Series.pFamily->ePointStyle,
                          Series.strName);
        dEntry -= dEntryHeight;
    }

    QImage Image(1000, 700, QImage::Format_ARGB32_Premultiplied);
    Image.fill(Qt::white);
    {
        QPainter Painter(&Image);
        pDisplay->render(&Painter);
    }
    if (!Image.save(QString::fromLocal8Bit(argv[2])))
        qFatal("rd_chart: cannot write %s", argv[2]);
    return 0;
}
