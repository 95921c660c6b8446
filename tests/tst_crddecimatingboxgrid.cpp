// Tests of CRDDecimatingBoxGrid: the pixels of CRDBoxGridLayout, within 2 per channel, on any input.
#include "DataTable.h"
#include "DecimationScene.h"

#include "CResultDisplay.h"

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

using namespace KelmFramework;
using DecimationScene::Difference;
using DecimationScene::GridPair;
using DecimationScene::Setup;
using Lines = std::vector<CRDDecoratedLine>;

Q_DECLARE_METATYPE(Lines)
Q_DECLARE_METATYPE(Setup)

namespace
{

const double qnan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();

// The bound every pixel keeps.
constexpr int c_iLargestStep = 2;

// A plot: viewport (0, -1.5)-(1, 1.5) on 880 x 620 pixels of a 1000 x 700 image, where x in pixels is 880 t.
// Setup() is a unit square on 180 x 180 pixels of a 200 x 200 image.
Setup plot()
{
    Setup with;
    with.ViewPort = QRectF(0, -1.5, 1, 3);
    with.Device = QRect(QPoint(60, 40), QPoint(940, 660));
    with.Size = QSize(1000, 700);
    return with;
}

template <typename Field>
Setup changed(Field Setup::*field, Field value, Setup with = plot())
{
    with.*field = value;
    return with;
}

enum Shape { NoisySine, Steps, Spikes, NaNGaps, CrossingEdges, WhiteNoise, Jitter02, Jitter1 };

std::vector<CRDPoint> makeData(Shape shape, int iCount)
{
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 0.05);
    std::vector<CRDPoint> points;
    for (int i = 0; i < iCount; ++i) {
        const double t = double(i) / (iCount - 1);
        double x = t, y = std::sin(6 * M_PI * t) + noise(random);
        if (shape == Steps)
            y = std::floor(t * 10) / 10 - 0.5;
        if (shape == Spikes) // single samples far off a quiet line, up and down
            y = i % (iCount / 9 + 1) == iCount / 18 ? 1.3 : i % (iCount / 7 + 1) == 3 ? -1.4 : 0.1 * std::sin(6 * t);
        if (shape == NaNGaps && int(t * 20) % 4 == 1)
            y = qnan;
        if (shape == CrossingEdges) { // out through every edge, rightward and then leftward
            x = t < 0.5 ? -0.2 + 2.8 * t : 2.6 - 2.8 * t;
            y = 2.2 * std::sin(10 * M_PI * t) + 2 * noise(random);
        }
        if (shape == WhiteNoise)
            y = 10 * noise(random);
        if (shape == Jitter02 || shape == Jitter1) // sample times off by a normal fraction of a pixel
            x += (shape == Jitter02 ? 0.2 : 1.0) / 880 * noise(random) / 0.05;
        points.emplace_back(x, y);
    }
    return points;
}

// x going back and forth, in plot(): a random walk of steps 8 to 100 pixels long, or ten hysteresis loops with
// 2 pixels of noise in x. Counting pays for neither, and the line goes to the painter part way along.
std::vector<CRDPoint> xyData(bool walk, int iCount)
{
    std::mt19937 random(11);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::normal_distribution<double> noise(0.0, 1.0);
    std::vector<CRDPoint> points;
    double x = 0.5, y = 0;
    for (int i = 0; i < iCount; ++i) {
        if (walk) {
            const double length = 8 + 92 * unit(random), angle = 2 * M_PI * unit(random);
            x = std::fabs(x + length * std::cos(angle) / 880);
            x = x > 1 ? 2 - x : x;
            y = std::clamp(y + length * std::sin(angle) * 3 / 620, -1.5, 1.5);
            points.emplace_back(x, y);
        } else {
            const double phase = 20 * M_PI * i / iCount, field = std::cos(phase);
            points.emplace_back(0.5 + 0.45 * field + 2 * noise(random) / 880,
                                std::tanh(3 * (field + (std::sin(phase) < 0 ? -0.3 : 0.3))) + 0.05 * noise(random));
        }
    }
    return points;
}

CRDDecoratedLine line(std::vector<CRDPoint> points, CRDColor color = c_ColorBlue, ERDLineStyle style = eRDLineSolid,
                      ERDPointStyle marker = eRDPointNone, const QString& name = QString())
{
    return CRDDecoratedLine(points, color, style, marker, name);
}

void addRow(const QByteArray& name, const Lines& lines, const Setup& with = plot())
{
    QTest::newRow(name.constData()) << lines << with;
}

struct Random
{
    std::mt19937 Engine;
    int Pick(int iLow, int iHigh) { return std::uniform_int_distribution<int>(iLow, iHigh)(Engine); }
    double Real(double dLow, double dHigh) { return std::uniform_real_distribution<double>(dLow, dHigh)(Engine); }
};

} // namespace

class tst_CRDDecimatingBoxGrid : public QObject
{
    Q_OBJECT

private slots:
    // Lines drawn through both grids: realistic data at every density, labelled and orange (a channel of 128,
    // where blends round one way or the other), and each fault the grid once had, as the input that showed it.
    void withinAStep_data()
    {
        columns<Lines, Setup>("lines", "with");
        const char* const shapes[] = {
            "noisy sine",        "steps", "spikes", "NaN gaps", "crossing edges", "white noise", "x jittered by 0.2 px",
            "x jittered by 1 px"};
        const char* const styles[] = {"solid", "dotted", "dash-dotted"};
        const auto signal = [&](Shape shape, int count, int style) {
            addRow(QByteArray(shapes[shape]) + ", " + QByteArray::number(count) + " points, " + styles[style],
                   {line(makeData(shape, count), c_ColorOrange, ERDLineStyle(style), eRDPointNone,
                         QStringLiteral("signal"))});
        };
        for (Shape shape : {NoisySine, Spikes, NaNGaps, CrossingEdges, WhiteNoise, Jitter02, Jitter1}) {
            for (int style = eRDLineSolid; style <= eRDLineDashDotted; ++style)
                for (int count : {1000, 20000})
                    signal(shape, count, style);
            signal(shape, 200000, shape % 3); // the box grid takes a second per million segments: one style
        }
        signal(NoisySine, 1000000, eRDLineSolid);

        // Gaps: a vertex with no position, then one back in the column the line left.
        std::vector<CRDPoint> gaps;
        for (double x : {3.0, 7.0})
            gaps.insert(gaps.end(), {{x, 5}, {x + 0.01, 4}, {qnan, qnan}, {x + 0.02, 1}, {x + 0.03, 4.5}});
        gaps.insert(gaps.end(), {{9, 5}, {5, 0.5}, {5.01, 9.5}});
        addRow("a gap back into the column the line left", {line(gaps)}, Setup());
        std::vector<CRDPoint> threeGaps{{5, 5}, {5.01, 4}};
        for (int i = 0; i < 3; ++i)
            threeGaps.insert(threeGaps.end(), {{inf, 1}, {5.02, 1.0 + 3 * i}, {5.03, 4.5 + i}});
        addRow("three gaps in one column", {line(threeGaps)}, Setup());
        addRow("a gap right after a step down", {line({{5, 5}, {5.01, 6}, {5.02, qnan}})}, Setup());
        std::vector<CRDPoint> sevenths = makeData(NoisySine, 100000);
        for (std::size_t i = 6; i < sevenths.size(); i += 7)
            sevenths[i].m_dY = qnan;
        addRow("NaN every 7th of 100000 vertices", {line(sevenths)});

        // Pixel ratios: repeated vertices light nothing at 2; between whole ratios the pen and the vertices
        // land on every sub-pixel phase, in every pattern, on dense and on sparse lines.
        for (double ratio : {1.25, 1.5, 1.75, 2.0, 2.5, 3.0, 4.0})
            addRow("steps, noise and jitter at pixel ratio " + QByteArray::number(ratio),
                   {line(makeData(Steps, 200000)), line(makeData(Jitter1, 100000), c_ColorOrange),
                    line(makeData(NoisySine, 20000), c_ColorRed, eRDLineDotted),
                    line(makeData(WhiteNoise, 20000), c_ColorDarkGreen)},
                   changed(&Setup::dRatio, ratio));

        // Patterns restart with every segment: dots and dash-dots on dense columns, on long steps along both
        // axes and on sparse diagonals, and on a dense line with gaps, whose pieces enter a column from the side.
        for (double ratio : {1.25, 1.5, 1.75, 2.0, 2.5, 3.0})
            addRow("dotted and dash-dotted, dense and sparse, at pixel ratio " + QByteArray::number(ratio),
                   {line(makeData(NoisySine, 100000), c_ColorOrange, eRDLineDotted),
                    line(makeData(Spikes, 100000), c_ColorBlue, eRDLineDashDotted),
                    line(makeData(Steps, 500), c_ColorRed, eRDLineDashDotted),
                    line(makeData(Jitter1, 600), c_ColorDarkGreen, eRDLineDotted),
                    line(makeData(NoisySine, 2000), c_ColorBlack, eRDLineDashDotted),
                    line(sevenths, c_ColorRed, eRDLineDotted)},
                   changed(&Setup::dRatio, ratio));

        // Lines piled over the whole plot: each starts on pixels the one before left up to 2 off.
        for (double ratio : {2.0, 2.5, 3.0})
            addRow("five lines piled at pixel ratio " + QByteArray::number(ratio),
                   {line(makeData(WhiteNoise, 100000), c_ColorOrange), line(makeData(WhiteNoise, 50000)),
                    line(makeData(WhiteNoise, 20000), c_ColorDarkGreen), line(makeData(NoisySine, 2000), c_ColorBlack),
                    line(makeData(Jitter1, 600), c_ColorRed)},
                   changed(&Setup::dRatio, ratio));

        for (double ratio : {1.0, 1.5, 2.0}) {
            addRow("an x-y random walk at pixel ratio " + QByteArray::number(ratio), {line(xyData(true, 20000))},
                   changed(&Setup::dRatio, ratio));
            addRow("a noisy hysteresis loop at pixel ratio " + QByteArray::number(ratio),
                   {line(xyData(false, 200000), c_ColorOrange)}, changed(&Setup::dRatio, ratio));
        }
        // Long segments over pixels the line has already brought to its colour, and a second line that
        // starts on them in another.
        for (double ratio : {1.25, 1.5, 2.0, 3.0})
            addRow("x-y walks crossing themselves until the plot is their colour, at pixel ratio "
                       + QByteArray::number(ratio),
                   {line(xyData(true, 60000), c_ColorOrange), line(xyData(true, 30000), c_ColorBlue, eRDLineDotted)},
                   changed(&Setup::dRatio, ratio));

        // Dense lines running right, whose columns beside the pen later columns bring to the colour: looked
        // ahead over, in a dark colour, over another line, and pale on white.
        for (double ratio : {1.25, 1.5, 1.75, 2.5})
            addRow("dense lines running right at pixel ratio " + QByteArray::number(ratio),
                   {line(makeData(WhiteNoise, 50000), c_ColorOrange), line(makeData(NoisySine, 200000), c_ColorBlue),
                    line(makeData(Spikes, 200000), CRDColor(253, 253, 253))},
                   changed(&Setup::dRatio, ratio));

        // A pale line on white settles from above, where one coverage takes a channel resting on 253 to 252.
        for (double ratio : {1.5, 3.0})
            addRow("a pale grey line on white at pixel ratio " + QByteArray::number(ratio),
                   {line(makeData(NoisySine, 200000), CRDColor(253, 253, 253))}, changed(&Setup::dRatio, ratio));

        // Clips of several rectangles: a rubber band's move as the system's, two windows as the painter's.
        const Lines clipped{line(makeData(NoisySine, 200000), c_ColorOrange),
                            line(makeData(Jitter1, 20000), c_ColorBlue, eRDLineDotted, eRDPointCross),
                            line(makeData(Spikes, 20000), c_ColorRed, eRDLineSolid, eRDPointDot)};
        addRow("a band's move as the system clip", clipped,
               changed(&Setup::System, QRegion(250, 200, 400, 300) + QRegion(246, 204, 400, 300)));
        addRow("two rectangles as the painter's clip", clipped,
               changed(&Setup::Clip, QRegion(100, 50, 300, 400) + QRegion(350, 300, 400, 300)));
        for (double ratio : {1.5, 2.0}) {
            const auto scaled = [ratio](int x, int y) {
                return QRegion(QRectF(x * ratio, y * ratio, 400 * ratio, 300 * ratio).toAlignedRect());
            };
            addRow("a band's move as the system clip at pixel ratio " + QByteArray::number(ratio), clipped,
                   changed(&Setup::System, scaled(250, 200) + scaled(246, 204), changed(&Setup::dRatio, ratio)));
        }

        // Dense lines crossing the band's left and right edge columns a thousand times, where the engine
        // cuts their geometry: those segments go to the painter until their pixels there have settled.
        for (double ratio : {1.25, 1.75, 2.5, 3.0}) {
            const auto scaled = [ratio](int x, int y) {
                return QRegion(QRectF(x * ratio, y * ratio, 400 * ratio, 300 * ratio).toAlignedRect());
            };
            addRow("dense lines across a band's edges at pixel ratio " + QByteArray::number(ratio),
                   {line(makeData(NoisySine, 400000), c_ColorOrange),
                    line(makeData(Spikes, 200000), CRDColor(253, 253, 253)),
                    line(makeData(NoisySine, 200000), c_ColorBlue, eRDLineDotted)},
                   changed(&Setup::System, scaled(250, 200) + scaled(246, 204), changed(&Setup::dRatio, ratio)));
        }

        // Markers blend at every vertex, as often as the box grid blends them.
        std::vector<CRDPoint> pile;
        for (int i = 0; i < 20000; ++i)
            pile.emplace_back(0.3 + i * 1e-6, 0.01 * std::sin(i * 0.01)); // a few pixels, each hit many times
        const char* const markers[] = {"dots", "crosses", "squares"};
        for (int marker = eRDPointDot; marker <= eRDPointSquare; ++marker)
            addRow(QByteArray("dense ") + markers[marker - 1],
                   {line(pile, c_ColorRed, eRDLineDotted, ERDPointStyle(marker)),
                    line(makeData(NoisySine, 20000), c_ColorBlue, eRDLineSolid, ERDPointStyle(marker))});

        // Hostile rectangles, around a dense column.
        std::vector<CRDPoint> column;
        for (int i = 0; i < 4000; ++i)
            column.emplace_back(5 + (i / 2000) * 0.06, 5 + 6 * std::sin(i * 0.7));
        addRow("device corners in the wrong order", {line(column)},
               changed(&Setup::Device, QRect(QPoint(190, 190), QPoint(10, 10)), Setup()));
        addRow("device taller than a column profile", {line(column)},
               changed(&Setup::Device, QRect(QPoint(10, 10), QPoint(190, 100000)), Setup()));
        addRow("device beyond the painter range", {line(column)},
               changed(&Setup::Device, QRect(QPoint(-2000000000, 10), QPoint(190, 190)), Setup()));
        addRow("dense column clipped at top and bottom", {line(column, c_ColorRed, eRDLineDashDotted)},
               changed(&Setup::ViewPort, QRectF(0, 2, 10, 6), Setup()));
        addRow("right to left from far beyond int", {line({{1e9, 5}, {5, 5}, {1e12, 7}, {5, 3}, {5, 9}})}, Setup());
    }
    void withinAStep()
    {
        auto [lines, with] = fetch<Lines, Setup>("lines", "with");
        const Difference d = GridPair(with).Compare(lines);
        QVERIFY2(d.iLargest <= c_iLargestStep, d.Text());
    }

    // Markers and single points at scales in quarters: a marker per sub-pixel phase, written into the
    // image where it lies inside the writable pixels, drawn by the painter elsewhere; piled up, each
    // blended as often as that changes a pixel.
    void markersAtRatio_data()
    {
        columns<double, QPointF, QRegion>("ratio", "moved", "system");
        const QRegion exposed = QRegion(150, 100, 400, 300) + QRegion(400, 300, 400, 300);
        for (double ratio : {1.25, 1.5, 1.75, 2.0, 2.5, 3.0})
            QTest::addRow("pixel ratio %g", ratio) << ratio << QPointF() << QRegion();
        QTest::newRow("pixel ratio 1.25, moved by a pixel and three") << 1.25 << QPointF(1, 3) << QRegion();
        for (double ratio : {1.5, 2.0}) {
            const QRegion scaled = QTransform::fromScale(ratio, ratio).map(exposed);
            QTest::addRow("pixel ratio %g, two rectangles repainted", ratio) << ratio << QPointF() << scaled;
        }
    }
    void markersAtRatio()
    {
        auto [ratio, moved, system] = fetch<double, QPointF, QRegion>("ratio", "moved", "system");
        Setup with = changed(&Setup::dRatio, ratio);
        with.Translation = moved;
        with.System = system;
        std::vector<CRDPoint> pile;
        for (int i = 0; i < 3000; ++i)
            pile.emplace_back(0.3 + (i / 300) * 0.0031, 0.2);
        Lines lines;
        for (int marker = eRDPointDot; marker <= eRDPointSquare; ++marker) {
            std::vector<CRDPoint> points = makeData(CrossingEdges, 3000);
            points.insert(points.end(), pile.begin(), pile.end());
            for (CRDPoint& point : pile)
                point.m_dY -= 0.2;
            lines.push_back(line(points, marker == eRDPointCross ? c_ColorOrange : CRDColor(17, 99, 201), eRDLineSolid,
                                 ERDPointStyle(marker)));
        }
        std::mt19937 random(5);
        std::uniform_real_distribution<double> x(-0.02, 1.02), y(-1.6, 1.6);
        std::uniform_int_distribution<int> channel(0, 255);
        std::vector<CRDDecoratedPoint> points;
        for (int i = 0; i < 2000; ++i)
            points.emplace_back(x(random), y(random), CRDColor(channel(random), channel(random), channel(random)),
                                ERDPointStyle(eRDPointDot + i % 3));
        const Difference d = GridPair(with).Compare(lines, points);
        QVERIFY2(d.iLargest <= c_iLargestStep, d.Text());
    }

    // Under a clip, the box grid draws inside it what it draws there without one, to the last bit.
    void exactUnderAClip_data()
    {
        columns<Lines, Setup>("lines", "with");
        const Setup band = changed(&Setup::System, QRegion(250, 200, 400, 300) + QRegion(246, 204, 400, 300));
        std::vector<CRDPoint> noisy = makeData(NoisySine, 20000), falling = noisy;
        for (CRDPoint& point : falling)
            point.m_dX = 1 - point.m_dX;
        addRow("a band's move", {line(noisy)}, band);
        Setup scaled = changed(&Setup::System, QRegion(600, 200, 300, 450), changed(&Setup::dRatio, 2.0));
        scaled.Translation = QPointF(0.5, 0);
        addRow("ratio 2, half a pixel across", {line(noisy)}, scaled);
        addRow("x falling, dotted", {line(falling, c_ColorBlue, eRDLineDotted)}, band);
        addRow("label of a segment left of the clip",
               {line(noisy, c_ColorBlue, eRDLineSolid, eRDPointNone,
                     QStringLiteral("a label long enough to reach the clip"))},
               changed(&Setup::System, QRegion(200, 0, 40, 700)));
    }
    void exactUnderAClip()
    {
        auto [lines, with] = fetch<Lines, Setup>("lines", "with");
        GridPair grids(with);
        const QImage clipped = with.Render(grids.Exact, lines);
        const QImage whole = changed(&Setup::System, QRegion(), with).Render(grids.Exact, lines);
        // Scaled, the raster engine cuts a stroke at the clip, and blends its edge pixels so.
        const int edge = with.dRatio == 1.0 ? 0 : 1;
        for (const QRect& rect : with.System)
            QCOMPARE(clipped.copy(rect.adjusted(edge, edge, -edge, -edge)),
                     whole.copy(rect.adjusted(edge, edge, -edge, -edge)));
    }

    // A point's marker is blended, yet the painter is left with its pen, as after the box grid's.
    void pointLeavesItsPen()
    {
        GridPair grids(plot());
        QImage image = plot().Blank();
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        CRDDecoratedPoint point(0.5, 0, c_ColorOrange, eRDPointCross);
        grids.Decimating.DrawPoint(painter, point);
        const QPen blended = painter.pen();
        grids.Exact.DrawPoint(painter, point);
        QCOMPARE(blended, painter.pen());
    }

    // Thousands of small random scenes, reproducible by seed.
    void randomScenes_data()
    {
        QTest::addColumn<int>("firstSeed");
        for (int seed = 1; seed <= 2000; seed += 250)
            QTest::addRow("scenes %d to %d", seed, seed + 249) << seed;
    }
    void randomScenes()
    {
        QFETCH(int, firstSeed);
        long iLit = 0, iDiffering = 0;
        for (int seed = firstSeed; seed < firstSeed + 250; ++seed) {
            Random random{std::mt19937(static_cast<unsigned>(seed))};
            DecimationScene::Scene<Random> scene(random);
            const Difference d = scene.Compare();
            QVERIFY2(d.iLargest <= c_iLargestStep,
                     "seed " + QByteArray::number(seed) + ": " + d.Text() + "; " + scene.Description().toLatin1());
            iLit += d.iLit;
            iDiffering += d.iDiffering;
        }
        QVERIFY2(iDiffering * 100 <= iLit, (Difference{0, iDiffering, iLit}).Text());
    }

    // A display placed inside a window paints into the window's image, at its offset, only where the
    // window repaints: a whole window, and two separate parts of it.
    void insideAWindow_data()
    {
        QTest::addColumn<QRegion>("repainted");
        QTest::newRow("the whole window") << QRegion();
        QTest::newRow("two parts") << (QRegion(40, 30, 150, 90) + QRegion(230, 150, 120, 120));
    }
    void insideAWindow()
    {
        QFETCH(QRegion, repainted);
        GridPair grids(plot());
        QImage images[2];
        for (CRDGrid* grid : {static_cast<CRDGrid*>(&grids.Exact), static_cast<CRDGrid*>(&grids.Decimating)}) {
            QWidget window;
            window.resize(400, 300);
            CResultDisplay display(&window, grid, c_ColorWhite);
            display.setGeometry(23, 17, 360, 270);
            std::vector<CRDPoint> points = makeData(NoisySine, 20000);
            display.AddLine(points, c_ColorOrange, eRDLineSolid, eRDPointNone, QString());
            QImage& image = images[grid == &grids.Decimating];
            image = QImage(window.size(), QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::black);
            window.render(&image, QPoint(), repainted);
        }
        const Difference d = DecimationScene::Compare(images[0], images[1], images[0]);
        QVERIFY2(d.iLargest <= c_iLargestStep, d.Text());
    }
};

QTEST_MAIN(tst_CRDDecimatingBoxGrid)
#include "tst_crddecimatingboxgrid.moc"
