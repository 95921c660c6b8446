// Tests of CRDBoxGridLayout: grid lines, tick labels, titles and the x label callback.
#include "CRDBoxGridLayout.h"
#include "RecordingPaintDevice.h"

#include <QFontMetrics>
#include <QPainter>
#include <QtTest>

#include <cmath>

using namespace KelmFramework;

namespace
{

// Answers "t1", "t2", ... and keeps the values it was asked for.
class RecordingCallBack : public IResultDisplayCallBack
{
public:
    using IResultDisplayCallBack::IResultDisplayCallBack;
    QString GetXAxisStepValue(double dValue) override
    {
        values.append(dValue);
        return QStringLiteral("t%1").arg(values.size());
    }
    QVector<double> values;
};

QStringList strings(std::initializer_list<const char*> items)
{
    QStringList result;
    for (const char* item : items)
        result << QString::fromUtf8(item);
    return result;
}

const CRDColor gridColor(10, 20, 30);
const CRDColor textColor(200, 100, 0);

// What one DrawGrid call painted, drawn into the box of the worked example unless said otherwise:
// L 50, T 50, R 450, B 350, margin 40.
struct Drawing
{
    QVector<QLineF> vertical, horizontal;
    QVector<RecordedCall> texts;
    QPen lastPen;
    bool transformRestored = false;
    int ascent = 0, height = 0;
    QFont font;

    QStringList textStrings() const
    {
        QStringList result;
        for (const RecordedCall& call : texts)
            result << call.text;
        return result;
    }
    int width(const QString& text) const { return QFontMetrics(font).horizontalAdvance(text); }
};

Drawing draw(CRDBoxGridLayout& grid, long right = 450)
{
    RecordingPaintDevice device;
    QPainter painter(&device);
    Drawing result;
    result.font = painter.font();
    result.ascent = painter.fontMetrics().ascent();
    result.height = painter.fontMetrics().height();
    CRDDevicePoint leftTop(50, 50), rightBottom(right, 350);
    grid.DrawGrid(painter, leftTop, rightBottom, 40);
    result.lastPen = painter.pen();
    result.transformRestored = painter.transform().isIdentity();
    painter.end();

    for (const RecordedCall& call : device.calls()) {
        if (call.kind == RecordedCall::Text) {
            Q_ASSERT(call.pen.color() == textColor);
            result.texts.append(call);
        } else if (call.kind == RecordedCall::Lines) {
            Q_ASSERT(call.lines.size() == 1 && call.pen.color() == gridColor);
            Q_ASSERT(call.pen.widthF() == 1.0 && call.pen.capStyle() == Qt::FlatCap);
            (call.lines[0].y1() == call.lines[0].y2() ? result.horizontal : result.vertical) += call.lines[0];
        }
    }
    return result;
}

CRDBoxGridLayout workedExample()
{
    return CRDBoxGridLayout(CRDPoint(0, -0.3), CRDPoint(10, 0.9), QStringLiteral("time [s]"),
                            QStringLiteral("voltage"), 4, 4, 1, 6, gridColor, textColor);
}

} // namespace

class tst_CRDBoxGridLayout : public QObject
{
    Q_OBJECT

private slots:
    void workedExample();
    void yRunningValueSnapsToZero_data();
    void yRunningValueSnapsToZero();
    void xLabelsNeverSnap();
    void xLabelsFromCallBack_data();
    void xLabelsFromCallBack();
    void divisionCounts_data();
    void divisionCounts();
};

void tst_CRDBoxGridLayout::workedExample()
{
    CRDBoxGridLayout grid = ::workedExample();
    const Drawing drawn = draw(grid);

    QCOMPARE(drawn.vertical, (QVector<QLineF>{QLineF(50, 50, 50, 350), QLineF(150, 50, 150, 350),
                                               QLineF(250, 50, 250, 350), QLineF(350, 50, 350, 350),
                                               QLineF(450, 50, 450, 350)}));
    QCOMPARE(drawn.horizontal, (QVector<QLineF>{QLineF(50, 50, 450, 50), QLineF(50, 125, 450, 125),
                                                 QLineF(50, 200, 450, 200), QLineF(50, 275, 450, 275),
                                                 QLineF(50, 350, 450, 350)}));
    // 1.1e-16 left by the running sum prints as 0; the bottom line and the left line carry no label.
    QCOMPARE(drawn.textStrings(), (strings({"2.5", "5.0", "7.5", "10.0", "time [s]", "0.9", "0.6", "0.3", "0",
                                               "voltage"})));

    // A box exactly as wide as its text: the baseline starts at the box's left edge.
    const auto expectAt = [&](int index, double left, double top) {
        const RecordedCall& call = drawn.texts[index];
        QVERIFY2(std::abs(call.position.x() - left) <= 1 && std::abs(call.position.y() - (top + drawn.ascent)) <= 1,
                 qPrintable(call.text));
    };
    for (int i = 0; i < 4; ++i) {
        const QString text = drawn.texts[i].text;
        expectAt(i, 150 + 100 * i - drawn.width(text) / 2, 355); // centred under its line, 5 below B
        QVERIFY(drawn.texts[i].transform.isIdentity());
        const QString yText = drawn.texts[5 + i].text;
        expectAt(5 + i, 50 - drawn.width(yText) - 5, 50 + 75 * i - drawn.height / 2); // 5 left of L
    }
    expectAt(4, 200, 20 - drawn.height / 2); // from half the device width, counted from x 0

    // The y title reads upward, centred on the band right of the box.
    const RecordedCall& yTitle = drawn.texts[9];
    const QPointF origin = yTitle.transform.map(QPointF(0, 0));
    QCOMPARE(origin, QPointF(450 + 20 - drawn.height / 2, 150 + drawn.width(QStringLiteral("voltage")) + 20));
    QCOMPARE(yTitle.transform.map(QPointF(1, 0)) - origin, QPointF(0, -1));

    QVERIFY(drawn.transformRestored);
    QCOMPARE(drawn.lastPen.color(), QColor(textColor));
}

void tst_CRDBoxGridLayout::yRunningValueSnapsToZero_data()
{
    QTest::addColumn<double>("top");
    QTest::addColumn<double>("bottom");
    QTest::addColumn<short>("precision");
    QTest::addColumn<QStringList>("labels");
    QTest::newRow("exactly 1e-8 is kept")
        << 1e-8 << 1e-8 - 5 << short(6) << strings({"1e-08", "-1", "-2", "-3", "-4"});
    QTest::newRow("just below 1e-8 prints 0")
        << 9.9e-9 << 9.9e-9 - 5 << short(6) << strings({"0", "-1", "-2", "-3", "-4"});
    // Without the snap the line after zero would read -0.29999999999999988.
    QTest::newRow("the lines after the snap continue from exact 0")
        << 0.9 << -0.6 << short(17)
        << strings({"0.90000000000000002", "0.60000000000000009", "0.3000000000000001", "0", "-0.29999999999999999"});
}

void tst_CRDBoxGridLayout::yRunningValueSnapsToZero()
{
    QFETCH(double, top);
    QFETCH(double, bottom);
    QFETCH(short, precision);
    QFETCH(QStringList, labels);

    CRDBoxGridLayout grid(CRDPoint(0, bottom), CRDPoint(10, top), QString(), QString(), 4, 5, 1, precision,
                          gridColor, textColor);
    // Five divisions put a labelled line below the one that is snapped; no titles are drawn.
    QCOMPARE(draw(grid).textStrings().mid(4), labels);
}

void tst_CRDBoxGridLayout::xLabelsNeverSnap()
{
    // The running x value passes -1.1e-16 at the third line; x labels print it as it is.
    CRDBoxGridLayout grid(CRDPoint(-0.9, 0), CRDPoint(0.3, 1), QString(), QString(), 4, 4, 20, 6, gridColor,
                          textColor);
    const QString third = draw(grid).texts[2].text;
    QVERIFY2(third.startsWith(QLatin1String("-0.000000000000000111")), qPrintable(third));
}

void tst_CRDBoxGridLayout::xLabelsFromCallBack_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("overrides");
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<QVector<double>>("asked");
    QTest::newRow("a callback named like the default is never asked")
        << QStringLiteral("CRDBoxGridLayout") << true << strings({"2.5", "5.0", "7.5", "10.0"}) << QVector<double>{};
    QTest::newRow("the name test is case-sensitive")
        << QStringLiteral("crdboxgridlayout") << true << strings({"t1", "t2", "t3", "t4"})
        << QVector<double>{2.5, 5, 7.5, 10};
    QTest::newRow("a callback without its own texts reads --")
        << QStringLiteral("plain") << false << strings({"--", "--", "--", "--"}) << QVector<double>{};
}

void tst_CRDBoxGridLayout::xLabelsFromCallBack()
{
    QFETCH(QString, name);
    QFETCH(bool, overrides);
    QFETCH(QStringList, labels);
    QFETCH(QVector<double>, asked);

    RecordingCallBack recording(name);
    IResultDisplayCallBack plain(name);
    CRDBoxGridLayout grid(overrides ? static_cast<IResultDisplayCallBack&>(recording) : plain, CRDPoint(0, -0.3),
                          CRDPoint(10, 0.9), QString(), QString(), 4, 4, 1, 6, gridColor, textColor);
    const Drawing drawn = draw(grid);
    QCOMPARE(drawn.textStrings().mid(0, 4), labels);
    QCOMPARE(recording.values, asked);
    QVERIFY(drawn.transformRestored);

    const bool slanted = labels.first() != QLatin1String("2.5");
    for (int i = 0; i < 4; ++i) {
        const RecordedCall& call = drawn.texts[i];
        QCOMPARE(call.transform.isIdentity(), !slanted);
        if (!slanted)
            continue;
        // Runs up to the right at 45 degrees from a start that drops with the length of the text.
        const int width = drawn.width(call.text);
        const QPointF origin = call.transform.map(QPointF(0, 0));
        QCOMPARE(origin, QPointF(150 + 100 * i - 0.75 * width, 350 + call.text.size() * 0.9 * 5));
        const QPointF step = call.transform.map(QPointF(1, 0)) - origin;
        QVERIFY(std::abs(step.x() - M_SQRT1_2) < 1e-9 && std::abs(step.y() + M_SQRT1_2) < 1e-9);
    }
}

void tst_CRDBoxGridLayout::divisionCounts_data()
{
    QTest::addColumn<long>("divisions"); // written to the public member after construction
    QTest::addColumn<long>("right");
    QTest::addColumn<int>("verticalLines");
    QTest::addColumn<double>("lastVerticalX");
    QTest::addColumn<double>("horizontalEnd");
    QTest::addColumn<int>("xLabels");
    QTest::newRow("one division: a single label, at the right edge") << 1L << 450L << 2 << 450.0 << 450.0 << 1;
    QTest::newRow("width not a multiple: lines end short of R") << 4L << 453L << 5 << 450.0 << 450.0 << 4;
    QTest::newRow("negative count draws no vertical lines") << -3L << 450L << 0 << 0.0 << 450.0 << 0;
    QTest::newRow("zero counts as one, not a division by zero") << 0L << 450L << 2 << 450.0 << 450.0 << 1;
    // A 16-bit counter would wrap at 32767 and never end.
    QTest::newRow("count at the 16-bit limit ends, 0 pixels apart") << 32767L << 450L << 32768 << 50.0 << 50.0 << 32767;
    QTest::newRow("count beyond the limit is clamped") << 100000L << 450L << 32768 << 50.0 << 50.0 << 32767;
}

void tst_CRDBoxGridLayout::divisionCounts()
{
    QFETCH(long, divisions);
    QFETCH(long, right);
    QFETCH(int, verticalLines);
    QFETCH(double, lastVerticalX);
    QFETCH(double, horizontalEnd);
    QFETCH(int, xLabels);

    CRDBoxGridLayout grid = ::workedExample();
    grid.m_strXAxisTitle.clear();
    grid.m_strYAxisTitle.clear();
    grid.m_iXDivisions = divisions;
    const Drawing drawn = draw(grid, right);
    QCOMPARE(drawn.vertical.size(), verticalLines);
    QCOMPARE(drawn.horizontal.size(), 5);
    QCOMPARE(drawn.horizontal.first().x2(), horizontalEnd);
    if (verticalLines > 0)
        QCOMPARE(drawn.vertical.last().x1(), lastVerticalX);
    QCOMPARE(drawn.texts.size(), xLabels + 4); // empty titles draw nothing
}

QTEST_MAIN(tst_CRDBoxGridLayout)
#include "tst_crdboxgridlayout.moc"
