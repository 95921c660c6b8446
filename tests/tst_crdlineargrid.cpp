// Tests of CRDLinearGrid: viewport and device rectangle, both conversions, clipping and drawing.
#include "CRDLinearGrid.h"
#include "RecordingPaintDevice.h"

#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QtTest>

#include <cmath>
#include <limits>

using namespace KelmFramework;

namespace
{

// CRDLinearGrid leaves DrawGrid to subclasses.
class TestGrid : public CRDLinearGrid
{
public:
    TestGrid(CRDPoint a = CRDPoint(0, 0), CRDPoint b = CRDPoint(10, 10))
        : CRDLinearGrid(a, b, QString(), QString(), 4, 4, 1, 1, c_ColorBlack, c_ColorBlack)
    {
    }
    void DrawGrid(QPainter&, CRDDevicePoint&, CRDDevicePoint&, long) override {}

    void setDevice(long l, long t, long r, long b)
    {
        CRDDevicePoint leftTop(l, t), rightBottom(r, b);
        SetDeviceViewPort(leftTop, rightBottom);
    }
    void setViewPort(double x1, double y1, double x2, double y2)
    {
        CRDPoint a(x1, y1), b(x2, y2);
        SetViewPort(a, b);
    }
    double scaleX() const { return m_dScaleX; }
    double scaleY() const { return m_dScaleY; }
};

// A grid whose markers are counted, to see that lines reach DrawPoint through the virtual table.
class CountingGrid : public TestGrid
{
public:
    void DrawPoint(QPainter& painter, CRDDecoratedPoint& point) override
    {
        ++markers;
        TestGrid::DrawPoint(painter, point);
    }
    int markers = 0;
};

const double inf = std::numeric_limits<double>::infinity();
const double qnan = std::numeric_limits<double>::quiet_NaN();

QVector<QLineF> drawnLines(const RecordingPaintDevice& device)
{
    QVector<QLineF> lines;
    for (const RecordedCall& call : device.callsOf(RecordedCall::Lines)) {
        Q_ASSERT(call.lines.size() == 1); // one drawLines call per segment
        lines += call.lines;
    }
    return lines;
}

CRDDecoratedLine makeLine(std::vector<CRDPoint> points, ERDLineStyle lineStyle = eRDLineSolid,
                          ERDPointStyle pointStyle = eRDPointNone, const QString& name = QString())
{
    return CRDDecoratedLine(points, c_ColorRed, lineStyle, pointStyle, name);
}

} // namespace

using DevicePoint = QPair<long, long>;

class tst_CRDLinearGrid : public QObject
{
    Q_OBJECT

private slots:
    void viewPortSortsEachAxis_data();
    void viewPortSortsEachAxis();
    void toDevice_data();
    void toDevice();
    void toUser_data();
    void toUser();
    void toUserKeepsTargetFlag();
    void clipPointEdgesInclusive_data();
    void clipPointEdgesInclusive();
    void clipLine_data();
    void clipLine();
    void convertPointsToDeviceLine();
    void drawPointMarkers_data();
    void drawPointMarkers();
    void drawPointOutsideOrNoStyleDrawsNothing_data();
    void drawPointOutsideOrNoStyleDrawsNothing();
    void drawLineSegmentsAndLabel();
    void drawLinePenPerStyle_data();
    void drawLinePenPerStyle();
    void drawLineLabelWaitsForFirstDrawnSegment();
    void drawLineWithoutNameOrPoints();
    void drawLineMarkersAfterSegmentsThroughVirtual();
    void drawLineBadVerticesSkipSegments();
    void hostileLinesPaintQuickly_data();
    void hostileLinesPaintQuickly();
};

void tst_CRDLinearGrid::viewPortSortsEachAxis_data()
{
    QTest::addColumn<QPointF>("a");
    QTest::addColumn<QPointF>("b");
    QTest::addColumn<QPointF>("leftBottom");
    QTest::addColumn<QPointF>("rightTop");
    QTest::newRow("x reversed") << QPointF(10, 5) << QPointF(0, 20) << QPointF(0, 5) << QPointF(10, 20);
    QTest::newRow("y reversed, sorted apart from x") << QPointF(0, 10) << QPointF(5, 0) << QPointF(0, 0) << QPointF(5, 10);
    QTest::newRow("both reversed") << QPointF(3, 4) << QPointF(1, 2) << QPointF(1, 2) << QPointF(3, 4);
    QTest::newRow("already sorted") << QPointF(-1, -2) << QPointF(1, 2) << QPointF(-1, -2) << QPointF(1, 2);
}

void tst_CRDLinearGrid::viewPortSortsEachAxis()
{
    QFETCH(QPointF, a);
    QFETCH(QPointF, b);
    QFETCH(QPointF, leftBottom);
    QFETCH(QPointF, rightTop);

    // The constructor sorts too, before any device rectangle exists.
    TestGrid grid(CRDPoint(a.x(), a.y()), CRDPoint(b.x(), b.y()));
    QCOMPARE(grid.GetViewPortLeftButton().m_dX, leftBottom.x());
    QCOMPARE(grid.GetViewPortLeftButton().m_dY, leftBottom.y());
    QCOMPARE(grid.GetViewPortRightTop().m_dX, rightTop.x());
    QCOMPARE(grid.GetViewPortRightTop().m_dY, rightTop.y());

    grid.setViewPort(100, 100, 200, 300);
    grid.setViewPort(a.x(), a.y(), b.x(), b.y()); // nothing accumulates from earlier calls
    QCOMPARE(grid.GetViewPortLeftButton().m_dX, leftBottom.x());
    QCOMPARE(grid.GetViewPortRightTop().m_dY, rightTop.y());
    QCOMPARE(grid.scaleX(), 1.0 / (rightTop.x() - leftBottom.x()));
    QCOMPARE(grid.scaleY(), 1.0 / (rightTop.y() - leftBottom.y()));
}

void tst_CRDLinearGrid::toDevice_data()
{
    QTest::addColumn<QRectF>("viewPort"); // x, y = left, bottom; width, height
    QTest::addColumn<QRect>("device");    // left, top, right, bottom as a QRect's corners
    QTest::addColumn<QPointF>("user");
    QTest::addColumn<long>("x");
    QTest::addColumn<long>("y");
    QTest::addColumn<bool>("inside");

    const QRectF unit(0, 0, 10, 10);
    const QRect square(QPoint(0, 0), QPoint(100, 100));
    QTest::newRow("left-bottom corner") << unit << square << QPointF(0, 0) << 0L << 100L << true;
    QTest::newRow("right-top corner") << unit << square << QPointF(10, 10) << 100L << 0L << true;
    QTest::newRow("centre") << unit << square << QPointF(5, 5) << 50L << 50L << true;
    QTest::newRow("quarter") << unit << square << QPointF(2.5, 7.5) << 25L << 25L << true;
    QTest::newRow("right of the rectangle") << unit << square << QPointF(10.5, 5) << 105L << 50L << false;
    QTest::newRow("-0.5 pixel truncates to the left edge") << unit << square << QPointF(-0.05, 5) << 0L << 50L << true;
    QTest::newRow("truncation, not rounding: 39.99 is 39") << unit << square << QPointF(4, 6) << 40L << 39L << true;
    QTest::newRow("-1 pixel is outside") << unit << square << QPointF(-0.1, 5) << -1L << 50L << false;

    const QRect shifted(QPoint(20, 10), QPoint(120, 60));
    QTest::newRow("shifted device, left-bottom") << unit << shifted << QPointF(0, 0) << 20L << 60L << true;
    QTest::newRow("shifted device, right-top") << unit << shifted << QPointF(10, 10) << 120L << 10L << true;
    QTest::newRow("shifted device, centre") << unit << shifted << QPointF(5, 5) << 70L << 35L << true;

    QTest::newRow("NaN x has no position") << unit << square << QPointF(qnan, 5) << LONG_MIN << 50L << false;
    QTest::newRow("infinite y has no position") << unit << square << QPointF(5, inf) << 50L << LONG_MIN << false;
    QTest::newRow("1e300 overflows long") << unit << square << QPointF(1e300, -1e300) << LONG_MIN << LONG_MIN << false;
    QTest::newRow("1e17 still fits long") << unit << square << QPointF(1e17, 5) << 1000000000000000000L << 50L << false;
    QTest::newRow("zero-width viewport") << QRectF(3, 0, 0, 10) << square << QPointF(3, 5) << LONG_MIN << 50L << false;
    QTest::newRow("empty device rectangle") << unit << QRect(QPoint(0, 0), QPoint(0, 0)) << QPointF(5, 5) << 0L << 0L << true;
    QTest::newRow("device corners in the wrong order")
        << unit << QRect(QPoint(100, 100), QPoint(0, 0)) << QPointF(5, 5) << 150L << 150L << false;
}

void tst_CRDLinearGrid::toDevice()
{
    QFETCH(QRectF, viewPort);
    QFETCH(QRect, device);
    QFETCH(QPointF, user);
    QFETCH(long, x);
    QFETCH(long, y);
    QFETCH(bool, inside);

    TestGrid grid(CRDPoint(viewPort.left(), viewPort.top()), CRDPoint(viewPort.right(), viewPort.bottom()));
    grid.setDevice(device.left(), device.top(), device.right(), device.bottom());
    CRDPoint in(user.x(), user.y());
    CRDDevicePoint out(7, 7);
    QCOMPARE(grid.ConvertPointToDevicePoint(in, out), inside);
    QCOMPARE(out.m_iX, x);
    QCOMPARE(out.m_iY, y);
}

void tst_CRDLinearGrid::toUser_data()
{
    QTest::addColumn<QRect>("device");
    QTest::addColumn<long>("x");
    QTest::addColumn<long>("y");
    QTest::addColumn<QPointF>("user");
    const QRect square(QPoint(0, 0), QPoint(100, 100));
    QTest::newRow("left-bottom") << square << 0L << 100L << QPointF(0, 0);
    QTest::newRow("centre") << square << 50L << 50L << QPointF(5, 5);
    QTest::newRow("quarter") << square << 25L << 75L << QPointF(2.5, 2.5);
    QTest::newRow("outside converts by the same rule") << square << -100L << 200L << QPointF(-10, -10);
    QTest::newRow("shifted device") << QRect(QPoint(20, 10), QPoint(120, 60)) << 70L << 35L << QPointF(5, 5);
}

void tst_CRDLinearGrid::toUser()
{
    QFETCH(QRect, device);
    QFETCH(long, x);
    QFETCH(long, y);
    QFETCH(QPointF, user);
    TestGrid grid;
    grid.setDevice(device.left(), device.top(), device.right(), device.bottom());
    CRDDevicePoint in(x, y);
    CRDPoint out;
    grid.ConvertPointFromDeviceToUserViewport(in, out);
    QCOMPARE(out.m_dX, user.x());
    QCOMPARE(out.m_dY, user.y());

    // There and back stays within a pixel.
    CRDDevicePoint back;
    grid.ConvertPointToDevicePoint(out, back);
    QVERIFY(std::abs(back.m_iX - x) <= 1);
    QVERIFY(std::abs(back.m_iY - y) <= 1);
}

void tst_CRDLinearGrid::toUserKeepsTargetFlag()
{
    TestGrid grid;
    grid.setDevice(0, 0, 100, 100);
    CRDDevicePoint in(50, 50);
    CRDPoint out(0, 0, true);
    grid.ConvertPointFromDeviceToUserViewport(in, out);
    QVERIFY(out.m_bInterpolated);

    // An empty device rectangle divides by zero: no crash, and no finite answer pretends otherwise.
    grid.setDevice(10, 10, 10, 10);
    CRDDevicePoint any(10, 20);
    grid.ConvertPointFromDeviceToUserViewport(any, out);
    QVERIFY(!std::isfinite(out.m_dX));
    CRDDevicePoint invalid(LONG_MIN, LONG_MIN);
    grid.setDevice(0, 0, 100, 100);
    grid.ConvertPointFromDeviceToUserViewport(invalid, out); // no overflow in H - y
    QVERIFY(out.m_dY > 1e15);
}

void tst_CRDLinearGrid::clipPointEdgesInclusive_data()
{
    QTest::addColumn<long>("x");
    QTest::addColumn<long>("y");
    QTest::addColumn<bool>("inside");
    // Device rectangle (20, 10)-(120, 60).
    QTest::newRow("left edge") << 20L << 30L << true;
    QTest::newRow("right edge") << 120L << 30L << true;
    QTest::newRow("top edge") << 50L << 10L << true;
    QTest::newRow("bottom edge") << 50L << 60L << true;
    QTest::newRow("corner") << 120L << 60L << true;
    QTest::newRow("left of") << 19L << 30L << false;
    QTest::newRow("right of") << 121L << 30L << false;
    QTest::newRow("above") << 50L << 9L << false;
    QTest::newRow("below") << 50L << 61L << false;
    QTest::newRow("no position") << LONG_MIN << LONG_MIN << false;
    QTest::newRow("far beyond int") << LONG_MAX << 30L << false;
}

void tst_CRDLinearGrid::clipPointEdgesInclusive()
{
    QFETCH(long, x);
    QFETCH(long, y);
    QFETCH(bool, inside);
    TestGrid grid;
    grid.setDevice(20, 10, 120, 60);
    CRDDevicePoint point(x, y);
    QCOMPARE(grid.DoClippPoint(point), inside);
}

void tst_CRDLinearGrid::clipLine_data()
{
    QTest::addColumn<QVector<long>>("segment"); // P.x, P.y, Q.x, Q.y
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QVector<long>>("clipped");
    // Device rectangle (0, 0)-(100, 100).
    const auto row = [](const char* name, QVector<long> in, bool accepted, QVector<long> out) {
        QTest::newRow(name) << in << accepted << out;
    };
    row("inside is unchanged", {10, 20, 30, 40}, true, {10, 20, 30, 40});
    row("crossing the left edge", {-10, 50, 50, 50}, true, {0, 50, 50, 50});
    row("crossing the right edge", {50, 50, 110, 50}, true, {50, 50, 100, 50});
    row("diagonal through two corners", {-10, -10, 110, 110}, true, {0, 0, 100, 100});
    row("crossing the top edge", {20, -20, 60, 20}, true, {40, 0, 60, 20});
    row("crossing the bottom edge", {20, 80, 60, 120}, true, {20, 80, 40, 100});
    row("vertical keeps its x", {50, -20, 50, 120}, true, {50, 0, 50, 100});
    row("both left", {-20, 10, -5, 90}, false, {-20, 10, -5, 90});
    row("both right", {101, 10, 200, 90}, false, {101, 10, 200, 90});
    row("both above", {10, -1, 90, -50}, false, {10, -1, 90, -50});
    row("both below", {10, 101, 90, 150}, false, {10, 101, 90, 150});
    row("past the top-left corner leaves a pixel outside", {-10, 5, 5, -10}, true, {-5, 0, -5, 0});
    row("right to left: P is not clipped at the right", {120, 50, 50, 50}, true, {120, 50, 50, 50});
    row("on the edges", {0, 0, 100, 100}, true, {0, 0, 100, 100});
    row("an end without position is rejected", {LONG_MIN, LONG_MIN, 50, 50}, false, {LONG_MIN, LONG_MIN, 50, 50});
    row("second end without position", {50, 50, LONG_MIN, 30}, false, {50, 50, LONG_MIN, 30});
    row("extreme longs do not overflow", {-LONG_MAX, 50, LONG_MAX, 50}, true, {0, 50, 100, 50});
    row("diagonal between extreme longs", {-LONG_MAX, -LONG_MAX, LONG_MAX, LONG_MAX}, true, {0, 0, 100, 100});
}

void tst_CRDLinearGrid::clipLine()
{
    QFETCH(QVector<long>, segment);
    QFETCH(bool, accepted);
    QFETCH(QVector<long>, clipped);
    TestGrid grid;
    grid.setDevice(0, 0, 100, 100);
    CRDDevicePoint p(segment[0], segment[1]), q(segment[2], segment[3]);
    QCOMPARE(grid.DoClipLine(p, q), accepted);
    QCOMPARE((QVector<long>{p.m_iX, p.m_iY, q.m_iX, q.m_iY}), clipped);
}

void tst_CRDLinearGrid::convertPointsToDeviceLine()
{
    TestGrid grid;
    grid.setDevice(0, 0, 100, 100);
    CRDPoint a(-1, 5), b(5, 5);
    CRDDevicePoint da, db;
    QVERIFY(grid.ConvertPointsToDeviceLine(a, b, da, db));
    QCOMPARE(da.m_iX, 0L);
    QCOMPARE(da.m_iY, 50L);
    QCOMPARE(db.m_iX, 50L);

    CRDPoint c(-5, 5), d(-1, 5);
    QVERIFY(!grid.ConvertPointsToDeviceLine(c, d, da, db));
    QCOMPARE(da.m_iX, -50L); // converted, then rejected unchanged
}

void tst_CRDLinearGrid::drawPointMarkers_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QVector<QLineF>>("lines");
    QTest::addColumn<QRectF>("rect");
    QTest::addColumn<qreal>("width");
    QTest::addColumn<int>("cap");
    QTest::addColumn<int>("join");
    QTest::newRow("dot") << int(eRDPointDot) << int(RecordedCall::Points) << QVector<QLineF>() << QRectF() << 3.0
                         << int(Qt::RoundCap) << int(Qt::RoundJoin);
    QTest::newRow("cross") << int(eRDPointCross) << int(RecordedCall::Lines)
                           << QVector<QLineF>{QLineF(46, 50, 54, 50), QLineF(50, 46, 50, 54)} << QRectF() << 1.0
                           << int(Qt::FlatCap) << int(Qt::MiterJoin);
    QTest::newRow("square") << int(eRDPointSquare) << int(RecordedCall::Rects) << QVector<QLineF>()
                            << QRectF(47, 47, 6, 6) << 1.0 << int(Qt::FlatCap) << int(Qt::MiterJoin);
}

void tst_CRDLinearGrid::drawPointMarkers()
{
    QFETCH(int, style);
    QFETCH(int, kind);
    QFETCH(QVector<QLineF>, lines);
    QFETCH(QRectF, rect);
    QFETCH(qreal, width);
    QFETCH(int, cap);
    QFETCH(int, join);

    TestGrid grid;
    grid.setDevice(0, 0, 100, 100);
    RecordingPaintDevice device;
    QPainter painter(&device);
    CRDDecoratedPoint point(5, 5, c_ColorBlue, ERDPointStyle(style));
    grid.DrawPoint(painter, point);
    // Drawn twice: the second draw must look the same (pens are reused between calls).
    grid.DrawPoint(painter, point);
    painter.end();

    const QVector<RecordedCall> calls = device.calls();
    QCOMPARE(calls.size(), 2 * (kind == RecordedCall::Lines ? 2 : 1));
    QVector<QLineF> drawn;
    for (const RecordedCall& call : calls) {
        QCOMPARE(int(call.kind), kind);
        QCOMPARE(call.pen.widthF(), width);
        QCOMPARE(int(call.pen.capStyle()), cap);
        QCOMPARE(int(call.pen.joinStyle()), join);
        QCOMPARE(call.pen.style(), Qt::SolidLine);
        QCOMPARE(call.pen.brush().style(), Qt::SolidPattern);
        QCOMPARE(call.pen.color(), QColor(0, 0, 255));
        QCOMPARE(call.brush.style(), Qt::NoBrush); // the painter's brush is left alone
        if (kind == RecordedCall::Points)
            QCOMPARE(call.points, QVector<QPointF>{QPointF(50, 50)});
        if (kind == RecordedCall::Rects)
            QCOMPARE(call.rects, QVector<QRectF>{rect});
        drawn += call.lines;
    }
    if (kind == RecordedCall::Lines)
        QCOMPARE(drawn, lines + lines);
}

void tst_CRDLinearGrid::drawPointOutsideOrNoStyleDrawsNothing_data()
{
    QTest::addColumn<QPointF>("user");
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("expectedCalls");
    QTest::newRow("no marker") << QPointF(5, 5) << int(eRDPointNone) << 0;
    QTest::newRow("style out of range") << QPointF(5, 5) << 4 << 0;
    QTest::newRow("negative style") << QPointF(5, 5) << -1 << 0;
    QTest::newRow("outside") << QPointF(10.5, 5) << int(eRDPointCross) << 0;
    QTest::newRow("NaN") << QPointF(qnan, qnan) << int(eRDPointDot) << 0;
    QTest::newRow("on the corner, drawn whole") << QPointF(10, 10) << int(eRDPointCross) << 2;
}

void tst_CRDLinearGrid::drawPointOutsideOrNoStyleDrawsNothing()
{
    QFETCH(QPointF, user);
    QFETCH(int, style);
    QFETCH(int, expectedCalls);
    TestGrid grid;
    grid.setDevice(0, 0, 100, 100);
    RecordingPaintDevice device;
    QPainter painter(&device);
    const QPen before(Qt::magenta);
    painter.setPen(before);
    CRDDecoratedPoint point(user.x(), user.y(), c_ColorBlue, ERDPointStyle(style));
    grid.DrawPoint(painter, point);
    if (expectedCalls == 0)
        QCOMPARE(painter.pen(), before); // nothing drawn leaves the pen as it was
    painter.end();
    QCOMPARE(device.calls().size(), expectedCalls);
    if (expectedCalls == 2)
        QCOMPARE(device.calls()[0].lines[0], QLineF(96, 0, 104, 0)); // reaches beyond the rectangle
}

void tst_CRDLinearGrid::drawLineSegmentsAndLabel()
{
    TestGrid grid;
    grid.setDevice(0, 0, 100, 100);
    RecordingPaintDevice device;
    QPainter painter(&device);
    CRDDecoratedLine line = makeLine({CRDPoint(0, 5), CRDPoint(5, 5), CRDPoint(10, 5)}, eRDLineSolid, eRDPointNone,
                                     QStringLiteral("Pressure"));
    grid.DrawLine(painter, line);
    const QFontMetrics metrics = painter.fontMetrics();

    // Where QPainter puts the text for the box the label belongs in.
    RecordingPaintDevice reference;
    QPainter referencePainter(&reference);
    const int fh = metrics.height();
    referencePainter.drawText(QRect(0 + fh + 5, 50 - 5 - fh, metrics.horizontalAdvance(QStringLiteral("Pressure")), fh),
                              Qt::AlignCenter, QStringLiteral("Pressure"));
    referencePainter.end();
    painter.end();

    QCOMPARE(drawnLines(device), (QVector<QLineF>{QLineF(0, 50, 50, 50), QLineF(50, 50, 100, 50)}));
    const QVector<RecordedCall> texts = device.callsOf(RecordedCall::Text);
    QCOMPARE(texts.size(), 1); // once per line, not per segment
    QCOMPARE(texts[0].text, QStringLiteral("Pressure"));
    QCOMPARE(texts[0].position, reference.callsOf(RecordedCall::Text).at(0).position);
    QCOMPARE(texts[0].pen.color(), QColor(255, 0, 0)); // the label takes the line's colour
    QCOMPARE(device.calls()[1].kind, RecordedCall::Text); // right after the first drawn segment
}

void tst_CRDLinearGrid::drawLinePenPerStyle_data()
{
    QTest::addColumn<int>("lineStyle");
    QTest::addColumn<int>("penStyle");
    QTest::newRow("solid") << int(eRDLineSolid) << int(Qt::SolidLine);
    QTest::newRow("dotted") << int(eRDLineDotted) << int(Qt::DotLine);
    QTest::newRow("dash-dotted") << int(eRDLineDashDotted) << int(Qt::DashDotLine);
    QTest::newRow("out of range draws solid") << 3 << int(Qt::SolidLine);
    QTest::newRow("negative draws solid") << -1 << int(Qt::SolidLine);
}

void tst_CRDLinearGrid::drawLinePenPerStyle()
{
    QFETCH(int, lineStyle);
    QFETCH(int, penStyle);
    TestGrid grid;
    grid.setDevice(0, 0, 100, 100);
    RecordingPaintDevice device;
    QPainter painter(&device);
    CRDDecoratedLine line = makeLine({CRDPoint(1, 1), CRDPoint(9, 9)}, ERDLineStyle(lineStyle));
    grid.DrawLine(painter, line);
    QCOMPARE(int(painter.pen().style()), penStyle); // the pen stays set afterwards
    painter.end();
    const QVector<RecordedCall> calls = device.callsOf(RecordedCall::Lines);
    QCOMPARE(calls.size(), 1);
    QCOMPARE(int(calls[0].pen.style()), penStyle);
    QCOMPARE(calls[0].pen.widthF(), 1.0);
    QCOMPARE(calls[0].pen.capStyle(), Qt::FlatCap);
    QCOMPARE(calls[0].pen.joinStyle(), Qt::MiterJoin);
    QCOMPARE(calls[0].pen.brush().style(), Qt::SolidPattern);
}

void tst_CRDLinearGrid::drawLineLabelWaitsForFirstDrawnSegment()
{
    TestGrid grid;
    grid.setDevice(0, 0, 100, 100);
    RecordingPaintDevice device;
    QPainter painter(&device);
    // The first segment lies left of the rectangle; the second enters it at the left edge.
    CRDDecoratedLine line = makeLine({CRDPoint(-8, 2), CRDPoint(-4, 2), CRDPoint(4, 6)}, eRDLineSolid, eRDPointNone,
                                     QStringLiteral("T"));
    grid.DrawLine(painter, line);
    const int fh = painter.fontMetrics().height();
    const int tw = painter.fontMetrics().horizontalAdvance(QStringLiteral("T"));
    painter.end();

    // (4, 6) maps to (40, 39): 6 * 0.1 * 100 is a hair above 60 and truncation does not round.
    QCOMPARE(drawnLines(device), QVector<QLineF>{QLineF(0, 59, 40, 39)});
    RecordingPaintDevice reference;
    QPainter referencePainter(&reference);
    referencePainter.drawText(QRect(0 + fh + 5, 59 - 5 - fh, tw, fh), Qt::AlignCenter, QStringLiteral("T"));
    referencePainter.end();
    QCOMPARE(device.callsOf(RecordedCall::Text).at(0).position, reference.callsOf(RecordedCall::Text).at(0).position);
}

void tst_CRDLinearGrid::drawLineWithoutNameOrPoints()
{
    TestGrid grid;
    grid.setDevice(0, 0, 100, 100);
    RecordingPaintDevice device;
    QPainter painter(&device);

    CRDDecoratedLine empty = makeLine({}, eRDLineDotted, eRDPointDot, QStringLiteral("x"));
    grid.DrawLine(painter, empty);
    QCOMPARE(painter.pen().style(), Qt::DotLine); // the pen is set even for a line without points
    QCOMPARE(painter.pen().color(), QColor(255, 0, 0));

    CRDDecoratedLine unnamed = makeLine({CRDPoint(1, 1), CRDPoint(2, 2), CRDPoint(3, 3)});
    grid.DrawLine(painter, unnamed);
    CRDDecoratedLine single = makeLine({CRDPoint(5, 5)}, eRDLineSolid, eRDPointSquare, QStringLiteral("single"));
    grid.DrawLine(painter, single);
    painter.end();

    QCOMPARE(device.callsOf(RecordedCall::Text).size(), 0);
    QCOMPARE(drawnLines(device).size(), 2);
    QCOMPARE(device.callsOf(RecordedCall::Rects).size(), 1); // a single point draws only its marker
}

void tst_CRDLinearGrid::drawLineMarkersAfterSegmentsThroughVirtual()
{
    CountingGrid grid;
    grid.setDevice(0, 0, 100, 100);
    RecordingPaintDevice device;
    QPainter painter(&device);
    // The middle vertex lies outside: its segments are clipped, its marker is not drawn,
    // but DrawPoint is still asked for it.
    CRDDecoratedLine line = makeLine({CRDPoint(5, 5), CRDPoint(20, 5), CRDPoint(5, 8)}, eRDLineSolid, eRDPointCross);
    grid.DrawLine(painter, line);
    painter.end();

    QCOMPARE(grid.markers, 3);
    const QVector<RecordedCall> calls = device.calls();
    QCOMPARE(calls.size(), 2 + 2 * 2);
    QCOMPARE(calls[0].pen.widthF(), 1.0);
    QCOMPARE(calls[0].lines.at(0), QLineF(50, 50, 100, 50));
    for (int i = 2; i < calls.size(); ++i)
        QCOMPARE(calls[i].pen.capStyle(), Qt::FlatCap); // markers come after every segment
    QCOMPARE(calls[2].lines.at(0), QLineF(46, 50, 54, 50));
    QCOMPARE(calls[4].lines.at(0), QLineF(46, 20, 54, 20));
}

void tst_CRDLinearGrid::drawLineBadVerticesSkipSegments()
{
    TestGrid grid;
    grid.setDevice(0, 0, 100, 100);
    RecordingPaintDevice device;
    QPainter painter(&device);
    CRDDecoratedLine line = makeLine(
        {CRDPoint(1, 1), CRDPoint(qnan, 5), CRDPoint(3, 3), CRDPoint(4, inf), CRDPoint(5, 5), CRDPoint(6, 6)},
        eRDLineSolid, eRDPointDot, QStringLiteral("gap"));
    grid.DrawLine(painter, line);
    painter.end();
    // Only the last segment has two ends with a position.
    QCOMPARE(drawnLines(device), QVector<QLineF>{QLineF(50, 50, 60, 39)});
    QCOMPARE(device.callsOf(RecordedCall::Points).size(), 4);
}

void tst_CRDLinearGrid::hostileLinesPaintQuickly_data()
{
    QTest::addColumn<QRectF>("viewPort");
    QTest::addColumn<QVector<QPointF>>("points");
    const QRectF unit(0, 0, 10, 10);
    QTest::newRow("right to left from far beyond int")
        << unit << QVector<QPointF>{QPointF(1e9, 5), QPointF(5, 5), QPointF(1e12, 7), QPointF(5, 3)};
    QTest::newRow("steep segment ending near 2^63")
        << unit << QVector<QPointF>{QPointF(5, 5), QPointF(-1e17, 9e17), QPointF(5, -9.2e17)};
    QTest::newRow("NaN and infinities") << unit
                                        << QVector<QPointF>{QPointF(qnan, 5), QPointF(5, inf), QPointF(-inf, qnan),
                                                            QPointF(1, 1), QPointF(2, 2)};
    QTest::newRow("zero-width viewport") << QRectF(5, 0, 0, 10) << QVector<QPointF>{QPointF(5, 1), QPointF(5, 9)};
    QTest::newRow("denormal viewport") << QRectF(0, 0, 4.9e-324, 4.9e-324)
                                       << QVector<QPointF>{QPointF(0, 0), QPointF(1e-300, 1e-300)};
    QTest::newRow("huge viewport") << QRectF(-1e308, -1e308, 1.7e308, 1.7e308)
                                   << QVector<QPointF>{QPointF(-1e308, 0), QPointF(1e308, 1), QPointF(0, 0)};
}

void tst_CRDLinearGrid::hostileLinesPaintQuickly()
{
    QFETCH(QRectF, viewPort);
    QFETCH(QVector<QPointF>, points);
    TestGrid grid(CRDPoint(viewPort.left(), viewPort.top()), CRDPoint(viewPort.right(), viewPort.bottom()));
    grid.setDevice(10, 10, 190, 190);
    std::vector<CRDPoint> vertices;
    for (const QPointF& p : points)
        vertices.push_back(CRDPoint(p.x(), p.y()));

    // Every primitive stays within the painter range, whatever the input.
    RecordingPaintDevice device;
    QPainter recorder(&device);
    for (int style = 0; style < 3; ++style) {
        CRDDecoratedLine line = makeLine(vertices, ERDLineStyle(style), eRDPointSquare, QStringLiteral("hostile"));
        grid.DrawLine(recorder, line);
    }
    recorder.end();
    for (const QLineF& segment : drawnLines(device)) {
        QVERIFY(std::abs(segment.x1()) <= (1 << 30) && std::abs(segment.x2()) <= (1 << 30));
        QVERIFY(std::abs(segment.y1()) <= (1 << 30) && std::abs(segment.y2()) <= (1 << 30));
    }

    // Antialiased dotted pens on the raster engine: this hangs if a huge coordinate gets through.
    QImage image(200, 200, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int style = 0; style < 3; ++style) {
        CRDDecoratedLine line = makeLine(vertices, ERDLineStyle(style), eRDPointDot, QStringLiteral("hostile"));
        grid.DrawLine(painter, line);
    }
}

QTEST_MAIN(tst_CRDLinearGrid)
#include "tst_crdlineargrid.moc"
