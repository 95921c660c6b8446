// Tests of CRDBoxGridLayout: grid lines, tick labels, titles and the x label callback.
#include "CRDBoxGridLayout.h"
#include "RecordingPaintDevice.h"
#include "TestRows.h"

#include <QPainter>

#include <memory>

using namespace KelmFramework;

namespace
{

// What a grid over the view draws into L 50, T 50, R 453, B 352 with a margin of 40: four columns of 100 and
// four rows of 75, and strips left over.
QString drawGrid(QLineF view, IResultDisplayCallBack* pCallBack = nullptr)
{
    CRDPoint a(view.x1(), view.y1()), b(view.x2(), view.y2());
    const QString x = QStringLiteral("time"), y = QStringLiteral("voltage");
    std::unique_ptr<CRDBoxGridLayout> grid(
        pCallBack ? new CRDBoxGridLayout(*pCallBack, a, b, x, y, 4, 4, 1, 6, c_ColorGray, c_ColorOrange)
                  : new CRDBoxGridLayout(a, b, x, y, 4, 4, 1, 6, c_ColorGray, c_ColorOrange));
    RecordingPaintDevice device;
    QPainter painter(&device);
    CRDDevicePoint leftTop(50, 50), rightBottom(453, 352);
    grid->DrawGrid(painter, leftTop, rightBottom, 40);
    return device.shapes(true) + QLatin1String(painter.transform().isIdentity() ? "" : " (transformed)");
}

// What a grid over (0, -0.3)-(10, 0.9) draws: x labels centred below their lines or slanted, y labels beside
// theirs, the titles in the bands above and right of the box; lines in the grid colour, texts in the text colour.
QString expectedGrid(const char* xTexts, bool slanted)
{
    const QStringList xLabels = QString::fromLatin1(xTexts).split(QLatin1Char(' '));
    const QStringList yLabels = QStringLiteral("0.9 0.6 0.3 0").split(QLatin1Char(' '));
    const QFontMetrics metrics((QFont()));
    const int h = metrics.height();
    const auto text = [&](const QString& t, double x, double y, const char* more = " [#ff8000 1 flat solid]") {
        return QStringLiteral("text %1 %2,%3%4").arg(t).arg(qRound(x)).arg(qRound(y)).arg(QLatin1String(more));
    };
    QStringList result;
    for (int i = 0, x = 50; i <= 4; ++i, x += 100) { // to yEnd, short of B
        result << QStringLiteral("line %1,50 %1,350").arg(x) + QLatin1String(i == 1 ? "" : " [#808080 1 flat solid]");
        const QString label = i ? xLabels[i - 1] : QString();
        const int w = metrics.horizontalAdvance(label);
        if (i)
            result << (slanted ? text(label, x - 0.75 * w, 352 + label.size() * 4.5, " -45 [#ff8000 1 flat solid]")
                               : text(label, x - w / 2, 357));
    }
    result << text(QStringLiteral("time"), 201, 20 - h / 2, "");
    for (int i = 0, y = 50; i <= 4; ++i, y += 75) { // to xEnd, short of R
        result << QStringLiteral("line 50,%1 450,%1 [#808080 1 flat solid]").arg(y);
        if (i < 4)
            result << text(yLabels[i], 50 - 5 - metrics.horizontalAdvance(yLabels[i]), y - h / 2);
    }
    const int w = metrics.horizontalAdvance(QStringLiteral("voltage"));
    return (result << text(QStringLiteral("voltage"), 453 + 20 - h / 2, 151 + w + 20, " -90 [#ff8000 1 flat solid]"))
        .join(QLatin1Char('|'));
}

} // namespace

class tst_CRDBoxGridLayout : public QObject
{
    Q_OBJECT

private slots:
    void draws_data()
    {
        addResultColumns();
        IResultDisplayCallBack plain(QStringLiteral("plain"));
        const QLineF example(0, -0.3, 10, 0.9);
        QTest::newRow("numeric labels") << drawGrid(example) << expectedGrid("2.5 5.0 7.5 10.0", false);
        QTest::newRow("slanted callback labels") << drawGrid(example, &plain) << expectedGrid("-- -- -- --", true);
        QTest::newRow("exactly 1e-8 is not snapped to 0")
            << QString::number(drawGrid(QLineF(0, 1e-8 - 4, 4, 1e-8)).contains(QLatin1String("|text 1e-08 "))) << "1";
    }
    void draws() { compareResults(); }
};

QTEST_MAIN(tst_CRDBoxGridLayout)
#include "tst_crdboxgridlayout.moc"
