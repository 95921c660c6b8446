// Tests of CRDLinearGrid (mapping, clipping, drawing points and lines) and of the value types it draws.
#include "CRDLinearGrid.h"
#include "RecordingPaintDevice.h"

#include <QPainter>
#include <QtTest>

using namespace KelmFramework;

namespace
{

const QRect unit(QPoint(0, 0), QPoint(100, 100));
enum { Built, Copied, Assigned, SelfAssigned };

// The viewport (0, 0)-(10, 10) on a device rectangle, (0, 0)-(100, 100) unless given: a user unit is ten pixels.
class Grid : public CRDLinearGrid
{
public:
    explicit Grid(const QRect& device = unit)
        : CRDLinearGrid(s_LeftBottom, s_RightTop, QString(), QString(), 4, 4, 1, 1, c_ColorBlack, c_ColorBlack)
    {
        CRDDevicePoint leftTop(device.left(), device.top()), rightBottom(device.right(), device.bottom());
        SetDeviceViewPort(leftTop, rightBottom);
    }
    void DrawGrid(QPainter&, CRDDevicePoint&, CRDDevicePoint&, long) override {}
    static inline CRDPoint s_LeftBottom{0, 0}, s_RightTop{10, 10};
};

QStringList list(const char* items)
{
    return QString::fromUtf8(items).split(QLatin1Char('|'), Qt::SkipEmptyParts);
}

// Paints with a font 14 pixels high, so that a line label's box is (x + 19, y - 19).
struct Painted : RecordingPaintDevice
{
    Painted() : painter(this)
    {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(11);
        painter.setFont(font);
    }
    QStringList drawn() { return painter.end(), shapes(true).split(QLatin1Char('|'), Qt::SkipEmptyParts); }
    QPainter painter;
    Grid grid;
};

} // namespace

Q_DECLARE_METATYPE(ERDLineStyle)
Q_DECLARE_METATYPE(ERDPointStyle)

class tst_CRDLinearGrid : public QObject
{
    Q_OBJECT

private slots:
    void decoratedLine_data()
    {
        QTest::addColumn<int>("copy");
        QTest::newRow("built") << int(Built);
        QTest::newRow("copied") << int(Copied);
        QTest::newRow("assigned over flagged points (they kept their flags)") << int(Assigned);
        QTest::newRow("assigned to itself") << int(SelfAssigned);
    }
    // A line stores its vertices unflagged, however it was made, and leaves the caller's points alone.
    void decoratedLine()
    {
        QFETCH(int, copy);
        std::vector<CRDPoint> points{CRDPoint(1.5, -2.5), CRDPoint(2, 2)};
        points[0].SetInterpolated(true); // a copy would drop it
        CRDDecoratedLine built(points, c_ColorYellow, ERDLineStyle(77), eRDPointSquare, QStringLiteral("a"));
        const CRDDecoratedLine copied(built);
        CRDDecoratedLine target(points, c_ColorBlue, eRDLineSolid, eRDPointNone, QString()), &alias = built;
        for (CRDPoint& vertex : target.m_vecPoints)
            vertex.SetInterpolated(true);
        if (copy == Assigned)
            target = built;
        if (copy == SelfAssigned)
            built = alias;
        const CRDDecoratedLine& line = copy == Copied ? copied : copy == Assigned ? target : built;
        QVERIFY(points[0].m_bInterpolated);
        QCOMPARE(line.m_strName, QStringLiteral("a"));
        QCOMPARE(QColor(line.m_Color), QColor(c_ColorYellow));
        QVERIFY(line.m_eLineStyle == ERDLineStyle(77) && line.m_ePointStyle == eRDPointSquare);
        QCOMPARE(QPointF(line.m_vecPoints.at(0).m_dX, line.m_vecPoints.at(0).m_dY), QPointF(1.5, -2.5));
        QVERIFY(!line.m_vecPoints[0].m_bInterpolated && !line.m_vecPoints[1].m_bInterpolated);
    }

    void defaultLine()
    {
        const CRDDecoratedLine line;
        QVERIFY(line.m_strName.isEmpty() && line.m_vecPoints.empty());
        QCOMPARE(QColor(line.m_Color), QColor(Qt::white));
        QVERIFY(line.m_eLineStyle == eRDLineSolid && line.m_ePointStyle == eRDPointNone);
    }

    // The palette, the default colour, and copies that keep all of a colour: its model and alpha too.
    void colors()
    {
        QVector<QRgb> palette;
        for (const CRDColor& color : {c_ColorBlack, c_ColorWhite, c_ColorLightGray, c_ColorGray, c_ColorDarkGray,
                                      c_ColorLigthRed, c_ColorRed, c_ColorDarkRed, c_ColorLightGreen, c_ColorGreen,
                                      c_ColorDarkGreen, c_ColorLightBlue, c_ColorBlue, c_ColorDark, c_ColorYellow,
                                      c_ColorOrange})
            palette << color.rgba();
        QCOMPARE(palette, QVector<QRgb>({0xff000000, 0xffffffff, 0xffc0c0c0, 0xff808080, 0xff404040, 0xffff8080,
                                         0xffff0000, 0xff800000, 0xff80ff80, 0xff00ff00, 0xff004000, 0xff8080ff,
                                         0xff0000ff, 0xff000080, 0xffffff00, 0xffff8000}));
        QCOMPARE(QColor(CRDColor()), QColor(Qt::black)); // valid and opaque
        CRDColor hsv, assigned;
        hsv.setHsv(120, 200, 100, 40);
        assigned = hsv;
        QCOMPARE(QColor(CRDColor(hsv)), QColor::fromHsv(120, 200, 100, 40));
        QCOMPARE(QColor(assigned), QColor::fromHsv(120, 200, 100, 40));
    }

    // Where a user point lands, whether inside, and what that pixel shows.
    void mapPoint_data()
    {
        QTest::addColumn<QPointF>("user");
        QTest::addColumn<QRect>("device");
        QTest::addColumn<QPoint>("pixel");
        QTest::addColumn<bool>("inside");
        QTest::addColumn<QPointF>("back");
        const QRect shifted(QPoint(20, 10), QPoint(120, 60));
        QTest::newRow("left-bottom corner") << QPointF(0, 0) << unit << QPoint(0, 100) << true << QPointF(0, 0);
        QTest::newRow("right-top corner") << QPointF(10, 10) << unit << QPoint(100, 0) << true << QPointF(10, 10);
        QTest::newRow("quarter") << QPointF(2.5, 2.5) << unit << QPoint(25, 75) << true << QPointF(2.5, 2.5);
        QTest::newRow("shifted device") << QPointF(2.5, 5) << shifted << QPoint(45, 35) << true << QPointF(2.5, 5);
        QTest::newRow("39.99 truncates to 39") << QPointF(4, 6) << unit << QPoint(40, 39) << true << QPointF(4, 6.1);
        QTest::newRow("-0.5 truncates onto the left edge")
            << QPointF(-0.05, 5) << unit << QPoint(0, 50) << true << QPointF(0, 5);
        QTest::newRow("a pixel left") << QPointF(-0.1, 5) << unit << QPoint(-1, 50) << false << QPointF(-0.1, 5);
        QTest::newRow("a pixel right") << QPointF(10.1, 5) << unit << QPoint(101, 50) << false << QPointF(10.1, 5);
        QTest::newRow("a pixel above") << QPointF(5, 10.1) << unit << QPoint(50, -1) << false << QPointF(5, 10.1);
        QTest::newRow("a pixel below") << QPointF(5, -0.1) << unit << QPoint(50, 101) << false << QPointF(5, -0.1);
    }
    void mapPoint()
    {
        QFETCH(QPointF, user);
        QFETCH(QRect, device);
        QFETCH(QPoint, pixel);
        QFETCH(bool, inside);
        QFETCH(QPointF, back);
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
        QTest::addColumn<QLine>("segment");
        QTest::addColumn<bool>("drawn");
        QTest::addColumn<QLine>("clipped");
        // The rectangle is (0, 0)-(100, 100); the first end is clipped only at the left, the second only at the right.
        QTest::newRow("crossing the left edge") << QLine(-10, 50, 50, 50) << true << QLine(0, 50, 50, 50);
        QTest::newRow("crossing the right edge") << QLine(50, 30, 110, 30) << true << QLine(50, 30, 100, 30);
        QTest::newRow("crossing the top edge") << QLine(20, -20, 60, 20) << true << QLine(40, 0, 60, 20);
        QTest::newRow("crossing the bottom edge") << QLine(20, 80, 60, 120) << true << QLine(20, 80, 40, 100);
        QTest::newRow("through two corners") << QLine(-10, -10, 110, 110) << true << QLine(0, 0, 100, 100);
        QTest::newRow("vertical keeps its x") << QLine(50, -20, 50, 120) << true << QLine(50, 0, 50, 100);
        QTest::newRow("right to left: not clipped at the right")
            << QLine(120, 50, 50, 50) << true << QLine(120, 50, 50, 50);
        QTest::newRow("past the top-left corner: no second test")
            << QLine(-10, 5, 5, -10) << true << QLine(-5, 0, -5, 0);
        QTest::newRow("both left") << QLine(-20, 10, -5, 90) << false << QLine(-20, 10, -5, 90);
        QTest::newRow("both right") << QLine(101, 10, 200, 90) << false << QLine(101, 10, 200, 90);
        QTest::newRow("both above") << QLine(10, -1, 90, -50) << false << QLine(10, -1, 90, -50);
        QTest::newRow("both below") << QLine(10, 101, 90, 150) << false << QLine(10, 101, 90, 150);
    }
    void clipLine()
    {
        QFETCH(QLine, segment);
        QFETCH(bool, drawn);
        QFETCH(QLine, clipped);
        CRDDevicePoint p(segment.x1(), segment.y1()), q(segment.x2(), segment.y2());
        QCOMPARE(Grid().DoClipLine(p, q), drawn);
        QCOMPARE(QLine(int(p.m_iX), int(p.m_iY), int(q.m_iX), int(q.m_iY)), clipped);
    }

    void drawPoint_data()
    {
        QTest::addColumn<ERDPointStyle>("style");
        QTest::addColumn<QPointF>("at");
        QTest::addColumn<QStringList>("drawn");
        QTest::newRow("dot") << eRDPointDot << QPointF(5, 5) << list("point 50,50 [#ff0000 3 round solid]");
        QTest::newRow("cross") << eRDPointCross << QPointF(5, 5)
                               << list("line 46,50 54,50 [#ff0000 1 flat solid]|line 50,46 50,54");
        QTest::newRow("square") << eRDPointSquare << QPointF(5, 5) << list("rect 47,47 6x6 [#ff0000 1 flat solid]");
        QTest::newRow("cross on the corner, drawn whole")
            << eRDPointCross << QPointF(10, 10) << list("line 96,0 104,0 [#ff0000 1 flat solid]|line 100,-4 100,4");
        QTest::newRow("centre outside") << eRDPointCross << QPointF(10.5, 5) << QStringList();
        QTest::newRow("unknown style") << ERDPointStyle(7) << QPointF(5, 5) << QStringList();
    }
    void drawPoint()
    {
        QFETCH(ERDPointStyle, style);
        QFETCH(QPointF, at);
        QFETCH(QStringList, drawn);
        Painted device;
        CRDDecoratedPoint point(at.x(), at.y(), c_ColorRed, style);
        device.grid.DrawPoint(device.painter, point);
        QCOMPARE(device.drawn(), drawn);
    }

    // Marker pens are kept between calls; each marker still takes its own colour.
    void markerColors()
    {
        Painted device;
        for (const CRDColor& color : {c_ColorBlue, c_ColorRed, c_ColorBlue}) {
            CRDDecoratedPoint point(5, 5, color, eRDPointDot);
            device.grid.DrawPoint(device.painter, point);
        }
        QCOMPARE(device.drawn(), list("point 50,50 [#0000ff 3 round solid]|point 50,50 [#ff0000 3 round solid]|"
                                      "point 50,50 [#0000ff 3 round solid]"));
    }

    void drawLine_data()
    {
        QTest::addColumn<QVector<QPointF>>("points");
        QTest::addColumn<ERDLineStyle>("lineStyle");
        QTest::addColumn<ERDPointStyle>("pointStyle");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("drawn");
        const QString name = QStringLiteral("P");
        QTest::newRow("segments, one label above right of the first")
            << QVector<QPointF>{{0, 5}, {5, 5}, {10, 5}} << eRDLineSolid << eRDPointNone << name
            << list("line 0,50 50,50 [#ff0000 1 flat solid]|text P 19,31|line 50,50 100,50");
        QTest::newRow("the label waits for the first drawn segment")
            << QVector<QPointF>{{-8, 2}, {-4, 2}, {4, 6}} << eRDLineDotted << eRDPointNone << name
            << list("line 0,59 40,39 [#ff0000 1 flat dot]|text P 19,40");
        QTest::newRow("markers after all segments, each clipped alone")
            << QVector<QPointF>{{5, 5}, {20, 5}, {5, 8}} << eRDLineDashDotted << eRDPointCross << QString()
            << list("line 50,50 100,50 [#ff0000 1 flat dashdot]|line 200,50 50,20|line 46,50 54,50 [#ff0000 1 flat "
                    "solid]|line 50,46 50,54|line 46,20 54,20|line 50,16 50,24");
        QTest::newRow("unknown line style: solid")
            << QVector<QPointF>{{0, 5}, {10, 5}} << ERDLineStyle(77) << eRDPointNone << QString()
            << list("line 0,50 100,50 [#ff0000 1 flat solid]");
        QTest::newRow("one point: its marker, no label")
            << QVector<QPointF>{{5, 5}} << eRDLineSolid << eRDPointSquare << name
            << list("rect 47,47 6x6 [#ff0000 1 flat solid]");
        QTest::newRow("no points") << QVector<QPointF>() << eRDLineSolid << eRDPointDot << name << QStringList();
    }
    void drawLine()
    {
        QFETCH(QVector<QPointF>, points);
        QFETCH(ERDLineStyle, lineStyle);
        QFETCH(ERDPointStyle, pointStyle);
        QFETCH(QString, name);
        QFETCH(QStringList, drawn);
        std::vector<CRDPoint> vertices;
        for (const QPointF& p : points)
            vertices.emplace_back(p.x(), p.y());
        CRDDecoratedLine line(vertices, c_ColorRed, lineStyle, pointStyle, name);
        Painted device;
        // The worked numbers take Qt 5's whole-pixel metrics; Qt 6 makes this font 13 pixels high.
        if (device.painter.fontMetrics().height() != 14)
            QSKIP("worked for a font 14 pixels high");
        device.grid.DrawLine(device.painter, line);
        QCOMPARE(device.drawn(), drawn);
    }
};

QTEST_MAIN(tst_CRDLinearGrid)
#include "tst_crdlineargrid.moc"
