// Heap allocations of CRDLinearGrid::DrawLine: bounded by a constant, whatever the number of points.
#include "CRDLinearGrid.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QtTest>

#include <atomic>
#include <cmath>
#include <cstdlib>

using namespace KelmFramework;

namespace
{
std::atomic<long> s_iAllocations{0};
}

#if !defined(__SANITIZE_ADDRESS__) && defined(__GLIBC__)
constexpr bool c_bCountsAllocations = true;
// Every allocation of the process is counted at malloc, which operator new and Qt's containers
// both reach. AddressSanitizer replaces malloc, so this is left out of sanitizer builds.
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void __libc_free(void*);

void* malloc(std::size_t iSize) noexcept
{
    s_iAllocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(iSize);
}
void* calloc(std::size_t iCount, std::size_t iSize) noexcept
{
    s_iAllocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_calloc(iCount, iSize);
}
void* realloc(void* pBlock, std::size_t iSize) noexcept
{
    s_iAllocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(pBlock, iSize);
}
void free(void* pBlock) noexcept
{
    __libc_free(pBlock);
}
}

#else
constexpr bool c_bCountsAllocations = false;
#endif

namespace
{

// Takes every primitive and draws nothing, so that whatever is allocated while painting into it
// is the library's own (and QPainter's front end's), not the rasteriser's.
class NullPaintDevice : public QImage, private QPaintEngine
{
public:
    NullPaintDevice() : QImage(1000, 700, Format_RGB32), QPaintEngine(AllFeatures) {}
    QPaintEngine* paintEngine() const override { return const_cast<NullPaintDevice*>(this); }

private:
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return User; }
    void updateState(const QPaintEngineState&) override {}
    void drawLines(const QLine*, int) override {}
    void drawPoints(const QPoint*, int) override {}
    void drawRects(const QRect*, int) override {}
    void drawTextItem(const QPointF&, const QTextItem&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
};

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
    if (!c_bCountsAllocations)
        QSKIP("allocations are counted only in glibc builds without AddressSanitizer, which replaces malloc");
    QFETCH(int, lineStyle);
    QFETCH(int, pointStyle);
    QFETCH(QString, name);

    TestGrid grid(CRDPoint(0, -1.5), CRDPoint(10, 1.5));
    NullPaintDevice device;
    QPainter painter(&device);
    painter.setRenderHint(QPainter::Antialiasing);
    long allocations[2] = {0, 0};
    for (const int count : {1000, 2000}) {
        CRDDecoratedLine line = makeLine(count, ERDLineStyle(lineStyle), ERDPointStyle(pointStyle), name);
        grid.DrawLine(painter, line); // the first paint fills caches
        const long before = s_iAllocations.load();
        grid.DrawLine(painter, line);
        allocations[count / 2000] = s_iAllocations.load() - before;
    }
    // The line's pen, and for a label its metrics and layout: nothing per vertex.
    QVERIFY2(allocations[1] == allocations[0] && allocations[0] <= 20,
             qPrintable(QStringLiteral("%1 allocations for 1000 points, %2 for 2000").arg(allocations[0]).arg(allocations[1])));
}

QTEST_MAIN(tst_Allocations)
#include "tst_allocations.moc"
