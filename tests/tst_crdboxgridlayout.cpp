// Tests of CRDBoxGridLayout: grid lines, tick labels, axis titles and the x label callback.
#include "CRDBoxGridLayout.h"
#include "RecordingPaintDevice.h"

#include <QPainter>
#include <QtTest>

#include <memory>

using namespace KelmFramework;

namespace
{

enum { DefaultCallBack, PlainCallBack, CallBackNamedLikeDefault };

// A grid over the view (0, bottom)-(10, top), 4 x 4 divisions, drawn into L 50, T 50, R 453, B 352 with a
// margin of 40 and a font 14 pixels high: cells of 100 x 75, strips of 3 and 2 pixels left over.
struct Painted : RecordingPaintDevice
{
    Painted(int callBack = DefaultCallBack, double bottom = -0.3, double top = 0.9)
        : painter(this), plain(QString::fromLatin1(callBack == PlainCallBack ? "plain" : "CRDBoxGridLayout"))
    {
        CRDPoint a(0, bottom), b(10, top);
        const QString x = QStringLiteral("time"), y = QStringLiteral("voltage");
        grid.reset(callBack == DefaultCallBack
                       ? new CRDBoxGridLayout(a, b, x, y, 4, 4, 1, 6, c_ColorGray, c_ColorOrange)
                       : new CRDBoxGridLayout(plain, a, b, x, y, 4, 4, 1, 6, c_ColorGray, c_ColorOrange));
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(11);
        painter.setFont(font);
    }
    // The primitives of one kind ("line", "text"), each checked for its pen and for a transform put back.
    QStringList drawn(const QString& kind, const QColor& color)
    {
        QStringList result;
        for (const RecordedCall& call : calls)
            if (call.shape.startsWith(kind)) {
                result << call.shape;
                if (call.penText() != QStringLiteral("[%1 1 flat solid]").arg(color.name()))
                    result << QStringLiteral("in ") + call.penText();
            }
        if (!painter.transform().isIdentity())
            result << QStringLiteral("transformed");
        return result;
    }
    QStringList texts() { return drawn(QStringLiteral("text"), c_ColorOrange); }

    QPainter painter;
    IResultDisplayCallBack plain;
    std::unique_ptr<CRDBoxGridLayout> grid;
    CRDDevicePoint leftTop{50, 50}, rightBottom{453, 352};
};

QStringList list(const char* items)
{
    return QString::fromUtf8(items).split(QLatin1Char('|'));
}

} // namespace

class tst_CRDBoxGridLayout : public QObject
{
    Q_OBJECT

private slots:
    // The lines end at the last whole cell, short of R and B.
    void gridLines()
    {
        Painted device;
        device.grid->DrawGrid(device.painter, device.leftTop, device.rightBottom, 40);
        QCOMPARE(device.drawn(QStringLiteral("line"), c_ColorGray),
                 list("line 50,50 50,350|line 150,50 150,350|line 250,50 250,350|line 350,50 350,350|"
                      "line 450,50 450,350|line 50,50 450,50|line 50,125 450,125|line 50,200 450,200|"
                      "line 50,275 450,275|line 50,350 450,350"));
    }

    void xLabels_data()
    {
        QTest::addColumn<int>("callBack");
        QTest::addColumn<QStringList>("texts");
        // Numbers are centred 5 pixels below B; slanted texts start lower the longer they are. The title's box
        // starts at half the device width, in the middle of the band above the box.
        const QStringList numbers = list("text 2.5 142,357|text 5.0 242,357|text 7.5 342,357|text 10.0 438,357|"
                                         "text time 201,13");
        QTest::newRow("numbers") << int(DefaultCallBack) << numbers;
        QTest::newRow("a callback that does not override: slanted dashes") << int(PlainCallBack)
            << list("text -- 144,361 -45|text -- 244,361 -45|text -- 344,361 -45|text -- 444,361 -45|"
                    "text time 201,13");
        QTest::newRow("a callback named like the default: numbers") << int(CallBackNamedLikeDefault) << numbers;
    }
    void xLabels()
    {
        QFETCH(int, callBack);
        QFETCH(QStringList, texts);
        Painted device(callBack);
        // The worked numbers take Qt 5's whole-pixel metrics; Qt 6 makes this font 13 pixels high.
        if (device.painter.fontMetrics().height() != 14)
            QSKIP("worked for a font 14 pixels high");
        device.grid->DrawXGrid(device.painter, device.leftTop, device.rightBottom, 40);
        QCOMPARE(device.texts(), texts);
    }

    void yLabels_data()
    {
        QTest::addColumn<double>("bottom");
        QTest::addColumn<double>("top");
        QTest::addColumn<QStringList>("texts");
        // Labels end 5 pixels left of L, centred on their lines; the bottom line has none. The title reads
        // upwards, centred in the band right of the box.
        QTest::newRow("0.9 down to a running sum of 1.1e-16, snapped to 0") << -0.3 << 0.9
            << list("text 0.9 28,43|text 0.6 28,118|text 0.3 28,193|text 0 38,268|text voltage 466,212 -90");
        QTest::newRow("exactly 1e-8 is not snapped") << 1e-8 - 4 << 1e-8
            << list("text 1e-08 13,43|text -1 34,118|text -2 34,193|text -3 34,268|text voltage 466,212 -90");
    }
    void yLabels()
    {
        QFETCH(double, bottom);
        QFETCH(double, top);
        QFETCH(QStringList, texts);
        Painted device(DefaultCallBack, bottom, top);
        if (device.painter.fontMetrics().height() != 14)
            QSKIP("worked for a font 14 pixels high");
        device.grid->DrawYGrid(device.painter, device.leftTop, device.rightBottom, 40);
        QCOMPARE(device.texts(), texts);
    }
};

QTEST_MAIN(tst_CRDBoxGridLayout)
#include "tst_crdboxgridlayout.moc"
