// Tests of CRDMatrixData and CRDMatrix: items, layout, cells, blinking, label font, hit test and signals.
#include "CRDMatrix.h"
#include "RecordingPaintDevice.h"

#include <QToolTip>
#include <QtTest>

using namespace KelmFramework;

namespace
{

CRDMatrixData items(long count, const char* label = "", long blinkIndex = -1)
{
    CRDMatrixData data;
    for (long i = 0; i < count; ++i)
        data.AppendMatrixItem(0, QStringLiteral("tip %1").arg(i), QString::fromLatin1(label));
    data.m_iBlinkIndex = blinkIndex;
    return data;
}

class TestMatrix : public CRDMatrix
{
public:
    using CRDMatrix::CRDMatrix;
    using CRDMatrix::CalculateIndexFromMouseCursor;
    using CRDMatrix::UpdateMatrixDisplayArea;
    // Columns, rows, cell size, offset.
    QVector<long> layout() const { return {m_iColumns, m_iRows, m_iCellSize, m_iOffset}; }
};

// A matrix at (10, 10) with labels in a 6 point font, in a parent that counts the presses passed on to it.
struct Fixture : QWidget
{
    Fixture(const CRDMatrixData& data, QSize size, std::vector<CRDColor> colors = {c_ColorRed})
        : matrix(this, data, c_ColorBlue, c_ColorYellow, colors)
    {
        matrix.setGeometry(QRect(QPoint(10, 10), size));
        matrix.setFont(QFont(QStringLiteral("DejaVu Sans"), 6));
        matrix.UpdateMatrixDisplayArea(size.width(), size.height()); // resize events come when shown or rendered
    }
    // One paint, a cell an item: its fill, and its label with the label's colour and point size.
    QStringList cells()
    {
        RecordingPaintDevice device(matrix.size());
        matrix.render(&device, QPoint(), QRegion(), {});
        QStringList cells;
        for (const RecordedCall& call : device.calls.mid(1)) // after the background
            if (call.shape.startsWith(QLatin1String("text")))
                cells.last() += QStringLiteral(" %1 %2 %3pt").arg(call.shape.section(QLatin1Char(' '), 1, 1))
                                    .arg(call.pen.color().name()).arg(call.font.pointSize());
            else if (call.shape.contains(QLatin1String("fill")))
                cells << call.shape.section(QLatin1Char(' '), -1);
        return cells;
    }
    void mousePressEvent(QMouseEvent*) override { ++presses; }

    TestMatrix matrix;
    int presses = 0;
};

} // namespace

class tst_CRDMatrix : public QObject
{
    Q_OBJECT

private slots:
    void matrixData()
    {
        CRDMatrixData data = items(2, "ABCDE", 1);
        data.AppendMatrixItem(5, QStringLiteral("a tool tip longer than four"), QStringLiteral("ABCD"));
        QCOMPARE(data.Size(), 3L);
        QCOMPARE(data.State(2), short(5));
        QCOMPARE(data.ToolTip(2), QStringLiteral("a tool tip longer than four"));
        QCOMPARE(data.Label(0) + data.Label(2), QStringLiteral("ABCDABCD")); // five characters cut to four
        QCOMPARE(data.State(3), short(-1)); // no item there
        QVERIFY(data.ToolTip(-1).isNull() && data.Label(3).isNull());
        data.Clear();
        QCOMPARE(data.Size(), 0L);
        QCOMPARE(data.m_iBlinkIndex, -1L);
    }

    void layout_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("count");
        QTest::addColumn<QVector<long>>("layout");
        // Columns, rows, cell and offset: the fewest columns from 4 up whose rows end strictly above the bottom.
        QTest::newRow("4 columns would end on the bottom edge") << QSize(200, 150) << 10 << QVector<long>{5, 3, 40, 0};
        QTest::newRow("centred: offset 2") << QSize(203, 100) << 10 << QVector<long>{6, 2, 33, 2};
        QTest::newRow("no items: one row") << QSize(100, 30) << 0 << QVector<long>{4, 1, 25, 0};
        QTest::newRow("a full last row still counts a row") << QSize(640, 480) << 8 << QVector<long>{5, 2, 128, 0};
        QTest::newRow("380 items") << QSize(399, 399) << 380 << QVector<long>{20, 20, 19, 9};
        QTest::newRow("no height: 4 columns, cut off") << QSize(100, 0) << 3 << QVector<long>{4, 1, 25, 0};
        QTest::newRow("narrower than 4 columns: cells of 0") << QSize(3, 10) << 5 << QVector<long>{4, 2, 0, 1};
    }
    void layout()
    {
        QFETCH(QSize, size);
        QFETCH(int, count);
        QFETCH(QVector<long>, layout);
        QCOMPARE(Fixture(items(count), size).matrix.layout(), layout);
    }

    void layoutSearch_data()
    {
        QTest::addColumn<int>("count");
        for (int count : {0, 1, 8, 37, 400, 100000})
            QTest::addRow("%d items", count) << count;
    }
    // Every size of a range against trying each column count from 4 up, for as long as a larger count can fit.
    void layoutSearch()
    {
        QFETCH(int, count);
        Fixture f(items(count), QSize(1, 1));
        for (long width : {0L, 1L, 3L, 4L, 5L, 7L, 10L, 17L, 40L, 41L, 64L, 70L, 999L, 4096L, 65535L})
            for (long height = 0; height <= 50; ++height) {
                long c = 4;
                const auto fits = [&] { return (count / c + 1) * (width / c) < height - width % c / 2; };
                while (c <= width && !fits())
                    ++c;
                c = fits() ? c : 4;
                f.matrix.UpdateMatrixDisplayArea(width, height);
                QVERIFY2(f.matrix.layout() == QVector<long>({c, count / c + 1, width / c, width % c / 2}),
                         qPrintable(QStringLiteral("%1 x %2").arg(width).arg(height)));
            }
    }

    void fill_data()
    {
        QTest::addColumn<short>("state");
        QTest::addColumn<QColor>("fill");
        // The state colours are red, grey and orange.
        QTest::newRow("state 0: the first colour") << short(0) << QColor(c_ColorRed);
        QTest::newRow("state 3: past the colours, green") << short(3) << QColor(c_ColorGreen);
        QTest::newRow("state -1: green") << short(-1) << QColor(c_ColorGreen);
    }
    // Over the background, each cell outlined in the border pen and filled a pixel inside.
    void fill()
    {
        QFETCH(short, state);
        QFETCH(QColor, fill);
        CRDMatrixData data;
        data.AppendMatrixItem(state, QString(), QString());
        RecordingPaintDevice device;
        Fixture(data, QSize(100, 30), {c_ColorRed, c_ColorGray, c_ColorOrange}).matrix.render(&device, {}, {}, {});
        QCOMPARE(device.shapes(true), QStringLiteral("rect 0,0 100x30 fill #0000ff [#000000 1 other none]|"
                                                     "rect 0,0 25x25 [#ffff00 2 flat solid]|"
                                                     "rect 1,1 23x23 fill %1 [#000000 1 other none]").arg(fill.name()));
    }

    void blinking_data()
    {
        QTest::addColumn<int>("updates");
        QTest::addColumn<int>("blinkIndex");
        QTest::addColumn<QStringList>("cells");
        const QStringList plain{QStringLiteral("#ff0000 B #000000 6pt"), QStringLiteral("#ff0000 B #000000 6pt")};
        const QStringList inverted{plain[0], QStringLiteral("#000000 B #ffffff 6pt")};
        QTest::newRow("none before the first update") << 0 << 1 << plain;
        QTest::newRow("the first update inverts the blinking cell") << 1 << 1 << inverted;
        QTest::newRow("the second update does not") << 2 << 1 << plain;
        QTest::newRow("the third does again") << 3 << 1 << inverted;
        QTest::newRow("an index that names no item") << 1 << 2 << plain;
    }
    void blinking()
    {
        QFETCH(int, updates);
        QFETCH(int, blinkIndex);
        QFETCH(QStringList, cells);
        Fixture f(items(2, "B", blinkIndex), QSize(100, 30));
        for (int i = 0; i < updates; ++i)
            f.matrix.UpdateMatrixData(items(2, "B", blinkIndex));
        QCOMPARE(f.cells(), cells);
        QCOMPARE(f.cells(), cells); // repaints change nothing
    }

    void labelFont_data()
    {
        QTest::addColumn<QString>("firstLabel");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("pointSize");
        QTest::addColumn<QString>("drawn");
        QTest::addColumn<int>("drawnSize");
        // The cell is as wide as "WWWW" at 6 points. A first label is painted in 6 points before the label.
        const QString i = QStringLiteral("i"), wide = QStringLiteral("WWWWW"), cut = QStringLiteral("WWWW");
        QTest::newRow("a label that fits keeps the widget's font") << QString() << i << 6 << i << 6;
        QTest::newRow("cut to four, as wide as the cell: a point smaller") << QString() << wide << 6 << cut << 5;
        QTest::newRow("new labels are measured anew") << i << wide << 6 << cut << 5;
        QTest::newRow("another widget font is measured anew") << wide << wide << 4 << cut << 4;
    }
    void labelFont()
    {
        QFETCH(QString, firstLabel);
        QFETCH(QString, label);
        QFETCH(int, pointSize);
        QFETCH(QString, drawn);
        QFETCH(int, drawnSize);
        const QString family = QStringLiteral("DejaVu Sans");
        const int cell = QFontMetrics(QFont(family, 6)).horizontalAdvance(QStringLiteral("WWWW"));
        Fixture f(items(1, qPrintable(firstLabel.isEmpty() ? label : firstLabel)), QSize(4 * cell, 400));
        if (!firstLabel.isEmpty()) {
            f.cells();
            f.matrix.UpdateMatrixData(items(1, qPrintable(label)));
        }
        f.matrix.setFont(QFont(family, pointSize));
        QCOMPARE(f.cells(), QStringList(QStringLiteral("#ff0000 %1 #000000 %2pt").arg(drawn).arg(drawnSize)));
    }

    // The layout follows resizes only: an update with more items keeps it and paints them all.
    void resizeAndUpdate()
    {
        Fixture f(items(10, "ABCDE"), QSize(200, 150));
        f.matrix.resize(203, 100);
        f.cells(); // a hidden widget has its resize event now
        f.matrix.UpdateMatrixData(items(30, "i"));
        QCOMPARE(f.matrix.layout(), QVector<long>({6, 2, 33, 2}));
        const QStringList cells = f.cells();
        QCOMPARE(cells.size(), 30);
        QCOMPARE(cells.count(QStringLiteral("#ff0000 i #000000 6pt")), 30);
    }

    void hitTest_data()
    {
        QTest::addColumn<QPoint>("pos");
        QTest::addColumn<int>("index");
        // 399 x 399 pixels with 380 items: 20 columns of 19 at an offset of 9.
        QTest::newRow("first pixel of the first cell") << QPoint(9, 9) << 0;
        QTest::newRow("first pixel of the second row") << QPoint(9, 28) << 20;
        QTest::newRow("left band") << QPoint(8, 20) << -1;
        QTest::newRow("top band") << QPoint(20, 8) << -1;
        QTest::newRow("right of the last column") << QPoint(390, 20) << -1;
        QTest::newRow("past the last item") << QPoint(20, 380) << -1;
    }
    void hitTest()
    {
        QFETCH(QPoint, pos);
        QFETCH(int, index);
        Fixture f(items(380), QSize(399, 399));
        QCursor::setPos(f.matrix.mapToGlobal(pos));
        QCOMPARE(f.matrix.CalculateIndexFromMouseCursor(), long(index));
    }

    void mouseSignals_data() { hitTest_data(); }
    // A right press and a double click of any button on a cell are reported; everything else is passed on.
    void mouseSignals()
    {
        QFETCH(QPoint, pos);
        QFETCH(int, index);
        Fixture f(items(380), QSize(399, 399));
        QCursor::setPos(f.matrix.mapToGlobal(pos));
        QStringList reported;
        connect(&f.matrix, qOverload<const QPoint&, TKelmLong>(&CRDMatrix::customContextMenuRequested),
                [&](const QPoint& at, TKelmLong i) { reported << QStringLiteral("menu %1 at %2,%3").arg(i)
                                                                     .arg(at.x()).arg(at.y()); });
        connect(&f.matrix, qOverload<QMouseEvent*, TKelmLong>(&CRDMatrix::mouseDoubleClickEvent),
                [&](QMouseEvent* event, TKelmLong i) { reported << QStringLiteral("double %1 by %2").arg(i)
                                                                       .arg(event->button()); });
        QTest::mousePress(&f.matrix, Qt::RightButton, {}, pos);
        QTest::mousePress(&f.matrix, Qt::LeftButton, {}, pos);
        QTest::mouseDClick(&f.matrix, Qt::RightButton, {}, pos);
        if (index < 0) {
            QCOMPARE(reported, QStringList());
            QCOMPARE(f.presses, 3); // the double click as a press too
        } else {
            QCOMPARE(reported, QStringList({QStringLiteral("menu %1 at %2,%3").arg(index).arg(pos.x()).arg(pos.y()),
                                            QStringLiteral("double %1 by 2").arg(index)}));
            QCOMPARE(f.presses, 1); // the left one
        }
    }

    void toolTip_data() { hitTest_data(); }
    void toolTip()
    {
        QFETCH(QPoint, pos);
        QFETCH(int, index);
        Fixture f(items(380), QSize(399, 399));
        QCursor::setPos(f.matrix.mapToGlobal(pos));
        QToolTip::showText(QPoint(0, 0), QStringLiteral("shown before"));
        QHelpEvent help(QEvent::ToolTip, pos, f.matrix.mapToGlobal(pos));
        QCoreApplication::sendEvent(&f.matrix, &help);
        QCOMPARE(help.isAccepted(), index >= 0); // off the cells the event is left to others
        if (index >= 0)
            QCOMPARE(QToolTip::text(), QStringLiteral("tip %1").arg(index));
        else
            QTRY_VERIFY(!QToolTip::isVisible());
    }
};

QTEST_MAIN(tst_CRDMatrix)
#include "tst_crdmatrix.moc"
