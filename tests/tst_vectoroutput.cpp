// Both widgets rendered into SVG, PDF and QPicture: every primitive arrives, and the picture is the screen's.
#include "CRDBoxGridLayout.h"
#include "CRDDecimatingBoxGrid.h"
#include "CRDMatrix.h"
#include "CResultDisplay.h"
#include "RecordingPaintDevice.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPicture>
#include <QSvgGenerator>
#include <QtTest>

#include <cmath>
#include <memory>

using namespace KelmFramework;

namespace
{

const QSize c_Size(400, 300);

// How often each kind of primitive reached a recording paint device.
struct Counts
{
    int iLines = 0;
    int iPoints = 0;
    int iRects = 0;
    int iOutlines = 0; // rects drawn without a fill
    int iTexts = 0;
};

Counts Record(QWidget& widget, QString* pShapes = nullptr)
{
    RecordingPaintDevice device(widget.size());
    widget.render(&device);
    Counts counts;
    for (const RecordedCall& call : device.calls) {
        const QString kind = call.shape.section(QLatin1Char(' '), 0, 0);
        if (kind == QLatin1String("line"))
            ++counts.iLines;
        else if (kind == QLatin1String("point"))
            ++counts.iPoints;
        else if (kind == QLatin1String("rect"))
            ++counts.iRects, counts.iOutlines += !call.shape.contains(QLatin1String(" fill "));
        else
            ++counts.iTexts;
    }
    if (pShapes)
        *pShapes = device.shapes(true);
    return counts;
}

// Vector devices take the widget's own resolution, so fonts and pens come out at screen size.
QByteArray RenderSvg(QWidget& widget)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(widget.size());
    generator.setViewBox(QRect(QPoint(), widget.size()));
    generator.setResolution(widget.logicalDpiX());
    widget.render(&generator);
    return buffer.data();
}

QByteArray RenderPdf(QWidget& widget)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(widget.logicalDpiX());
    const QSizeF points = QSizeF(widget.size()) * 72.0 / widget.logicalDpiX();
    writer.setPageLayout(QPageLayout(QPageSize(points, QPageSize::Point), QPageLayout::Portrait, QMarginsF()));
    widget.render(&writer);
    return buffer.data();
}

// The page contents of a PDF: its Flate streams other than font programs, inflated.
QByteArray PdfContents(const QByteArray& pdf)
{
    QByteArray contents;
    for (int iStream = pdf.indexOf("stream\n"); iStream >= 0; iStream = pdf.indexOf("stream\n", iStream + 1)) {
        if (iStream > 0 && pdf[iStream - 1] == 'd') // "endstream"
            continue;
        const int iDictionary = pdf.lastIndexOf("<<", iStream);
        const QByteArray dictionary = pdf.mid(iDictionary, iStream - iDictionary);
        if (!dictionary.contains("/FlateDecode") || dictionary.contains("/Length1"))
            continue;
        const int iBegin = iStream + int(sizeof("stream\n")) - 1;
        const int iEnd = pdf.indexOf("endstream", iBegin);
        // qUncompress wants the zlib stream behind a big-endian size hint; it grows past a small one.
        contents += qUncompress(QByteArray("\0\0\1\0", 4) + pdf.mid(iBegin, iEnd - iBegin));
    }
    return contents;
}

// PDF operators stand last on their line: "50 50 l", "0 0 200 100 re", "S", "BT".
int CountOperator(const QByteArray& contents, const QByteArray& op)
{
    int iCount = 0;
    for (const QByteArray& line : contents.split('\n'))
        iCount += line == op || line.endsWith(' ' + op);
    return iCount;
}

QImage RenderImage(QWidget& widget)
{
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget.render(&image);
    return image;
}

QImage ReplayPicture(QWidget& widget)
{
    QPicture picture;
    widget.render(&picture);
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.drawPicture(0, 0, picture);
    painter.end();
    return image;
}

// A display with every line style, markers, a dense line and a single point, through the given grid.
// Qt's picture engine draws wide points its own way, and Qt 6 replays rotated text with other edge
// blends: a plot that is to replay exactly has no dot markers and no y title.
struct Plot
{
    explicit Plot(bool bDecimating, bool bForReplay = false)
    {
        const CRDPoint leftBottom(0, -1.5), rightTop(10, 1.5);
        const QString x = QStringLiteral("time [s]"), y = bForReplay ? QString() : QStringLiteral("voltage [V]");
        if (bDecimating)
            grid = std::make_unique<CRDDecimatingBoxGrid>(leftBottom, rightTop, x, y, 5, 4, 1, 2, c_ColorGray,
                                                          c_ColorBlack);
        else
            grid = std::make_unique<CRDBoxGridLayout>(leftBottom, rightTop, x, y, 5, 4, 1, 2, c_ColorGray,
                                                      c_ColorBlack);
        display = std::make_unique<CResultDisplay>(&parent, grid.get(), c_ColorWhite);
        display->resize(c_Size);
        display->UpdateDrawAreaRange(c_Size.width(), c_Size.height());

        const ERDPointStyle markers[] = {eRDPointCross, bForReplay ? eRDPointCross : eRDPointDot, eRDPointSquare};
        for (int style = eRDLineSolid; style <= eRDLineDashDotted; ++style) {
            std::vector<CRDPoint> points;
            for (int i = 0; i <= 20; ++i)
                points.emplace_back(i * 0.5, std::sin(i * 0.4 + style) * (1.0 - 0.2 * style));
            display->AddLine(points, style == 0 ? c_ColorBlue : style == 1 ? c_ColorRed : c_ColorDarkGreen,
                             ERDLineStyle(style), markers[style], QStringLiteral("line %1").arg(style));
        }
        // Far more vertices than pixel columns, the decimating grid's own case on a raster painter. Every
        // segment spans a pixel or more: vector engines leave out a segment of no length, which the
        // raster engine draws as a dot.
        std::vector<CRDPoint> dense;
        for (int i = 0; i < 8000; ++i)
            dense.emplace_back(i * 0.00125, (i % 2 ? 0.4 : -0.4) + 0.2 * std::sin(i * 0.003));
        display->AddLine(dense, c_ColorOrange, eRDLineSolid, eRDPointNone, QStringLiteral("dense"));
        display->AddPoint(CRDPoint(5, 1), c_ColorBlack, eRDPointSquare);
    }

    QWidget parent;
    std::unique_ptr<CRDBoxGridLayout> grid;
    std::unique_ptr<CResultDisplay> display;
};

// Twenty labelled cells in every state, one of them blinking.
struct Matrix
{
    Matrix()
    {
        CRDMatrixData data;
        for (int i = 0; i < 20; ++i)
            data.AppendMatrixItem(short(i % 4), QStringLiteral("tip %1").arg(i), QStringLiteral("S%1").arg(i));
        data.m_iBlinkIndex = 7;
        matrix = std::make_unique<CRDMatrix>(&parent, data, c_ColorWhite, c_ColorDarkGray,
                                             std::vector<CRDColor>{c_ColorGreen, c_ColorYellow, c_ColorRed});
        matrix->resize(c_Size);
        matrix->UpdateMatrixData(data); // turns the blink phase on
    }

    QWidget parent;
    std::unique_ptr<CRDMatrix> matrix;
};

} // namespace

class tst_VectorOutput : public QObject
{
    Q_OBJECT

private slots:
    void plotPrimitivesReachEveryDevice_data();
    void plotPrimitivesReachEveryDevice();
    void plotPictureReplaysAsOnScreen_data();
    void plotPictureReplaysAsOnScreen();
    void matrixPrimitivesReachEveryDevice();
    void matrixPictureReplaysAsOnScreen();
};

void tst_VectorOutput::plotPrimitivesReachEveryDevice_data()
{
    QTest::addColumn<bool>("decimating");
    QTest::newRow("box grid") << false;
    QTest::newRow("decimating grid") << true;
}

void tst_VectorOutput::plotPrimitivesReachEveryDevice()
{
    QFETCH(bool, decimating);
    Plot box(false), plot(decimating);
    QString boxShapes, shapes;
    Record(*box.display, &boxShapes);
    const Counts counts = Record(*plot.display, &shapes);
    // What a vector device is handed is the box grid's drawing, primitive for primitive, pens included.
    QCOMPARE(shapes, boxShapes);
    QVERIFY(counts.iLines > 8000); // grid lines, every segment, the crosses' strokes
    QCOMPARE(counts.iTexts, 4 + 5 + 4 + 2); // line names, x and y labels, titles
    QVERIFY(counts.iPoints > 0);

    const QByteArray svg = RenderSvg(*plot.display);
    QCOMPARE(svg.count("<polyline"), counts.iLines);
    QCOMPARE(svg.count("<text"), counts.iTexts);

    const QByteArray pdf = PdfContents(RenderPdf(*plot.display));
    QVERIFY(!pdf.isEmpty());
    // One stroke per line, point (a line of no length to the PDF engine) and outlined square.
    QCOMPARE(CountOperator(pdf, "S"), counts.iLines + counts.iPoints + counts.iOutlines);
    QCOMPARE(CountOperator(pdf, "BT"), counts.iTexts);
}

void tst_VectorOutput::plotPictureReplaysAsOnScreen_data()
{
    plotPrimitivesReachEveryDevice_data();
}

void tst_VectorOutput::plotPictureReplaysAsOnScreen()
{
    QFETCH(bool, decimating);
    Plot box(false, true), plot(decimating, true);
    // The decimating grid's raster picture may differ from the box grid's in a blend here and there;
    // what a recording hands on is the box grid's, so its replay is the box grid's screen exactly.
    const QImage screen = RenderImage(*box.display);
    QCOMPARE(ReplayPicture(*plot.display), screen);
}

void tst_VectorOutput::matrixPrimitivesReachEveryDevice()
{
    Matrix m;
    const Counts counts = Record(*m.matrix);
    QCOMPARE(counts.iTexts, 20);
    QCOMPARE(counts.iRects, 1 + 1 + 2 * 20); // window background, matrix background, border and fill per cell

    const QByteArray svg = RenderSvg(*m.matrix);
    QCOMPARE(svg.count("<text"), counts.iTexts);
    QCOMPARE(svg.count("<rect"), counts.iRects);

    const QByteArray pdf = PdfContents(RenderPdf(*m.matrix));
    QCOMPARE(CountOperator(pdf, "BT"), counts.iTexts);
    QCOMPARE(CountOperator(pdf, "re"), counts.iRects);
}

void tst_VectorOutput::matrixPictureReplaysAsOnScreen()
{
    Matrix m;
    QCOMPARE(ReplayPicture(*m.matrix), RenderImage(*m.matrix));
}

QTEST_MAIN(tst_VectorOutput)
#include "tst_vectoroutput.moc"
