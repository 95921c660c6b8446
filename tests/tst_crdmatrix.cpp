// Tests of CRDMatrixData and CRDMatrix: items, layout, cells, blinking, label font, hit test and signals.
#include "CRDMatrix.h"
#include "DataTable.h"
#include "RecordingPaintDevice.h"

#include <QToolTip>
#include <QtTest>

using namespace KelmFramework;

namespace
{

CRDMatrixData items(long count, const char* label = "", long blinkIndex = -1, short state = 0)
{
    CRDMatrixData data;
    for (long i = 0; i < count; ++i)
        data.AppendMatrixItem(state, QStringLiteral("tip %1").arg(i), QString::fromLatin1(label));
    data.m_iBlinkIndex = blinkIndex;
    return data;
}

// A matrix at (10, 10) in states red, grey and orange, with labels in a 6 point font, in a parent that
// counts the presses passed on to it.
struct Fixture : QWidget
{
    struct Matrix : CRDMatrix
    {
        using CRDMatrix::CalculateIndexFromMouseCursor;
        using CRDMatrix::CRDMatrix;
        using CRDMatrix::UpdateMatrixDisplayArea;
        QVector<long> layout() const { return {m_iColumns, m_iRows, m_iCellSize, m_iOffset}; }
    };
    Fixture(const CRDMatrixData& data, QSize size)
        : matrix(this, data, c_ColorBlue, c_ColorYellow, {c_ColorRed, c_ColorGray, c_ColorOrange})
    {
        matrix.setGeometry(QRect(QPoint(10, 10), size));
        matrix.setFont(QFont(QStringLiteral("DejaVu Sans"), 6));
        matrix.UpdateMatrixDisplayArea(size.width(), size.height()); // resize events come when shown or rendered
    }
    // One paint, a cell an item: its fill, and its label with the label's colour and point size.
    QStringList cells()
    {
        RecordingPaintDevice device(matrix.size());
        const std::vector<RecordedPrimitive>& drawn = device.render(matrix).primitives();
        QStringList cells;
        for (auto p = drawn.begin() + 1; p != drawn.end(); ++p) // after the background
            if (p->kind == RecordedPrimitive::Text)
                cells.last() += QLatin1Char(' ') + p->text + QLatin1Char(' ') + device.penOf(*p).color().name()
                                + QStringLiteral(" %1pt").arg(device.fontOf(*p).pointSize());
            else if (device.shapeOf(*p).contains(QLatin1String("fill")))
                cells << device.shapeOf(*p).section(QLatin1Char(' '), -1);
        return cells;
    }
    void mousePressEvent(QMouseEvent*) override { ++presses; }

    Matrix matrix;
    int presses = 0;
};

void cellsRow(const char* name, const CRDMatrixData& data, int updates, const CRDMatrixData& update, int pointSize,
              const char* cells)
{
    QTest::newRow(name) << data << updates << update << pointSize << list(cells);
}

} // namespace

Q_DECLARE_METATYPE(CRDMatrixData)

class tst_CRDMatrix : public QObject
{
    Q_OBJECT

private slots:
    void layout_data()
    {
        columns<QSize, int, QVector<long>>("size", "count", "layout");
        // Columns, rows, cell and offset: the fewest columns from 4 up whose rows end strictly above the bottom.
        QTest::newRow("4 columns would end on the bottom edge") << QSize(200, 150) << 10 << QVector<long>{5, 3, 40, 0};
        QTest::newRow("a full last row still counts a row") << QSize(640, 480) << 8 << QVector<long>{5, 2, 128, 0};
        QTest::newRow("100,000 items") << QSize(30000, 30000) << 100000 << QVector<long>{316, 317, 94, 148};
        QTest::newRow("no height: 4 columns, cut off") << QSize(100, 0) << 3 << QVector<long>{4, 1, 25, 0};
        QTest::newRow("no size, no items") << QSize(0, 0) << 0 << QVector<long>{4, 1, 0, 0};
        QTest::newRow("narrower than 4 columns: cells of 0") << QSize(3, 10) << 5 << QVector<long>{4, 2, 0, 1};
    }
    void layout()
    {
        const auto [size, count, layout] = fetch<QSize, int, QVector<long>>("size", "count", "layout");
        QCOMPARE(Fixture(items(count), size).matrix.layout(), layout);
    }

    void cells_data()
    {
        columns<CRDMatrixData, int, CRDMatrixData, int, QStringList>("data", "updates", "update", "pointSize", "cells");
        // Cells as wide as "WWWW" at 6 points; the fill of each, and its label with colour and point size.
        const CRDMatrixData none, blinks = items(2, "B", 1), wide = items(1, "WWWWW"), narrow = items(1, "i");
        const char* plain = "#ff0000 B #000000 6pt|#ff0000 B #000000 6pt";
        cellsRow("state 3: past the colours, green", items(1, "", -1, 3), 0, none, 6, "#00ff00");
        cellsRow("state -1: green", items(1, "", -1, -1), 0, none, 6, "#00ff00");
        cellsRow("no blinking before the first update", blinks, 0, none, 6, plain);
        cellsRow("the first update inverts the blinking cell", blinks, 1, blinks, 6,
                 "#ff0000 B #000000 6pt|#000000 B #ffffff 6pt");
        cellsRow("the second update does not", blinks, 2, blinks, 6, plain);
        cellsRow("a blink index that names no item", items(2, "B", 2), 1, items(2, "B", 2), 6, plain);
        cellsRow("cut to four, as wide as the cell: a point smaller", wide, 0, none, 6, "#ff0000 WWWW #000000 5pt");
        cellsRow("new labels are measured anew", narrow, 1, wide, 6, "#ff0000 WWWW #000000 5pt");
        cellsRow("another widget font is measured anew", wide, 0, none, 4, "#ff0000 WWWW #000000 4pt");
    }
    // A paint, then updates and the widget font; repaints change nothing.
    void cells()
    {
        const auto [data, updates, update, pointSize,
                    cells] = fetch<CRDMatrixData, int, CRDMatrixData, int, QStringList>("data", "updates", "update",
                                                                                        "pointSize", "cells");
        const QFont font(QStringLiteral("DejaVu Sans"), 6);
        Fixture f(data, QSize(4 * QFontMetrics(font).horizontalAdvance(QStringLiteral("WWWW")), 400));
        f.cells();
        for (int i = 0; i < updates; ++i)
            f.matrix.UpdateMatrixData(update);
        f.matrix.setFont(QFont(font.family(), pointSize));
        QCOMPARE(f.cells(), cells);
        QCOMPARE(f.cells(), cells);
    }

    // The layout follows resizes only: an update with more items keeps it and paints them all.
    void resizeAndUpdate()
    {
        Fixture f(items(10, "ABCDE"), QSize(200, 150));
        f.matrix.resize(203, 100);
        f.cells(); // a hidden widget has its resize event now
        f.matrix.UpdateMatrixData(items(30, "i"));
        QCOMPARE(f.matrix.layout(), QVector<long>({6, 2, 33, 2}));
        QCOMPARE(f.cells().join(QString()), QStringLiteral("#ff0000 i #000000 6pt").repeated(30));
    }

    void hitTest_data()
    {
        columns<QPoint, int>("pos", "index");
        // 399 x 399 pixels with 380 items: 20 columns of 19 at an offset of 9.
        QTest::newRow("first pixel of the first cell") << QPoint(9, 9) << 0;
        QTest::newRow("first pixel of the second row") << QPoint(9, 28) << 20;
        QTest::newRow("left band") << QPoint(8, 20) << -1;
        QTest::newRow("top band") << QPoint(20, 8) << -1;
        QTest::newRow("right of the last column") << QPoint(390, 20) << -1;
        QTest::newRow("past the last item") << QPoint(20, 380) << -1;
    }
    // The item under the mouse: its index, its tool tip, and a right press and a double click of any button
    // reported with it. Off the items, the tool tip goes and everything is passed on.
    void hitTest()
    {
        const auto [pos, index] = fetch<QPoint, int>("pos", "index");
        Fixture f(items(380), QSize(399, 399));
        QCursor::setPos(f.matrix.mapToGlobal(pos));
        QCOMPARE(f.matrix.CalculateIndexFromMouseCursor(), long(index));

        QToolTip::showText(QPoint(0, 0), QStringLiteral("shown before"));
        QHelpEvent help(QEvent::ToolTip, pos, f.matrix.mapToGlobal(pos));
        QCoreApplication::sendEvent(&f.matrix, &help);
        QCOMPARE(help.isAccepted(), index >= 0);
        if (index >= 0)
            QCOMPARE(QToolTip::text(), QStringLiteral("tip %1").arg(index));
        else
            QTRY_VERIFY(!QToolTip::isVisible());

        QStringList reported;
        connect(&f.matrix, qOverload<const QPoint&, TKelmLong>(&CRDMatrix::customContextMenuRequested),
                [&](const QPoint& at, TKelmLong i) {
                    reported << QStringLiteral("menu %1 at %2,%3").arg(i).arg(at.x()).arg(at.y());
                });
        connect(&f.matrix, qOverload<QMouseEvent*, TKelmLong>(&CRDMatrix::mouseDoubleClickEvent),
                [&](QMouseEvent* event, TKelmLong i) {
                    reported << QStringLiteral("double %1 by %2").arg(i).arg(event->button());
                });
        QTest::mousePress(&f.matrix, Qt::RightButton, {}, pos);
        QTest::mousePress(&f.matrix, Qt::LeftButton, {}, pos);
        QTest::mouseDClick(&f.matrix, Qt::RightButton, {}, pos);
        const QStringList onItem{QStringLiteral("menu %1 at %2,%3").arg(index).arg(pos.x()).arg(pos.y()),
                                 QStringLiteral("double %1 by 2").arg(index)};
        QCOMPARE(reported, index >= 0 ? onItem : QStringList());
        QCOMPARE(f.presses, index >= 0 ? 1 : 3); // the left press; off the items the double click is a press too
    }
};

QTEST_MAIN(tst_CRDMatrix)
#include "tst_crdmatrix.moc"
