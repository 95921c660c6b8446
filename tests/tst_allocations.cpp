// Heap allocations of CRDLinearGrid::DrawLine: bounded by a constant, whatever the number of points.
#include "CRDLinearGrid.h"
#include "CountingMalloc.h"
#include "RecordingPaintDevice.h"

#include <QPainter>
#include <QtTest>

#include <cmath>

using namespace KelmFramework;

namespace
{

class TestGrid : public CRDLinearGrid
{
public:
    TestGrid(CRDPoint a, CRDPoint b)
        : CRDLinearGrid(a, b, QString(), QString(), 10, 5, 1, 1, c_ColorBlack, c_ColorBlack)
    {
        CRDDevicePoint leftTop(100, 100), rightBottom(900, 600);
        SetDeviceViewPort(leftTop, rightBottom);
    }
    void DrawGrid(QPainter&, CRDDevicePoint&, CRDDevicePoint&, long) override {}
};

// Some vertices lie outside the viewport, so clipped and rejected segments are drawn too.
CRDDecoratedLine makeLine(int count, ERDLineStyle lineStyle, ERDPointStyle pointStyle, const QString& name)
{
    std::vector<CRDPoint> points;
    for (int i = 0; i < count; ++i) {
        const double x = 10.0 * i / (count - 1);
        points.emplace_back(x, 1.8 * std::sin(7.0 * x) + 0.05 * ((i * 7919) % 13 - 6));
    }
    return CRDDecoratedLine(points, c_ColorBlue, lineStyle, pointStyle, name);
}

} // namespace

class tst_Allocations : public QObject
{
    Q_OBJECT

private slots:
    void drawLineAllocatesIndependentlyOfLength_data();
    void drawLineAllocatesIndependentlyOfLength();
};

void tst_Allocations::drawLineAllocatesIndependentlyOfLength_data()
{
    QTest::addColumn<int>("lineStyle");
    QTest::addColumn<int>("pointStyle");
    QTest::addColumn<QString>("name");
    QTest::newRow("solid") << int(eRDLineSolid) << int(eRDPointNone) << QString();
    QTest::newRow("dotted") << int(eRDLineDotted) << int(eRDPointNone) << QString();
    QTest::newRow("dot markers") << int(eRDLineSolid) << int(eRDPointDot) << QString();
    QTest::newRow("cross markers") << int(eRDLineSolid) << int(eRDPointCross) << QString();
    QTest::newRow("square markers, dash-dotted") << int(eRDLineDashDotted) << int(eRDPointSquare) << QString();
    QTest::newRow("named, with its label") << int(eRDLineSolid) << int(eRDPointSquare) << QStringLiteral("channel 1");
}

void tst_Allocations::drawLineAllocatesIndependentlyOfLength()
{
    if (!RDCounting::CountsAllocations())
        QSKIP("allocations are counted only in glibc builds without AddressSanitizer, which replaces malloc");
    QFETCH(int, lineStyle);
    QFETCH(int, pointStyle);
    QFETCH(QString, name);

    TestGrid grid(CRDPoint(0, -1.5), CRDPoint(10, 1.5));
    // Takes every primitive and keeps nothing, so that whatever is allocated while painting into it
    // is the library's own (and QPainter's front end's), not the rasteriser's.
    RecordingPaintDevice device(QSize(1000, 700), RecordingPaintDevice::Nothing);
    QPainter painter(&device);
    painter.setRenderHint(QPainter::Antialiasing);
    long allocations[2] = {0, 0};
    for (const int count : {1000, 2000}) {
        CRDDecoratedLine line = makeLine(count, ERDLineStyle(lineStyle), ERDPointStyle(pointStyle), name);
        grid.DrawLine(painter, line); // the first paint fills caches
        const long before = RDCounting::Allocations();
        grid.DrawLine(painter, line);
        allocations[count / 2000] = RDCounting::Allocations() - before;
    }
    // The line's pen, and for a label its metrics and layout: nothing per vertex.
    QVERIFY2(allocations[1] == allocations[0] && allocations[0] <= 20,
             qPrintable(QStringLiteral("%1 allocations for 1000 points, %2 for 2000").arg(allocations[0]).arg(allocations[1])));
}

QTEST_MAIN(tst_Allocations)
#include "tst_allocations.moc"
