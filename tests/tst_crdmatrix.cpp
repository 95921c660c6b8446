// Tests of CRDMatrix: layout, cell colours, blinking, labels, hit test, signals, tool tips, timer.
#include "CRDMatrix.h"
#include "RecordingPaintDevice.h"

#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QtTest>

#include <climits>
#include <sys/wait.h>
#include <unistd.h>

using namespace KelmFramework;

Q_DECLARE_METATYPE(KelmFramework::CRDMatrixData)
Q_DECLARE_METATYPE(std::vector<KelmFramework::CRDColor>)
Q_DECLARE_METATYPE(Qt::MouseButton)

namespace
{

// Exposes the layout, the hit test and the font fitting, and counts paints.
class TestMatrix : public CRDMatrix
{
public:
    TestMatrix(QWidget* pParent, const CRDMatrixData& data, std::vector<CRDColor> colors = {c_ColorRed})
        : CRDMatrix(pParent, data, c_ColorBlue, c_ColorYellow, colors)
    {
    }
    void layout(long w, long h) { UpdateMatrixDisplayArea(w, h); }
    void setSize(int w, int h)
    {
        resize(w, h);
        layout(w, h); // a hidden widget gets its resize event only when shown
    }
    QVector<long> layoutMembers() const { return {m_iColumns, m_iRows, m_iCellSize, m_iOffset}; }
    long hitTest() { return CalculateIndexFromMouseCursor(); }
    void fitFont(QPainter& painter) { CalculateFontSizeForLabels(painter); }
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        ++paints;
        CRDMatrix::paintEvent(event);
    }
};

// Records the mouse presses that the matrix passes on.
class Parent : public QWidget
{
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};

CRDMatrixData makeData(long count, const QString& label = QString(), short state = 0)
{
    CRDMatrixData data;
    for (long i = 0; i < count; ++i)
        data.AppendMatrixItem(state, QStringLiteral("tip %1").arg(i), label);
    return data;
}

// Tries every column count from 4 up, as long as a larger count can still change the outcome.
QVector<long> searchedLayout(long items, long w, long h)
{
    long columns = 4;
    for (long c = 4; c <= std::max(4L, w + 1); ++c) {
        const long cell = w / c, offset = (w - cell * c) / 2;
        if ((items / c + 1) * cell < h - offset) {
            columns = c;
            break;
        }
    }
    const long cell = w / columns;
    return {columns, items / columns + 1, cell, (w - cell * columns) / 2};
}

// The label font chosen without any cache, on the painter's present font.
QFont freshLabelFont(QPainter& painter, const QStringList& labels, long cell)
{
    QFont font = painter.font();
    font.setPointSize(16);
    for (;;) {
        int widest = 0;
        for (const QString& label : labels)
            widest = std::max(widest, painter.fontMetrics().horizontalAdvance(label.left(4)));
        if (widest < cell || font.pointSize() == 1)
            return painter.font();
        font.setPointSize(font.pointSize() - 1);
        painter.setFont(font);
    }
}

// The texts of one paint, each with the pen and font it was drawn in.
QVector<RecordedCall> paintedTexts(QWidget& widget)
{
    RecordingPaintDevice device(widget.size());
    widget.render(&device, QPoint(), QRegion(), QWidget::RenderFlags());
    return device.callsOf(RecordedCall::Text);
}

RecordedCall textCall(const QVector<RecordedCall>& texts, const QString& text)
{
    for (const RecordedCall& call : texts)
        if (call.text == text)
            return call;
    return RecordedCall{};
}

} // namespace

using Layout = QVector<long>;

class tst_CRDMatrix : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void layout_data();
    void layout();
    void layoutEqualsColumnByColumnSearch();
    void constructionAndResizeRunLayout();
    void fillByState_data();
    void fillByState();
    void blinkPhase();
    void updateKeepsLayout();
    void labelFont();
    void cachedFontEqualsFreshFont();
    void hostileDataPaints_data();
    void hostileDataPaints();
    void hitTest_data();
    void hitTest();
    void mouseSignals_data();
    void mouseSignals();
    void toolTips_data();
    void toolTips();
    void timerAndUpdateRepaint();
    void nullParentEndsProcess();

private:
    TestMatrix* shownMatrix(const CRDMatrixData& data, QSize size);
    std::unique_ptr<Parent> m_pParent;
};

void tst_CRDMatrix::initTestCase()
{
    qRegisterMetaType<TKelmLong>("TKelmLong");
    qRegisterMetaType<QMouseEvent*>("QMouseEvent*");
}

void tst_CRDMatrix::cleanup()
{
    m_pParent.reset();
}

// A matrix at (10, 10) in a shown window, so that widget and screen coordinates differ.
TestMatrix* tst_CRDMatrix::shownMatrix(const CRDMatrixData& data, QSize size)
{
    m_pParent = std::make_unique<Parent>();
    m_pParent->resize(size + QSize(40, 40));
    auto* pMatrix = new TestMatrix(m_pParent.get(), data);
    pMatrix->setGeometry(QRect(QPoint(10, 10), size));
    m_pParent->show();
    if (!QTest::qWaitForWindowExposed(m_pParent.get()))
        qFatal("window not exposed");
    return pMatrix;
}

void tst_CRDMatrix::layout_data()
{
    QTest::addColumn<long>("w");
    QTest::addColumn<long>("h");
    QTest::addColumn<long>("items");
    QTest::addColumn<Layout>("expected"); // columns, rows, cell, offset
    QTest::newRow("4 columns would end on the bottom edge") << 200L << 150L << 10L << Layout{5, 3, 40, 0};
    QTest::newRow("left-over pixels halved") << 203L << 100L << 10L << Layout{6, 2, 33, 2};
    QTest::newRow("no items") << 100L << 30L << 0L << Layout{4, 1, 25, 0};
    QTest::newRow("8 items count 3 rows in 4 columns") << 640L << 480L << 8L << Layout{5, 2, 128, 0};
    QTest::newRow("7 items fit 4 columns") << 640L << 480L << 7L << Layout{4, 2, 160, 0};
    QTest::newRow("380 items") << 399L << 399L << 380L << Layout{20, 20, 19, 9};
    QTest::newRow("1x1 gives empty cells") << 1L << 1L << 1L << Layout{4, 1, 0, 0};
    QTest::newRow("narrower than 4 columns") << 3L << 10L << 5L << Layout{4, 2, 0, 1};
    // Nothing fits these: the cells are laid out by the width alone.
    QTest::newRow("no height") << 200L << 0L << 10L << Layout{4, 3, 50, 0};
    QTest::newRow("1 pixel high strip") << 1000L << 1L << 10L << Layout{4, 3, 250, 0};
    QTest::newRow("too small for its items") << 10L << 2L << 10L << Layout{4, 3, 2, 1};
    QTest::newRow("negative size counts as 0") << -5L << -5L << 3L << Layout{4, 1, 0, 0};
    QTest::newRow("widest widget, 2 pixels high") << 16777215L << 2L << 1L << Layout{16777214, 1, 1, 0};
    QTest::newRow("beyond the painter range") << LONG_MAX << LONG_MAX << 10L << Layout{4, 3, 1 << 28, 0};
}

void tst_CRDMatrix::layout()
{
    QFETCH(long, w);
    QFETCH(long, h);
    QFETCH(long, items);
    QFETCH(Layout, expected);
    QWidget parent;
    TestMatrix matrix(&parent, makeData(items));
    matrix.layout(w, h);
    QCOMPARE(matrix.layoutMembers(), expected);
}

void tst_CRDMatrix::layoutEqualsColumnByColumnSearch()
{
    QWidget parent;
    for (long items : {0L, 1L, 5L, 8L, 37L, 400L, 100000L}) {
        TestMatrix matrix(&parent, makeData(items));
        for (long w = 0; w <= 70; ++w) {
            for (long h = 0; h <= 50; ++h) {
                matrix.layout(w, h);
                QVERIFY2(matrix.layoutMembers() == searchedLayout(items, w, h),
                         qPrintable(QStringLiteral("%1 items, %2x%3").arg(items).arg(w).arg(h)));
            }
        }
        for (long w : {999L, 4096L, 65535L})
            for (long h : {1L, 2L, 3L, 7L, 150L, 5000L}) {
                matrix.layout(w, h);
                QCOMPARE(matrix.layoutMembers(), searchedLayout(items, w, h));
            }
    }
}

void tst_CRDMatrix::constructionAndResizeRunLayout()
{
    QWidget parent;
    TestMatrix matrix(&parent, makeData(0));
    QCOMPARE(matrix.layoutMembers(), (Layout{4, 1, 25, 0})); // a new child widget is 100x30

    TestMatrix* pShown = shownMatrix(makeData(10), QSize(200, 150));
    QCOMPARE(pShown->layoutMembers(), (Layout{5, 3, 40, 0}));
    pShown->resize(203, 100);
    QCOMPARE(pShown->layoutMembers(), (Layout{6, 2, 33, 2}));
}

void tst_CRDMatrix::fillByState_data()
{
    QTest::addColumn<std::vector<CRDColor>>("colors");
    QTest::addColumn<short>("state");
    QTest::addColumn<QColor>("expected");
    QTest::newRow("state 0 of one colour") << std::vector<CRDColor>{c_ColorRed} << short(0) << QColor(c_ColorRed);
    QTest::newRow("state 2 of three") << std::vector<CRDColor>{c_ColorRed, c_ColorGray, c_ColorOrange} << short(2)
                                      << QColor(c_ColorOrange);
    QTest::newRow("state 1 past one colour is green") << std::vector<CRDColor>{c_ColorRed} << short(1)
                                                       << QColor(c_ColorGreen);
    QTest::newRow("state -1 is green") << std::vector<CRDColor>{c_ColorRed} << short(-1) << QColor(c_ColorGreen);
    QTest::newRow("no colours at all") << std::vector<CRDColor>{} << short(0) << QColor(c_ColorGreen);
}

void tst_CRDMatrix::fillByState()
{
    QFETCH(std::vector<CRDColor>, colors);
    QFETCH(short, state);
    QFETCH(QColor, expected);
    CRDMatrixData data = makeData(10, QString(), 0);
    data.m_vecItems[6].m_iState = state;
    QWidget parent;
    TestMatrix matrix(&parent, data, colors);
    matrix.setSize(200, 150); // 5 columns of 40
    const QImage image = matrix.grab(QRect(0, 0, 200, 150)).toImage();
    QCOMPARE(image.pixelColor(60, 60), expected);                     // item 6, row 1, column 1
    QCOMPARE(image.pixelColor(40, 60), QColor(c_ColorYellow));        // border between items 5 and 6
    QCOMPARE(image.pixelColor(20, 20), colors.empty() ? QColor(c_ColorGreen) : QColor(colors[0])); // item 0
    QCOMPARE(image.pixelColor(100, 100), QColor(c_ColorBlue));        // the empty place of item 12
}

void tst_CRDMatrix::blinkPhase()
{
    CRDMatrixData data = makeData(10, QStringLiteral("ab"));
    data.m_vecItems[3].m_strLabel = QStringLiteral("BL");
    data.m_iBlinkIndex = 3;
    QWidget parent;
    TestMatrix matrix(&parent, data);
    matrix.setSize(200, 150);
    const auto state = [&matrix]() {
        const QColor fill = matrix.grab(QRect(0, 0, 200, 150)).toImage().pixelColor(125, 5); // item 3's corner
        const QColor label = textCall(paintedTexts(matrix), QStringLiteral("BL")).pen.color();
        return qMakePair(fill, label);
    };
    const auto normal = qMakePair(QColor(c_ColorRed), QColor(c_ColorBlack));
    const auto inverted = qMakePair(QColor(c_ColorBlack), QColor(c_ColorWhite));
    QTimerEvent tick(0);

    QCOMPARE(state(), normal); // no update yet
    matrix.UpdateMatrixData(data);
    QCOMPARE(state(), inverted);
    QCOMPARE(textCall(paintedTexts(matrix), QStringLiteral("ab")).pen.color(), QColor(c_ColorBlack));
    QCoreApplication::sendEvent(&matrix, &tick);
    QCOMPARE(state(), inverted); // timer repaints keep the phase
    matrix.UpdateMatrixData(data);
    QCOMPARE(state(), normal);
    data.m_iBlinkIndex = 10; // names no item
    matrix.UpdateMatrixData(data);
    QCOMPARE(state(), normal);
}

void tst_CRDMatrix::updateKeepsLayout()
{
    TestMatrix& matrix = *shownMatrix(makeData(10, QStringLiteral("x")), QSize(200, 150));
    matrix.UpdateMatrixData(makeData(30, QStringLiteral("x")));
    QCOMPARE(matrix.layoutMembers(), (Layout{5, 3, 40, 0}));
    // Every cell is drawn, also the rows below the bottom edge.
    QCOMPARE(paintedTexts(matrix).size(), 30);

    matrix.UpdateMatrixData(makeData(3));
    QCOMPARE(matrix.layoutMembers(), (Layout{5, 3, 40, 0}));
    QCOMPARE(matrix.grab(QRect(0, 0, 200, 150)).toImage().pixelColor(180, 20), QColor(c_ColorBlue));
}

void tst_CRDMatrix::labelFont()
{
    QWidget parent;
    CRDMatrixData data = makeData(10, QStringLiteral("i"));
    data.m_vecItems[1].m_strLabel = QStringLiteral("WWWWWWW");
    TestMatrix matrix(&parent, data);
    QFont small = matrix.font();
    small.setPointSize(6);
    matrix.setFont(small);

    matrix.setSize(2000, 1500); // cells of 400: the widget's font fits, though 16 points would too
    QCOMPARE(textCall(paintedTexts(matrix), QStringLiteral("WWWW")).font.pointSize(), 6);

    matrix.setSize(3, 400); // cells of 0: nothing fits, and 1 point is the floor
    QCOMPARE(textCall(paintedTexts(matrix), QStringLiteral("WWWW")).font.pointSize(), 1);
}

void tst_CRDMatrix::cachedFontEqualsFreshFont()
{
    QWidget parent;
    const QStringList first{QStringLiteral("A"), QStringLiteral("WWWW"), QStringLiteral("mm")};
    const QStringList wider{QStringLiteral("WWWWWW"), QString(), QStringLiteral("@@@@")};
    const QStringList narrow{QStringLiteral("i"), QStringLiteral("i"), QStringLiteral("l")};
    const auto dataOf = [](const QStringList& labels, short state) {
        CRDMatrixData data;
        for (const QString& label : labels)
            data.AppendMatrixItem(state, QString(), label);
        return data;
    };
    TestMatrix matrix(&parent, dataOf(first, 0));
    const QFont plain = matrix.font();
    QFont bold = plain;
    bold.setBold(true);
    bold.setPointSize(30);
    QImage probe(10, 10, QImage::Format_ARGB32_Premultiplied);
    QPainter probePainter(&probe);
    probePainter.setFont(plain);
    // Cells exactly as wide as the widest label, which then does not fit.
    const long exact = 4 * probePainter.fontMetrics().horizontalAdvance(QStringLiteral("WWWW"));
    probePainter.end();
    struct Step { QStringList labels; short state; long w; QFont base; const char* what; };
    const Step steps[] = {
        {first, 0, 100, plain, "first paint"},
        {first, 0, 100, plain, "repaint"},
        {first, 0, 60, plain, "smaller cells"},
        {first, 0, 400, plain, "larger cells"},
        {first, 0, exact, plain, "cells as wide as the widest label"},
        {first, 0, 60, plain, "smaller cells again"},
        {first, 3, 60, plain, "states changed"},
        {wider, 3, 60, plain, "wider labels"},
        {narrow, 3, 60, plain, "narrower labels"},
        {first, 3, 400, plain, "first labels in large cells"},
        {first, 3, 400, bold, "other base font"},
        {first, 3, 400, plain, "first base font again"},
        {QStringList{QString(), QString()}, 3, 60, plain, "no labels"},
    };
    for (const Step& step : steps) {
        matrix.UpdateMatrixData(dataOf(step.labels, step.state));
        matrix.layout(step.w, 400); // 4 columns of w / 4
        QImage cachedImage(10, 10, QImage::Format_ARGB32_Premultiplied), freshImage = cachedImage;
        QPainter cached(&cachedImage), fresh(&freshImage);
        cached.setFont(step.base);
        fresh.setFont(step.base);
        matrix.fitFont(cached);
        const QFont expected = freshLabelFont(fresh, step.labels, matrix.layoutMembers()[2]);
        QVERIFY2(cached.font() == expected, step.what);
        QVERIFY2(cached.font().pointSize() == expected.pointSize(), step.what);
    }
}

void tst_CRDMatrix::hostileDataPaints_data()
{
    QTest::addColumn<CRDMatrixData>("data");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<std::vector<CRDColor>>("colors");
    CRDMatrixData extremes = makeData(4, QString(10000, QLatin1Char('W')));
    extremes.m_vecItems[0].m_iState = SHRT_MIN;
    extremes.m_vecItems[1].m_iState = SHRT_MAX;
    extremes.m_iBlinkIndex = LONG_MIN;
    CRDMatrixData many = makeData(10000, QStringLiteral("n"));
    many.m_iBlinkIndex = LONG_MAX;
    const std::vector<CRDColor> none, one{c_ColorRed};
    QTest::newRow("no items") << makeData(0) << QSize(100, 100) << one;
    QTest::newRow("one item in 1x1") << makeData(1, QStringLiteral("a")) << QSize(1, 1) << one;
    QTest::newRow("no colours") << makeData(5, QStringLiteral("a")) << QSize(50, 50) << none;
    QTest::newRow("extreme states, huge labels") << extremes << QSize(300, 200) << one;
    QTest::newRow("10000 items") << many << QSize(300, 200) << one;
}

void tst_CRDMatrix::hostileDataPaints()
{
    QFETCH(CRDMatrixData, data);
    QFETCH(QSize, size);
    QFETCH(std::vector<CRDColor>, colors);
    QWidget parent;
    TestMatrix matrix(&parent, data, colors);
    matrix.setSize(size.width(), size.height());
    for (int phase = 0; phase < 2; ++phase) {
        matrix.UpdateMatrixData(data);
        long labels = 0;
        for (long i = 0; i < data.Size(); ++i)
            labels += data.Label(i).isEmpty() ? 0 : 1;
        QCOMPARE(long(paintedTexts(matrix).size()), labels); // every cell is drawn
    }
}

void tst_CRDMatrix::hitTest_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<long>("items");
    QTest::addColumn<QPoint>("cursor");
    QTest::addColumn<long>("expected");
    const QSize square(399, 399); // 20 columns of 19 at an offset of 9
    QTest::newRow("first cell") << square << 380L << QPoint(10, 10) << 0L;
    QTest::newRow("left band") << square << 380L << QPoint(8, 20) << -1L;
    QTest::newRow("top band") << square << 380L << QPoint(20, 8) << -1L;
    QTest::newRow("right of the last column") << square << 380L << QPoint(390, 20) << -1L;
    QTest::newRow("last pixel of the first cell") << square << 380L << QPoint(27, 27) << 0L;
    QTest::newRow("first pixel of the next row") << square << 380L << QPoint(9, 28) << 20L;
    QTest::newRow("last item") << square << 380L << QPoint(388, 369) << 379L;
    QTest::newRow("empty last row") << square << 380L << QPoint(20, 380) << -1L;
    QTest::newRow("empty place in the last row") << square << 375L << QPoint(388, 369) << -1L;
    QTest::newRow("no items") << square << 0L << QPoint(10, 10) << -1L;
    QTest::newRow("cells of size 0") << QSize(3, 10) << 5L << QPoint(1, 1) << -1L;
}

void tst_CRDMatrix::hitTest()
{
    QFETCH(QSize, size);
    QFETCH(long, items);
    QFETCH(QPoint, cursor);
    QFETCH(long, expected);
    TestMatrix* pMatrix = shownMatrix(makeData(items), size);
    QCursor::setPos(pMatrix->mapToGlobal(cursor));
    QCOMPARE(pMatrix->hitTest(), expected);
}

void tst_CRDMatrix::mouseSignals_data()
{
    QTest::addColumn<bool>("doubleClick");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<long>("index");  // emitted, or -1 for no signal
    QTest::addColumn<int>("passedOn"); // presses that reach the parent
    QTest::newRow("right press on a cell") << false << Qt::RightButton << QPoint(60, 60) << 6L << 0;
    QTest::newRow("left press on a cell") << false << Qt::LeftButton << QPoint(60, 60) << -1L << 1;
    QTest::newRow("right press outside") << false << Qt::RightButton << QPoint(100, 100) << -1L << 1;
    QTest::newRow("left double click on a cell") << true << Qt::LeftButton << QPoint(20, 20) << 0L << 0;
    QTest::newRow("right double click on a cell") << true << Qt::RightButton << QPoint(180, 20) << 4L << 0;
    QTest::newRow("double click outside") << true << Qt::LeftButton << QPoint(140, 100) << -1L << 0;
}

void tst_CRDMatrix::mouseSignals()
{
    QFETCH(bool, doubleClick);
    QFETCH(Qt::MouseButton, button);
    QFETCH(QPoint, pos);
    QFETCH(long, index);
    QFETCH(int, passedOn);
    TestMatrix* pMatrix = shownMatrix(makeData(10), QSize(200, 150));
    QSignalSpy menus(pMatrix, SIGNAL(customContextMenuRequested(QPoint, TKelmLong)));
    QSignalSpy doubles(pMatrix, SIGNAL(mouseDoubleClickEvent(QMouseEvent*, TKelmLong)));
    QVERIFY(menus.isValid() && doubles.isValid());
    Qt::MouseButton seen = Qt::NoButton;
    connect(pMatrix, qOverload<QMouseEvent*, TKelmLong>(&CRDMatrix::mouseDoubleClickEvent), this,
            [&seen](QMouseEvent* event, TKelmLong) { seen = event->button(); });

    QCursor::setPos(pMatrix->mapToGlobal(pos));
    if (doubleClick)
        QTest::mouseDClick(pMatrix, button, Qt::NoModifier, pos);
    else
        QTest::mousePress(pMatrix, button, Qt::NoModifier, pos);

    QSignalSpy& emitted = doubleClick ? doubles : menus;
    QCOMPARE(emitted.count(), index < 0 ? 0 : 1);
    if (index >= 0) {
        QCOMPARE(emitted.first().at(1).value<TKelmLong>(), index);
        if (doubleClick)
            QCOMPARE(seen, button); // the event as received
        else
            QCOMPARE(emitted.first().at(0).toPoint(), pos);
    }
    if (!doubleClick)
        QCOMPARE(m_pParent->presses, passedOn);
}

void tst_CRDMatrix::toolTips_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<QString>("text"); // empty: no tip showing
    QTest::addColumn<bool>("accepted");
    QTest::newRow("on a cell") << QPoint(60, 20) << QStringLiteral("tip 1") << true;
    QTest::newRow("on a cell without tip") << QPoint(20, 60) << QString() << true;
    QTest::newRow("beside the cells") << QPoint(100, 100) << QString() << false;
}

void tst_CRDMatrix::toolTips()
{
    QFETCH(QPoint, pos);
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    CRDMatrixData data = makeData(10);
    data.m_vecItems[5].m_strToolTip.clear();
    TestMatrix* pMatrix = shownMatrix(data, QSize(200, 150));

    // A tip is showing already, so that hiding it can be seen.
    QToolTip::showText(QPoint(5, 5), QStringLiteral("earlier"));
    QTRY_VERIFY(QToolTip::isVisible());
    QCursor::setPos(pMatrix->mapToGlobal(pos));
    QHelpEvent help(QEvent::ToolTip, pos, pMatrix->mapToGlobal(pos));
    QVERIFY(static_cast<QObject*>(pMatrix)->event(&help));
    QCOMPARE(help.isAccepted(), accepted);
    if (text.isEmpty()) {
        QTRY_VERIFY(!QToolTip::isVisible());
    } else {
        QTRY_COMPARE(QToolTip::text(), text);
        QVERIFY(QToolTip::isVisible());
    }
    QToolTip::hideText();
    QTRY_VERIFY(!QToolTip::isVisible());
}

void tst_CRDMatrix::timerAndUpdateRepaint()
{
    TestMatrix* pMatrix = shownMatrix(makeData(10), QSize(200, 150));
    QTRY_VERIFY(pMatrix->paints > 0);

    int before = pMatrix->paints;
    QTimerEvent tick(12345);
    QCoreApplication::sendEvent(pMatrix, &tick);
    QCOMPARE(pMatrix->paints, before + 1); // at once, not scheduled

    before = pMatrix->paints;
    pMatrix->UpdateMatrixData(makeData(10));
    QCOMPARE(pMatrix->paints, before);
    QTRY_VERIFY(pMatrix->paints > before);

    before = pMatrix->paints; // the widget's own 1 s timer
    QTRY_VERIFY_WITH_TIMEOUT(pMatrix->paints >= before + 2, 10000);
}

void tst_CRDMatrix::nullParentEndsProcess()
{
    const pid_t pid = fork();
    QVERIFY(pid >= 0);
    if (pid == 0) {
        CRDMatrix matrix(nullptr, makeData(3), c_ColorBlue, c_ColorYellow, {});
        _exit(0);
    }
    int status = 0;
    QCOMPARE(waitpid(pid, &status, 0), pid);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 1);
}

QTEST_MAIN(tst_CRDMatrix)
#include "tst_crdmatrix.moc"
