// Tests of CRDDecimatingBoxGrid: the pixels, label and markers of CRDBoxGridLayout from fewer primitives.
#include "CRDBoxGridLayout.h"
#include "CRDDecimatingBoxGrid.h"
#include "RecordingPaintDevice.h"

#include <QImage>
#include <QPainter>
#include <QtTest>

#include <cmath>
#include <limits>
#include <random>
#include <tuple>

using namespace KelmFramework;

namespace
{

const double qnan = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

enum Shape { NoisySine, Steps, Spikes, NaNGaps, CrossingEdges };

// Viewport (0, -1.5)-(1, 1.5) on a device rectangle of 880 x 620 pixels.
std::vector<CRDPoint> makeData(Shape shape, int iCount)
{
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 0.05);
    std::vector<CRDPoint> points;
    points.reserve(static_cast<std::size_t>(iCount));
    for (int i = 0; i < iCount; ++i) {
        const double t = double(i) / (iCount - 1);
        double x = t, y = 0;
        switch (shape) {
        case NoisySine:
            y = std::sin(6 * M_PI * t) + noise(random);
            break;
        case Steps:
            y = std::floor(t * 10) / 10 - 0.5;
            break;
        case Spikes: // single samples far off a quiet line, up and down
            y = i % (iCount / 9 + 1) == iCount / 18 ? 1.3 : i % (iCount / 7 + 1) == 3 ? -1.4 : 0.1 * std::sin(6 * t);
            break;
        case NaNGaps:
            y = int(t * 20) % 4 == 1 ? qnan : std::sin(2 * M_PI * t) + 0.2 * noise(random);
            break;
        case CrossingEdges: // out through every edge, rightward and then leftward
            x = t < 0.5 ? -0.2 + 2.8 * t : 2.6 - 2.8 * t;
            y = 2.2 * std::sin(10 * M_PI * t) + 2 * noise(random);
            break;
        }
        points.emplace_back(x, y);
    }
    return points;
}

// The two grids over the same viewport and device rectangle.
struct GridPair
{
    explicit GridPair(QRectF viewPort = QRectF(0, -1.5, 1, 3), QRect device = QRect(QPoint(60, 40), QPoint(940, 660)))
        : exact(CRDPoint(viewPort.left(), viewPort.top()), CRDPoint(viewPort.right(), viewPort.bottom()), QString(),
                QString(), 4, 4, 1, 1, c_ColorBlack, c_ColorBlack),
          decimating(CRDPoint(viewPort.left(), viewPort.top()), CRDPoint(viewPort.right(), viewPort.bottom()),
                     QString(), QString(), 4, 4, 1, 1, c_ColorBlack, c_ColorBlack)
    {
        CRDDevicePoint leftTop(device.left(), device.top()), rightBottom(device.right(), device.bottom());
        exact.SetDeviceViewPort(leftTop, rightBottom);
        decimating.SetDeviceViewPort(leftTop, rightBottom);
    }
    CRDBoxGridLayout exact;
    CRDDecimatingBoxGrid decimating;
};

QImage render(CRDGrid& grid, CRDDecoratedLine& line, QSize size = QSize(1000, 700), bool bAntialiased = true)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, bAntialiased);
    grid.DrawLine(painter, line);
    return image;
}

} // namespace

Q_DECLARE_METATYPE(std::vector<CRDPoint>)

class tst_CRDDecimatingBoxGrid : public QObject
{
    Q_OBJECT

private slots:
    void samePixelsAsBoxGrid_data();
    void samePixelsAsBoxGrid();
    void sameLabelAndMarkers_data();
    void sameLabelAndMarkers();
    void hostileInputSamePixels_data();
    void hostileInputSamePixels();
};

void tst_CRDDecimatingBoxGrid::samePixelsAsBoxGrid_data()
{
    QTest::addColumn<int>("shape");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("style");
    QTest::addColumn<bool>("antialiased");
    const char* const shapes[] = {"noisy sine", "steps", "spikes", "NaN gaps", "crossing edges"};
    const char* const styles[] = {"solid", "dotted", "dash-dotted"};
    for (int shape = NoisySine; shape <= CrossingEdges; ++shape) {
        for (int count = 1000; count <= 1000000; count *= 10) {
            for (int style = eRDLineSolid; style <= eRDLineDashDotted; ++style) {
                // A million segments cost the box grid about a second: every style on the noisy
                // sine, one style per other shape.
                if (count == 1000000 && shape != NoisySine && style != shape % 3)
                    continue;
                QTest::addRow("%s, %d points, %s", shapes[shape], count, styles[style])
                    << shape << count << style << true;
            }
        }
        // Aliased, Qt ends the lines of one drawLines call unlike lines drawn one by one.
        QTest::addRow("%s, 10000 points, %s, aliased", shapes[shape], styles[shape % 3])
            << shape << 10000 << shape % 3 << false;
    }
}

void tst_CRDDecimatingBoxGrid::samePixelsAsBoxGrid()
{
    QFETCH(int, shape);
    QFETCH(int, count);
    QFETCH(int, style);
    QFETCH(bool, antialiased);
    GridPair grids;
    std::vector<CRDPoint> points = makeData(Shape(shape), count);
    // Orange has a channel of 128, where blends round one way or the other.
    CRDDecoratedLine line(points, c_ColorOrange, ERDLineStyle(style), eRDPointNone, QStringLiteral("signal"));

    const QImage expected = render(grids.exact, line, QSize(1000, 700), antialiased);
    const QImage actual = render(grids.decimating, line, QSize(1000, 700), antialiased);
    long iSame = 0;
    int iMaxDifference = 0;
    for (int y = 0; y < expected.height(); ++y) {
        const QRgb* e = reinterpret_cast<const QRgb*>(expected.constScanLine(y));
        const QRgb* a = reinterpret_cast<const QRgb*>(actual.constScanLine(y));
        for (int x = 0; x < expected.width(); ++x) {
            iSame += e[x] == a[x];
            for (int shift = 0; shift < 32; shift += 8)
                iMaxDifference = std::max(iMaxDifference, std::abs(int((e[x] >> shift) & 0xff) - int((a[x] >> shift) & 0xff)));
        }
    }
    const double dSame = 100.0 * double(iSame) / (expected.width() * expected.height());
    QVERIFY2(dSame >= 99.5 && iMaxDifference <= 2,
             qPrintable(QStringLiteral("%1 % of the pixels identical, largest difference %2").arg(dSame).arg(iMaxDifference)));
}

void tst_CRDDecimatingBoxGrid::sameLabelAndMarkers_data()
{
    QTest::addColumn<std::vector<CRDPoint>>("points");
    QTest::addColumn<int>("pointStyle");
    std::vector<CRDPoint> dense;
    for (int i = 0; i < 20000; ++i)
        dense.emplace_back(0.3 + i * 1e-6, 0.01 * std::sin(i * 0.01)); // a few pixels, each hit many times
    QTest::newRow("dense, dots once per position") << dense << int(eRDPointDot);
    QTest::newRow("dense, squares once per position") << dense << int(eRDPointSquare);
    QTest::newRow("label waits for the first segment inside")
        << std::vector<CRDPoint>{CRDPoint(-1, 5), CRDPoint(-0.5, 4), CRDPoint(-0.1, 0), CRDPoint(0.5, 0.5), CRDPoint(0.5, 0.5)}
        << int(eRDPointDot);
    QTest::newRow("label after non-finite vertices")
        << std::vector<CRDPoint>{CRDPoint(qnan, 0), CRDPoint(0.2, inf), CRDPoint(0.3, 0.1), CRDPoint(0.3, 0.2), CRDPoint(0.9, -1)}
        << int(eRDPointSquare);
    QTest::newRow("crossing every edge") << makeData(CrossingEdges, 5000) << int(eRDPointDot);
}

void tst_CRDDecimatingBoxGrid::sameLabelAndMarkers()
{
    QFETCH(std::vector<CRDPoint>, points);
    QFETCH(int, pointStyle);
    GridPair grids;
    CRDDecoratedLine line(points, c_ColorBlue, eRDLineDotted, ERDPointStyle(pointStyle), QStringLiteral("probe"));

    // A painter that is not the raster engine gets every primitive of the box grid, in its order.
    RecordingPaintDevice expected, actual;
    QPainter exactPainter(&expected), decimatingPainter(&actual);
    exactPainter.setBrush(Qt::Dense4Pattern);
    decimatingPainter.setBrush(Qt::Dense4Pattern);
    grids.exact.DrawLine(exactPainter, line);
    grids.decimating.DrawLine(decimatingPainter, line);
    QCOMPARE(decimatingPainter.pen(), exactPainter.pen());
    QCOMPARE(decimatingPainter.brush(), exactPainter.brush());
    exactPainter.end();
    decimatingPainter.end();
    QCOMPARE(actual.shapes(true), expected.shapes(true));
}

void tst_CRDDecimatingBoxGrid::hostileInputSamePixels_data()
{
    QTest::addColumn<QRectF>("viewPort");
    QTest::addColumn<QRect>("device"); // left, top, right, bottom as a QRect's corners
    QTest::addColumn<QVector<QPointF>>("points");
    const QRectF unit(0, 0, 10, 10);
    const QRect square(QPoint(10, 10), QPoint(190, 190));
    QVector<QPointF> dense; // a column crossed up and down, then one beside it
    for (int i = 0; i < 4000; ++i)
        dense.append(QPointF(5 + (i / 2000) * 0.06, 5 + 6 * std::sin(i * 0.7)));
    QTest::newRow("NaN and infinities") << unit << square
                                        << QVector<QPointF>{{qnan, 5}, {5, inf}, {5, 5}, {5, 7}, {-inf, qnan}, {6, 5}, {6, 6}};
    QTest::newRow("right to left from far beyond int") << unit << square
                                                       << QVector<QPointF>{{1e9, 5}, {5, 5}, {1e12, 7}, {5, 3}, {5, 9}};
    QTest::newRow("zero-width viewport") << QRectF(5, 0, 0, 10) << square << QVector<QPointF>{{5, 1}, {5, 9}, {5, 2}};
    QTest::newRow("device corners in the wrong order") << unit << QRect(QPoint(190, 190), QPoint(10, 10)) << dense;
    QTest::newRow("device taller than a column profile") << unit << QRect(QPoint(10, 10), QPoint(190, 100000)) << dense;
    QTest::newRow("device beyond the painter range")
        << unit << QRect(QPoint(-2000000000, 10), QPoint(190, 190)) << dense;
    QTest::newRow("dense column clipped at top and bottom") << QRectF(0, 2, 10, 6) << square << dense;
}

void tst_CRDDecimatingBoxGrid::hostileInputSamePixels()
{
    QFETCH(QRectF, viewPort);
    QFETCH(QRect, device);
    QFETCH(QVector<QPointF>, points);
    std::vector<CRDPoint> vertices;
    for (const QPointF& p : points)
        vertices.emplace_back(p.x(), p.y());
    GridPair grids(viewPort, device);
    for (int style = eRDLineSolid; style <= eRDLineDashDotted; ++style) {
        CRDDecoratedLine line(vertices, c_ColorRed, ERDLineStyle(style), eRDPointNone, QStringLiteral("hostile"));
        QCOMPARE(render(grids.decimating, line, QSize(200, 200)), render(grids.exact, line, QSize(200, 200)));
    }

    CRDDecoratedLine marked(vertices, c_ColorRed, eRDLineSolid, eRDPointSquare, QString());
    RecordingPaintDevice expected, actual;
    QPainter exactPainter(&expected), decimatingPainter(&actual);
    grids.exact.DrawLine(exactPainter, marked);
    grids.decimating.DrawLine(decimatingPainter, marked);
    exactPainter.end();
    decimatingPainter.end();
    QCOMPARE(actual.shapes(true), expected.shapes(true));
}

QTEST_MAIN(tst_CRDDecimatingBoxGrid)
#include "tst_crddecimatingboxgrid.moc"
