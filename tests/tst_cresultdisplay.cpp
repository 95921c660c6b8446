// Tests of CResultDisplay: ids and stores, device rectangle, painting, viewport operations and zoom.
#include "CRDLinearGrid.h"
#include "CResultDisplay.h"
#include "RDNumeric_p.h"

#include <QGestureEvent>
#include <QPainter>
#include <QRubberBand>
#include <QtTest>

#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <limits>

using namespace KelmFramework;

namespace
{

// Maps like any linear grid and records what the display hands it.
class RecordingGrid : public CRDLinearGrid
{
public:
    explicit RecordingGrid(CRDPoint a = CRDPoint(0, 0), CRDPoint b = CRDPoint(80, 80))
        : CRDLinearGrid(a, b, QString(), QString(), 4, 4, 1, 1, c_ColorBlack, c_ColorBlack)
    {
    }
    void SetDeviceViewPort(CRDDevicePoint& leftTop, CRDDevicePoint& rightBottom) override
    {
        device = {leftTop.m_iX, leftTop.m_iY, rightBottom.m_iX, rightBottom.m_iY};
        CRDLinearGrid::SetDeviceViewPort(leftTop, rightBottom);
    }
    void DrawGrid(QPainter& painter, CRDDevicePoint& leftTop, CRDDevicePoint& rightBottom, long margin) override
    {
        log << QStringLiteral("grid");
        drawnDevice = {leftTop.m_iX, leftTop.m_iY, rightBottom.m_iX, rightBottom.m_iY, margin};
        pen = painter.pen();
        brush = painter.brush();
        antialiased = painter.testRenderHint(QPainter::Antialiasing);
    }
    void DrawPoint(QPainter&, CRDDecoratedPoint& point) override { log << QStringLiteral("point %1").arg(point.m_dX); }
    void DrawLine(QPainter&, CRDDecoratedLine& line) override { log << QStringLiteral("line ") + line.m_strName; }

    QRectF viewPort() const
    {
        const CRDPoint lb = GetViewPortLeftButton(), rt = GetViewPortRightTop();
        return QRectF(lb.m_dX, lb.m_dY, rt.m_dX - lb.m_dX, rt.m_dY - lb.m_dY);
    }
    bool usable() const
    {
        const CRDPoint lb = GetViewPortLeftButton(), rt = GetViewPortRightTop();
        return Numeric::IsUsableSpan(lb.m_dX, rt.m_dX) && Numeric::IsUsableSpan(lb.m_dY, rt.m_dY);
    }

    QVector<long> device, drawnDevice;
    QStringList log;
    QPen pen;
    QBrush brush;
    bool antialiased = false;
};

class TestDisplay : public CResultDisplay
{
public:
    using CResultDisplay::CResultDisplay;
    using CResultDisplay::event;
    using CResultDisplay::mouseMoveEvent;
    using CResultDisplay::mousePressEvent;
    using CResultDisplay::mouseReleaseEvent;
    using CResultDisplay::wheelEvent;
    QRubberBand* band() const { return m_pRubberBand; }
    long margin() const { return m_iMargin; }
};

// A shown display of the given size over a recording grid, 80 x 80 by default: there, with the
// view (0, 0)-(80, 80), pixel (x, y) shows user (x, 80 - y).
struct Fixture
{
    explicit Fixture(QSize size = QSize(80, 80), CRDPoint a = CRDPoint(0, 0), CRDPoint b = CRDPoint(80, 80))
        : grid(a, b), display(&parent, &grid, c_ColorOrange)
    {
        parent.resize(size);
        display.resize(size);
        parent.show();
    }
    bool shown() { return QTest::qWaitForWindowExposed(&parent); }

    void mouse(QEvent::Type type, QPoint pos, Qt::MouseButton button)
    {
        QMouseEvent event(type, pos, display.mapToGlobal(pos), button,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button), Qt::NoModifier);
        QCoreApplication::sendEvent(&display, &event);
    }
    bool wheel(QPoint angleDelta)
    {
        const QPointF global(display.mapToGlobal(QPoint(40, 40)));
        QWheelEvent event(QPointF(40, 40), global, QPoint(), angleDelta, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&display, &event);
        return event.isAccepted();
    }

    QWidget parent;
    RecordingGrid grid;
    TestDisplay display;
};

std::vector<CRDPoint> noPoints;

} // namespace

class tst_CResultDisplay : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void idsCountAcrossDisplays();
    void paintOrderAndPainterState();
    void onlyZoomsRepaint_data();
    void onlyZoomsRepaint();
    void deviceRectangle_data();
    void deviceRectangle();
    void deviceRectangleFollowsResize();
    void rubberBand_data();
    void rubberBand();
    void wheel_data();
    void wheel();
    void zoomExtremesKeepAUsableView_data();
    void zoomExtremesKeepAUsableView();
    void reScaleViewPort_data();
    void reScaleViewPort();
    void setAndResetViewPort();
    void handlersLeaveEventsToTheFeatures_data();
    void handlersLeaveEventsToTheFeatures();
    void nullParentExitsWithStatus1();
};

void tst_CResultDisplay::initTestCase()
{
    // The counters start at 0 when the library is loaded, so the first ids are 1.
    QCOMPARE(CResultDisplay::s_iLineIndex, 0L);
    QCOMPARE(CResultDisplay::s_iPointIndex, 0L);
}

void tst_CResultDisplay::idsCountAcrossDisplays()
{
    QWidget parent;
    RecordingGrid gridA, gridB;
    CResultDisplay a(&parent, &gridA, c_ColorWhite), b(&parent, &gridB, c_ColorWhite);
    const long line = CResultDisplay::s_iLineIndex, point = CResultDisplay::s_iPointIndex;

    QCOMPARE(a.AddLine(noPoints, c_ColorRed, eRDLineSolid, eRDPointNone, QString()), line + 1);
    QCOMPARE(b.AddLine(noPoints, c_ColorRed, eRDLineSolid, eRDPointNone, QString()), line + 2);
    QCOMPARE(b.AddPoint(CRDPoint(1, 1), c_ColorRed, eRDPointDot), point + 1); // a sequence of its own
    QCOMPARE(a.AddPoint(CRDPoint(1, 1), c_ColorRed, eRDPointDot), point + 2);
    a.ClearAll();
    QCOMPARE(a.AddLine(noPoints, c_ColorRed, eRDLineSolid, eRDPointNone, QString()), line + 3); // no restart
    QCOMPARE(CResultDisplay::s_iLineIndex, line + 3);
}

void tst_CResultDisplay::paintOrderAndPainterState()
{
    Fixture f(QSize(250, 130));
    // Let the next id name a line and a point at once.
    const long id = std::max(CResultDisplay::s_iLineIndex, CResultDisplay::s_iPointIndex) + 1;
    CResultDisplay::s_iLineIndex = CResultDisplay::s_iPointIndex = id - 1;
    std::vector<CRDPoint> vertices{CRDPoint(1, 1), CRDPoint(2, 2)};
    f.display.AddLine(vertices, c_ColorRed, eRDLineSolid, eRDPointNone, QStringLiteral("removed"));
    f.display.AddPoint(CRDPoint(3, 0), c_ColorRed, eRDPointDot);
    f.display.AddLine(vertices, c_ColorRed, eRDLineSolid, eRDPointNone, QStringLiteral("a"));
    f.display.AddPoint(CRDPoint(1, 0), c_ColorRed, eRDPointDot);
    f.display.AddLine(noPoints, c_ColorRed, eRDLineSolid, eRDPointNone, QStringLiteral("empty"));
    f.display.AddPoint(CRDPoint(2, 0), c_ColorRed, eRDPointDot);
    f.display.RemovedLine(id); // point 3 has the same id and stays
    f.display.RemovedPoint(-5);

    f.grid.log.clear();
    const QImage image = f.display.grab().toImage();
    // Grid first, then points, then lines, each in id order; a line without vertices is still handed over.
    QCOMPARE(f.grid.log, QStringList({QStringLiteral("grid"), QStringLiteral("point 3"), QStringLiteral("point 1"),
                                      QStringLiteral("point 2"), QStringLiteral("line a"),
                                      QStringLiteral("line empty")}));
    QCOMPARE(f.grid.drawnDevice, (QVector<long>{20, 20, 228, 108, 20}));
    QVERIFY(f.grid.antialiased);
    QCOMPARE(f.grid.pen.color(), QColor(c_ColorOrange));
    QCOMPARE(f.grid.pen.widthF(), 0.0);
    QCOMPARE(f.grid.pen.capStyle(), Qt::FlatCap);
    QCOMPARE(f.grid.brush.style(), Qt::NoBrush); // squares stay outlines
    QCOMPARE(image.pixelColor(0, 0), QColor(c_ColorOrange));
    QCOMPARE(image.pixelColor(249, 129), QColor(c_ColorOrange));
}

enum Operation { AddLine, RemovedLine, ClearAll, SetUserViewPort, SetDeviceViewPort, ResetViewPort, ReScale,
                 HalfWheelNotch, RubberBandRelease };

void tst_CResultDisplay::onlyZoomsRepaint_data()
{
    QTest::addColumn<int>("operation");
    QTest::addColumn<bool>("repaints");
    QTest::newRow("AddLine") << int(AddLine) << false;
    QTest::newRow("RemovedLine") << int(RemovedLine) << false;
    QTest::newRow("ClearAll") << int(ClearAll) << false;
    QTest::newRow("SetViewPort in user coordinates") << int(SetUserViewPort) << false;
    QTest::newRow("SetViewPort in pixels") << int(SetDeviceViewPort) << false;
    QTest::newRow("ResetViewPort") << int(ResetViewPort) << false;
    QTest::newRow("ReScaleViewPort") << int(ReScale) << true;
    QTest::newRow("a wheel turn too small to zoom") << int(HalfWheelNotch) << true;
    QTest::newRow("rubber band release") << int(RubberBandRelease) << true;
}

void tst_CResultDisplay::onlyZoomsRepaint()
{
    QFETCH(int, operation);
    QFETCH(bool, repaints);

    Fixture f;
    f.display.EnableFeature(eRDFeatureWheelZoom);
    f.display.EnableFeature(eRDFeatureRubberBandZoom);
    const long line = f.display.AddLine(noPoints, c_ColorRed, eRDLineSolid, eRDPointNone, QString());
    f.mouse(QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton);
    f.mouse(QEvent::MouseMove, QPoint(20, 20), Qt::LeftButton);
    QVERIFY(f.shown());
    QTRY_VERIFY(f.grid.log.contains(QStringLiteral("grid")));
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    f.grid.log.clear();

    CRDDevicePoint a(10, 10), b(20, 20);
    switch (operation) {
    case AddLine: f.display.AddLine(noPoints, c_ColorRed, eRDLineSolid, eRDPointNone, QString()); break;
    case RemovedLine: f.display.RemovedLine(line); break;
    case ClearAll: f.display.ClearAll(); break;
    case SetUserViewPort: f.display.SetViewPort(CRDPoint(1, 1), CRDPoint(2, 2)); break;
    case SetDeviceViewPort: f.display.SetViewPort(a, b); break;
    case ResetViewPort: f.display.ResetViewPort(); break;
    case ReScale: f.display.ReScaleViewPort(1.01); break;
    case HalfWheelNotch: f.wheel(QPoint(0, 60)); break;
    case RubberBandRelease: f.mouse(QEvent::MouseButtonRelease, QPoint(20, 20), Qt::LeftButton); break;
    }
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    if (!repaints) {
        QVERIFY(f.grid.log.isEmpty());
        f.display.update();
    }
    QTRY_VERIFY(f.grid.log.contains(QStringLiteral("grid")));
}

void tst_CResultDisplay::deviceRectangle_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<long>("xDivisions"); // written to the public member, as an application may
    QTest::addColumn<long>("yDivisions");
    QTest::addColumn<QVector<long>>("device"); // left, top, right, bottom; the margin is the left
    QTest::newRow("645 x 397, 7 and 6 divisions") << QSize(645, 397) << 7L << 6L << QVector<long>{60, 60, 585, 336};
    QTest::newRow("narrower than 100: no margin") << QSize(99, 50) << 4L << 4L << QVector<long>{0, 0, 96, 48};
    QTest::newRow("only the height grew: same margin")
        << QSize(250, 500) << 4L << 4L << QVector<long>{20, 20, 228, 480};
    QTest::newRow("lower than twice the margin: the span's absolute value")
        << QSize(1000, 50) << 4L << 4L << QVector<long>{100, 100, 900, 248};
    QTest::newRow("a division count of 0 counts as 1")
        << QSize(250, 130) << 0L << 4L << QVector<long>{20, 20, 230, 108};
    QTest::newRow("too small for a pixel per division") << QSize(3, 3) << 4L << 4L << QVector<long>{0, 0, 0, 0};
    QTest::newRow("a negative size is an empty widget") << QSize(-50, -50) << 4L << 4L << QVector<long>{0, 0, 0, 0};
}

void tst_CResultDisplay::deviceRectangle()
{
    QFETCH(QSize, size);
    QFETCH(long, xDivisions);
    QFETCH(long, yDivisions);
    QFETCH(QVector<long>, device);

    QWidget parent;
    RecordingGrid grid;
    grid.m_iXDivisions = xDivisions;
    grid.m_iYDivisions = yDivisions;
    TestDisplay display(&parent, &grid, c_ColorWhite);
    display.UpdateDrawAreaRange(size.width(), size.height());
    QCOMPARE(grid.device, device);
    QCOMPARE(display.margin(), device[0]);
}

void tst_CResultDisplay::deviceRectangleFollowsResize()
{
    QWidget parent;
    RecordingGrid grid;
    CResultDisplay display(&parent, &grid, c_ColorWhite);
    QCOMPARE(grid.device, (QVector<long>{10, 10, 90, 18})); // a child starts at 100 x 30
    parent.show();
    display.resize(645, 397);
    QTRY_COMPARE(grid.device, (QVector<long>{60, 60, 584, 336}));
}

void tst_CResultDisplay::rubberBand_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("button");
    QTest::addColumn<QVector<QPoint>>("path"); // press, moves, release at the last
    QTest::addColumn<QRectF>("viewPort");      // left, bottom, width, height

    const QSize size(80, 80);
    const QRectF unchanged(0, 0, 80, 80);
    const QRectF band(10, 29, 21, 31); // pixels 10..30 and 20..50, one past the last pixel
    QTest::newRow("top-left to bottom-right")
        << size << true << int(Qt::LeftButton) << QVector<QPoint>{{10, 20}, {30, 50}} << band;
    QTest::newRow("bottom-right to top-left, the same pixels")
        << size << true << int(Qt::LeftButton) << QVector<QPoint>{{30, 50}, {10, 20}} << band;
    QTest::newRow("right button") << size << true << int(Qt::RightButton) << QVector<QPoint>{{10, 20}, {30, 50}}
                                  << band;
    QTest::newRow("middle button") << size << true << int(Qt::MiddleButton) << QVector<QPoint>{{10, 20}, {30, 50}}
                                   << band;
    QTest::newRow("back to the press point: one pixel")
        << size << true << int(Qt::LeftButton) << QVector<QPoint>{{10, 20}, {30, 50}, {10, 20}} << QRectF(10, 59, 1, 1);
    QTest::newRow("one pixel left and up spans two, as right and down does")
        << size << true << int(Qt::LeftButton) << QVector<QPoint>{{10, 20}, {9, 19}} << QRectF(9, 59, 2, 2);
    QTest::newRow("band into the margin reaches beyond the view")
        << size << true << int(Qt::LeftButton) << QVector<QPoint>{{70, 70}, {90, 90}} << QRectF(70, -11, 21, 21);
    QTest::newRow("release without a move") << size << true << int(Qt::LeftButton) << QVector<QPoint>{{10, 20}}
                                            << unchanged;
    QTest::newRow("switched off") << size << false << int(Qt::LeftButton) << QVector<QPoint>{{10, 20}, {30, 50}}
                                  << unchanged;
    // 3 x 3 pixels cannot hold 4 divisions: the device rectangle is empty and pixels map to no range.
    QTest::newRow("empty device rectangle") << QSize(3, 3) << true << int(Qt::LeftButton)
                                            << QVector<QPoint>{{0, 0}, {2, 2}} << unchanged;
}

void tst_CResultDisplay::rubberBand()
{
    QFETCH(QSize, size);
    QFETCH(bool, enabled);
    QFETCH(int, button);
    QFETCH(QVector<QPoint>, path);
    QFETCH(QRectF, viewPort);

    Fixture f(size);
    QVERIFY(f.shown());
    if (enabled)
        f.display.EnableFeature(eRDFeatureRubberBandZoom);
    const Qt::MouseButton mouseButton = Qt::MouseButton(button);
    f.mouse(QEvent::MouseButtonPress, path.first(), mouseButton);
    QCOMPARE(f.display.band() != nullptr, enabled);
    if (enabled)
        QVERIFY(f.display.band()->isVisible());
    for (int i = 1; i < path.size(); ++i)
        f.mouse(QEvent::MouseMove, path[i], mouseButton);
    f.mouse(QEvent::MouseButtonRelease, path.last(), mouseButton);
    if (enabled)
        QVERIFY(!f.display.band()->isVisible());
    QCOMPARE(f.grid.viewPort(), viewPort);
}

void tst_CResultDisplay::wheel_data()
{
    QTest::addColumn<QPoint>("angleDelta");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QRectF>("viewPort");
    const QRectF unchanged(0, 0, 80, 80);
    QTest::newRow("one notch away narrows each edge by 1 %") << QPoint(0, 120) << true << QRectF(0.8, 0.8, 78.4, 78.4);
    QTest::newRow("one notch toward widens each edge by 1 %")
        << QPoint(0, -120) << true << QRectF(-0.8, -0.8, 81.6, 81.6);
    QTest::newRow("two notches in one event") << QPoint(0, 240) << true << QRectF(1.6, 1.6, 76.8, 76.8);
    QTest::newRow("horizontal wheel") << QPoint(240, 0) << true << QRectF(1.6, 1.6, 76.8, 76.8);
    QTest::newRow("the larger component counts") << QPoint(120, -360) << true << QRectF(-2.4, -2.4, 84.8, 84.8);
    QTest::newRow("half a notch") << QPoint(0, 60) << true << unchanged;
    QTest::newRow("just short of a notch back") << QPoint(0, -119) << true << unchanged;
    QTest::newRow("50 notches: the span would be zero") << QPoint(0, 6000) << true << unchanged;
    QTest::newRow("100 notches: the edges would cross") << QPoint(0, 12000) << true << unchanged;
    QTest::newRow("switched off") << QPoint(0, 120) << false << unchanged;
}

void tst_CResultDisplay::wheel()
{
    QFETCH(QPoint, angleDelta);
    QFETCH(bool, enabled);
    QFETCH(QRectF, viewPort);

    Fixture f;
    if (enabled)
        f.display.EnableFeature(eRDFeatureWheelZoom);
    QCOMPARE(f.wheel(angleDelta), enabled);
    QCOMPARE(f.grid.viewPort(), viewPort);
}

void tst_CResultDisplay::zoomExtremesKeepAUsableView_data()
{
    QTest::addColumn<QRectF>("start");
    QTest::addColumn<QPoint>("delta");
    QTest::addColumn<int>("events");
    QTest::addColumn<QPoint>("thenDelta");
    QTest::addColumn<int>("thenEvents");
    const QRectF atForty(0, 0, 80, 80), atZero(-1, -1, 2, 2);
    QTest::newRow("10,000 notches in, then out") << atForty << QPoint(0, 120) << 10000 << QPoint(0, -120) << 10000;
    QTest::newRow("10,000 notches in about 0, then out")
        << atZero << QPoint(0, 120) << 10000 << QPoint(0, -120) << 10000;
    // 49 notches keep 2 % of the span: the double's last bits are reached within a few hundred events.
    QTest::newRow("49 notches an event, to the last bit") << atForty << QPoint(0, 5880) << 400 << QPoint(0, -120) << 1;
    QTest::newRow("49 notches an event, into denormals") << atZero << QPoint(0, 5880) << 400 << QPoint(0, -120) << 1;
    QTest::newRow("1000 notches out an event, past the largest double")
        << atForty << QPoint(0, -120000) << 400 << QPoint(0, 120) << 1;
}

void tst_CResultDisplay::zoomExtremesKeepAUsableView()
{
    QFETCH(QRectF, start);
    QFETCH(QPoint, delta);
    QFETCH(int, events);
    QFETCH(QPoint, thenDelta);
    QFETCH(int, thenEvents);

    Fixture f(QSize(80, 80), CRDPoint(start.left(), start.top()), CRDPoint(start.right(), start.bottom()));
    f.display.EnableFeature(eRDFeatureWheelZoom);
    f.display.EnableFeature(eRDFeatureRubberBandZoom);
    for (int i = 0; i < events; ++i)
        f.wheel(delta);
    QVERIFY(f.grid.usable());
    QVERIFY(f.grid.viewPort() != start);
    // A band on the narrowest view still leaves a usable one.
    f.mouse(QEvent::MouseButtonPress, QPoint(40, 40), Qt::LeftButton);
    f.mouse(QEvent::MouseMove, QPoint(40, 40), Qt::LeftButton);
    f.mouse(QEvent::MouseButtonRelease, QPoint(40, 40), Qt::LeftButton);
    QVERIFY(f.grid.usable());
    for (int i = 0; i < thenEvents; ++i)
        f.wheel(thenDelta);
    QVERIFY(f.grid.usable());
}

void tst_CResultDisplay::reScaleViewPort_data()
{
    const double inf = std::numeric_limits<double>::infinity();
    QTest::addColumn<double>("factor");
    QTest::addColumn<QRectF>("viewPort");
    const QRectF unchanged(0, 0, 80, 80);
    QTest::newRow("1.25 moves each edge in by a quarter") << 1.25 << QRectF(20, 20, 40, 40);
    QTest::newRow("0.5 moves each edge out by half") << 0.5 << QRectF(-40, -40, 160, 160);
    QTest::newRow("1 keeps the range") << 1.0 << unchanged;
    QTest::newRow("1.5 would leave no span: kept") << 1.5 << unchanged;
    QTest::newRow("2 would cross the edges: kept") << 2.0 << unchanged;
    QTest::newRow("NaN: kept") << std::nan("") << unchanged;
    QTest::newRow("-inf: kept") << -inf << unchanged;
}

void tst_CResultDisplay::reScaleViewPort()
{
    QFETCH(double, factor);
    QFETCH(QRectF, viewPort);
    Fixture f;
    f.display.ReScaleViewPort(factor);
    QCOMPARE(f.grid.viewPort(), viewPort);
}

void tst_CResultDisplay::setAndResetViewPort()
{
    Fixture f;
    f.display.SetViewPort(CRDPoint(10, 50), CRDPoint(5, 20)); // the grid sorts each axis
    QCOMPARE(f.grid.viewPort(), QRectF(5, 20, 5, 30));
    f.display.ResetViewPort();
    CRDDevicePoint a(30, 20), b(10, 50);
    f.display.SetViewPort(a, b);
    QCOMPARE(f.grid.viewPort(), QRectF(10, 30, 20, 30));

    // What the application gives in user coordinates reaches the grid as it is.
    f.display.SetViewPort(CRDPoint(std::nan(""), 0), CRDPoint(1, 1));
    QVERIFY(std::isnan(f.grid.GetViewPortLeftButton().m_dX));
    f.display.ReScaleViewPort(1.1);
    f.display.ResetViewPort();
    QCOMPARE(f.grid.viewPort(), QRectF(0, 0, 80, 80));
}

void tst_CResultDisplay::handlersLeaveEventsToTheFeatures_data()
{
    QTest::addColumn<bool>("zoom");
    QTest::addColumn<bool>("gesture");
    QTest::addColumn<bool>("pinch");
    QTest::newRow("all off") << false << false << false;
    QTest::newRow("zooms on") << true << false << false;
    QTest::newRow("gesture on") << false << true << false;
    QTest::newRow("pinch on") << false << false << true;
}

void tst_CResultDisplay::handlersLeaveEventsToTheFeatures()
{
    QFETCH(bool, zoom);
    QFETCH(bool, gesture);
    QFETCH(bool, pinch);

    Fixture f;
    const ERDFeature unknown = ERDFeature(7); // ignored, like every value outside 0 to 3
    f.display.EnableFeature(unknown);
    if (zoom) {
        f.display.EnableFeature(eRDFeatureRubberBandZoom);
        f.display.EnableFeature(eRDFeatureWheelZoom);
    }
    if (gesture)
        f.display.EnableFeature(eRDFeatureGesture);
    if (pinch) {
        f.display.EnableFeature(eRDFeaturePinch);
        f.display.DisableFeature(unknown);
    }

    // QWidget's own mouse and wheel handlers would ignore the event.
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 10), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent move(QEvent::MouseMove, QPointF(20, 20), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(20, 20), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    f.display.mousePressEvent(&press);
    f.display.mouseMoveEvent(&move);
    f.display.mouseReleaseEvent(&release);
    QVERIFY(press.isAccepted() && move.isAccepted() && release.isAccepted());
    QCOMPARE(f.display.band() != nullptr, zoom);

    QWheelEvent wheel(QPointF(40, 40), QPointF(40, 40), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    wheel.ignore();
    f.display.wheelEvent(&wheel);
    QCOMPARE(wheel.isAccepted(), zoom);

    // Taken gestures are answered and left as they came; otherwise QWidget ignores them.
    QGestureEvent gestureEvent{QList<QGesture*>()};
    QVERIFY(f.display.event(&gestureEvent));
    QCOMPARE(gestureEvent.isAccepted(), gesture || pinch);
    // The band over pixels 10..20, then one notch in.
    QCOMPARE(f.grid.viewPort(), zoom ? QRectF(10.11, 59.11, 10.78, 10.78) : QRectF(0, 0, 80, 80));
}

void tst_CResultDisplay::nullParentExitsWithStatus1()
{
    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        // A crash must end the child at once, not in the test framework's handler.
        std::signal(SIGSEGV, SIG_DFL);
        std::signal(SIGABRT, SIG_DFL);
        // A null grid as well: the process must end before the grid is touched.
        CResultDisplay display(nullptr, nullptr, c_ColorWhite);
        _exit(2);
    }
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 1);
}

QTEST_MAIN(tst_CResultDisplay)
#include "tst_cresultdisplay.moc"
