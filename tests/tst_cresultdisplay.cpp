// Tests of CResultDisplay: ids and stores, device rectangle, painting, viewport operations and zoom.
#include "CRDLinearGrid.h"
#include "CResultDisplay.h"
#include "RecordingPaintDevice.h"
#include "TestRows.h"

#include <functional>

using namespace KelmFramework;

namespace
{

// A display over a grid that maps like any linear grid and logs what the display hands it. The view is
// (0, 0)-(80, 80), so that at 80 x 80 pixels pixel (x, y) shows user (x, 80 - y).
struct Fixture : CRDLinearGrid
{
    Fixture(int width = 80, int height = 80, long xDivisions = 4, long yDivisions = 4)
        : CRDLinearGrid(s_Start, s_End, QString(), QString(), xDivisions, yDivisions, 1, 1, c_ColorBlack, c_ColorBlack)
    {
        display.resize(width, height);
        display.UpdateDrawAreaRange(width, height); // a hidden widget has its resize event only when shown
    }
    explicit Fixture(ERDFeature feature) : Fixture() { enable(feature); }
    // The device rectangle and margin, and the painter: its pen, brush style and antialiasing.
    void DrawGrid(QPainter& painter, CRDDevicePoint&, CRDDevicePoint&, long margin) override
    {
        log << QStringLiteral("grid %1 %2 %3 %4 %5 %6").arg(device()).arg(margin).arg(painter.pen().color().name())
                   .arg(painter.pen().widthF()).arg(painter.brush().style())
                   .arg(painter.testRenderHint(QPainter::Antialiasing));
    }
    void DrawPoint(QPainter&, CRDDecoratedPoint& point) override { log << QStringLiteral("point %1").arg(point.m_dX); }
    void DrawLine(QPainter&, CRDDecoratedLine& line) override { log << QStringLiteral("line ") + line.m_strName; }
    QString device() const
    {
        return QStringLiteral("%1,%2 %3,%4").arg(m_DeviceLeftTop.m_iX).arg(m_DeviceLeftTop.m_iY)
            .arg(m_DeviceRightBottom.m_iX).arg(m_DeviceRightBottom.m_iY);
    }
    QString view() const
    {
        return QStringLiteral("%1,%2 %3,%4").arg(m_ViewPortLeftBottom.m_dX).arg(m_ViewPortLeftBottom.m_dY)
            .arg(m_ViewPortRightTop.m_dX).arg(m_ViewPortRightTop.m_dY);
    }

    Fixture& enable(ERDFeature feature) { display.EnableFeature(feature); return *this; }
    Fixture& send(QEvent&& event)
    {
        QCoreApplication::sendEvent(&display, &event);
        return *this;
    }
    // Press at the first point, move through the others, release at the last.
    Fixture& drag(QVector<QPoint> path, Qt::MouseButton button = Qt::LeftButton)
    {
        send(QMouseEvent(QEvent::MouseButtonPress, path.first(), button, button, {}));
        for (const QPoint& pos : path.mid(1))
            send(QMouseEvent(QEvent::MouseMove, pos, button, button, {}));
        return send(QMouseEvent(QEvent::MouseButtonRelease, path.last(), button, Qt::NoButton, {}));
    }
    Fixture& wheel(QPoint angle)
    {
        return send(QWheelEvent(QPointF(40, 40), QPointF(), QPoint(), angle, {}, {}, Qt::NoScrollPhase, false));
    }

    QStringList log;
    QWidget parent;
    CResultDisplay display{&parent, this, c_ColorOrange};
    static inline CRDPoint s_Start{0, 0}, s_End{80, 80};
};

// Whether an operation on a shown display repaints it, and the device rectangle afterwards.
QString repaints(std::function<void(Fixture&)> operation)
{
    Fixture f;
    f.enable(eRDFeatureRubberBandZoom).enable(eRDFeatureWheelZoom).parent.show();
    if (!QTest::qWaitForWindowExposed(&f.parent) || !QTest::qWaitFor([&] { return !f.log.isEmpty(); }))
        return QStringLiteral("not shown");
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    f.log.clear();
    operation(f);
    const bool painted = QTest::qWaitFor([&] { return !f.log.isEmpty(); }, 200);
    return QLatin1String(painted ? "repaint " : "no repaint ") + f.device();
}

} // namespace

class tst_CResultDisplay : public QObject
{
    Q_OBJECT

private slots:
    // Runs first: the id counters start at 0 when the library is loaded.
    void idsAndPaintOrder()
    {
        Fixture a(250, 130), b;
        std::vector<CRDPoint> none, two{CRDPoint(1, 1), CRDPoint(2, 2)};
        const auto line = [](Fixture& f, std::vector<CRDPoint>& points, const char* name) {
            return f.display.AddLine(points, c_ColorRed, eRDLineSolid, eRDPointNone, QLatin1String(name));
        };
        const auto dot = [](Fixture& f, int x) { return f.display.AddPoint(CRDPoint(x, 0), c_ColorRed, eRDPointDot); };
        // Two sequences, each shared by all displays, and not restarted by ClearAll.
        const QVector<long> ids{line(a, none, ""), line(b, none, ""), dot(b, 0), dot(a, 0)};
        a.display.ClearAll();
        QCOMPARE(ids + QVector<long>({line(a, two, "gone"), dot(a, 3), line(a, two, "a"), dot(a, 1),
                                      line(a, none, "empty"), dot(a, 2)}),
                 QVector<long>({1, 2, 1, 2, 3, 3, 4, 4, 5, 5}));
        a.display.RemovedLine(3);
        RecordingPaintDevice device;
        a.display.render(&device, QPoint(), QRegion(), {});
        QCOMPARE(device.shapes().section(QLatin1Char('|'), 0, 0), QLatin1String("rect 0,0 250x130 fill #ff8000"));
        QCOMPARE(a.log.join(QLatin1String("; ")),
                 QLatin1String("grid 20,20 228,108 20 #ff8000 0 0 1; point 3; point 1; point 2; line a; line empty"));
    }

    void displays_data()
    {
        addResultColumns();
        QTest::newRow("645 x 397 pixels, 7 and 6 divisions") << Fixture(645, 397, 7, 6).device() << "60,60 585,336";
        const ERDFeature band = eRDFeatureRubberBandZoom, wheel = eRDFeatureWheelZoom;
        // The band covers its corner pixels: pixels 10 to 30 and 20 to 50 show x 10 to 31 and y 29 to 60.
        QTest::newRow("band") << Fixture(band).drag({{10, 20}, {30, 50}}).view() << "10,29 31,60";
        QTest::newRow("band, right button, a pixel up and left")
            << Fixture(band).drag({{10, 20}, {9, 19}}, Qt::RightButton).view() << "9,59 11,61";
        QTest::newRow("band switched off") << Fixture(wheel).drag({{10, 20}, {30, 50}}).view() << "0,0 80,80";
        QTest::newRow("two notches, horizontal: 2 % in at each edge") << Fixture(wheel).wheel({240, 0}).view()
                                                                      << "1.6,1.6 78.4,78.4";
        QTest::newRow("less than a notch") << Fixture(wheel).wheel({0, -119}).view() << "0,0 80,80";
        QTest::newRow("50 notches would leave no span") << Fixture(wheel).wheel({0, 6000}).view() << "0,0 80,80";
        QTest::newRow("wheel switched off") << Fixture(band).wheel({0, 120}).view() << "0,0 80,80";
        Fixture set, reset(wheel);
        CRDDevicePoint a(30, 20), b(10, 50);
        set.display.SetViewPort(a, b);
        QTest::newRow("view from pixels") << set.view() << "10,30 30,60";
        reset.wheel({0, 1200}).display.SetViewPort(CRDPoint(1, 1), CRDPoint(2, 2));
        reset.display.ResetViewPort();
        QTest::newRow("reset after zooms") << reset.view() << "0,0 80,80";

        std::vector<CRDPoint> none;
        const QString kept = QStringLiteral("no repaint 0,0 80,80"), painted = QStringLiteral("repaint 0,0 80,80");
        QTest::newRow("AddLine") << repaints([&](Fixture& f) {
            f.display.AddLine(none, c_ColorRed, eRDLineSolid, eRDPointNone, QString());
        }) << kept;
        QTest::newRow("ReScaleViewPort") << repaints([](Fixture& f) { f.display.ReScaleViewPort(1.01); }) << painted;
        QTest::newRow("band released") << repaints([](Fixture& f) { f.drag({{10, 10}, {20, 20}}); }) << painted;
        QTest::newRow("resize") << repaints([](Fixture& f) { f.display.resize(645, 397); }) << "repaint 60,60 584,336";
    }
    void displays() { compareResults(); }
};

QTEST_MAIN(tst_CResultDisplay)
#include "tst_cresultdisplay.moc"
