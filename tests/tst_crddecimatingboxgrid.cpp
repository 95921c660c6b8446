// Tests of CRDDecimatingBoxGrid: the pixels of CRDBoxGridLayout, within 2 per channel, on any input.
#include "DecimationScene.h"
#include "RecordingPaintDevice.h"

#include "CResultDisplay.h"

#include <QtTest>

#include <cmath>
#include <limits>
#include <random>

using namespace KelmFramework;
using DecimationScene::Difference;
using DecimationScene::GridPair;
using DecimationScene::Setup;

namespace
{

const double qnan = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

// The bound every pixel keeps.
constexpr int c_iLargestStep = 2;

enum Shape { NoisySine, Steps, Spikes, NaNGaps, CrossingEdges, WhiteNoise, RandomWalk, Jitter02, Jitter1 };

// Viewport (0, -1.5)-(1, 1.5) on a device rectangle of 880 x 620 pixels; x in pixels is 880 t.
std::vector<CRDPoint> makeData(Shape shape, int iCount)
{
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 0.05);
    std::vector<CRDPoint> points;
    double walk = 0;
    for (int i = 0; i < iCount; ++i) {
        const double t = double(i) / (iCount - 1);
        double x = t, y = std::sin(6 * M_PI * t) + noise(random);
        switch (shape) {
        case Steps:
            y = std::floor(t * 10) / 10 - 0.5;
            break;
        case Spikes: // single samples far off a quiet line, up and down
            y = i % (iCount / 9 + 1) == iCount / 18 ? 1.3 : i % (iCount / 7 + 1) == 3 ? -1.4 : 0.1 * std::sin(6 * t);
            break;
        case NaNGaps:
            y = int(t * 20) % 4 == 1 ? qnan : y;
            break;
        case CrossingEdges: // out through every edge, rightward and then leftward
            x = t < 0.5 ? -0.2 + 2.8 * t : 2.6 - 2.8 * t;
            y = 2.2 * std::sin(10 * M_PI * t) + 2 * noise(random);
            break;
        case WhiteNoise:
            y = 10 * noise(random);
            break;
        case RandomWalk:
            y = walk += 0.2 * noise(random);
            break;
        case Jitter02:
        case Jitter1: // sample times off by a normal fraction of a pixel
            x += (shape == Jitter02 ? 0.2 : 1.0) / 880 * noise(random) / 0.05;
            break;
        default:
            break;
        }
        points.emplace_back(x, y);
    }
    return points;
}

std::vector<CRDPoint> fromPairs(const QVector<QPointF>& pairs)
{
    std::vector<CRDPoint> points;
    for (const QPointF& p : pairs)
        points.emplace_back(p.x(), p.y());
    return points;
}

// The lines drawn through both grids on a 1000 x 700 image of this setup.
Difference compare(std::vector<CRDDecoratedLine> lines, Setup with = Setup(), QRectF viewPort = QRectF(0, -1.5, 1, 3),
                   QRect device = QRect(QPoint(60, 40), QPoint(940, 660)))
{
    GridPair grids(viewPort, device);
    if (with.Size == Setup().Size)
        with.Size = QSize(1000, 700);
    return grids.Compare(with, lines);
}

QByteArray describe(const Difference& d)
{
    return QStringLiteral("%1 of %2 lit pixels differ, the largest by %3").arg(d.iDiffering).arg(d.iLit).arg(d.iLargest).toLatin1();
}

struct Random
{
    std::mt19937 Engine;
    int Pick(int iLow, int iHigh) { return std::uniform_int_distribution<int>(iLow, iHigh)(Engine); }
    double Real(double dLow, double dHigh) { return std::uniform_real_distribution<double>(dLow, dHigh)(Engine); }
};

} // namespace

Q_DECLARE_METATYPE(std::vector<CRDPoint>)
Q_DECLARE_METATYPE(std::vector<CRDDecoratedLine>)
Q_DECLARE_METATYPE(Setup)

class tst_CRDDecimatingBoxGrid : public QObject
{
    Q_OBJECT

private slots:
    void workloads_data();
    void workloads();
    void regressions_data();
    void regressions();
    void randomScenes_data();
    void randomScenes();
    void insideAWindow_data();
    void insideAWindow();
    void vectorPaintersGetBoxGridPrimitives_data();
    void vectorPaintersGetBoxGridPrimitives();
};

// Realistic data at every density.
void tst_CRDDecimatingBoxGrid::workloads_data()
{
    QTest::addColumn<int>("shape");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("style");
    const char* const shapes[] = {"noisy sine",  "steps",       "spikes",     "NaN gaps",         "crossing edges",
                                  "white noise", "random walk", "x jittered by 0.2 px", "x jittered by 1 px"};
    const char* const styles[] = {"solid", "dotted", "dash-dotted"};
    for (int shape = NoisySine; shape <= Jitter1; ++shape) {
        for (int style = eRDLineSolid; style <= eRDLineDashDotted; ++style)
            for (int count : {1000, 20000})
                QTest::addRow("%s, %d points, %s", shapes[shape], count, styles[style]) << shape << count << style;
        // Larger lines cost the box grid a second per million segments: one style a shape.
        QTest::addRow("%s, 200000 points, %s", shapes[shape], styles[shape % 3]) << shape << 200000 << shape % 3;
    }
    QTest::newRow("noisy sine, 1000000 points, solid") << int(NoisySine) << 1000000 << int(eRDLineSolid);
}

void tst_CRDDecimatingBoxGrid::workloads()
{
    QFETCH(int, shape);
    QFETCH(int, count);
    QFETCH(int, style);
    std::vector<CRDPoint> points = makeData(Shape(shape), count);
    // Orange has a channel of 128, where blends round one way or the other.
    const Difference d =
        compare({CRDDecoratedLine(points, c_ColorOrange, ERDLineStyle(style), eRDPointNone, QStringLiteral("signal"))});
    QVERIFY2(d.iLargest <= c_iLargestStep, describe(d));
}

// Each fault the grid once had, as the input that showed it.
void tst_CRDDecimatingBoxGrid::regressions_data()
{
    QTest::addColumn<std::vector<CRDDecoratedLine>>("lines");
    QTest::addColumn<Setup>("with");
    QTest::addColumn<QRectF>("viewPort");
    QTest::addColumn<QRect>("device"); // left, top, right, bottom as a QRect's corners
    const QRectF unit(0, 0, 10, 10);
    const QRect square(QPoint(10, 10), QPoint(190, 190));
    const QRectF plot(0, -1.5, 1, 3);
    const QRect wide(QPoint(60, 40), QPoint(940, 660));
    Setup small, large;
    large.Size = QSize(1000, 700);
    const auto line = [](std::vector<CRDPoint> points, CRDColor color = c_ColorBlue, ERDLineStyle style = eRDLineSolid,
                         ERDPointStyle marker = eRDPointNone) {
        return CRDDecoratedLine(points, color, style, marker, QString());
    };

    // Gaps: a vertex with no position, then one back in the column the line left.
    QVector<QPointF> gaps;
    for (double x : {3.0, 7.0})
        gaps << QPointF(x, 5) << QPointF(x + 0.01, 4) << QPointF(qnan, qnan) << QPointF(x + 0.02, 1)
             << QPointF(x + 0.03, 4.5);
    gaps << QPointF(9, 5) << QPointF(5, 0.5) << QPointF(5.01, 9.5);
    QTest::newRow("a gap back into the column the line left") << std::vector<CRDDecoratedLine>{line(fromPairs(gaps))}
                                                              << small << unit << square;
    QVector<QPointF> threeGaps{{5, 5}, {5.01, 4}};
    for (int i = 0; i < 3; ++i)
        threeGaps << QPointF(inf, 1) << QPointF(5.02, 1 + 3 * i) << QPointF(5.03, 4.5 + i);
    QTest::newRow("three gaps in one column") << std::vector<CRDDecoratedLine>{line(fromPairs(threeGaps))} << small << unit
                                              << square;
    QTest::newRow("a gap right after a step down")
        << std::vector<CRDDecoratedLine>{line(fromPairs({{5, 5}, {5.01, 6}, {5.02, qnan}}))} << small << unit << square;
    std::vector<CRDPoint> sevenths = makeData(NoisySine, 100000);
    for (std::size_t i = 6; i < sevenths.size(); i += 7)
        sevenths[i].m_dY = qnan;
    QTest::newRow("NaN every 7th of 100000 vertices") << std::vector<CRDDecoratedLine>{line(sevenths)} << large << plot << wide;

    // Pixel ratios: repeated vertices light nothing at 2, and 1.5 draws as the box grid does.
    for (double ratio : {1.5, 2.0}) {
        Setup hidpi = large;
        hidpi.dRatio = ratio;
        QTest::addRow("clean sine of 200000 at pixel ratio %g", ratio)
            << std::vector<CRDDecoratedLine>{line(makeData(Steps, 200000)), line(makeData(Jitter02, 200000))}
            << hidpi << plot << wide;
    }

    // Translucency and other painters.
    std::vector<CRDDecoratedLine> translucent;
    for (int i = 0; i < 5; ++i) {
        CRDColor color(40 * i, 255 - 40 * i, 128);
        color.setAlpha(128);
        std::vector<CRDPoint> points = makeData(NoisySine, 20000);
        for (CRDPoint& p : points)
            p.m_dY += 0.05 * i;
        translucent.push_back(line(points, color));
    }
    QTest::newRow("five overlapping lines at alpha 128") << translucent << large << plot << wide;
    Setup faded = large, rgb16 = large, multiply = large;
    faded.dOpacity = 0.5;
    rgb16.eFormat = QImage::Format_RGB16;
    multiply.eMode = QPainter::CompositionMode_Multiply;
    const std::vector<CRDDecoratedLine> dense{line(makeData(NoisySine, 100000), c_ColorOrange)};
    QTest::newRow("painter opacity 0.5") << dense << faded << plot << wide;
    QTest::newRow("an RGB16 image") << dense << rgb16 << plot << wide;
    QTest::newRow("composition mode multiply") << dense << multiply << plot << wide;

    // Markers blend at every vertex, as often as the box grid blends them.
    std::vector<CRDPoint> pile;
    for (int i = 0; i < 20000; ++i)
        pile.emplace_back(0.3 + i * 1e-6, 0.01 * std::sin(i * 0.01)); // a few pixels, each hit many times
    const char* const markers[] = {"dots", "crosses", "squares"};
    for (int marker = eRDPointDot; marker <= eRDPointSquare; ++marker) {
        QTest::addRow("dense %s", markers[marker - 1])
            << std::vector<CRDDecoratedLine>{line(pile, c_ColorRed, eRDLineDotted, ERDPointStyle(marker)),
                                             line(makeData(NoisySine, 20000), c_ColorBlue, eRDLineSolid,
                                                  ERDPointStyle(marker))}
            << large << plot << wide;
    }

    // Hostile rectangles.
    QVector<QPointF> column;
    for (int i = 0; i < 4000; ++i)
        column.append(QPointF(5 + (i / 2000) * 0.06, 5 + 6 * std::sin(i * 0.7)));
    QTest::newRow("device corners in the wrong order")
        << std::vector<CRDDecoratedLine>{line(fromPairs(column))} << small << unit << QRect(QPoint(190, 190), QPoint(10, 10));
    QTest::newRow("device taller than a column profile")
        << std::vector<CRDDecoratedLine>{line(fromPairs(column))} << small << unit << QRect(QPoint(10, 10), QPoint(190, 100000));
    QTest::newRow("device beyond the painter range")
        << std::vector<CRDDecoratedLine>{line(fromPairs(column))} << small << unit
        << QRect(QPoint(-2000000000, 10), QPoint(190, 190));
    QTest::newRow("dense column clipped at top and bottom")
        << std::vector<CRDDecoratedLine>{line(fromPairs(column), c_ColorRed, eRDLineDashDotted)} << small
        << QRectF(0, 2, 10, 6) << square;
    QTest::newRow("right to left from far beyond int")
        << std::vector<CRDDecoratedLine>{line(fromPairs({{1e9, 5}, {5, 5}, {1e12, 7}, {5, 3}, {5, 9}}))} << small << unit
        << square;
}

void tst_CRDDecimatingBoxGrid::regressions()
{
    QFETCH(std::vector<CRDDecoratedLine>, lines);
    QFETCH(Setup, with);
    QFETCH(QRectF, viewPort);
    QFETCH(QRect, device);
    GridPair grids(viewPort, device);
    const Difference d = grids.Compare(with, lines);
    QVERIFY2(d.iLargest <= c_iLargestStep, describe(d));
}

// Thousands of small random scenes, reproducible by seed.
void tst_CRDDecimatingBoxGrid::randomScenes_data()
{
    QTest::addColumn<int>("firstSeed");
    for (int seed = 1; seed <= 2000; seed += 250)
        QTest::addRow("scenes %d to %d", seed, seed + 249) << seed;
}

void tst_CRDDecimatingBoxGrid::randomScenes()
{
    QFETCH(int, firstSeed);
    long iLit = 0, iDiffering = 0;
    for (int seed = firstSeed; seed < firstSeed + 250; ++seed) {
        Random random{std::mt19937(static_cast<unsigned>(seed))};
        DecimationScene::Scene<Random> scene(random);
        const Difference d = scene.Compare();
        QVERIFY2(d.iLargest <= c_iLargestStep,
                 qPrintable(QStringLiteral("seed %1: %2; %3").arg(seed).arg(QString::fromLatin1(describe(d)), scene.Description())));
        iLit += d.iLit;
        iDiffering += d.iDiffering;
    }
    QVERIFY2(iDiffering * 100 <= iLit, qPrintable(QStringLiteral("%1 of %2 lit pixels differ").arg(iDiffering).arg(iLit)));
}

// A display placed inside a window paints into the window's image, at its offset, only where the
// window repaints: a whole window, and two separate parts of it.
void tst_CRDDecimatingBoxGrid::insideAWindow_data()
{
    QTest::addColumn<QRegion>("repainted");
    QTest::newRow("the whole window") << QRegion();
    QTest::newRow("two parts") << (QRegion(40, 30, 150, 90) + QRegion(230, 150, 120, 120));
}

void tst_CRDDecimatingBoxGrid::insideAWindow()
{
    QFETCH(QRegion, repainted);
    QImage images[2];
    for (int decimating = 0; decimating < 2; ++decimating) {
        CRDBoxGridLayout exact(CRDPoint(0, -1.5), CRDPoint(1, 1.5), QString(), QString(), 5, 5, 1, 3, c_ColorGray,
                               c_ColorBlack);
        CRDDecimatingBoxGrid fast(CRDPoint(0, -1.5), CRDPoint(1, 1.5), QString(), QString(), 5, 5, 1, 3, c_ColorGray,
                                  c_ColorBlack);
        QWidget window;
        window.resize(400, 300);
        CResultDisplay display(&window, decimating ? static_cast<CRDGrid*>(&fast) : &exact, c_ColorWhite);
        display.setGeometry(23, 17, 360, 270);
        std::vector<CRDPoint> points = makeData(NoisySine, 20000);
        display.AddLine(points, c_ColorOrange, eRDLineSolid, eRDPointNone, QString());
        images[decimating] = QImage(window.size(), QImage::Format_ARGB32_Premultiplied);
        images[decimating].fill(Qt::black);
        window.render(&images[decimating], QPoint(), repainted);
    }
    int largest = 0;
    for (int y = 0; y < images[0].height(); ++y)
        for (int x = 0; x < images[0].width(); ++x)
            for (int shift = 0; shift < 32; shift += 8)
                largest = std::max(largest, std::abs(int(images[0].pixel(x, y) >> shift & 0xff)
                                                     - int(images[1].pixel(x, y) >> shift & 0xff)));
    QVERIFY2(largest <= c_iLargestStep, QByteArray::number(largest));
}

// Recorders, printers, PDF and SVG get every primitive of the box grid, in its order and pens.
void tst_CRDDecimatingBoxGrid::vectorPaintersGetBoxGridPrimitives_data()
{
    QTest::addColumn<std::vector<CRDPoint>>("points");
    QTest::addColumn<int>("pointStyle");
    QTest::newRow("dense, with dots") << makeData(NoisySine, 20000) << int(eRDPointDot);
    QTest::newRow("label after non-finite vertices")
        << std::vector<CRDPoint>{CRDPoint(qnan, 0), CRDPoint(0.2, inf), CRDPoint(0.3, 0.1), CRDPoint(0.3, 0.2), CRDPoint(0.9, -1)}
        << int(eRDPointSquare);
    QTest::newRow("crossing every edge") << makeData(CrossingEdges, 5000) << int(eRDPointCross);
}

void tst_CRDDecimatingBoxGrid::vectorPaintersGetBoxGridPrimitives()
{
    QFETCH(std::vector<CRDPoint>, points);
    QFETCH(int, pointStyle);
    GridPair grids(QRectF(0, -1.5, 1, 3), QRect(QPoint(60, 40), QPoint(440, 460)));
    CRDDecoratedLine line(points, c_ColorBlue, eRDLineDotted, ERDPointStyle(pointStyle), QStringLiteral("probe"));
    RecordingPaintDevice expected, actual;
    QPainter exactPainter(&expected), decimatingPainter(&actual);
    exactPainter.setBrush(Qt::Dense4Pattern);
    decimatingPainter.setBrush(Qt::Dense4Pattern);
    grids.Exact.DrawLine(exactPainter, line);
    grids.Decimating.DrawLine(decimatingPainter, line);
    QCOMPARE(decimatingPainter.pen(), exactPainter.pen());
    exactPainter.end();
    decimatingPainter.end();
    QCOMPARE(actual.shapes(true), expected.shapes(true));
}

QTEST_MAIN(tst_CRDDecimatingBoxGrid)
#include "tst_crddecimatingboxgrid.moc"
