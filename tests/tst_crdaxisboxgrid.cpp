// Tests of CRDAxisBoxGrid: round ticks and their labels on linear, log and time axes, labels that never
// overlap, the layout of labels and titles in the margin, and the x label callback.
#include "CRDAxisBoxGrid.h"
#include "CResultDisplay.h"
#include "DataTable.h"
#include "DecimationScene.h"
#include "RDAxisTicks_p.h"
#include "RDReadout_p.h"
#include "RecordingPaintDevice.h"

#include <QPainter>
#include <QtTest>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <random>

using namespace KelmFramework;

namespace
{

const double qnan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
// 2024-03-05 12:00:00 UTC, a Tuesday.
constexpr double t0 = 1709640000.0;

// Labels measured as 7 pixels a character and 14 high: positions read at a glance.
AxisTicks::TextMetrics sevenPerCharacter()
{
    return {[](const QString& text) { return 7 * int(text.size()); }, 14};
}

QTimeZone zoneOf(const QString& zone)
{
    if (zone.isEmpty())
        return QTimeZone::utc();
    bool offset = false;
    const int seconds = zone.toInt(&offset);
    return offset ? QTimeZone(seconds) : QTimeZone(zone.toLatin1());
}

// "text" for a shown label, "text/context" where its second line shows, and the multiplier last.
QStringList textsOf(const AxisTicks::Ticks& ticks)
{
    QStringList texts;
    for (const AxisTicks::Tick& tick : ticks.vecTicks)
        if (tick.bShown)
            texts << (tick.strContext.isEmpty() ? tick.strText : tick.strText + QLatin1Char('/') + tick.strContext);
    if (!ticks.strMultiplier.isEmpty())
        texts << ticks.strMultiplier;
    return texts;
}

// Where a recorded text lands, in device pixels.
QRectF boxOf(const RecordingPaintDevice& device, const RecordedPrimitive& p)
{
    const QFontMetricsF metrics(device.fontOf(p));
    const QRectF box(p.textPosition.x(), p.textPosition.y() - metrics.ascent(), metrics.horizontalAdvance(p.text),
                     metrics.height());
    return device.transformOf(p).mapRect(box);
}

// The axis grid drawing its lines segment by segment: what its fast drawing is held against.
class ExactAxisGrid : public CRDAxisBoxGrid
{
public:
    using CRDAxisBoxGrid::CRDAxisBoxGrid;
    void DrawLine(QPainter& painter, CRDDecoratedLine& line) override { CRDLinearGrid::DrawLine(painter, line); }
};

// A noisy sine of so many points across a view, evenly spaced and noisy in the scale's own space: decades on a
// log axis. Every 97th y is 0 or below where y is logarithmic, a vertex without position.
std::vector<CRDPoint> noisySine(const QRectF& view, ERDScale xScale, ERDScale yScale, int count)
{
    const auto to = [](ERDScale scale, double value) { return scale == eRDScaleLog10 ? std::log10(value) : value; };
    const auto from = [](ERDScale scale, double value) {
        return scale == eRDScaleLog10 ? std::pow(10.0, value) : value;
    };
    const double x0 = to(xScale, view.left()), x1 = to(xScale, view.right());
    const double y0 = to(yScale, view.top()), y1 = to(yScale, view.bottom());
    std::mt19937 random(5);
    std::normal_distribution<double> noise(0.0, 0.03);
    std::vector<CRDPoint> points;
    for (int i = 0; i < count; ++i) {
        const double t = double(i) / (count - 1);
        const double y = y0 + (y1 - y0) * (0.5 + 0.35 * std::sin(6 * M_PI * t) + noise(random));
        points.emplace_back(from(xScale, x0 + (x1 - x0) * t),
                            yScale == eRDScaleLog10 && i % 97 == 50 ? -1.0 * (i % 2) : from(yScale, y), false);
    }
    return points;
}

class Callback : public IResultDisplayCallBack
{
public:
    using IResultDisplayCallBack::IResultDisplayCallBack;
    QString GetXAxisStepValue(double value) override { return QStringLiteral("<%1>").arg(value); }
};

// A display over the axis grid, painted into an image; copying back unchanged repaints, or not.
struct Painted
{
    struct Uncached : CResultDisplay
    {
        using CResultDisplay::CResultDisplay;
    };
    struct Labels : IResultDisplayCallBack
    {
        Labels() : IResultDisplayCallBack(QStringLiteral("labels")) {}
        QString GetXAxisStepValue(double value) override { return prefix + QString::number(value); }
        QString prefix;
    };

    Painted(const QRectF& view, bool cached)
        : grid(labels, CRDPoint(view.left(), view.top()), CRDPoint(view.right(), view.bottom()), QStringLiteral("x"),
               QStringLiteral("y"), 8, 6, 1, 2, c_ColorGray, c_ColorBlack)
    {
        display.reset(cached ? new CResultDisplay(&parent, &grid, c_ColorWhite)
                             : new Uncached(&parent, &grid, c_ColorWhite));
        display->resize(400, 300);
        display->UpdateDrawAreaRange(400, 300);
        std::vector<CRDPoint> points{
            {view.left(), view.top()}, {view.center().x(), view.center().y()}, {view.right(), view.bottom()}};
        display->AddLine(points, c_ColorBlue, eRDLineSolid, eRDPointCross, QStringLiteral("line"));
        render();
    }
    QImage render()
    {
        display->render(&image);
        return image;
    }

    Labels labels;
    CRDAxisBoxGrid grid;
    QWidget parent;
    std::unique_ptr<CResultDisplay> display;
    QImage image{400, 300, QImage::Format_RGB32};
};
using Change = std::function<void(Painted&)>;
using Act = std::function<void(CResultDisplay&)>;

} // namespace

Q_DECLARE_METATYPE(Change)
Q_DECLARE_METATYPE(Act)

class tst_CRDAxisBoxGrid : public QObject
{
    Q_OBJECT

private slots:
    // The chosen ticks of an axis 880 pixels long (or 600, upright), with 60 pixels of room (unless given) beyond
    // either end and 80 across. Every row also checks what holds for any range: ticks inside it, increasing, no more
    // than the division count, and no two labels closer than the gap.
    void ticks_data()
    {
        columns<double, double, int, int, int, bool, QString, QStringList, int, int>(
            "low", "high", "scale", "divisions", "precision", "upright", "zone", "texts", "minor", "room");
        const auto row = [](const char* name, double low, double high, int scale, int divisions, const char* texts,
                            int precision = 0, bool upright = false, const char* zone = "", int minor = 0,
                            int room = 60) {
            QTest::newRow(name) << low << high << scale << divisions << precision << upright
                                << QString::fromLatin1(zone) << list(texts) << minor << room;
        };
        const int lin = eRDScaleLinear, log = eRDScaleLog10, time = eRDScaleTime;
        // Linear: 1, 2 and 5 times a power of ten, as many as the division count allows, the ends labelled.
        row("0 to 10: eleven steps of 1 exceed 10 divisions", 0, 10, lin, 10, "0|2|4|6|8|10");
        row("x precision 1: one decimal at least", 0, 10, lin, 10, "0.0|2.0|4.0|6.0|8.0|10.0", 1);
        row("a scrolling 10 s window", 10.6, 20.6, lin, 10, "11.0|12.0|13.0|14.0|15.0|16.0|17.0|18.0|19.0|20.0", 1);
        row("deep zoom: decimals as the step needs", 1.0, 1.0001, lin, 10,
            "1.00000|1.00002|1.00004|1.00006|1.00008|1.00010", 1);
        row("crossing zero: 0, never -0", -0.3, 0.3, lin, 10, "-0.3|-0.2|-0.1|0.0|0.1|0.2|0.3");
        row("negative", -0.35, -0.05, lin, 10, "-0.35|-0.30|-0.25|-0.20|-0.15|-0.10|-0.05");
        row("nanovolts: divided by 10^-9, 3 significant digits", -1e-9, 1e-9, lin, 6,
            "-1.00|-0.50|0.00|0.50|1.00|\u00d710\u207b\u2079", 3, true);
        row("divided by 10^-9, a decimal as the step needs", 0, 3e-9, lin, 10,
            "0.0|0.5|1.0|1.5|2.0|2.5|3.0|\u00d710\u207b\u2079", 1, true);
        row("y precision 3 as significant digits", -1, 1, lin, 4, "-1.00|0.00|1.00", 3, true);
        row("a million in fixed notation", 0, 1e6, lin, 10, "0|200000|400000|600000|800000|1000000");
        row("ten million divided by 10^6", 0, 1e7, lin, 10, "0|2|4|6|8|10|\u00d710\u2076");
        row("huge", 0, 1e300, lin, 10, "0.0|0.2|0.4|0.6|0.8|1.0|\u00d710\u00b3\u2070\u2070");
        row("a small span far from zero", 1e9, 1e9 + 10, lin, 10,
            "1000000000|1000000002|1000000004|1000000006|1000000008|1000000010");
        row("one division: one tick", 0, 10, lin, 1, "0");
        // Log10: decades with minor ticks at 2 to 9; within few decades 1, 2 and 5; below half a decade round
        // linear values.
        row("three decades", 1, 1000, log, 10, "1|10|100|1000", 0, false, "", 24);
        row("nine decades, written as powers", 1e-3, 1e6, log, 10,
            "10\u207b\u00b3|10\u207b\u00b2|10\u207b\u00b9|10\u2070|10\u00b9|10\u00b2|10\u00b3|10\u2074|10\u2075|"
            "10\u2076",
            0, false, "", 72);
        row("600 decades: every 100th", 1e-300, 1e300, log, 10,
            "10\u207b\u00b3\u2070\u2070|10\u207b\u00b2\u2070\u2070|10\u207b\u00b9\u2070\u2070|10\u2070|"
            "10\u00b9\u2070\u2070|10\u00b2\u2070\u2070|10\u00b3\u2070\u2070");
        row("one and a half decades: 1, 2 and 5", 1, 30, log, 10, "1|2|5|10|20", 0, false, "", 7);
        row("under a decade: 2 to 8", 2, 8, log, 10, "2|3|4|5|6|7|8");
        row("under half a decade: linear steps", 200, 260, log, 10, "200|210|220|230|240|250|260");
        row("log across 0: no position, no ticks", -1, 100, log, 10, "");
        // Time: clock and calendar steps, the larger fields under the first tick and where they change.
        row("microseconds", t0, t0 + 8e-6, time, 10,
            "00.000000/2024-03-05 12:00|00.000001|00.000002|00.000003|00.000004|00.000005|00.000006|00.000007|"
            "00.000008");
        row("milliseconds", t0 + 0.25, t0 + 0.26, time, 10,
            "00.250/2024-03-05 12:00|00.252|00.254|00.256|00.258|00.260");
        row("seconds", t0, t0 + 30, time, 10,
            "12:00:00/2024-03-05|12:00:05|12:00:10|12:00:15|12:00:20|12:00:25|12:00:30");
        row("the date under the first tick moves into a narrow room", t0 + 20.1, t0 + 20.36, time, 10,
            "20.10/2024-03-05 12:00|20.15|20.20|20.25|20.30|20.35", 0, false, "", 0, 20);
        row("minutes", t0 - 300, t0 + 300, time, 10, "11:56/2024-03-05|11:58|12:00|12:02|12:04");
        row("hours: the date where it changes", t0, t0 + 2 * 86400, time, 10,
            "12:00/2024-03-05|18:00|00:00/2024-03-06|06:00|12:00|18:00|00:00/2024-03-07|06:00|12:00");
        row("weeks from Monday", t0, t0 + 60 * 86400, time, 10,
            "Mar 11/2024|Mar 18|Mar 25|Apr 1|Apr 8|Apr 15|Apr 22|Apr 29");
        row("quarters", t0, t0 + 400 * 86400, time, 10, "Apr/2024|Jul|Oct|Jan/2025|Apr");
        row("a century", t0, t0 + 100 * 365.25 * 86400, time, 10, "2030|2040|2050|2060|2070|2080|2090|2100|2110|2120");
        row("two hours east of UTC", t0, t0 + 2 * 86400, time, 10,
            "18:00/2024-03-05|00:00/2024-03-06|06:00|12:00|18:00|00:00/2024-03-07|06:00|12:00", 0, false, "7200");
        row("across a change to summer time: on round local hours", 1711825200, 1711868400, time, 10,
            "21:00/2024-03-30|00:00/2024-03-31|03:00|06:00|09:00", 0, false, "Europe/Berlin");
        row("the first years of the calendar", -62135596800.0 + 400 * 86400, -62135596800.0 + 30 * 365 * 86400.0, time,
            10, "5|10|15|20|25|30");
        row("beyond the year 9999: plain seconds", -1e12, 1e12, time, 10, "-1.0|-0.5|0.0|0.5|1.0|\u00d710\u00b9\u00b2");
        // Ranges that have no ticks, and ones that must not take long.
        row("NaN", qnan, 1, lin, 10, "");
        row("infinite", -inf, inf, lin, 10, "");
        row("zero span", 5, 5, lin, 10, "");
        row("beyond a usable span", -1e308, 1e308, lin, 10, "");
        row("denormal span", 0, 1e-310, lin, 10, "");
        row("denormal log range: every third decade", 4.9e-324, 1e-300, log, 10,
            "10\u207b\u00b3\u00b2\u00b9|10\u207b\u00b3\u00b9\u2078|10\u207b\u00b3\u00b9\u2075|"
            "10\u207b\u00b3\u00b9\u00b2|"
            "10\u207b\u00b3\u2070\u2079|10\u207b\u00b3\u2070\u2076|10\u207b\u00b3\u2070\u00b3|"
            "10\u207b\u00b3\u2070\u2070",
            0, false, "", 16);
        row("time of NaN", qnan, t0, time, 10, "");
    }
    void ticks()
    {
        const auto [low, high, scale, divisions, precision, upright, zone, texts, minor, room] =
            fetch<double, double, int, int, int, bool, QString, QStringList, int, int>(
                "low", "high", "scale", "divisions", "precision", "upright", "zone", "texts", "minor", "room");
        if (!zone.isEmpty() && !zoneOf(zone).isValid())
            QSKIP("no time zone data on this machine");
        AxisTicks::Axis axis;
        axis.dLow = low;
        axis.dHigh = high;
        axis.eScale = ERDScale(scale);
        axis.iLength = upright ? 600 : 880;
        axis.bVertical = upright;
        axis.iMaxTicks = divisions;
        axis.iPrecision = precision;
        axis.bSignificant = upright;
        axis.iRoomBefore = axis.iRoomAfter = room;
        axis.iRoomAcross = 80;
        axis.Zone = zoneOf(zone);
        const AxisTicks::TextMetrics metrics = sevenPerCharacter();
        const AxisTicks::Ticks ticks = AxisTicks::Choose(axis, metrics);

        QCOMPARE(textsOf(ticks), texts);
        QCOMPARE(int(ticks.vecMinor.size()), minor);
        QVERIFY(long(ticks.vecTicks.size()) <= divisions);
        double lastValue = -inf, lastTo = -inf;
        for (const AxisTicks::Tick& tick : ticks.vecTicks) {
            QVERIFY2(tick.dValue >= low && tick.dValue <= high && tick.dValue > lastValue, qPrintable(tick.strText));
            lastValue = tick.dValue;
            const AxisTicks::LabelBox box = AxisTicks::BoxOf(axis, metrics, tick);
            QVERIFY2(box.dFrom >= lastTo + AxisTicks::LabelGap(axis, metrics) && box.dFrom >= -room
                         && box.dTo <= axis.iLength + room && box.iAcross <= 80,
                     qPrintable(tick.strText));
            lastTo = box.dTo;
        }
    }

    // Drawn through a display in a real font, at small and large sizes and every scale: no text touches
    // another, every text lies in the widget, and both axes are labelled.
    void drawnLabelsNeverOverlap_data()
    {
        columns<QSize, QRectF, int, int, int>("size", "view", "xScale", "yScale", "divisions");
        const QRectF linear(-0.35, -3, 7.55, 1203), nano(-2e-9, -1e-9, 4e-9, 2e-9), decades(10, 1e-4, 1e5 - 10, 1);
        const QRectF day(t0, -1, 86400, 2), instant(t0, 0, 1e-3, 1);
        int i = 0;
        for (const QSize size : {QSize(320, 240), QSize(640, 480), QSize(1600, 900)})
            for (const int divisions : {4, 10, 50}) {
                QTest::addRow("linear %dx%d, %d divisions", size.width(), size.height(), divisions)
                    << size << linear << int(eRDScaleLinear) << int(eRDScaleLinear) << divisions;
                QTest::addRow("nano %d", ++i)
                    << size << nano << int(eRDScaleLinear) << int(eRDScaleLinear) << divisions;
                QTest::addRow("log-log %d", ++i)
                    << size << decades << int(eRDScaleLog10) << int(eRDScaleLog10) << divisions;
                QTest::addRow("a day %d", ++i) << size << day << int(eRDScaleTime) << int(eRDScaleLinear) << divisions;
                QTest::addRow("a millisecond %d", ++i)
                    << size << instant << int(eRDScaleTime) << int(eRDScaleTime) << divisions;
            }
    }
    void drawnLabelsNeverOverlap()
    {
        const auto [size, view, xScale, yScale,
                    divisions] = fetch<QSize, QRectF, int, int, int>("size", "view", "xScale", "yScale", "divisions");
        CRDAxisBoxGrid grid(CRDPoint(view.left(), view.top()), CRDPoint(view.right(), view.bottom()),
                            QStringLiteral("time of the measurement"), QStringLiteral("amplitude [V]"), divisions,
                            divisions, 1, 3, c_ColorGray, c_ColorBlack);
        grid.SetXScale(ERDScale(xScale));
        grid.SetYScale(ERDScale(yScale));
        QWidget parent;
        CResultDisplay display(&parent, &grid, c_ColorWhite);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(12);
        display.setFont(font);
        display.resize(size);
        display.UpdateDrawAreaRange(size.width(), size.height());
        RecordingPaintDevice device(size);
        display.render(&device);

        std::vector<QRectF> boxes;
        QStringList texts;
        for (const RecordedPrimitive& p : device.primitives())
            if (p.kind == RecordedPrimitive::Text) {
                boxes.push_back(boxOf(device, p));
                texts << p.text;
                QVERIFY2(QRectF(0, 0, size.width(), size.height()).contains(boxes.back()), qPrintable(p.text));
            }
        for (std::size_t i = 0; i < boxes.size(); ++i)
            for (std::size_t j = i + 1; j < boxes.size(); ++j)
                QVERIFY2(!boxes[i].adjusted(0.5, 0.5, -0.5, -0.5).intersects(boxes[j]),
                         qPrintable(texts[int(i)] + QStringLiteral(" meets ") + texts[int(j)]));
        QVERIFY2(texts.size() >= (size.width() >= 640 ? 6 : 2), qPrintable(texts.join(QLatin1Char('|'))));
        // Labels divided by a power of ten come with their multiplier: a nonzero number can only read so here.
        const bool scaled = std::any_of(texts.begin(), texts.end(), [](const QString& text) {
            bool number = false;
            return text.toDouble(&number) != 0.0 && number;
        });
        if (view.height() < 1e-6 && scaled)
            QVERIFY2(texts.contains(QStringLiteral("\u00d710\u207b\u2079")), qPrintable(texts.join(QLatin1Char('|'))));
    }

    // The box, grid lines at the ticks in the grid colour, labels in the text colour, the x title centred
    // under the labels and the y title read upwards, centred left of them.
    void layout()
    {
        CRDAxisBoxGrid grid(CRDPoint(0, -1), CRDPoint(10, 1), QStringLiteral("time"), QStringLiteral("voltage"), 6, 4,
                            0, 1, c_ColorGray, c_ColorOrange);
        CRDDevicePoint leftTop(100, 50), rightBottom(500, 350);
        grid.SetDeviceViewPort(leftTop, rightBottom);
        RecordingPaintDevice device(QSize(600, 450));
        QPainter painter(&device);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(14);
        painter.setFont(font);
        grid.DrawGrid(painter, leftTop, rightBottom, 100);
        QVERIFY(painter.transform().isIdentity());

        const auto penOf = [](const CRDColor& color) { return QStringLiteral("[%1 1 flat solid]").arg(color.name()); };
        QStringList lines, texts;
        for (const RecordedPrimitive& p : device.primitives()) {
            const QString pen = RecordingPaintDevice::penText(device.penOf(p));
            if (p.kind == RecordedPrimitive::Line)
                lines << device.shapeOf(p) + (pen == penOf(c_ColorGray) ? QString() : pen);
            else
                texts << device.shapeOf(p).section(QLatin1Char(' '), 1, 1)
                             + (pen == penOf(c_ColorOrange) ? QString() : pen);
        }
        // The frame, then a line at every tick inside it: x every 2 (80 pixels), y every 1 (150 pixels).
        QCOMPARE(lines, list("line 100,50 500,50|line 100,350 500,350|line 100,50 100,350|line 500,50 500,350|"
                             "line 180,50 180,350|line 260,50 260,350|line 340,50 340,350|line 420,50 420,350|"
                             "line 100,200 500,200"));
        QCOMPARE(texts, list("0|2|4|6|8|10|-1|0|1|time|voltage"));

        const auto centre = [&](const char* text) {
            for (const RecordedPrimitive& p : device.primitives())
                if (p.text == QLatin1String(text))
                    return boxOf(device, p);
            return QRectF();
        };
        QVERIFY(std::abs(centre("time").center().x() - 300) <= 1);
        QVERIFY(centre("time").top() > centre("0").bottom());
        QVERIFY(std::abs(centre("voltage").center().y() - 200) <= 1);
        QVERIFY(centre("voltage").right() < centre("-1").left());
        QVERIFY(centre("voltage").height() > centre("voltage").width()); // upright, read bottom to top
    }

    // Dense lines through the axis grid, counted by the decimation on the grid's own map, against its exact drawing:
    // within 2 per channel on every scale and screen scale (at 1.5 it hands the line back to be drawn exactly).
    void fastPath_data()
    {
        columns<int, int, QRectF, double>("xScale", "yScale", "view", "ratio");
        const QRectF decades(1, 1e-3, 1e6 - 1, 1e3 - 1e-3), day(t0, -1, 86400, 2);
        QTest::newRow("log-log") << int(eRDScaleLog10) << int(eRDScaleLog10) << decades << 1.0;
        QTest::newRow("log-log at 1.5") << int(eRDScaleLog10) << int(eRDScaleLog10) << decades << 1.5;
        QTest::newRow("log-log at 2") << int(eRDScaleLog10) << int(eRDScaleLog10) << decades << 2.0;
        QTest::newRow("a day on a time axis") << int(eRDScaleTime) << int(eRDScaleLinear) << day << 1.0;
    }
    void fastPath()
    {
        const auto [xScale, yScale, view, ratio] = fetch<int, int, QRectF, double>("xScale", "yScale", "view", "ratio");
        const int points = 200000;
        DecimationScene::Setup with;
        with.ViewPort = view;
        with.Device = QRect(QPoint(60, 40), QPoint(940, 660));
        with.Size = QSize(1000, 700);
        with.dRatio = ratio;
        CRDPoint leftBottom(view.left(), view.top()), rightTop(view.right(), view.bottom());
        ExactAxisGrid exact(leftBottom, rightTop, QString(), QString(), 10, 10, 0, 0, c_ColorGray, c_ColorBlack);
        CRDAxisBoxGrid fast(leftBottom, rightTop, QString(), QString(), 10, 10, 0, 0, c_ColorGray, c_ColorBlack);
        CRDDevicePoint leftTop(60, 40), rightBottom(940, 660);
        for (CRDAxisBoxGrid* grid : {static_cast<CRDAxisBoxGrid*>(&exact), &fast}) {
            grid->SetXScale(ERDScale(xScale));
            grid->SetYScale(ERDScale(yScale));
            grid->SetDeviceViewPort(leftTop, rightBottom);
        }
        std::vector<CRDPoint> dense = noisySine(view, ERDScale(xScale), ERDScale(yScale), points);
        std::vector<CRDPoint> dotted = noisySine(view, ERDScale(xScale), ERDScale(yScale), points / 3);
        std::vector<CRDDecoratedLine> lines{
            CRDDecoratedLine(dense, c_ColorOrange, eRDLineSolid, eRDPointNone, QStringLiteral("signal")),
            CRDDecoratedLine(dotted, c_ColorBlue, eRDLineDotted, eRDPointDot, QString())};
        const DecimationScene::Difference d = DecimationScene::Compare(with.Render(exact, lines),
                                                                       with.Render(fast, lines), with.Blank());
        QVERIFY2(d.iLargest <= 2, qPrintable(QStringLiteral("%1 of %2 lit pixels differ, the largest by %3")
                                                 .arg(d.iDiffering)
                                                 .arg(d.iLit)
                                                 .arg(d.iLargest)));
        QVERIFY(d.iLit > 1000);
    }

    // On a log axis a value at or below 0 has no position: the segments beside it are left out, like NaN's.
    void logAxisBadInput()
    {
        CRDAxisBoxGrid grid(CRDPoint(1, 1), CRDPoint(1000, 1000), QString(), QString(), 10, 10, 0, 0, c_ColorGray,
                            c_ColorBlack);
        grid.SetXScale(eRDScaleLog10);
        grid.SetYScale(eRDScaleLog10);
        CRDDevicePoint leftTop(0, 0), rightBottom(300, 300);
        grid.SetDeviceViewPort(leftTop, rightBottom);
        std::vector<CRDPoint> points{{1, 1}, {10, 10}, {-1, 100}, {100, 100}, {1000, 0}, {1000, 1000}};
        CRDDecoratedLine line(points, c_ColorBlue, eRDLineSolid, eRDPointNone, QString());
        CRDDecoratedPoint zero(CRDPoint(0, 10), c_ColorRed, eRDPointCross);
        RecordingPaintDevice device(QSize(300, 300));
        QPainter painter(&device);
        grid.DrawLine(painter, line);
        grid.DrawPoint(painter, zero);
        QCOMPARE(device.shapes(), list("line 0,300 100,200"));
    }

    // On a log axis the display zooms and fits in decades; a fit leaves out what has no position there.
    void displayInDecades_data()
    {
        columns<Act, double, double>("act", "low", "high");
        // The box runs from 100 to 900 pixels over 1 to 1e4: 200 pixels a decade.
        QTest::newRow("rubber band") << Act([](CResultDisplay& display) {
            CRDDevicePoint from(300, 300), to(500, 700);
            display.SetViewPort(from, to);
        }) << 10.0 << 100.0;
        QTest::newRow("wheel's rescale") << Act([](CResultDisplay& display) { display.ReScaleViewPort(0.75); }) << 0.1
                                         << 1e5;
        QTest::newRow("fit, values at or below 0 left out") << Act([](CResultDisplay& display) {
            display.AddLine(std::vector<CRDPoint>{{-1, 0.5}, {0, 0.5}, {10, 0}, {1000, 1}}, c_ColorBlue, eRDLineSolid,
                            eRDPointNone, QString());
            display.FitViewPortToData();
        }) << std::pow(10.0, 1 - 1 / 9.0) << std::pow(10.0, 3 + 1 / 9.0);
    }
    void displayInDecades()
    {
        const auto [act, low, high] = fetch<Act, double, double>("act", "low", "high");
        CRDAxisBoxGrid grid(CRDPoint(1, 0), CRDPoint(1e4, 1), QString(), QString(), 10, 10, 0, 0, c_ColorGray,
                            c_ColorBlack);
        grid.SetXScale(eRDScaleLog10);
        QWidget parent;
        CResultDisplay display(&parent, &grid, c_ColorWhite);
        display.UpdateDrawAreaRange(1000, 1000);
        act(display);
        QVERIFY(std::abs(std::log10(grid.GetViewPortLeftButton().m_dX / low)) < 1e-3);
        QVERIFY(std::abs(std::log10(grid.GetViewPortRightTop().m_dX / high)) < 1e-3);
    }

    // The readout tells a time axis's values as date and clock time, to the digits a pixel needs.
    void readoutTime_data()
    {
        columns<double, double, int, QString>("value", "step", "offset", "text");
        QTest::newRow("milliseconds") << t0 + 0.25 << 0.004 << 0 << QStringLiteral("2024-03-05 12:00:00.250");
        QTest::newRow("never rounded into the next second")
            << t0 + 0.9999 << 0.001 << 0 << QStringLiteral("2024-03-05 12:00:00.999");
        QTest::newRow("seconds, two hours east") << t0 - 0.5 << 2.0 << 7200 << QStringLiteral("2024-03-05 13:59:59");
        QTest::newRow("beyond dates") << 1e20 << 1e10 << 0 << QStringLiteral("1e+20");
    }
    void readoutTime()
    {
        const auto [value, step, offset, text] = fetch<double, double, int, QString>("value", "step", "offset", "text");
        QCOMPARE(Readout::TimeText(value, step, offset ? QTimeZone(offset) : QTimeZone::utc()), text);
    }

    // A repaint of the same picture is copied back; after a change of scale, zone or the callback's texts the
    // next paint shows what a first paint shows.
    void repaintCache_data()
    {
        columns<QRectF, Change>("view", "change");
        const QRectF linear(1, -1, 999, 2), day(t0, -1, 86400, 2);
        QTest::newRow("x to log10") << linear << Change([](Painted& p) { p.grid.SetXScale(eRDScaleLog10); });
        QTest::newRow("y to time") << QRectF(0, t0, 10, 600)
                                   << Change([](Painted& p) { p.grid.SetYScale(eRDScaleTime); });
        QTest::newRow("time zone") << day << Change([](Painted& p) {
            p.grid.SetXScale(eRDScaleTime);
            p.render();
            p.grid.SetTimeZone(QTimeZone(7200));
        });
        QTest::newRow("the callback's texts")
            << linear << Change([](Painted& p) { p.labels.prefix = QStringLiteral("~"); });
    }
    void repaintCache()
    {
        const auto [view, change] = fetch<QRectF, Change>("view", "change");
        Painted cached(view, true), plain(view, false);
        const QImage first = cached.render();
        QCOMPARE(cached.render(), first);
        change(cached);
        change(plain);
        const QImage after = cached.render();
        QVERIFY(after != first);
        QCOMPARE(after, plain.render());
    }

    // The callback names the x ticks, at round values; one named like the built-in default does not.
    void callback_data()
    {
        columns<QString, QStringList>("name", "texts");
        QTest::newRow("a callback") << QStringLiteral("mine") << list("<0>|<2>|<4>|<6>|<8>|<10>");
        QTest::newRow("named like the default") << QStringLiteral("CRDBoxGridLayout") << list("0|2|4|6|8|10");
    }
    void callback()
    {
        const auto [name, texts] = fetch<QString, QStringList>("name", "texts");
        Callback labels(name);
        CRDAxisBoxGrid grid(labels, CRDPoint(0, 0), CRDPoint(10, 1), QString(), QString(), 6, 1, 0, 1, c_ColorGray,
                            c_ColorBlack);
        CRDDevicePoint leftTop(100, 50), rightBottom(500, 350);
        grid.SetDeviceViewPort(leftTop, rightBottom);
        RecordingPaintDevice device(QSize(600, 450));
        QPainter painter(&device);
        grid.DrawGrid(painter, leftTop, rightBottom, 100);
        QStringList drawn;
        for (const RecordedPrimitive& p : device.primitives())
            if (p.kind == RecordedPrimitive::Text && boxOf(device, p).top() > 350)
                drawn << p.text;
        QCOMPARE(drawn, texts);
    }
};

QTEST_MAIN(tst_CRDAxisBoxGrid)
#include "tst_crdaxisboxgrid.moc"
