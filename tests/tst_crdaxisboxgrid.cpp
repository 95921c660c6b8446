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

#include <cmath>
#include <functional>
#include <limits>
#include <random>

using namespace KelmFramework;

namespace
{

const double qnan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
// 2024-03-05 12:00:00 UTC, a Tuesday.
constexpr double t0 = 1709640000.0;
const int Lin = eRDScaleLinear, Log = eRDScaleLog10, Time = eRDScaleTime;

QTimeZone zoneOf(const QString& zone)
{
    bool offset = false;
    const int seconds = zone.toInt(&offset);
    return zone.isEmpty() ? QTimeZone::utc() : offset ? QTimeZone(seconds) : QTimeZone(zone.toLatin1());
}

QFont pixelFont(int pixels)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixels);
    return font;
}

// Where a recorded text lands, in device pixels.
QRectF boxOf(const RecordingPaintDevice& device, const RecordedPrimitive& p)
{
    const QFontMetricsF metrics(device.fontOf(p));
    const QRectF box(p.textPosition.x(), p.textPosition.y() - metrics.ascent(), metrics.horizontalAdvance(p.text),
                     metrics.height());
    return device.transformOf(p).mapRect(box);
}

CRDAxisBoxGrid* scaled(CRDAxisBoxGrid* grid, int xScale, int yScale)
{
    grid->SetXScale(ERDScale(xScale));
    grid->SetYScale(ERDScale(yScale));
    return grid;
}

// The axis grid drawing its lines segment by segment: what its fast drawing is held against.
class ExactAxisGrid : public CRDAxisBoxGrid
{
public:
    using CRDAxisBoxGrid::CRDAxisBoxGrid;
    void DrawLine(QPainter& painter, CRDDecoratedLine& line) override { CRDLinearGrid::DrawLine(painter, line); }
};

// A noisy sine across a view, evenly spaced in the scale's own space; on a log y axis every 97th y has no position.
std::vector<CRDPoint> noisySine(const QRectF& view, int xScale, int yScale, int count)
{
    const auto at = [](int scale, double from, double to, double t) {
        return scale == Log ? from * std::pow(to / from, t) : from + (to - from) * t;
    };
    std::mt19937 random(5);
    std::normal_distribution<double> noise(0.0, 0.03);
    std::vector<CRDPoint> points;
    for (int i = 0; i < count; ++i) {
        const double t = double(i) / (count - 1), y = 0.5 + 0.35 * std::sin(6 * M_PI * t) + noise(random);
        points.emplace_back(at(xScale, view.left(), view.right(), t),
                            yScale == Log && i % 97 == 50 ? -1.0 * (i % 2) : at(yScale, view.top(), view.bottom(), y),
                            false);
    }
    return points;
}

struct Labels : IResultDisplayCallBack
{
    using IResultDisplayCallBack::IResultDisplayCallBack;
    QString GetXAxisStepValue(double value) override { return prefix + QString::number(value); }
    QString prefix;
};

using Act = std::function<void(CResultDisplay&)>;

} // namespace

Q_DECLARE_METATYPE(Act)

class tst_CRDAxisBoxGrid : public QObject
{
    Q_OBJECT

private slots:
    // The chosen ticks of an axis 880 pixels long (or 600, upright), with 60 pixels of room (unless given) beyond
    // either end and 80 across, labels 7 pixels a character and 14 high. Every row also checks what holds for any
    // range: ticks inside it, increasing, no more than the division count, and no two labels closer than the gap.
    void ticks_data()
    {
        columns<double, double, int, int, int, bool, QString, QStringList, int, int>(
            "low", "high", "scale", "divisions", "precision", "upright", "zone", "texts", "minor", "room");
        const auto row = [](const char* name, double low, double high, int scale, const char* texts, int precision = 0,
                            bool upright = false, int divisions = 10, int minor = 0, int room = 60,
                            const char* zone = "") {
            QTest::newRow(name) << low << high << scale << divisions << precision << upright
                                << QString::fromLatin1(zone) << list(texts) << minor << room;
        };
        // Linear: 1, 2 and 5 times a power of ten, as many as the division count allows, the ends labelled.
        row("0 to 10: eleven steps of 1 exceed 10 divisions", 0, 10, Lin, "0|2|4|6|8|10");
        row("one division: one tick", 0, 10, Lin, "0", 0, false, 1);
        row("precision 1 and a scrolling window", 10.6, 20.6, Lin, "11.0|12.0|13.0|14.0|15.0|16.0|17.0|18.0|19.0|20.0",
            1);
        row("deep zoom", 1.0, 1.0001, Lin, "1.00000|1.00002|1.00004|1.00006|1.00008|1.00010", 1);
        row("crossing zero: 0, never -0", -0.3, 0.3, Lin, "-0.3|-0.2|-0.1|0.0|0.1|0.2|0.3");
        row("nanovolts, 3 significant digits", -1e-9, 1e-9, Lin, "-1.00|-0.50|0.00|0.50|1.00|\u00d710\u207b\u2079", 3,
            true, 6);
        row("a million in fixed notation", 0, 1e6, Lin, "0|200000|400000|600000|800000|1000000");
        row("ten million divided by 10^6", 0, 1e7, Lin, "0|2|4|6|8|10|\u00d710\u2076");
        row("a small span far from zero", 1e9, 1e9 + 10, Lin,
            "1000000000|1000000002|1000000004|1000000006|1000000008|1000000010");
        // Log10: decades with minor ticks at 2 to 9; within few decades 1, 2 and 5; below half a decade linear.
        row("three decades", 1, 1000, Log, "1|10|100|1000", 0, false, 10, 24);
        row("600 decades: every 100th", 1e-300, 1e300, Log,
            "10\u207b\u00b3\u2070\u2070|10\u207b\u00b2\u2070\u2070|10\u207b\u00b9\u2070\u2070|10\u2070|"
            "10\u00b9\u2070\u2070|10\u00b2\u2070\u2070|10\u00b3\u2070\u2070");
        row("denormal: every third decade", 4.9e-324, 1e-300, Log,
            "10\u207b\u00b3\u00b2\u00b9|10\u207b\u00b3\u00b9\u2078|10\u207b\u00b3\u00b9\u2075|"
            "10\u207b\u00b3\u00b9\u00b2|"
            "10\u207b\u00b3\u2070\u2079|10\u207b\u00b3\u2070\u2076|10\u207b\u00b3\u2070\u00b3|"
            "10\u207b\u00b3\u2070\u2070",
            0, false, 10, 16);
        row("one and a half decades: 1, 2 and 5", 1, 30, Log, "1|2|5|10|20", 0, false, 10, 7);
        row("under a decade: 2 to 8", 2, 8, Log, "2|3|4|5|6|7|8");
        row("under half a decade: linear steps", 200, 260, Log, "200|210|220|230|240|250|260");
        row("log across 0: no ticks", -1, 100, Log, "");
        // Time: clock and calendar steps, the larger fields under the first tick and where they change.
        row("the date under the first tick moves into a narrow room", t0 + 20.1, t0 + 20.36, Time,
            "20.10/2024-03-05 12:00|20.15|20.20|20.25|20.30|20.35", 0, false, 10, 0, 20);
        row("hours: the date where it changes", t0, t0 + 2 * 86400, Time,
            "12:00/2024-03-05|18:00|00:00/2024-03-06|06:00|12:00|18:00|00:00/2024-03-07|06:00|12:00");
        row("weeks from Monday", t0, t0 + 60 * 86400, Time,
            "Mar 11/2024|Mar 18|Mar 25|Apr 1|Apr 8|Apr 15|Apr 22|Apr 29");
        row("two hours east of UTC", t0, t0 + 2 * 86400, Time,
            "18:00/2024-03-05|00:00/2024-03-06|06:00|12:00|18:00|00:00/2024-03-07|06:00|12:00", 0, false, 10, 0, 60,
            "7200");
        row("across a change to summer time: on round local hours", 1711825200, 1711868400, Time,
            "21:00/2024-03-30|00:00/2024-03-31|03:00|06:00|09:00", 0, false, 10, 0, 60, "Europe/Berlin");
        row("the first years of the calendar", -62135596800.0 + 400 * 86400, -62135596800.0 + 30 * 365 * 86400.0, Time,
            "5|10|15|20|25|30");
        row("beyond the year 9999: plain seconds", -1e12, 1e12, Time, "-1.0|-0.5|0.0|0.5|1.0|\u00d710\u00b9\u00b2");
        // Ranges that have no ticks, and one that must not take long.
        row("NaN", qnan, 1, Lin, "");
        row("beyond a usable span", -1e308, 1e308, Lin, "");
    }
    void ticks()
    {
        const auto [low, high, scale, divisions, precision, upright, zone, texts, minor, room] =
            fetch<double, double, int, int, int, bool, QString, QStringList, int, int>(
                "low", "high", "scale", "divisions", "precision", "upright", "zone", "texts", "minor", "room");
        if (!zoneOf(zone).isValid())
            QSKIP("no time zone data on this machine");
        AxisTicks::Axis axis;
        axis.dLow = low;
        axis.dHigh = high;
        axis.eScale = ERDScale(scale);
        axis.iLength = upright ? 600 : 880;
        axis.bVertical = axis.bSignificant = upright;
        axis.iMaxTicks = divisions;
        axis.iPrecision = precision;
        axis.iRoomBefore = axis.iRoomAfter = room;
        axis.iRoomAcross = 80;
        axis.Zone = zoneOf(zone);
        const AxisTicks::TextMetrics metrics{[](const QString& text) { return 7 * int(text.size()); }, 14};
        const AxisTicks::Ticks ticks = AxisTicks::Choose(axis, metrics);

        // "text" for a shown label, "text/context" where its second line shows, and the multiplier last.
        QStringList shown;
        double lastValue = -inf, lastTo = -inf;
        for (const AxisTicks::Tick& tick : ticks.vecTicks) {
            if (tick.bShown)
                shown << tick.strText + (tick.strContext.isEmpty() ? QString() : QLatin1Char('/') + tick.strContext);
            QVERIFY2(tick.dValue >= low && tick.dValue <= high && tick.dValue > lastValue, qPrintable(tick.strText));
            lastValue = tick.dValue;
            const AxisTicks::LabelBox box = AxisTicks::BoxOf(axis, metrics, tick);
            QVERIFY2(box.dFrom >= lastTo + AxisTicks::LabelGap(axis, metrics) && box.dFrom >= -room
                         && box.dTo <= axis.iLength + room && box.iAcross <= 80,
                     qPrintable(tick.strText));
            lastTo = box.dTo;
        }
        if (!ticks.strMultiplier.isEmpty())
            shown << ticks.strMultiplier;
        QCOMPARE(shown, texts);
        QCOMPARE(int(ticks.vecMinor.size()), minor);
        QVERIFY(long(ticks.vecTicks.size()) <= divisions);
    }

    // Drawn through a display in a real font, at small and large sizes and every scale: no text touches
    // another, every text lies in the widget, both axes are labelled, and labels divided by 10^-9 say so.
    void drawnLabelsNeverOverlap_data()
    {
        columns<QSize, QRectF, int, int, int>("size", "view", "xScale", "yScale", "divisions");
        const QRectF linear(-0.35, -3, 7.55, 1203), nano(-2e-9, -1e-9, 4e-9, 2e-9), decades(10, 1e-4, 1e5 - 10, 1);
        const QRectF day(t0, -1, 86400, 2), instant(t0, 0, 1e-3, 1);
        for (const QSize size : {QSize(320, 240), QSize(640, 480), QSize(1600, 900)})
            for (const int n : {4, 10, 50}) {
                QTest::addRow("linear %dx%d, %d divisions", size.width(), size.height(), n)
                    << size << linear << Lin << Lin << n;
                QTest::addRow("nano %d %d", size.width(), n) << size << nano << Lin << Lin << n;
                QTest::addRow("log-log %d %d", size.width(), n) << size << decades << Log << Log << n;
                QTest::addRow("a day %d %d", size.width(), n) << size << day << Time << Lin << n;
                QTest::addRow("a millisecond %d %d", size.width(), n) << size << instant << Time << Time << n;
            }
    }
    void drawnLabelsNeverOverlap()
    {
        const auto [size, view, xScale, yScale,
                    divisions] = fetch<QSize, QRectF, int, int, int>("size", "view", "xScale", "yScale", "divisions");
        CRDAxisBoxGrid grid(CRDPoint(view.left(), view.top()), CRDPoint(view.right(), view.bottom()),
                            QStringLiteral("time of the measurement"), QStringLiteral("amplitude [V]"), divisions,
                            divisions, 1, 3, c_ColorGray, c_ColorBlack);
        QWidget parent;
        CResultDisplay display(&parent, scaled(&grid, xScale, yScale), c_ColorWhite);
        display.setFont(pixelFont(12));
        display.resize(size);
        display.UpdateDrawAreaRange(size.width(), size.height());
        RecordingPaintDevice device(size);
        display.render(&device);

        std::vector<QRectF> boxes;
        QStringList texts;
        for (const RecordedPrimitive& p : device.primitives())
            if (p.kind == RecordedPrimitive::Text) {
                for (const QRectF& box : boxes)
                    QVERIFY2(!box.adjusted(0.5, 0.5, -0.5, -0.5).intersects(boxOf(device, p)), qPrintable(p.text));
                boxes.push_back(boxOf(device, p));
                texts << p.text;
                QVERIFY2(QRectF(QPointF(), size).contains(boxes.back()), qPrintable(p.text));
            }
        const QString all = texts.join(QLatin1Char('|'));
        QVERIFY2(texts.size() >= (size.width() >= 640 ? 6 : 2), qPrintable(all));
        if (view.height() < 1e-6 && all.contains(QRegularExpression(QStringLiteral("[1-9]"))))
            QVERIFY2(texts.contains(QStringLiteral("\u00d710\u207b\u2079")), qPrintable(all));
    }

    // The box, grid lines at the ticks in the grid colour (x every 2, 80 pixels; y every 1, 150 pixels), labels
    // (the callback's, unless it has the built-in name) in the text colour, the x title centred under the labels
    // and the y title read upwards left of them.
    void layout_data()
    {
        columns<QString, QStringList>("callback", "texts");
        QTest::newRow("a callback's labels")
            << QStringLiteral("mine")
            << list("text <0 89,359 [#ff8000 1 flat solid]|text <2 169,359|text <4 249,359|text <6 329,359|"
                    "text <8 409,359|text <10 484,359|text -1 81,341|text 0 86,191|text 1 86,41|text time 283,381|"
                    "text voltage 59,228 -90");
        QTest::newRow("named like the default")
            << QStringLiteral("CRDBoxGridLayout")
            << list("text 0 95,359 [#ff8000 1 flat solid]|text 2 175,359|text 4 255,359|text 6 335,359|"
                    "text 8 415,359|text 10 491,359|text -1 81,341|text 0 86,191|text 1 86,41|text time 283,381|"
                    "text voltage 59,228 -90");
    }
    void layout()
    {
        const auto [callback, texts] = fetch<QString, QStringList>("callback", "texts");
        Labels labels(callback);
        labels.prefix = QStringLiteral("<");
        CRDAxisBoxGrid grid(labels, CRDPoint(0, -1), CRDPoint(10, 1), QStringLiteral("time"), QStringLiteral("voltage"),
                            6, 4, 0, 1, c_ColorGray, c_ColorOrange);
        CRDDevicePoint leftTop(100, 50), rightBottom(500, 350);
        grid.SetDeviceViewPort(leftTop, rightBottom);
        const QStringList drawn = RecordingPaintDevice(QSize(600, 450))
                                      .paint([&](QPainter& painter) {
                                          grid.DrawGrid(painter, leftTop, rightBottom, 100);
                                          QVERIFY(painter.transform().isIdentity());
                                      })
                                      .shapes(true);
        QCOMPARE(drawn, list("line 100,50 500,50 [#808080 1 flat solid]|line 100,350 500,350|line 100,50 100,350|"
                             "line 500,50 500,350|line 180,50 180,350|line 260,50 260,350|line 340,50 340,350|"
                             "line 420,50 420,350|line 100,200 500,200")
                            + texts);
    }

    // Dense lines through the axis grid, counted by the decimation on the grid's own map, against its exact drawing:
    // within 2 per channel on every scale and screen scale (at 1.5 it hands the line back to be drawn exactly).
    void fastPath_data()
    {
        columns<int, int, QRectF, double>("xScale", "yScale", "view", "ratio");
        const QRectF decades(1, 1e-3, 1e6 - 1, 1e3 - 1e-3);
        QTest::newRow("log-log") << Log << Log << decades << 1.0;
        QTest::newRow("log-log at 1.5") << Log << Log << decades << 1.5;
        QTest::newRow("log-log at 2") << Log << Log << decades << 2.0;
        QTest::newRow("a day on a time axis") << Time << Lin << QRectF(t0, -1, 86400, 2) << 1.0;
    }
    void fastPath()
    {
        const auto [xScale, yScale, view, ratio] = fetch<int, int, QRectF, double>("xScale", "yScale", "view", "ratio");
        DecimationScene::Setup with;
        with.ViewPort = view;
        with.Device = QRect(QPoint(60, 40), QPoint(940, 660));
        with.Size = QSize(1000, 700);
        with.dRatio = ratio;
        CRDPoint leftBottom(view.left(), view.top()), rightTop(view.right(), view.bottom());
        ExactAxisGrid exact(leftBottom, rightTop, QString(), QString(), 10, 10, 0, 0, c_ColorGray, c_ColorBlack);
        CRDAxisBoxGrid fast(leftBottom, rightTop, QString(), QString(), 10, 10, 0, 0, c_ColorGray, c_ColorBlack);
        CRDDevicePoint leftTop(60, 40), rightBottom(940, 660);
        for (CRDAxisBoxGrid* grid : {static_cast<CRDAxisBoxGrid*>(&exact), &fast})
            scaled(grid, xScale, yScale)->SetDeviceViewPort(leftTop, rightBottom);
        std::vector<CRDPoint> dense = noisySine(view, xScale, yScale, 200000),
                              dotted = noisySine(view, xScale, yScale, 66666);
        std::vector<CRDDecoratedLine> lines{
            CRDDecoratedLine(dense, c_ColorOrange, eRDLineSolid, eRDPointNone, QStringLiteral("signal")),
            CRDDecoratedLine(dotted, c_ColorBlue, eRDLineDotted, eRDPointDot, QString())};
        const DecimationScene::Difference d = DecimationScene::Compare(with.Render(exact, lines),
                                                                       with.Render(fast, lines), with.Blank());
        QVERIFY2(d.iLargest <= 2 && d.iLit > 1000, d.Text());
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
            display.AddLine({{-1, 0.5}, {0, 0.5}, {10, 0}, {1000, 1}}, c_ColorBlue, eRDLineSolid, eRDPointNone,
                            QString());
            display.FitViewPortToData();
        }) << std::pow(10.0, 1 - 1 / 9.0) << std::pow(10.0, 3 + 1 / 9.0);
    }
    void displayInDecades()
    {
        const auto [act, low, high] = fetch<Act, double, double>("act", "low", "high");
        CRDAxisBoxGrid grid(CRDPoint(1, 0), CRDPoint(1e4, 1), QString(), QString(), 10, 10, 0, 0, c_ColorGray,
                            c_ColorBlack);
        QWidget parent;
        CResultDisplay display(&parent, scaled(&grid, Log, Lin), c_ColorWhite);
        display.UpdateDrawAreaRange(1000, 1000);
        act(display);
        QVERIFY(std::abs(std::log10(grid.GetViewPortLeftButton().m_dX / low)) < 1e-3);
        QVERIFY(std::abs(std::log10(grid.GetViewPortRightTop().m_dX / high)) < 1e-3);
    }

    // The readout tells a time axis's values as date and clock Time, to the digits a pixel needs.
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
};

QTEST_MAIN(tst_CRDAxisBoxGrid)
#include "tst_crdaxisboxgrid.moc"
