// Tests of CResultDisplay: ids and stores, live data, device rectangle, painting, the repaint cache,
// viewport operations, zooms, pans, the legend and the readout.
#include "CRDAxisBoxGrid.h"
#include "CRDDecimatingBoxGrid.h"
#include "CRDLinearGrid.h"
#include "CResultDisplay.h"
#include "DataTable.h"
#include "RecordingPaintDevice.h"

#include <QtTest>

#include <cmath>
#include <functional>

using namespace KelmFramework;

namespace
{

// A display over a grid that maps like any linear grid and logs what the display hands it. The view is
// (0, 0)-(80, 80), so that at 80 x 80 pixels (no margin) pixel (x, y) shows user (x, 80 - y).
struct Fixture : CRDLinearGrid
{
    explicit Fixture(QSize size = QSize(80, 80), long xDivisions = 4, long yDivisions = 4)
        : CRDLinearGrid(s_Start, s_End, QString(), QString(), xDivisions, yDivisions, 1, 1, c_ColorBlack, c_ColorBlack)
    {
        display.resize(size);
        display.UpdateDrawAreaRange(size.width(), size.height()); // a hidden widget is resized only when shown
        display.EnableFeature(eRDFeatureRubberBandZoom);
        display.EnableFeature(eRDFeatureWheelZoom);
    }
    void DrawGrid(QPainter& painter, CRDDevicePoint&, CRDDevicePoint&, long margin) override
    {
        log << QString::asprintf("grid, margin %ld, pen %s %g, brush %d, antialiased %d", margin,
                                 qPrintable(painter.pen().color().name()), painter.pen().widthF(),
                                 painter.brush().style(), int(painter.testRenderHint(QPainter::Antialiasing)));
    }
    void DrawPoint(QPainter&, CRDDecoratedPoint& point) override { log << QStringLiteral("point %1").arg(point.m_dX); }
    void DrawLine(QPainter&, CRDDecoratedLine& line) override
    {
        QStringList xs;
        for (const CRDPoint& vertex : line.m_vecPoints)
            xs << QString::number(vertex.m_dX);
        vertices << QStringLiteral("%1 %2 %3 %4: %5")
                        .arg(line.m_strName, line.m_Color.name())
                        .arg(line.m_eLineStyle)
                        .arg(line.m_ePointStyle)
                        .arg(xs.join(QLatin1Char(' ')));
        log << QStringLiteral("line ") + line.m_strName;
        if (line.m_strName == QLatin1String("actor") && whileDrawn) {
            whileDrawn(*this);
            log.last() += QStringLiteral(" still ") + line.m_strName; // and the line is still alive
        }
    }
    // The view and the device rectangle, each from its first corner to its second.
    QRectF view() const
    {
        return QRectF(QPointF(m_ViewPortLeftBottom.m_dX, m_ViewPortLeftBottom.m_dY),
                      QPointF(m_ViewPortRightTop.m_dX, m_ViewPortRightTop.m_dY));
    }
    QRect device() const
    {
        return QRect(QPoint(int(m_DeviceLeftTop.m_iX), int(m_DeviceLeftTop.m_iY)),
                     QPoint(int(m_DeviceRightBottom.m_iX), int(m_DeviceRightBottom.m_iY)));
    }
    long addLine(const char* name)
    {
        return display.AddLine(s_Points, c_ColorRed, eRDLineSolid, eRDPointNone, QString::fromLatin1(name));
    }
    long addPoint(double x) { return display.AddPoint(CRDPoint(x, 0), c_ColorRed, eRDPointDot); }
    void send(QEvent&& event) { QCoreApplication::sendEvent(&display, &event); }
    // One paint: its background, and what the grid was handed.
    QStringList painted()
    {
        RecordingPaintDevice device;
        log.clear();
        vertices.clear();
        display.render(&device, QPoint(), QRegion(), {});
        return QStringList(device.shapes()) + log;
    }

    QStringList log;
    QStringList vertices;                     // each line drawn: name, colour, styles and x of every vertex
    std::function<void(Fixture&)> whileDrawn; // run while the line named "actor" is drawn
    QWidget parent;
    CResultDisplay display{&parent, this, c_ColorOrange};
    long actor = 0;
    static inline CRDPoint s_Start{0, 0}, s_End{80, 80};
    static inline std::vector<CRDPoint> s_Points{CRDPoint(1, 1), CRDPoint(2, 2)};
};

using Operation = std::function<void(Fixture&)>;

// Press at the first point, move through the others, release at the last.
Operation drag(QVector<QPointF> path, Qt::MouseButton button = Qt::LeftButton)
{
    return [=](Fixture& f) {
        f.send(QMouseEvent(QEvent::MouseButtonPress, path.first(), QPointF(), button, button, {}));
        for (const QPointF& pos : path.mid(1))
            f.send(QMouseEvent(QEvent::MouseMove, pos, QPointF(), button, button, {}));
        f.send(QMouseEvent(QEvent::MouseButtonRelease, path.last(), QPointF(), button, Qt::NoButton, {}));
    };
}

Operation wheel(QPoint angle, QPointF at = QPointF(40, 40), Qt::KeyboardModifiers keys = {}, QPoint pixels = {},
                int times = 1)
{
    return [=](Fixture& f) {
        for (int i = 0; i < times; ++i)
            f.send(QWheelEvent(at, QPointF(), pixels, angle, {}, keys, Qt::NoScrollPhase, false));
    };
}

Operation with(ERDFeature feature, Operation operation, bool on = true)
{
    return [=](Fixture& f) {
        on ? f.display.EnableFeature(feature) : f.display.DisableFeature(feature);
        operation(f);
    };
}

std::vector<CRDPoint> points(const QVector<QPointF>& list)
{
    std::vector<CRDPoint> result;
    for (const QPointF& point : list)
        result.emplace_back(point.x(), point.y());
    return result;
}

std::vector<CRDPoint> xs(const std::vector<double>& list)
{
    std::vector<CRDPoint> result;
    for (double x : list)
        result.emplace_back(x, 1.0);
    return result;
}

const double qnan = qQNaN(), inf = qInf();

// A display over a grid of the library's, painted into an image of its own as a window's backing store would be.
// A display of a subclass draws every paint: what a first paint shows.
struct Scene
{
    struct Labels : IResultDisplayCallBack
    {
        Labels() : IResultDisplayCallBack(QStringLiteral("labels")) {}
        QString GetXAxisStepValue(double value) override { return prefix + QString::number(value); }
        QString prefix = QStringLiteral("t ");
    };
    struct Uncached : CResultDisplay
    {
        using CResultDisplay::CResultDisplay;
    };

    enum Grid { Box, Decimating, Axis };

    explicit Scene(qreal ratio = 1.0, QSize size = QSize(300, 200), bool cached = true, Grid kind = Box) : ratio(ratio)
    {
        const QString x = QStringLiteral("x"), y = QStringLiteral("y");
        const CRDPoint a(0, -1), b(10, 1);
        grid.reset(kind == Axis ? static_cast<CRDLinearGrid*>(
                       new CRDAxisBoxGrid(callback, a, b, x, y, 5, 4, 1, 3, c_ColorGray, c_ColorBlack))
                   : kind == Decimating
                       ? new CRDDecimatingBoxGrid(callback, a, b, x, y, 5, 4, 1, 3, c_ColorGray, c_ColorBlack)
                       : new CRDBoxGridLayout(callback, a, b, x, y, 5, 4, 1, 3, c_ColorGray, c_ColorBlack));
        display.reset(cached ? new CResultDisplay(&parent, grid.get(), c_ColorWhite)
                             : new Uncached(&parent, grid.get(), c_ColorWhite));
        resize(size);
        fill();
        // A hidden widget takes its size on its first paint.
        render();
        image.fill(Qt::yellow);
    }
    void fill(const QString& name = QStringLiteral("pressure"))
    {
        line = display->AddLine(points({{0, 0}, {3, 0.8}, {5, -0.4}, {9, 0.5}}), c_ColorBlue, eRDLineSolid,
                                eRDPointCross, name);
        point = display->AddPoint(CRDPoint(2, -0.5), c_ColorRed, eRDPointSquare);
    }
    void resize(QSize size)
    {
        display->resize(size);
        display->UpdateDrawAreaRange(size.width(), size.height());
        image = QImage((QSizeF(size) * ratio).toSize() + QSize(8, 8), QImage::Format_RGB32);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::yellow);
    }
    QImage render(QRegion region = QRegion(), QPoint at = QPoint())
    {
        display->render(&image, at + region.boundingRect().topLeft(), region);
        return image;
    }
    CRDAxisBoxGrid& axis() { return static_cast<CRDAxisBoxGrid&>(*grid); }

    qreal ratio;
    Labels callback;
    std::unique_ptr<CRDLinearGrid> grid;
    QWidget parent;
    std::unique_ptr<CResultDisplay> display;
    QImage image;
    long line = 0, point = 0;
};

using SceneOperation = std::function<void(Scene&)>;

// Where two pictures differ, and whether any of the differing pixels is clearly blue (a blue line drawn
// antialiased on white, as the readout's ring and the legend's sample are).
QRect differing(const QImage& a, const QImage& b, bool* blue = nullptr)
{
    QRect where;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) {
                where |= QRect(x, y, 1, 1);
                const QRgb pixel = b.pixel(x, y);
                if (blue && qBlue(pixel) > 200 && qRed(pixel) < 140 && qGreen(pixel) < 140)
                    *blue = true;
            }
    return where;
}

} // namespace

Q_DECLARE_METATYPE(Operation)
Q_DECLARE_METATYPE(SceneOperation)

class tst_CResultDisplay : public QObject
{
    Q_OBJECT

private slots:
    // Two sequences, each shared by all displays and not restarted by ClearAll.
    void ids()
    {
        Fixture a, b;
        const long line = a.addLine("a"), point = b.addPoint(0);
        QCOMPARE(b.display.AddLine(xs({1}), c_ColorRed, eRDLineSolid, eRDPointNone, QString()), line + 1);
        QCOMPARE(a.addPoint(0), point + 1);
        a.display.ClearAll();
        QCOMPARE(a.addLine("c"), line + 2);
        QCOMPARE(a.addPoint(0), point + 2);
    }

    // The background over the whole widget, then the grid, the points and the lines, each in the order of their ids.
    void paint()
    {
        Fixture f(QSize(250, 130));
        const long gone = f.addLine("gone");
        f.addPoint(3);
        f.addLine("second");
        f.addPoint(1);
        f.display.RemovedLine(gone);
        f.display.RemovedLine(LONG_MIN); // unknown ids are ignored
        f.display.RemovedPoint(-1);
        QCOMPARE(f.painted(), list("rect 0,0 250x130 fill #ff8000|grid, margin 20, pen #ff8000 0, brush 0, "
                                   "antialiased 1|point 3|point 1|line second"));
    }

    // What the grid's drawing removes goes at the end of the paint: the line being drawn stays
    // alive, and removed lines not yet drawn are not drawn.
    void removalWhilePainting_data()
    {
        columns<Operation, QStringList, QStringList>("operation", "painted", "repainted");
        QTest::newRow("a line removes itself")
            << Operation([](Fixture& f) { f.display.RemovedLine(f.actor); })
            << list("point 1|line first|line actor still actor|line last") << list("point 1|line first|line last");
        QTest::newRow("a line clears everything") << Operation([](Fixture& f) { f.display.ClearAll(); })
                                                  << list("point 1|line first|line actor still actor") << QStringList();
        QTest::newRow("a line removes the next and adds one") << Operation([](Fixture& f) {
            f.display.RemovedLine(f.actor + 1);
            f.addLine("added");
        }) << list("point 1|line first|line actor still actor|line added")
                                                              << list("point 1|line first|line actor|line added");
    }
    void removalWhilePainting()
    {
        const auto [operation, painted, repainted] = fetch<Operation, QStringList, QStringList>("operation", "painted",
                                                                                                "repainted");
        Fixture f;
        f.addPoint(1);
        f.addLine("first");
        f.actor = f.addLine("actor");
        f.addLine("last");
        f.whileDrawn = operation;
        QCOMPARE(f.painted().mid(2), painted); // after the background and the grid
        f.whileDrawn = nullptr;
        QCOMPARE(f.painted().mid(2), repainted);
    }

    void deviceRectangle_data()
    {
        columns<QSize, QSize, QRect>("size", "divisions", "device");
        // A margin of 10 per full 100 pixels of width on every side, then whole cells.
        QTest::newRow("645 x 397, 7 and 6 divisions")
            << QSize(645, 397) << QSize(7, 6) << QRect(QPoint(60, 60), QPoint(585, 336));
        QTest::newRow("99 wide: no margin") << QSize(99, 80) << QSize(4, 4) << QRect(QPoint(0, 0), QPoint(96, 80));
        QTest::newRow("lower than twice the margin: below the bottom edge")
            << QSize(1000, 50) << QSize(4, 4) << QRect(QPoint(100, 100), QPoint(900, 248));
    }
    void deviceRectangle()
    {
        const auto [size, divisions, device] = fetch<QSize, QSize, QRect>("size", "divisions", "device");
        QCOMPARE(Fixture(size, divisions.width(), divisions.height()).device(), device);
    }

    void viewPort_data()
    {
        columns<Operation, QRectF, bool, int>("operation", "view", "repainted", "signals");
        const QRectF unchanged(0, 0, 80, 80), band(QPointF(10, 29), QPointF(31, 60));
        QTest::newRow("AddLine and the live calls") << Operation([](Fixture& f) {
            const long line = f.addLine("new");
            f.display.AppendLinePoints(line, xs({3}));
            f.display.DropLinePoints(line, 1);
            f.display.SetLinePoints(line, xs({4}));
        }) << unchanged << false << 0;
        QTest::newRow("SetViewPort, any two corners")
            << Operation([](Fixture& f) { f.display.SetViewPort(CRDPoint(2, 1), CRDPoint(1, 2)); })
            << QRectF(1, 1, 1, 1) << false << 1;
        QTest::newRow("SetViewPort from pixels, in either order") << Operation([](Fixture& f) {
            CRDDevicePoint a(30, 20), b(10, 50);
            f.display.SetViewPort(a, b);
        }) << QRectF(QPointF(10, 30), QPointF(30, 60)) << false << 1;
        QTest::newRow("ResetViewPort after other views") << Operation([](Fixture& f) {
            f.display.SetViewPort(CRDPoint(1, 1), CRDPoint(2, 2));
            f.addLine("new");
            f.display.FitViewPortToData();
            f.display.ResetViewPort();
        }) << unchanged << false << 3;
        QTest::newRow("the grid's own SetViewPort: no signal") << Operation([](Fixture& f) {
            CRDPoint a(1, 1), b(2, 2);
            f.SetViewPort(a, b);
        }) << QRectF(1, 1, 1, 1) << false << 0;
        QTest::newRow("a notch away: 1 % in at each edge")
            << wheel({0, 120}) << QRectF(0.8, 0.8, 78.4, 78.4) << true << 1;
        QTest::newRow("a notch toward: 1 % out") << wheel({0, -120}) << QRectF(-0.8, -0.8, 81.6, 81.6) << true << 1;
        QTest::newRow("two notches of a horizontal wheel")
            << wheel({240, 0}) << QRectF(1.6, 1.6, 76.8, 76.8) << true << 1;
        QTest::newRow("less than a notch") << wheel({0, -119}) << unchanged << true << 1;
        QTest::newRow("50 notches would leave no span") << wheel({0, 6000}) << unchanged << true << 0;
        QTest::newRow("wheel switched off")
            << with(eRDFeatureWheelZoom, wheel({0, 120}), false) << unchanged << false << 0;
        // Pixel (20, 60) shows (20, 20): a notch keeps it there and scales the spans by 0.98.
        const QRectF aboutCursor(QPointF(0.4, 0.4), QPointF(78.8, 78.8));
        QTest::newRow("zoom at the cursor, Ctrl: x only")
            << with(eRDFeatureZoomAtCursor, wheel({0, 120}, {20, 60}, Qt::ControlModifier))
            << QRectF(QPointF(0.4, 0), QPointF(78.8, 80)) << true << 1;
        QTest::newRow("zoom at the cursor, Shift: y only")
            << with(eRDFeatureZoomAtCursor, wheel({0, 120}, {20, 60}, Qt::ShiftModifier))
            << QRectF(QPointF(0, 0.4), QPointF(80, 78.8)) << true << 1;
        QTest::newRow("zoom at the cursor, less than a notch")
            << with(eRDFeatureZoomAtCursor, wheel({0, 60}, {20, 60})) << unchanged << false << 0;
        QTest::newRow("zoom at the cursor without the wheel zoom")
            << with(eRDFeatureWheelZoom, with(eRDFeatureZoomAtCursor, wheel({0, 120}, {20, 60})), false) << aboutCursor
            << true << 1;
        QTest::newRow("smooth without the wheel zoom: two half notches, as one about the centre")
            << with(eRDFeatureWheelZoom, with(eRDFeatureSmoothZoom, wheel({0, 60}, {40, 40}, {}, {}, 2)), false)
            << QRectF(0.8, 0.8, 78.4, 78.4) << true << 2;
        QTest::newRow("smooth at the cursor: a touchpad's 30 pixels are a notch")
            << with(eRDFeatureSmoothZoom, with(eRDFeatureZoomAtCursor, wheel({}, {20, 60}, {}, {0, 30}))) << aboutCursor
            << true << 1;
        // The band covers both corner pixels: pixels 10 to 30 and 20 to 50 show x 10 to 31 and y 29 to 60.
        QTest::newRow("band down and right") << drag({{10, 20}, {30, 50}}) << band << true << 1;
        QTest::newRow("band a pixel up and left, right button: both pixels kept")
            << drag({{10, 20}, {9, 19}}, Qt::RightButton) << QRectF(QPointF(9, 59), QPointF(11, 61)) << true << 1;
        QTest::newRow("band away and back, middle button: one pixel")
            << drag({{10, 20}, {40, 40}, {10, 20}}, Qt::MiddleButton) << QRectF(10, 59, 1, 1) << true << 1;
        QTest::newRow("band without a move") << drag({{10, 20}}) << unchanged << true << 0;
        QTest::newRow("band switched off")
            << with(eRDFeatureRubberBandZoom, drag({{10, 20}, {30, 50}}), false) << unchanged << false << 0;
        // What lies under the mouse stays under it: 10 right and 20 down in two moves.
        const QRectF panned(-10, 20, 80, 80);
        QTest::newRow("pan, middle button")
            << with(eRDFeaturePan, drag({{40, 40}, {45, 50}, {50, 60}}, Qt::MiddleButton)) << panned << true << 2;
        QTest::newRow("pan, left button with the band off")
            << with(eRDFeaturePan, with(eRDFeatureRubberBandZoom, drag({{40, 40}, {45, 50}, {50, 60}}), false))
            << panned << true << 2;
        // Regression: the difference of two positions saturated to +-2^30 overflowed int.
        QTest::newRow("pan across 2^31 pixels")
            << with(eRDFeaturePan, drag({{2e9, -2e9}, {-2e9, 2e9}}, Qt::MiddleButton))
            << QRectF(2147483648.0, 2147483648.0, 80, 80) << true << 1;
        QTest::newRow("pan on, left button with the band on: the band")
            << with(eRDFeaturePan, drag({{10, 20}, {30, 50}})) << band << true << 1;
        QTest::newRow("zooms keep a view of no span") << Operation([](Fixture& f) {
            f.display.SetViewPort(CRDPoint(5, 5), CRDPoint(5, 5));
            f.display.ReScaleViewPort(0.5);
            drag({{10, 20}, {30, 50}})(f);
        }) << QRectF(5, 5, 0, 0) << true << 1;
        // The new size's device rectangle is handed to the grid.
        QTest::newRow("resize") << Operation([](Fixture& f) {
            f.display.resize(645, 397);
            QCOMPARE(f.device(), QRect(QPoint(60, 60), QPoint(584, 336)));
        }) << unchanged << true << 0;
    }
    // What an operation on a shown display does to the view, whether it repaints and how often it
    // reports a new view.
    void viewPort()
    {
        const auto [operation, view, repainted,
                    signalCount] = fetch<Operation, QRectF, bool, int>("operation", "view", "repainted", "signals");
        Fixture f;
        f.parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.parent) && QTest::qWaitFor([&] { return !f.log.isEmpty(); }));
        QCoreApplication::sendPostedEvents();
        f.log.clear();
        QSignalSpy spy(&f.display, &CResultDisplay::viewPortChanged);
        operation(f);
        QCOMPARE(f.view(), view);
        QCOMPARE(spy.count(), signalCount);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(!f.log.isEmpty(), repainted);
    }

    // The live calls keep the line's id, colour, styles and name; each paint sees their sum. Each call made
    // returns 1 or 0; "remove" removes the line, "unknown" turns the calls to an id no line has.
    void liveCalls_data()
    {
        columns<QString, QString, QString>("calls", "returned", "drawn");
        const auto row = [](const char* name, const char* calls, const char* returned, const char* drawn) {
            QTest::newRow(name) << QString::fromLatin1(calls) << QString::fromLatin1(returned)
                                << QString::fromLatin1(drawn);
        };
        row("append", "append 6 7", "1", "1 2 3 4 5 6 7");
        row("drop -3", "drop -3", "1", "1 2 3 4 5");
        row("drop more than there are", "drop 9223372036854775807", "1", "");
        row("drops add up", "drop 2|drop 2", "11", "5");
        row("drop past what is left, then append", "drop 9|append 6", "11", "6");
        row("append, then drop into the appended", "append 6 7|drop 6", "11", "7");
        row("set", "set 9 8", "1", "9 8");
        row("drop, then set: the drop is gone", "drop 2|set 9", "11", "9");
        row("unknown id", "unknown|append 6|drop 1|set 6", "000", "1 2 3 4 5");
        row("a removed line", "drop 1|remove|append 6|drop 1|set 6", "1000", "");
    }
    void liveCalls()
    {
        const auto [calls, returned, drawn] = fetch<QString, QString, QString>("calls", "returned", "drawn");
        Fixture f;
        long line = f.display.AddLine(xs({1, 2, 3, 4, 5}), c_ColorRed, eRDLineDotted, eRDPointCross,
                                      QStringLiteral("live"));
        QString results;
        for (const QString& call : calls.split(QLatin1Char('|'))) {
            QStringList words = call.split(QLatin1Char(' '));
            const QString verb = words.takeFirst();
            std::vector<double> values;
            for (const QString& word : words)
                values.push_back(word.toDouble());
            if (verb == QLatin1String("unknown")) {
                line += 1000;
            } else if (verb == QLatin1String("remove")) {
                f.display.RemovedLine(line);
            } else {
                const bool made = verb == QLatin1String("append") ? f.display.AppendLinePoints(line, xs(values))
                                  : verb == QLatin1String("drop") ? f.display.DropLinePoints(line, words[0].toLong())
                                                                  : f.display.SetLinePoints(line, xs(values));
                results += QLatin1Char(made ? '1' : '0');
            }
        }
        QCOMPARE(results, returned);
        f.painted();
        const bool removed = calls.contains(QLatin1String("remove"));
        QCOMPARE(f.vertices, removed ? QStringList() : QStringList(QStringLiteral("live #ff0000 1 2: ") + drawn));
    }

    // Edits made while the line is drawn wait for the end of the paint: the line drawn does not move.
    void editsWhilePainting()
    {
        Fixture f;
        f.actor = f.display.AddLine(xs({1, 2, 3}), c_ColorRed, eRDLineSolid, eRDPointNone, QStringLiteral("actor"));
        f.whileDrawn = [](Fixture& f) {
            std::vector<CRDPoint> many(100000, CRDPoint(4, 1));
            QVERIFY(f.display.AppendLinePoints(f.actor, many) && f.display.DropLinePoints(f.actor, 100002));
            QVERIFY(f.display.SetLinePoints(f.actor, xs({7})) && f.display.AppendLinePoints(f.actor, xs({8, 9})));
            QVERIFY(f.display.DropLinePoints(f.actor, 1));
        };
        f.painted();
        QCOMPARE(f.vertices, list("actor #ff0000 0 0: 1 2 3"));
        f.whileDrawn = nullptr;
        f.painted();
        QCOMPARE(f.vertices, list("actor #ff0000 0 0: 8 9"));
    }

    // Fits to what is drawn, with 5 % of the 80 pixels on every side.
    void fit_data()
    {
        columns<QVector<QPointF>, QRectF>("points", "view");
        const auto framed = [](double left, double right, double bottom, double top) {
            const double x = (right - left) / 18, y = (top - bottom) / 18;
            return QRectF(QPointF(left - x, bottom - y), QPointF(right + x, top + y));
        };
        QTest::newRow("NaN and infinities left out")
            << QVector<QPointF>{{1, 1}, {qnan, 5}, {3, inf}, {-inf, 2}, {2, 3}, {qnan, qnan}} << framed(1, 2, 1, 3);
        QTest::newRow("a flat line: widened by 10 % of its value")
            << QVector<QPointF>{{0, 5}, {10, 5}} << framed(0, 10, 4.75, 5.25);
        QTest::newRow("flat at 0: -1 to 1") << QVector<QPointF>{{0, 0}, {10, 0}} << framed(0, 10, -1, 1);
        QTest::newRow("one point") << QVector<QPointF>{{-20, 4}} << framed(-21, -19, 3.8, 4.2);
        QTest::newRow("wider than a view can span: x stays")
            << QVector<QPointF>{{-1e308, 0}, {1e308, 1}} << QRectF(QPointF(0, -1.0 / 18), QPointF(80, 19.0 / 18));
        QTest::newRow("nothing finite: the view stays")
            << QVector<QPointF>{{qnan, 1}, {2, -inf}} << QRectF(0, 0, 80, 80);
    }
    void fit()
    {
        const auto [input, view] = fetch<QVector<QPointF>, QRectF>("points", "view");
        Fixture f;
        const std::vector<CRDPoint> vertices = points(input);
        // The first two vertices are points of their own, the rest a line, whose first vertex goes.
        const std::size_t single = std::min<std::size_t>(2, vertices.size());
        for (std::size_t i = 0; i < single; ++i)
            f.display.AddPoint(vertices[i], c_ColorRed, eRDPointDot);
        std::vector<CRDPoint> line{CRDPoint(1e9, 1e9)};
        line.insert(line.end(), vertices.begin() + single, vertices.end());
        f.display.DropLinePoints(f.display.AddLine(line, c_ColorRed, eRDLineSolid, eRDPointNone, QString()), 1);
        QSignalSpy spy(&f.display, &CResultDisplay::viewPortChanged);
        f.display.FitViewPortToData();
        QCOMPARE(f.view(), view);
        QCOMPARE(spy.count(), view == QRectF(0, 0, 80, 80) ? 0 : 1);
    }

    // However few doubles a span holds, each step out widens it: here 16 of them at 1.7e9.
    void zoomOutAlwaysWidens_data()
    {
        columns<Operation>("operation");
        QTest::newRow("ReScaleViewPort, with the readout on")
            << with(eRDFeatureReadout, Operation([](Fixture& f) { f.display.ReScaleViewPort(0.99); }));
        QTest::newRow("zoom at the cursor") << with(eRDFeatureZoomAtCursor, wheel({0, -120}, {10, 70}));
    }
    void zoomOutAlwaysWidens()
    {
        const auto [operation] = fetch<Operation>("operation");
        Fixture f;
        const double left = 1.7e9, right = left + 16 * std::nextafter(left, HUGE_VAL) - 16 * left;
        f.display.SetViewPort(CRDPoint(left, 0), CRDPoint(right, 80));
        for (int step = 0; step < 3; ++step) {
            const QRectF before = f.view();
            operation(f);
            QVERIFY(f.view().left() < before.left() && f.view().right() > before.right());
            QVERIFY(f.view().top() < before.top() && f.view().bottom() > before.bottom());
        }
    }

    // A repaint that changes nothing is copied back; after any change made through the display or to
    // its grid the next paint shows exactly what a first paint shows.
    void repaintCache_data()
    {
        // Other pixel ratios: partialRepaints.
        columns<SceneOperation, SceneOperation, int>("prepare", "operation", "grid");
        const SceneOperation none = [](Scene&) {};
        const auto row = [&](const char* name, SceneOperation operation, SceneOperation prepare = {},
                             Scene::Grid grid = Scene::Box) {
            QTest::newRow(name) << (prepare ? prepare : none) << operation << int(grid);
        };
        row("AddLine", [](Scene& s) {
            s.display->AddLine(points({{1, 1}, {8, -1}}), c_ColorRed, eRDLineSolid, eRDPointNone, QString());
        });
        row("AddPoint", [](Scene& s) { s.display->AddPoint(CRDPoint(7, 0.5), c_ColorRed, eRDPointDot); });
        row("RemovedLine", [](Scene& s) { s.display->RemovedLine(s.line); });
        row("RemovedPoint", [](Scene& s) { s.display->RemovedPoint(s.point); });
        row("ClearAll", [](Scene& s) { s.display->ClearAll(); });
        const SceneOperation append = [](Scene& s) { s.display->AppendLinePoints(s.line, points({{10, -1}})); };
        row("AppendLinePoints", append);
        row("DropLinePoints", [](Scene& s) { s.display->DropLinePoints(s.line, 1); });
        row("SetLinePoints", [](Scene& s) { s.display->SetLinePoints(s.line, points({{1, 1}, {2, 0}})); });
        row("legend on", [](Scene& s) { s.display->EnableFeature(eRDFeatureLegend); });
        row("resize", [](Scene& s) { s.resize(QSize(310, 190)); });
        row("the grid's SetViewPort", [](Scene& s) {
            CRDPoint a(2, 0), b(4, 1);
            s.grid->SetViewPort(a, b);
        });
        row("the grid's SetDeviceViewPort", [](Scene& s) {
            CRDDevicePoint a(10, 10), b(200, 150);
            s.grid->SetDeviceViewPort(a, b);
        });
        row("the grid's colours", [](Scene& s) { s.grid->m_GridColor = s.grid->m_TextColor = c_ColorRed; });
        row("the grid's titles", [](Scene& s) { s.grid->m_strYAxisTitle = QStringLiteral("z"); });
        row("the grid's divisions", [](Scene& s) { s.grid->m_iYDivisions = 3; });
        row(
            "the grid's precision", [](Scene& s) { s.grid->m_iYPrecision = 1; },
            [](Scene& s) { s.display->SetViewPort(CRDPoint(0, -1.3), CRDPoint(10, 1.3)); });
        row("the callback's texts", [](Scene& s) { s.callback.prefix = QStringLiteral("u "); });
        row("the callback's name: numeric labels",
            [](Scene& s) { s.callback.m_strName = QStringLiteral("CRDBoxGridLayout"); });
        row("the display's font", [](Scene& s) { s.display->setFont(QFont(s.display->font().family(), 15)); });
        row("decimating grid: AppendLinePoints", append, {}, Scene::Decimating);
        row(
            "axis grid: x to log10", [](Scene& s) { s.axis().SetXScale(eRDScaleLog10); }, {}, Scene::Axis);
        row(
            "axis grid: y to time", [](Scene& s) { s.axis().SetYScale(eRDScaleTime); }, {}, Scene::Axis);
        row(
            "axis grid: time zone", [](Scene& s) { s.axis().SetTimeZone(QTimeZone(7200)); },
            [](Scene& s) {
                s.axis().SetXScale(eRDScaleTime);
                s.display->SetViewPort(CRDPoint(1709640000, -1), CRDPoint(1709726400, 1)); // a day of 2024
            },
            Scene::Axis);
        row(
            "axis grid: the callback's texts", [](Scene& s) { s.callback.prefix = QStringLiteral("u "); }, {},
            Scene::Axis);
    }
    void repaintCache()
    {
        const auto [prepare, operation, grid] = fetch<SceneOperation, SceneOperation, int>("prepare", "operation",
                                                                                           "grid");
        Scene cached(1.0, QSize(300, 200), true, Scene::Grid(grid)),
            plain(1.0, QSize(300, 200), false, Scene::Grid(grid));
        prepare(cached);
        const QImage first = cached.render();
        QCOMPARE(cached.render(), first);
        operation(cached);
        prepare(plain);
        operation(plain);
        const QImage after = cached.render();
        QVERIFY(after != first);
        QCOMPARE(after, plain.render());
    }

    // Partial repaints are copied back from a whole paint of the same picture, or a paint of the same region.
    // The raster engine draws a line crossing a clip's edge a step differently from a whole one, so a pixel
    // copied back may be the whole paint's, but only inside the region.
    void partialRepaints_data()
    {
        columns<qreal, QSize>("ratio", "size");
        QTest::newRow("pixel ratio 1") << 1.0 << QSize(300, 200);
        QTest::newRow("pixel ratio 2, odd size") << 2.0 << QSize(301, 203);
        QTest::newRow("pixel ratio 1.25") << 1.25 << QSize(300, 200);
        QTest::newRow("pixel ratio 1.5, odd size") << 1.5 << QSize(301, 203);
    }
    void partialRepaints()
    {
        const auto [ratio, size] = fetch<qreal, QSize>("ratio", "size");
        Scene cached(ratio, size), plain(ratio, size, false);
        const QRegion band(QRect(60, 40, 90, 70)), inside(QRect(70, 50, 30, 20)), moved(QRect(61, 40, 90, 70));
        const auto same = [&](QRegion region, QPoint at = QPoint()) {
            QImage whole = plain.image.copy();
            plain.display->render(&whole, at);
            const QImage part = plain.render(region, at), got = cached.render(region, at);
            const QRectF bounds = region.isEmpty() ? QRectF(whole.rect()) : QRectF(region.boundingRect());
            const QRect inside = QRectF((bounds.topLeft() + at) * ratio, bounds.size() * ratio).toAlignedRect();
            bool alike = true;
            for (int y = 0; y < got.height(); ++y)
                for (int x = 0; x < got.width(); ++x)
                    alike &= got.pixel(x, y) == part.pixel(x, y)
                             || (inside.contains(x, y) && got.pixel(x, y) == whole.pixel(x, y));
            plain.image = got.copy();
            return alike;
        };
        QVERIFY(same({}) && same(band) && same(band) && same(inside));
        cached.display->DropLinePoints(cached.line, 1);
        plain.display->DropLinePoints(plain.line, 1);
        QVERIFY(same(band) && same(inside) && same(moved) && same(band) && same({}) && same({}));
        // The same picture at a whole pixel's offset in its image.
        QVERIFY(same({}, QPoint(4, 2)) && same(inside, QPoint(4, 2)));
    }

    // Displays sharing a grid each paint into their own rectangle and zoom in their own pixels.
    void sharedGrid()
    {
        Scene one(1.0, QSize(300, 200)), aloneOne(1.0, QSize(300, 200), false), aloneTwo(1.0, QSize(160, 120), false);
        Scene two(1.0, QSize(160, 120));
        two.display.reset(new CResultDisplay(&two.parent, one.grid.get(), c_ColorWhite));
        two.resize(QSize(160, 120));
        two.fill();
        for (int round = 0; round < 2; ++round) {
            QCOMPARE(one.render(), aloneOne.render());
            QCOMPARE(two.render(), aloneTwo.render());
        }

        Fixture f;
        CResultDisplay other(&f.parent, &f, c_ColorOrange);
        other.resize(250, 130);
        other.UpdateDrawAreaRange(250, 130);
        QCOMPARE(f.device(), QRect(QPoint(20, 20), QPoint(228, 108)));
        drag({{10, 20}, {30, 50}})(f);
        QCOMPARE(f.view(), QRectF(QPointF(10, 29), QPointF(31, 60)));
        QCOMPARE(f.device(), QRect(QPoint(0, 0), QPoint(80, 80)));
    }

    // The legend takes the names into a box at the top right; the readout shows the vertex under the mouse.
    void overlays_data()
    {
        columns<SceneOperation, SceneOperation, QStringList, QRect>("operation", "reference", "texts", "area");
        const SceneOperation unchanged = [](Scene&) {};
        const auto move = [](QPoint to) {
            return [=](Scene& s) {
                s.display->EnableFeature(eRDFeatureReadout);
                QMouseEvent event(QEvent::MouseMove, to, QPointF(), Qt::NoButton, Qt::NoButton, {});
                QCoreApplication::sendEvent(s.display.get(), &event);
            };
        };
        // Vertex (3, 0.8) lies at pixel (102, 44), the point (2, -0.5) at (78, 135).
        QTest::newRow("no overlays: the name beside the line") << unchanged << unchanged << list("pressure") << QRect();
        QTest::newRow("legend: the name in the top right corner only") << SceneOperation([](Scene& s) {
            s.display->EnableFeature(eRDFeatureLegend);
        }) << SceneOperation([](Scene& s) {
            s.display->ClearAll();
            s.fill(QString());
        }) << list("pressure") << QRect(140, 30, 131, 70);
        QTest::newRow("readout: the vertex under the mouse")
            << SceneOperation(move({104, 46})) << unchanged << list("pressure|pressure:   x = 3   y = 0.8")
            << QRect(0, 0, 300, 53);
        const SceneOperation shuffled = [](Scene& s) {
            s.display->SetLinePoints(s.line, points({{9, 0.5}, {5, -0.4}, {0, 0}, {3, 0.8}}));
        };
        QTest::newRow("readout: the nearest vertex of a line in any order") << SceneOperation([=](Scene& s) {
            shuffled(s);
            move({99, 41})(s);
        }) << shuffled << list("pressure|pressure:   x = 3   y = 0.8") << QRect(0, 0, 300, 53);
        QTest::newRow("readout: a single point") << SceneOperation(move({80, 133})) << unchanged
                                                 << list("pressure|x = 2   y = -0.5") << QRect(0, 95, 300, 48);
        QTest::newRow("readout: nothing within 20 pixels")
            << SceneOperation(move({200, 150})) << unchanged << list("pressure") << QRect();
        QTest::newRow("readout: gone when the mouse leaves") << SceneOperation([=](Scene& s) {
            move({104, 46})(s);
            QEvent leave(QEvent::Leave);
            QCoreApplication::sendEvent(s.display.get(), &leave);
        }) << unchanged << list("pressure") << QRect();
    }
    void overlays()
    {
        const auto [operation, reference, texts, area] = fetch<SceneOperation, SceneOperation, QStringList, QRect>(
            "operation", "reference", "texts", "area");
        Scene with, without;
        operation(with);
        reference(without);
        RecordingPaintDevice device(QSize(300, 200));
        with.display->render(&device);
        QStringList drawn;
        for (const RecordedPrimitive& primitive : device.primitives())
            if (primitive.kind == RecordedPrimitive::Text
                && (primitive.text.contains(QLatin1String("pressure"))
                    || primitive.text.contains(QLatin1String("x ="))))
                drawn << primitive.text;
        QCOMPARE(drawn, texts);
        // The pixels differ only within the overlay's area, and there show the line's colour.
        bool lineColour = false;
        const QRect differs = differing(without.render(), with.render(), &lineColour);
        QCOMPARE(area | differs, area);
        QVERIFY(area.isNull() || lineColour || texts.last().startsWith(QLatin1String("x =")));
    }

    // Regression: rounding a band's corners beyond int overflowed. The band still zooms, into a usable view.
    void bandBeyondInt()
    {
        Fixture f;
        drag({{1e300, -1e300}, {qQNaN(), qInf()}})(f);
        const QSizeF size = f.view().size();
        QVERIFY(size.width() > 0 && size.width() < 80 && size.height() > 0 && size.height() < 80);
    }
};

QTEST_MAIN(tst_CResultDisplay)
#include "tst_cresultdisplay.moc"
