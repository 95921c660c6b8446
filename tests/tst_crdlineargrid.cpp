// Tests of CRDLinearGrid (mapping, clipping, drawing points and lines) and of the value types it draws.
#include "CRDLinearGrid.h"
#include "DataTable.h"
#include "RecordingPaintDevice.h"

#include <QtTest>

#include <cmath>
#include <functional>
#include <random>

using namespace KelmFramework;

namespace
{

// The viewport (0, 0)-(10, 10) on a device rectangle, (0, 0)-(100, 100) unless given: a user unit is ten pixels.
struct Grid : CRDLinearGrid
{
    explicit Grid(const QRect& device = QRect(0, 0, 101, 101))
        : CRDLinearGrid(s_LeftBottom, s_RightTop, QString(), QString(), 4, 4, 1, 1, c_ColorBlack, c_ColorBlack)
    {
        CRDDevicePoint leftTop(device.left(), device.top()), rightBottom(device.right(), device.bottom());
        SetDeviceViewPort(leftTop, rightBottom);
    }
    void DrawGrid(QPainter&, CRDDevicePoint&, CRDDevicePoint&, long) override {}
    static inline CRDPoint s_LeftBottom{0, 0}, s_RightTop{10, 10};
};

// What a grid draws, with pens: a label's box is (x + 23, y - 23).
QStringList paint(const std::function<void(Grid&, QPainter&)>& draw)
{
    Grid grid;
    return RecordingPaintDevice().paint([&](QPainter& painter) { draw(grid, painter); }).shapes(true);
}

void drawRow(const char* name, std::vector<CRDPoint> points, ERDPointStyle marker, const char* shapes,
             ERDLineStyle style = eRDLineSolid, const char* label = "")
{
    QTest::newRow(name) << CRDDecoratedLine(points, c_ColorRed, style, marker, QString::fromLatin1(label))
                        << list(shapes);
}

// A noisy sine of many vertices across the viewport, x rising or falling.
CRDDecoratedLine denseLine(bool rising = true, ERDLineStyle style = eRDLineSolid, const QString& name = QString())
{
    std::mt19937 engine(7);
    std::normal_distribution<double> noise(0.0, 0.3);
    std::vector<CRDPoint> points;
    for (int i = 0; i < 20000; ++i) {
        const double x = 10.0 * i / 19999;
        points.emplace_back(rising ? x : 10.0 - x, 5.0 + 4.0 * std::sin(2.0 * x) + noise(engine));
    }
    return CRDDecoratedLine(points, c_ColorBlue, style, eRDPointNone, name);
}

// The line on a 300x200 image at a pixel ratio, through a translated painter, under a system clip if any.
QImage render(CRDDecoratedLine line, double ratio, QPointF translation, const QRegion& system)
{
    Grid grid(QRect(QPoint(10, 10), QPoint(290, 190)));
    QImage image(static_cast<int>(300 * ratio), static_cast<int>(200 * ratio), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    image.paintEngine()->setSystemClip(system);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(translation);
    grid.DrawLine(painter, line);
    painter.end();
    image.paintEngine()->setSystemClip(QRegion());
    return image;
}

} // namespace

Q_DECLARE_METATYPE(CRDDecoratedLine)

class tst_CRDLinearGrid : public QObject
{
    Q_OBJECT

private slots:
    // A line's vertices come unflagged however it was made (from flagged points, copied, assigned over
    // flagged points, assigned to itself), with the caller's points left alone and the colour's model and
    // alpha kept. An empty line is white, a colour black.
    void valueTypes()
    {
        std::vector<CRDPoint> points{CRDPoint(1.5, -2.5)};
        points[0].SetInterpolated(true);
        CRDColor hsv;
        hsv.setHsv(120, 200, 100, 40);
        CRDDecoratedLine built(points, hsv, eRDLineDotted, eRDPointSquare, QStringLiteral("a")), &alias = built;
        CRDDecoratedLine copied(built), assigned(points, c_ColorRed, eRDLineSolid, eRDPointNone, QString());
        assigned.m_vecPoints[0].SetInterpolated(true);
        assigned = built;
        built = alias;
        for (const CRDDecoratedLine* line : {&built, &copied, &assigned})
            QVERIFY(!line->m_vecPoints.at(0).m_bInterpolated && line->m_vecPoints[0].m_dY == -2.5
                    && line->m_strName == QLatin1String("a")
                    && QColor(line->m_Color) == QColor::fromHsv(120, 200, 100, 40)
                    && line->m_eLineStyle == eRDLineDotted && line->m_ePointStyle == eRDPointSquare);
        QVERIFY(points[0].m_bInterpolated && QColor(CRDDecoratedLine().m_Color) == QColor(Qt::white)
                && QColor(CRDColor()) == QColor(Qt::black));
    }

    // Where a user point lands, whether inside, and what that pixel shows.
    void mapPoint_data()
    {
        columns<QPointF, QRect, QPoint, bool, QPointF>("user", "device", "pixel", "inside", "back");
        const QRect unit(0, 0, 101, 101), shifted(QPoint(20, 10), QPoint(120, 60));
        QTest::newRow("left-bottom corner") << QPointF(0, 0) << unit << QPoint(0, 100) << true << QPointF(0, 0);
        QTest::newRow("right-top corner") << QPointF(10, 10) << unit << QPoint(100, 0) << true << QPointF(10, 10);
        QTest::newRow("shifted device") << QPointF(2.5, 5) << shifted << QPoint(45, 35) << true << QPointF(2.5, 5);
        QTest::newRow("39.99 truncates to 39") << QPointF(4, 6) << unit << QPoint(40, 39) << true << QPointF(4, 6.1);
        QTest::newRow("-0.5 truncates onto the left edge")
            << QPointF(-0.05, 5) << unit << QPoint(0, 50) << true << QPointF(0, 5);
        QTest::newRow("a pixel left") << QPointF(-0.1, 5) << unit << QPoint(-1, 50) << false << QPointF(-0.1, 5);
        QTest::newRow("a pixel above") << QPointF(5, 10.1) << unit << QPoint(50, -1) << false << QPointF(5, 10.1);
    }
    void mapPoint()
    {
        const auto [user, device, pixel, inside,
                    back] = fetch<QPointF, QRect, QPoint, bool, QPointF>("user", "device", "pixel", "inside", "back");
        Grid grid(device);
        CRDPoint in(user.x(), user.y()), out;
        CRDDevicePoint mapped;
        QCOMPARE(grid.ConvertPointToDevicePoint(in, mapped), inside);
        QCOMPARE(QPoint(int(mapped.m_iX), int(mapped.m_iY)), pixel);
        grid.ConvertPointFromDeviceToUserViewport(mapped, out);
        QCOMPARE(QPointF(out.m_dX, out.m_dY), back);
    }

    void clipLine_data()
    {
        columns<QLine, bool, QLine>("segment", "drawn", "clipped");
        // The rectangle is (0, 0)-(100, 100); the first end is clipped only at the left, the second only at the right.
        QTest::newRow("crossing the left edge") << QLine(-10, 50, 50, 50) << true << QLine(0, 50, 50, 50);
        QTest::newRow("crossing the right edge") << QLine(50, 30, 110, 30) << true << QLine(50, 30, 100, 30);
        QTest::newRow("crossing the top edge") << QLine(20, -20, 60, 20) << true << QLine(40, 0, 60, 20);
        QTest::newRow("crossing the bottom edge") << QLine(20, 80, 60, 120) << true << QLine(20, 80, 40, 100);
        QTest::newRow("through two corners") << QLine(-10, -10, 110, 110) << true << QLine(0, 0, 100, 100);
        QTest::newRow("vertical on the right edge: kept, with its x")
            << QLine(100, -20, 100, 120) << true << QLine(100, 0, 100, 100);
        QTest::newRow("right to left: not clipped at the right")
            << QLine(120, 50, 50, 50) << true << QLine(120, 50, 50, 50);
        QTest::newRow("past the top-left corner: no second test")
            << QLine(-10, 5, 5, -10) << true << QLine(-5, 0, -5, 0);
        QTest::newRow("both beyond one edge") << QLine(-20, 10, -5, 90) << false << QLine(-20, 10, -5, 90);
    }
    void clipLine()
    {
        const auto [segment, drawn, clipped] = fetch<QLine, bool, QLine>("segment", "drawn", "clipped");
        CRDDevicePoint p(segment.x1(), segment.y1()), q(segment.x2(), segment.y2());
        QCOMPARE(Grid().DoClipLine(p, q), drawn);
        QCOMPARE(QLine(int(p.m_iX), int(p.m_iY), int(q.m_iX), int(q.m_iY)), clipped);
    }

    // A line of one point is its marker alone, as DrawPoint draws it.
    void drawLine_data()
    {
        columns<CRDDecoratedLine, QStringList>("line", "drawn");
        drawRow("square, no label", {{5, 5}}, eRDPointSquare, "rect 47,47 6x6 [#ff0000 1 flat solid]", eRDLineSolid,
                "P");
        drawRow("cross on the corner, drawn whole", {{10, 10}}, eRDPointCross,
                "line 96,0 104,0 [#ff0000 1 flat solid]|line 100,-4 100,4");
        drawRow("dot", {{5, 5}}, eRDPointDot, "point 50,50 [#ff0000 3 round solid]");
        drawRow("marker centre outside", {{10.5, 5}}, eRDPointCross, "");
        drawRow("segments, one label above right of the first", {{0, 5}, {5, 5}, {10, 5}}, eRDPointNone,
                "line 0,50 50,50 [#ff0000 1 flat solid]|text P 23,27|line 50,50 100,50", eRDLineSolid, "P");
        drawRow("the label waits for the first drawn segment", {{-8, 2}, {-4, 2}, {4, 6}}, eRDPointNone,
                "line 0,59 40,39 [#ff0000 1 flat dot]|text P 23,36", eRDLineDotted, "P");
        drawRow("markers after all segments, each clipped alone", {{5, 5}, {20, 5}, {5, 8}}, eRDPointCross,
                "line 50,50 100,50 [#ff0000 1 flat dashdot]|line 200,50 50,20|line 46,50 54,50 [#ff0000 1 flat solid]|"
                "line 50,46 50,54|line 46,20 54,20|line 50,16 50,24",
                eRDLineDashDotted);
        drawRow("a NaN vertex drops its two segments; unknown style: solid",
                {{0, 5}, {2, 5}, {qQNaN(), 5}, {6, 5}, {8, 5}}, eRDPointNone,
                "line 0,50 20,50 [#ff0000 1 flat solid]|line 60,50 80,50", ERDLineStyle(77));
    }
    void drawLine()
    {
        QFETCH(CRDDecoratedLine, line);
        QFETCH(QStringList, drawn);
        QCOMPARE(paint([&](Grid& grid, QPainter& painter) { grid.DrawLine(painter, line); }), drawn);
    }

    // Under a clip, what a line draws inside it is what it draws there without one, to the last bit.
    void underAClip_data()
    {
        columns<CRDDecoratedLine, double, QPointF, QRegion>("line", "ratio", "translation", "clip");
        const CRDDecoratedLine dense = denseLine();
        const QRegion band = QRegion(120, 40, 60, 90) + QRegion(117, 43, 60, 90);
        QTest::newRow("a band's move") << dense << 1.0 << QPointF() << band;
        QTest::newRow("ratio 1.5, half a pixel across") << dense << 1.5 << QPointF(0.5, 0) << QRegion(181, 60, 90, 135);
        QTest::newRow("x falling, dotted") << denseLine(false, eRDLineDotted) << 1.0 << QPointF() << band;
        QTest::newRow("label of a segment left of the clip")
            << denseLine(true, eRDLineSolid, QStringLiteral("a label long enough to reach the clip")) << 1.0
            << QPointF() << QRegion(150, 0, 40, 200);
    }
    void underAClip()
    {
        auto [line, ratio, translation,
              clip] = fetch<CRDDecoratedLine, double, QPointF, QRegion>("line", "ratio", "translation", "clip");
        const QImage whole = render(line, ratio, translation, QRegion());
        const QImage clipped = render(line, ratio, translation, clip);
        // Scaled, the raster engine cuts a stroke at the clip, and blends its edge pixels so.
        const int edge = ratio == 1.0 ? 0 : 1;
        for (const QRect& rect : clip) {
            const QRect part = rect.adjusted(edge, edge, -edge, -edge);
            for (int y = part.top(); y <= part.bottom(); ++y)
                for (int x = part.left(); x <= part.right(); ++x)
                    QVERIFY2(whole.pixel(x, y) == clipped.pixel(x, y),
                             qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
        }
    }
};

QTEST_MAIN(tst_CRDLinearGrid)
#include "tst_crdlineargrid.moc"
