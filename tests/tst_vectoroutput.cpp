// Both widgets rendered into SVG and QPicture: every primitive arrives, and the picture is the screen's.
#include "CRDBoxGridLayout.h"
#include "CRDDecimatingBoxGrid.h"
#include "CRDMatrix.h"
#include "CResultDisplay.h"
#include "DataTable.h"
#include "RecordingPaintDevice.h"

#include <QBuffer>
#include <QPainter>
#include <QPicture>
#include <QRegularExpression>
#include <QSvgGenerator>
#include <QtTest>

#include <cmath>
#include <memory>

using namespace KelmFramework;

namespace
{

enum Kind { BoxGridPlot, DecimatingPlot, Matrix };

// A widget of 400 x 300 in a parent: a plot with every line and marker style, a line of far more vertices
// than pixel columns (each segment a pixel or longer: vector engines drop a segment of no length, which
// the raster engine draws as a dot) and a single point; or twenty labelled cells in every state, one
// blinking. A plot to be replayed exactly has no dot markers, which Qt's picture engine draws its own way,
// and no y title, which Qt 6 replays with other edge blends.
struct Scene : QWidget
{
    explicit Scene(Kind kind, bool bForReplay = false)
    {
        if (kind == Matrix) {
            CRDMatrixData data;
            for (int i = 0; i < 20; ++i)
                data.AppendMatrixItem(short(i % 4), QString(), QStringLiteral("S%1").arg(i));
            data.m_iBlinkIndex = 7;
            const std::vector<CRDColor> colors{c_ColorGreen, c_ColorYellow, c_ColorRed};
            widget = std::make_unique<CRDMatrix>(this, data, c_ColorWhite, c_ColorDarkGray, colors);
            static_cast<CRDMatrix&>(*widget).UpdateMatrixData(data); // turns the blink phase on
            widget->resize(400, 300);
            return;
        }
        const CRDPoint a(0, -1.5), b(10, 1.5);
        const QString x = QStringLiteral("time [s]"), y = bForReplay ? QString() : QStringLiteral("voltage [V]");
        grid.reset(kind == DecimatingPlot ? new CRDDecimatingBoxGrid(a, b, x, y, 5, 4, 1, 2, c_ColorGray, c_ColorBlack)
                                          : new CRDBoxGridLayout(a, b, x, y, 5, 4, 1, 2, c_ColorGray, c_ColorBlack));
        auto display = std::make_unique<CResultDisplay>(this, grid.get(), c_ColorWhite);
        display->resize(400, 300);
        display->UpdateDrawAreaRange(400, 300);
        const ERDPointStyle markers[] = {eRDPointCross, bForReplay ? eRDPointCross : eRDPointDot, eRDPointSquare};
        for (int style = eRDLineSolid; style <= eRDLineDashDotted; ++style) {
            std::vector<CRDPoint> points;
            for (int i = 0; i <= 20; ++i)
                points.emplace_back(i * 0.5, std::sin(i * 0.4 + style) * (1.0 - 0.2 * style));
            const CRDColor color = style == 0 ? c_ColorBlue : style == 1 ? c_ColorRed : c_ColorDarkGreen;
            display->AddLine(points, color, ERDLineStyle(style), markers[style], QStringLiteral("line %1").arg(style));
        }
        std::vector<CRDPoint> dense;
        for (int i = 0; i < 8000; ++i)
            dense.emplace_back(i * 0.00125, (i % 2 ? 0.4 : -0.4) + 0.2 * std::sin(i * 0.003));
        display->AddLine(dense, c_ColorOrange, eRDLineSolid, eRDPointNone, QStringLiteral("dense"));
        display->AddPoint(CRDPoint(5, 1), c_ColorBlack, eRDPointSquare);
        widget = std::move(display);
    }

    std::unique_ptr<CRDBoxGridLayout> grid;
    std::unique_ptr<QWidget> widget;
};

// Vector devices take the widget's own resolution, so fonts and pens come out at screen size.
QByteArray Svg(QWidget& widget)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(widget.size());
    generator.setViewBox(QRect(QPoint(), widget.size()));
    generator.setResolution(widget.logicalDpiX());
    widget.render(&generator, QPoint(), QRegion(), {}); // as RecordingPaintDevice::render does
    return buffer.data();
}

enum Route { Direct, ThroughPicture, AtPixelRatio, ThroughScaledPainter };

// The widget as an image, rendered straight into it, through a QPicture, into an image of pixel ratio 1.5
// or through a painter scaled by 1.5.
QImage Raster(QWidget& widget, Route route)
{
    const qreal scale = route >= AtPixelRatio ? 1.5 : 1.0;
    QImage image(widget.size() * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (route == Direct || route == AtPixelRatio) {
        image.setDevicePixelRatio(scale);
        widget.render(&image);
        image.setDevicePixelRatio(1.0); // compared with images of ratio 1
        return image;
    }
    QPainter painter(&image);
    painter.scale(scale, scale);
    if (route == ThroughScaledPainter) {
        widget.render(&painter);
    } else {
        QPicture picture;
        widget.render(&picture);
        painter.drawPicture(0, 0, picture);
    }
    painter.end();
    return image;
}

} // namespace

Q_DECLARE_METATYPE(Kind)

class tst_VectorOutput : public QObject
{
    Q_OBJECT

private slots:
    void vectorOutput_data()
    {
        columns<Kind, int>("kind", "texts");
        QTest::newRow("plot through the box grid") << BoxGridPlot << 4 + 5 + 4 + 2; // names, labels, titles
        QTest::newRow("plot through the decimating grid") << DecimatingPlot << 4 + 5 + 4 + 2;
        QTest::newRow("matrix") << Matrix << 20;
    }
    void vectorOutput()
    {
        const auto [kind, texts] = fetch<Kind, int>("kind", "texts");
        Scene scene(kind);
        const QStringList shapes = RecordingPaintDevice().render(*scene.widget).shapes(true);
        const auto count = [&](const char* pattern) {
            return int(shapes.filter(QRegularExpression(QLatin1String(pattern))).size());
        };
        QCOMPARE(count("^text "), texts);
        // The decimating grid hands any painter but a raster one the box grid's primitives, pens included.
        if (kind == DecimatingPlot)
            QCOMPARE(shapes, RecordingPaintDevice().render(*Scene(BoxGridPlot).widget).shapes(true));

        const QByteArray svg = Svg(*scene.widget);
        QCOMPARE(int(svg.count("<polyline")), count("^line "));
        QCOMPARE(int(svg.count("<text")), texts);
        QCOMPARE(int(svg.count("<rect")), count("^rect "));

        // A recorded picture replays into exactly what the box grid (or the matrix) paints on screen.
        const Kind screen = kind == Matrix ? Matrix : BoxGridPlot;
        QCOMPARE(Raster(*Scene(kind, true).widget, ThroughPicture), Raster(*Scene(screen, true).widget, Direct));
        // Rendered into an image of pixel ratio 1.5, a widget paints through a stand-in device of its own size
        // with the ratio in the painter's transform. It comes out as through a scaled painter, its right third
        // included (that was cut: "dense" came out as "dens").
        QCOMPARE(Raster(*scene.widget, AtPixelRatio), Raster(*scene.widget, ThroughScaledPainter));
    }
};

QTEST_MAIN(tst_VectorOutput)
#include "tst_vectoroutput.moc"
