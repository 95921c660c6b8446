// Heap allocations of CRDLinearGrid::DrawLine: bounded by a constant, whatever the number of points.
#include "CRDLinearGrid.h"
#include "RecordingPaintDevice.h"

#include <QImage>
#include <QPainter>
#include <QtTest>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>

using namespace KelmFramework;

namespace
{
std::atomic<long> s_iAllocations{0};
}

#if !defined(__SANITIZE_ADDRESS__) && defined(__GLIBC__)
constexpr bool c_bCountsAllocations = true;
// Every allocation of the process is counted: operator new, and malloc, which Qt's containers
// call directly. AddressSanitizer replaces both, so this is left out of sanitizer builds.
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

void* operator new(std::size_t iSize)
{
    s_iAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* pBlock = __libc_malloc(iSize ? iSize : 1))
        return pBlock;
    throw std::bad_alloc();
}
void operator delete(void* pBlock) noexcept
{
    __libc_free(pBlock);
}
void operator delete(void* pBlock, std::size_t) noexcept
{
    __libc_free(pBlock);
}
#else
constexpr bool c_bCountsAllocations = false;
#endif

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

// The integer primitives of one DrawLine, read back from a recording before anything is counted,
// so that a raw painter can replay them call for call with the same pens: what Qt itself
// allocates for them. The label is left out; it is drawn once per line.
struct Primitive
{
    QPen pen;
    QLine line;
    QPoint point;
    QRect rect;
    char kind;
};

QVector<Primitive> primitivesOf(const RecordingPaintDevice& recording)
{
    const auto number = [](const QString& text, char separator, int index) {
        return text.section(QLatin1Char(separator), index, index).toInt();
    };
    const auto xy = [&](const QString& text) { return QPoint(number(text, ',', 0), number(text, ',', 1)); };
    QVector<Primitive> primitives;
    for (const RecordedCall& call : recording.calls) {
        const QStringList part = call.shape.split(QLatin1Char(' '));
        Primitive primitive{call.pen, {}, {}, {}, part[0].at(0).toLatin1()};
        if (part[0] == QLatin1String("line"))
            primitive.line = QLine(xy(part[1]), xy(part[2]));
        else if (part[0] == QLatin1String("point"))
            primitive.point = xy(part[1]);
        else if (part[0] == QLatin1String("rect"))
            primitive.rect = QRect(xy(part[1]), QSize(number(part[2], 'x', 0), number(part[2], 'x', 1)));
        else
            continue;
        primitives.append(primitive);
    }
    return primitives;
}

void replay(QPainter& painter, const QVector<Primitive>& primitives)
{
    for (const Primitive& primitive : primitives) {
        painter.setPen(primitive.pen);
        if (primitive.kind == 'l')
            painter.drawLines(&primitive.line, 1);
        else if (primitive.kind == 'p')
            painter.drawPoints(&primitive.point, 1);
        else
            painter.drawRects(&primitive.rect, 1);
    }
}

template <typename Paint>
long allocationsOf(Paint paint)
{
    const long before = s_iAllocations.load();
    paint();
    return s_iAllocations.load() - before;
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
    QTest::newRow("dash-dotted") << int(eRDLineDashDotted) << int(eRDPointNone) << QString();
    QTest::newRow("dot markers") << int(eRDLineSolid) << int(eRDPointDot) << QString();
    QTest::newRow("cross markers") << int(eRDLineSolid) << int(eRDPointCross) << QString();
    QTest::newRow("square markers") << int(eRDLineDotted) << int(eRDPointSquare) << QString();
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
    QImage image(1000, 700, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    for (const int count : {1000, 2000}) {
        CRDDecoratedLine line = makeLine(count, ERDLineStyle(lineStyle), ERDPointStyle(pointStyle), name);
        RecordingPaintDevice recording;
        {
            QPainter recorder(&recording);
            grid.DrawLine(recorder, line);
        }
        const QVector<Primitive> primitives = primitivesOf(recording);
        // The first paint fills Qt's caches and buffers.
        grid.DrawLine(painter, line);
        replay(painter, primitives);

        const long library = allocationsOf([&] { grid.DrawLine(painter, line); });
        const long floor = allocationsOf([&] { replay(painter, primitives); });
        // The line's pen and brush, and for a label its metrics and layout (15 here): nothing per vertex.
        QVERIFY2(library - floor <= 20, qPrintable(QStringLiteral("%1 points: %2 allocations, the same calls %3")
                                                       .arg(count).arg(library).arg(floor)));
    }
}

QTEST_MAIN(tst_Allocations)
#include "tst_allocations.moc"
