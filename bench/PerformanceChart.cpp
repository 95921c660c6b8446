// rd_chart: draws milliseconds per frame against N for the one-line workloads, log10 on both
// axes, with the library's own CResultDisplay, offscreen into a PNG.
//   rd_chart RESULTS.json OUTPUT.png
#include "CRDBoxGridLayout.h"
#include "CResultDisplay.h"
#include "IResultDisplayCallBack.h"

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

// Ticks sit at whole decades: the label of x is 10 to the power x.
class DecadeLabels : public IResultDisplayCallBack
{
public:
    DecadeLabels() : IResultDisplayCallBack(QStringLiteral("decades")) {}

    QString GetXAxisStepValue(double dValue) override
    {
        const long iPower = std::lround(dValue);
        if (iPower < 0 || iPower > 9)
            return QStringLiteral("10^%1").arg(iPower);
        static const char16_t c_Superscripts[] = u"\u2070\u00b9\u00b2\u00b3\u2074\u2075\u2076\u2077\u2078\u2079";
        return QStringLiteral("10") + QChar(c_Superscripts[iPower]);
    }
};

// A family keeps its line and marker style, a variant its colour: the library, the floors and the
// peers of one workload differ in colour only.
struct FamilyStyle
{
    const char* pKey;
    const char* pName;
    ERDLineStyle eLineStyle;
    ERDPointStyle ePointStyle;
};

struct VariantStyle
{
    const char* pKey; ///< the counters' stem; a floor's or a peer's fastest candidate counts
    const char* pName;
    CRDColor Color;
};

// The longest names first: the legend's top is furthest from the data at 10^3.
const FamilyStyle c_Families[] = {
    {"line_squares", "squares", eRDLineDashDotted, eRDPointSquare},
    {"line_solid", "solid", eRDLineSolid, eRDPointDot},
};
const VariantStyle c_Variants[] = {
    {"library", "library", c_ColorBlue},
    {"same_calls", "same calls", c_ColorOrange},
    {"polyline", "polyline", c_ColorDarkGreen},
    {"qcustomplot", "QCustomPlot", c_ColorRed},
    {"qwt", "Qwt", c_ColorGray},
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
    double dLowest = HUGE_VAL, dHighest = -HUGE_VAL;
    for (const FamilyStyle& Family : c_Families) {
        for (const VariantStyle& Variant : c_Variants) {
            ChartSeries Series{QStringLiteral("%1, %2").arg(QLatin1String(Family.pName), QLatin1String(Variant.pName)),
                               &Family,
                               Variant.Color,
                               {}};
            for (const long iCount : {1000L, 10000L, 100000L, 1000000L}) {
                const auto Found = mapMedians.find(QStringLiteral("%1/%2").arg(QLatin1String(Family.pKey)).arg(iCount));
                double dMilliseconds = 0.0;
                if (Found == mapMedians.end()
                    || !Milliseconds(Found->second, QLatin1String(Variant.pKey), dMilliseconds))
                    continue;
                const double dLog = std::log10(dMilliseconds);
                Series.vecPoints.emplace_back(std::log10(static_cast<double>(iCount)), dLog);
                dLowest = std::min(dLowest, dLog);
                dHighest = std::max(dHighest, dLog);
            }
            if (!Series.vecPoints.empty())
                vecSeries.push_back(Series);
        }
    }
    if (vecSeries.empty())
        qFatal("rd_chart: no one-line workloads in %s", argv[1]);

    // Whole decades on both axes; the decade left of 10^3 holds the legend.
    const double dBottom = std::floor(dLowest);
    const double dTop = std::max(std::ceil(dHighest), dBottom + 1.0);
    const long iYDivisions = std::lround(dTop - dBottom);
    DecadeLabels Labels;
    CRDBoxGridLayout Grid(Labels, CRDPoint(2.0, dBottom), CRDPoint(6.0, dTop), QStringLiteral("N, points per line"),
                          QStringLiteral("ms per frame, log10"), 4, iYDivisions, 0, 3, c_ColorLightGray, c_ColorBlack);
    QWidget Parent;
    auto* pDisplay = new CResultDisplay(&Parent, &Grid, c_ColorWhite);
    pDisplay->resize(1000, 700);
    pDisplay->UpdateDrawAreaRange(1000, 700);

    const double dEntryHeight = (dTop - dBottom) / (static_cast<double>(vecSeries.size()) + 1.0);
    double dEntry = dTop - 0.6 * dEntryHeight;
    for (ChartSeries& Series : vecSeries) {
        pDisplay->AddLine(Series.vecPoints, Series.Color, Series.pFamily->eLineStyle, Series.pFamily->ePointStyle,
                          QString());
        // The legend: a short line of the same style, named; the name is drawn above its start.
        std::vector<CRDPoint> vecSample{CRDPoint(2.05, dEntry), CRDPoint(2.25, dEntry)};
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
