// Tests of CRDBoxGridLayout: grid lines, tick labels, axis titles and the x label callback.
#include "CRDBoxGridLayout.h"
#include "DataTable.h"
#include "RecordingPaintDevice.h"

#include <QtTest>

#include <memory>

using namespace KelmFramework;

namespace
{

enum { DefaultCallBack, PlainCallBack, CallBackNamedLikeDefault };

// A grid over the view (0, bottom)-(10, top), 4 x 4 divisions, drawn into L 50, T 50, R 453, B 352 with a
// margin of 40 and a font 18 pixels high: cells of 100 x 75, strips of 3 and 2 pixels left over.
struct Painted
{
    Painted(int callBack = DefaultCallBack, double bottom = -0.3, double top = 0.9)
        : plain(QString::fromLatin1(callBack == PlainCallBack ? "plain" : "CRDBoxGridLayout"))
    {
        CRDPoint a(0, bottom), b(10, top);
        const QString x = QStringLiteral("time"), y = QStringLiteral("voltage");
        grid.reset(callBack == DefaultCallBack
                       ? new CRDBoxGridLayout(a, b, x, y, 4, 4, 1, 6, c_ColorGray, c_ColorOrange)
                       : new CRDBoxGridLayout(plain, a, b, x, y, 4, 4, 1, 6, c_ColorGray, c_ColorOrange));
    }
    // What one of the grid's drawing functions draws of one kind ("line", "text"), each primitive checked
    // for its pen, and whether the painter's transform was put back.
    QStringList drawn(void (CRDBoxGridLayout::*draw)(QPainter&, CRDDevicePoint&, CRDDevicePoint&, long),
                      const char* kind = "text", const QColor& color = c_ColorOrange)
    {
        bool transformed = false;
        RecordingPaintDevice device;
        device.paint([&](QPainter& painter) {
            (grid.get()->*draw)(painter, leftTop, rightBottom, 40);
            transformed = !painter.transform().isIdentity();
        });
        QStringList result;
        for (const RecordedPrimitive& p : device.primitives())
            if (device.shapeOf(p).startsWith(QLatin1String(kind))) {
                result << device.shapeOf(p);
                if (device.penText(device.penOf(p)) != QStringLiteral("[%1 1 flat solid]").arg(color.name()))
                    result << QStringLiteral("in ") + device.penText(device.penOf(p));
            }
        return transformed ? result << QStringLiteral("transformed") : result;
    }

    IResultDisplayCallBack plain;
    std::unique_ptr<CRDBoxGridLayout> grid;
    CRDDevicePoint leftTop{50, 50}, rightBottom{453, 352};
};

} // namespace

class tst_CRDBoxGridLayout : public QObject
{
    Q_OBJECT

private slots:
    // The lines end at the last whole cell, short of R and B.
    void gridLines()
    {
        QCOMPARE(Painted().drawn(&CRDBoxGridLayout::DrawGrid, "line", c_ColorGray),
                 list("line 50,50 50,350|line 150,50 150,350|line 250,50 250,350|line 350,50 350,350|"
                      "line 450,50 450,350|line 50,50 450,50|line 50,125 450,125|line 50,200 450,200|"
                      "line 50,275 450,275|line 50,350 450,350"));
    }

    void xLabels_data()
    {
        columns<int, QStringList>("callBack", "texts");
        // Numbers are centred 5 pixels below B ("2.5" is 24 pixels wide, "10.0" 33); slanted texts start
        // lower the longer they are, three quarters of their width ("--": 11) left of their line. The title's
        // box starts at half the device width, in the middle of the band above the box.
        const QStringList numbers = list("text 2.5 138,357|text 5.0 238,357|text 7.5 338,357|text 10.0 434,357|"
                                         "text time 201,11");
        QTest::newRow("numbers") << int(DefaultCallBack) << numbers;
        QTest::newRow("a callback that does not override: slanted dashes")
            << int(PlainCallBack)
            << list("text -- 142,361 -45|text -- 242,361 -45|text -- 342,361 -45|text -- 442,361 -45|"
                    "text time 201,11");
        QTest::newRow("a callback named like the default: numbers") << int(CallBackNamedLikeDefault) << numbers;
    }
    void xLabels()
    {
        const auto [callBack, texts] = fetch<int, QStringList>("callBack", "texts");
        QCOMPARE(Painted(callBack).drawn(&CRDBoxGridLayout::DrawXGrid), texts);
    }

    void yLabels_data()
    {
        columns<double, double, QStringList>("bottom", "top", "texts");
        // Labels end 5 pixels left of L, centred on their lines; the bottom line has none. The title reads
        // upwards, centred in the band right of the box ("voltage" is 56 pixels wide).
        QTest::newRow("0.9 down to a running sum of 1.1e-16, snapped to 0")
            << -0.3 << 0.9
            << list("text 0.9 21,41|text 0.6 21,116|text 0.3 21,191|text 0 35,266|text voltage 464,227 -90");
        QTest::newRow("exactly 1e-8 is not snapped")
            << 1e-8 - 4 << 1e-8
            << list("text 1e-08 2,41|text -1 30,116|text -2 30,191|text -3 30,266|text voltage 464,227 -90");
    }
    void yLabels()
    {
        const auto [bottom, top, texts] = fetch<double, double, QStringList>("bottom", "top", "texts");
        QCOMPARE(Painted(DefaultCallBack, bottom, top).drawn(&CRDBoxGridLayout::DrawYGrid), texts);
    }

    // A precision of 32767 gets the 340 digits a double can show, not 32767 at every line.
    void labelPrecision()
    {
        Painted device;
        device.grid->m_iXPrecision = SHRT_MAX;
        const QString last = device.drawn(&CRDBoxGridLayout::DrawXGrid).at(3).section(QLatin1Char(' '), 1, 1);
        QCOMPARE(last, QStringLiteral("10.") + QString(340, QLatin1Char('0')));
    }
};

QTEST_MAIN(tst_CRDBoxGridLayout)
#include "tst_crdboxgridlayout.moc"
