// Tests of CRDMatrixData and CRDMatrix: items, layout, cells, blinking, label font, hit test and signals.
#include "CRDMatrix.h"
#include "RecordingPaintDevice.h"
#include "TestRows.h"

#include <QToolTip>

using namespace KelmFramework;

namespace
{

CRDMatrixData items(long count, const char* label = "")
{
    CRDMatrixData data;
    for (long i = 0; i < count; ++i)
        data.AppendMatrixItem(0, QStringLiteral("tip %1").arg(i), QLatin1String(label));
    return data;
}

QString layout(long columns, long rows, long cell, long offset)
{
    return QStringLiteral("%1 columns, %2 rows, cell %3, offset %4").arg(columns).arg(rows).arg(cell).arg(offset);
}

class TestMatrix : public CRDMatrix
{
public:
    using CRDMatrix::CRDMatrix;
    using CRDMatrix::CalculateIndexFromMouseCursor;
    using CRDMatrix::UpdateMatrixDisplayArea;
    QString layout() const { return ::layout(m_iColumns, m_iRows, m_iCellSize, m_iOffset); }
};

// A parent that counts the presses passed on to it, with a matrix at (10, 10) in a 6 point font.
struct Fixture : QWidget
{
    Fixture(const CRDMatrixData& data, QSize size, std::vector<CRDColor> colors = {c_ColorRed})
        : matrix(this, data, c_ColorBlue, c_ColorYellow, colors)
    {
        matrix.setGeometry(QRect(QPoint(10, 10), size));
        matrix.setFont(QFont(font().family(), 6));
        matrix.UpdateMatrixDisplayArea(size.width(), size.height()); // resize events come when shown or rendered
    }
    // One paint: the background, then per cell its fill and any label with its colour and point size.
    QString paint()
    {
        RecordingPaintDevice device(matrix.size());
        matrix.render(&device, QPoint(), QRegion(), {});
        QStringList cells;
        for (const RecordedCall& call : device.calls)
            if (call.shape.startsWith(QLatin1String("text")))
                cells.last() += QStringLiteral(" %1 %2 %3pt").arg(call.shape.section(QLatin1Char(' '), 1, 1))
                                    .arg(call.pen.color().name()).arg(call.font.pointSize());
            else if (call.shape.contains(QLatin1String("fill")))
                cells << call.shape.section(QLatin1Char(' '), -1);
        return cells.join(QLatin1Char(' '));
    }
    void mousePressEvent(QMouseEvent*) override { ++presses; }

    TestMatrix matrix;
    int presses = 0;
};

// With the cursor at a point of a matrix: the hit test, what a right press, a left press and a right double
// click emit, the presses passed on to the parent, and the tool tip.
QString mouseAt(long count, QSize size, QPoint pos)
{
    Fixture f(items(count), size);
    QCursor::setPos(f.matrix.mapToGlobal(pos));
    QString result = QString::number(f.matrix.CalculateIndexFromMouseCursor());
    QObject::connect(&f.matrix, qOverload<const QPoint&, TKelmLong>(&CRDMatrix::customContextMenuRequested),
                     [&](const QPoint& at, TKelmLong i) { result += QStringLiteral(", menu %1 at %2,%3").arg(i)
                                                                        .arg(at.x()).arg(at.y()); });
    QObject::connect(&f.matrix, qOverload<QMouseEvent*, TKelmLong>(&CRDMatrix::mouseDoubleClickEvent),
                     [&](QMouseEvent* event, TKelmLong i) { result += QStringLiteral(", double %1 by %2").arg(i)
                                                                          .arg(event->button()); });
    QTest::mousePress(&f.matrix, Qt::RightButton, {}, pos);
    QTest::mousePress(&f.matrix, Qt::LeftButton, {}, pos);
    QTest::mouseDClick(&f.matrix, Qt::RightButton, {}, pos);
    QHelpEvent help(QEvent::ToolTip, pos, f.matrix.mapToGlobal(pos));
    QCoreApplication::sendEvent(&f.matrix, &help);
    return result + QStringLiteral(", %1 passed on, tip ").arg(f.presses)
           + (help.isAccepted() ? QToolTip::text() : QStringLiteral("-"));
}

} // namespace

class tst_CRDMatrix : public QObject
{
    Q_OBJECT

private slots:
    void matrix_data()
    {
        addResultColumns();
        QTest::newRow("4 columns would end on the bottom edge")
            << Fixture(items(10), QSize(200, 150)).matrix.layout() << layout(5, 3, 40, 0);
        CRDMatrixData data = items(2, "AB");
        data.m_iBlinkIndex = 1;
        const QString outside = QStringLiteral("%1%2%3").arg(data.State(2)).arg(data.ToolTip(-1), data.Label(2));
        data.Clear();
        QTest::newRow("the data read outside its items, then cleared")
            << outside + QStringLiteral(" %1 %2").arg(data.Size()).arg(data.m_iBlinkIndex) << "-1 0 -1";
        // The layout of every size of a range against trying every column count from 4 up, as long as a larger
        // count can still fit.
        for (long count : {0L, 1L, 8L, 37L, 400L, 100000L}) {
            Fixture f(items(count), QSize(1, 1));
            QString mismatches;
            for (long width : {0L, 1L, 3L, 4L, 5L, 7L, 10L, 17L, 40L, 41L, 64L, 70L, 999L, 4096L, 65535L})
                for (long height = 0; height <= 50; ++height) {
                    long c = 4;
                    const auto fits = [&] { return (count / c + 1) * (width / c) < height - width % c / 2; };
                    while (c <= width && !fits())
                        ++c;
                    c = fits() ? c : 4;
                    f.matrix.UpdateMatrixDisplayArea(width, height);
                    if (f.matrix.layout() != layout(c, count / c + 1, width / c, width % c / 2))
                        mismatches += QStringLiteral(" %1 x %2").arg(width).arg(height);
                }
            QTest::addRow("layouts of %ld items as searched", count) << mismatches << "";
        }

        QTest::newRow("outline in the border pen, fill a pixel inside") << [] {
            RecordingPaintDevice device;
            Fixture(items(1), QSize(100, 30)).matrix.render(&device, QPoint(), QRegion(), {});
            return device.shapes(true);
        }() << "rect 0,0 100x30 fill #0000ff [#000000 1 other none]|rect 0,0 25x25 [#ffff00 2 flat solid]|"
               "rect 1,1 23x23 fill #ff0000 [#000000 1 other none]";
        CRDMatrixData states;
        for (short state : {0, 2, 3, -1, 1})
            states.AppendMatrixItem(state, QString(), QString());
        QTest::newRow("the fill by state, else green")
            << Fixture(states, QSize(200, 150), {c_ColorRed, c_ColorGray, c_ColorOrange}).paint()
            << "#0000ff #ff0000 #ff8000 #00ff00 #00ff00 #808080";
        Fixture resized(items(10, "ABCDE"), QSize(200, 150));
        resized.matrix.resize(203, 100);
        resized.paint(); // a hidden widget has its resize event now
        resized.matrix.UpdateMatrixData(items(30, "i"));
        QTest::newRow("a resize lays out anew, an update keeps the layout and paints every cell")
            << resized.paint() + QLatin1Char(' ') + resized.matrix.layout()
            << QLatin1String("#0000ff") + QStringLiteral(" #ff0000 i #000000 6pt").repeated(30) + QLatin1Char(' ')
                   + layout(6, 2, 33, 2);

        const int exact = 4 * QFontMetrics(QFont(QFont().family(), 6)).horizontalAdvance(QStringLiteral("WWWW"));
        Fixture fitting(items(1, "i"), QSize(exact, 400));
        QTest::newRow("labels that fit keep the widget's font") << fitting.paint() << "#0000ff #ff0000 i #000000 6pt";
        fitting.matrix.UpdateMatrixData(items(1, "WWWWW"));
        QTest::newRow("new labels cut to four, as wide as a cell: smaller")
            << fitting.paint() << "#0000ff #ff0000 WWWW #000000 5pt";
        fitting.matrix.setFont(QFont(QFont().family(), 4));
        QTest::newRow("another widget font is measured anew") << fitting.paint() << "#0000ff #ff0000 WWWW #000000 4pt";

        CRDMatrixData blinking = items(2, "B");
        blinking.m_iBlinkIndex = 1;
        Fixture blink(blinking, QSize(100, 30));
        const QString plain = QStringLiteral("#0000ff #ff0000 B #000000 6pt #ff0000 B #000000 6pt");
        QTest::newRow("no blinking before the first update") << blink.paint() << plain;
        blink.matrix.UpdateMatrixData(blinking);
        QTest::newRow("the first update inverts the blinking cell")
            << blink.paint() << "#0000ff #ff0000 B #000000 6pt #000000 B #ffffff 6pt";
        blink.matrix.UpdateMatrixData(blinking);
        QTest::newRow("the second update does not") << blink.paint() << plain;

        // 399 x 399 pixels: 20 columns of 19 at an offset of 9. Off the cells every press is passed on, the
        // double click as one too.
        const QSize size(399, 399);
        const QString none = QStringLiteral("-1, 3 passed on, tip -");
        QTest::newRow("first pixel of the second row")
            << mouseAt(380, size, QPoint(9, 28)) << "20, menu 20 at 9,28, double 20 by 2, 1 passed on, tip tip 20";
        QTest::newRow("left band") << mouseAt(380, size, QPoint(8, 20)) << none;
        QTest::newRow("right of the last column") << mouseAt(380, size, QPoint(390, 20)) << none;
        QTest::newRow("past the last item") << mouseAt(380, size, QPoint(20, 380)) << none;
        QTest::newRow("cells of size 0") << mouseAt(5, QSize(3, 10), QPoint(1, 1)) << none;
    }
    void matrix() { compareResults(); }
};

QTEST_MAIN(tst_CRDMatrix)
#include "tst_crdmatrix.moc"
