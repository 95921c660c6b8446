// Tests of CRDLinearGrid (the two conversions, the clip tests, the drawing of points and lines) and of the
// value types it works with: CRDPoint, CRDColor and its palette, CRDDecoratedLine.
#include "CRDLinearGrid.h"
#include "RecordingPaintDevice.h"
#include "TestRows.h"

#include <QPainter>

using namespace KelmFramework;

namespace
{

QString str(const CRDPoint& p)
{
    return QStringLiteral("%1,%2").arg(p.m_dX).arg(p.m_dY) + QLatin1String(p.m_bInterpolated ? " flagged" : "");
}

// Maps the viewport (0, 0)-(10, 10) to a device rectangle given by its corners, (0, 0)-(100, 100) by default.
class TestGrid : public CRDLinearGrid
{
public:
    TestGrid(QLine device = QLine(0, 0, 100, 100))
        : CRDLinearGrid(s_LeftBottom, s_RightTop, QString(), QString(), 4, 4, 1, 1, c_ColorBlack, c_ColorBlack)
    {
        CRDDevicePoint leftTop(device.x1(), device.y1()), rightBottom(device.x2(), device.y2());
        SetDeviceViewPort(leftTop, rightBottom);
    }
    void DrawGrid(QPainter&, CRDDevicePoint&, CRDDevicePoint&, long) override {}
    // The base constructor takes its corners by non-const reference.
    static inline CRDPoint s_LeftBottom{0, 0}, s_RightTop{10, 10};
};

// Where a user point lands, whether inside, and where that pixel leads back to.
QString map(double x, double y, QLine device = QLine(0, 0, 100, 100))
{
    TestGrid grid(device);
    CRDPoint in(x, y), back;
    CRDDevicePoint out;
    const bool inside = grid.ConvertPointToDevicePoint(in, out);
    grid.ConvertPointFromDeviceToUserViewport(out, back);
    return QStringLiteral("%1,%2 %3, back %4,%5").arg(out.m_iX).arg(out.m_iY).arg(QLatin1String(inside ? "in" : "out"))
        .arg(back.m_dX).arg(back.m_dY);
}

QString clip(long px, long py, long qx, long qy)
{
    CRDDevicePoint p(px, py), q(qx, qy);
    const bool drawn = TestGrid().DoClipLine(p, q);
    return drawn ? QStringLiteral("%1,%2 %3,%4").arg(p.m_iX).arg(p.m_iY).arg(q.m_iX).arg(q.m_iY) : QStringLiteral("-");
}

// What DrawLine paints, with its pens, for a line drawn in each of the colours.
QString draw(std::vector<CRDPoint> points, int pointStyle, const char* name = "", int lineStyle = 0,
             QVector<CRDColor> colors = {c_ColorRed})
{
    TestGrid grid;
    RecordingPaintDevice device;
    QPainter painter(&device);
    for (const CRDColor& color : colors) {
        CRDDecoratedLine line(points, color, ERDLineStyle(lineStyle), ERDPointStyle(pointStyle), QLatin1String(name));
        grid.DrawLine(painter, line);
    }
    return device.shapes(true);
}

} // namespace

class tst_CRDLinearGrid : public QObject
{
    Q_OBJECT

private slots:
    void grid_data()
    {
        addResultColumns();
        // A copied point drops the interpolated flag: every vertex a line stores is without it, whether the line
        // was built, copied or assigned.
        std::vector<CRDPoint> points{CRDPoint(1.5, -2.5), CRDPoint(2, 2)};
        points[0].SetInterpolated(true);
        CRDDecoratedLine line(points, c_ColorYellow, ERDLineStyle(77), eRDPointSquare, QStringLiteral("a"));
        CRDDecoratedLine other(points, c_ColorBlue, eRDLineSolid, eRDPointNone, QString()), copy(line), empty;
        for (CRDPoint& vertex : other.m_vecPoints)
            vertex.SetInterpolated(true);
        other = line; // regression: assigning over existing points kept their flags
        CRDDecoratedLine& alias = other;
        other = alias;
        QString lines = str(points[0]);
        for (const CRDDecoratedLine* l : {&empty, &line, &copy, &other}) {
            lines += QStringLiteral("; '%1' %2 %3 %4").arg(l->m_strName, l->m_Color.name()).arg(l->m_eLineStyle)
                         .arg(l->m_ePointStyle);
            for (const CRDPoint& p : l->m_vecPoints)
                lines += QLatin1Char(' ') + str(p);
        }
        QTest::newRow("the caller's points; a default, a built, a copied and a self-assigned line") << lines
            << "1.5,-2.5 flagged; '' #ffffff 0 0; 'a' #ffff00 77 3 1.5,-2.5 2,2; 'a' #ffff00 77 3 1.5,-2.5 2,2; "
               "'a' #ffff00 77 3 1.5,-2.5 2,2";

        // Copies of a translucent HSV colour keep all of it: "?" marks a colour that is not RGB, or invalid.
        QStringList colors;
        CRDColor hsv, assigned;
        hsv.setHsv(120, 200, 100, 40);
        assigned = hsv;
        for (const CRDColor& color : {c_ColorBlack, c_ColorWhite, c_ColorLightGray, c_ColorGray, c_ColorDarkGray,
                                      c_ColorLigthRed, c_ColorRed, c_ColorDarkRed, c_ColorLightGreen, c_ColorGreen,
                                      c_ColorDarkGreen, c_ColorLightBlue, c_ColorBlue, c_ColorDark, c_ColorYellow,
                                      c_ColorOrange, CRDColor(), hsv, assigned})
            colors << color.name(QColor::HexArgb) + QLatin1String(color.isValid() && color == color.toRgb() ? "" : "?");
        QTest::newRow("the palette, the default colour, two copies") << colors.join(QLatin1Char(' '))
            << "#ff000000 #ffffffff #ffc0c0c0 #ff808080 #ff404040 #ffff8080 #ffff0000 #ff800000 #ff80ff80 #ff00ff00 "
               "#ff004000 #ff8080ff #ff0000ff #ff000080 #ffffff00 #ffff8000 #ff000000 #28166416? #28166416?";

        QTest::newRow("left-bottom corner") << map(0, 0) << "0,100 in, back 0,0";
        QTest::newRow("shifted device") << map(2.5, 5, QLine(20, 10, 120, 60)) << "45,35 in, back 2.5,5";
        QTest::newRow("39.99 truncates to 39, not rounded") << map(4, 6) << "40,39 in, back 4,6.1";
        QTest::newRow("a pixel left") << map(-0.1, 5) << "-1,50 out, back -0.1,5";
        QTest::newRow("a pixel right") << map(10.1, 5) << "101,50 out, back 10.1,5";
        QTest::newRow("a pixel above") << map(5, 10.1) << "50,-1 out, back 5,10.1";
        QTest::newRow("a pixel below") << map(5, -0.1) << "50,101 out, back 5,-0.1";

        QTest::newRow("clip: crossing the top edge") << clip(20, -20, 60, 20) << "40,0 60,20";
        QTest::newRow("clip: crossing the bottom edge") << clip(20, 80, 60, 120) << "20,80 40,100";
        QTest::newRow("clip: vertical keeps its x") << clip(50, -20, 50, 120) << "50,0 50,100";
        QTest::newRow("clip: both left") << clip(-20, 10, -5, 90) << "-";
        QTest::newRow("clip: both right") << clip(101, 10, 200, 90) << "-";
        QTest::newRow("clip: both above") << clip(10, -1, 90, -50) << "-";
        QTest::newRow("clip: both below") << clip(10, 101, 90, 150) << "-";
        QTest::newRow("clip: x first, then y: past the corner stays out") << clip(-10, 5, 5, -10) << "-5,0 -5,0";

        const QString red = QStringLiteral("[#ff0000 1 flat solid]");
        // A label sits above and right of where its line first shows: in the box (x + fh + 5, y - 5 - fh).
        const int fh = QFontMetrics(QFont()).height();
        const auto label = [fh](const char* name, int x, int y) {
            return QStringLiteral("text %1 %2,%3").arg(QLatin1String(name)).arg(x + fh + 5).arg(y - 5 - fh);
        };
        QTest::newRow("dot, in each line's colour") << draw({{5, 5}}, eRDPointDot, "", 0, {c_ColorBlue, c_ColorRed})
            << "point 50,50 [#0000ff 3 round solid]|point 50,50 [#ff0000 3 round solid]";
        QTest::newRow("cross on the corner, drawn whole")
            << draw({{10, 10}}, eRDPointCross) << QStringLiteral("line 96,0 104,0 %1|line 100,-4 100,4").arg(red);
        QTest::newRow("square") << draw({{5, 5}}, eRDPointSquare) << QStringLiteral("rect 47,47 6x6 %1").arg(red);
        QTest::newRow("segments, one label at the first") << draw({{0, 5}, {5, 5}, {10, 5}}, 0, "P")
            << QStringLiteral("line 0,50 50,50 %1|%2|line 50,50 100,50").arg(red, label("P", 0, 50));
        QTest::newRow("dotted; the label waits for a drawn segment")
            << draw({{-8, 2}, {-4, 2}, {4, 6}}, 0, "T", eRDLineDotted)
            << QStringLiteral("line 0,59 40,39 [#ff0000 1 flat dot]|%1").arg(label("T", 0, 59));
        QTest::newRow("dash-dotted; markers after all segments, each clipped alone")
            << draw({{5, 5}, {20, 5}, {5, 8}}, eRDPointCross, "", eRDLineDashDotted)
            << QStringLiteral("line 50,50 100,50 [#ff0000 1 flat dashdot]|line 200,50 50,20|line 46,50 54,50 %1|"
                              "line 50,46 50,54|line 46,20 54,20|line 50,16 50,24").arg(red);
    }
    void grid() { compareResults(); }
};

QTEST_MAIN(tst_CRDLinearGrid)
#include "tst_crdlineargrid.moc"
