// Tests of CResultDisplay: ids and stores, device rectangle, painting, viewport operations and zoom.
#include "CRDLinearGrid.h"
#include "CResultDisplay.h"
#include "DataTable.h"
#include "RecordingPaintDevice.h"

#include <QtTest>

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
        display.render(&device, QPoint(), QRegion(), {});
        return QStringList(device.shapes()) + log;
    }

    QStringList log;
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

Operation wheel(QPoint angle)
{
    return [=](Fixture& f) {
        f.send(QWheelEvent(QPointF(40, 40), QPointF(), QPoint(), angle, {}, {}, Qt::NoScrollPhase, false));
    };
}

Operation without(ERDFeature feature, Operation operation)
{
    return [=](Fixture& f) {
        f.display.DisableFeature(feature);
        operation(f);
    };
}

} // namespace

Q_DECLARE_METATYPE(Operation)

class tst_CResultDisplay : public QObject
{
    Q_OBJECT

private slots:
    // Two sequences, each shared by all displays and not restarted by ClearAll.
    void ids()
    {
        Fixture a, b;
        const long line = a.addLine("a"), point = b.addPoint(0);
        QCOMPARE(b.addLine("b"), line + 1);
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
        QTest::newRow("250 x 130") << QSize(250, 130) << QSize(4, 4) << QRect(QPoint(20, 20), QPoint(228, 108));
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
        columns<Operation, QRectF, bool>("operation", "view", "repainted");
        const QRectF unchanged(0, 0, 80, 80), band(QPointF(10, 29), QPointF(31, 60));
        QTest::newRow("AddLine") << Operation([](Fixture& f) { f.addLine("new"); }) << unchanged << false;
        QTest::newRow("SetViewPort, any two corners")
            << Operation([](Fixture& f) { f.display.SetViewPort(CRDPoint(2, 1), CRDPoint(1, 2)); })
            << QRectF(1, 1, 1, 1) << false;
        QTest::newRow("SetViewPort from pixels, in either order") << Operation([](Fixture& f) {
            CRDDevicePoint a(30, 20), b(10, 50);
            f.display.SetViewPort(a, b);
        }) << QRectF(QPointF(10, 30), QPointF(30, 60)) << false;
        QTest::newRow("ResetViewPort after other views") << Operation([](Fixture& f) {
            f.display.SetViewPort(CRDPoint(1, 1), CRDPoint(2, 2));
            f.display.ResetViewPort();
        }) << unchanged << false;
        QTest::newRow("a notch away: 1 % in at each edge") << wheel({0, 120}) << QRectF(0.8, 0.8, 78.4, 78.4) << true;
        QTest::newRow("a notch toward: 1 % out") << wheel({0, -120}) << QRectF(-0.8, -0.8, 81.6, 81.6) << true;
        QTest::newRow("two notches of a horizontal wheel") << wheel({240, 0}) << QRectF(1.6, 1.6, 76.8, 76.8) << true;
        QTest::newRow("less than a notch") << wheel({0, -119}) << unchanged << true;
        QTest::newRow("50 notches would leave no span") << wheel({0, 6000}) << unchanged << true;
        QTest::newRow("wheel switched off") << without(eRDFeatureWheelZoom, wheel({0, 120})) << unchanged << false;
        // The band covers both corner pixels: pixels 10 to 30 and 20 to 50 show x 10 to 31 and y 29 to 60.
        QTest::newRow("band down and right") << drag({{10, 20}, {30, 50}}) << band << true;
        QTest::newRow("band up and left") << drag({{30, 50}, {10, 20}}) << band << true;
        QTest::newRow("band a pixel up and left, right button: both pixels kept")
            << drag({{10, 20}, {9, 19}}, Qt::RightButton) << QRectF(QPointF(9, 59), QPointF(11, 61)) << true;
        QTest::newRow("band away and back, middle button: one pixel")
            << drag({{10, 20}, {40, 40}, {10, 20}}, Qt::MiddleButton) << QRectF(10, 59, 1, 1) << true;
        QTest::newRow("band without a move") << drag({{10, 20}}) << unchanged << true;
        QTest::newRow("band switched off")
            << without(eRDFeatureRubberBandZoom, drag({{10, 20}, {30, 50}})) << unchanged << false;
        QTest::newRow("zooms keep a view of no span") << Operation([](Fixture& f) {
            f.display.SetViewPort(CRDPoint(5, 5), CRDPoint(5, 5));
            f.display.ReScaleViewPort(0.5);
            drag({{10, 20}, {30, 50}})(f);
        }) << QRectF(5, 5, 0, 0) << true;
        // The new size's device rectangle is handed to the grid.
        QTest::newRow("resize") << Operation([](Fixture& f) {
            f.display.resize(645, 397);
            QCOMPARE(f.device(), QRect(QPoint(60, 60), QPoint(584, 336)));
        }) << unchanged << true;
    }
    // What an operation on a shown display does to the view, and whether it repaints.
    void viewPort()
    {
        const auto [operation, view, repainted] = fetch<Operation, QRectF, bool>("operation", "view", "repainted");
        Fixture f;
        f.parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.parent) && QTest::qWaitFor([&] { return !f.log.isEmpty(); }));
        QCoreApplication::sendPostedEvents();
        f.log.clear();
        operation(f);
        QCOMPARE(f.view(), view);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(!f.log.isEmpty(), repainted);
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
