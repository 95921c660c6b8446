// Tests of the plot value types: CRDPoint, CRDColor and its palette, CRDDecoratedPoint, CRDDecoratedLine.
#include "CRDColor.h"
#include "CRDDecoratedLine.h"
#include "CRDDecoratedPoint.h"
#include "CRDDevicePoint.h"
#include "CRDPoint.h"

#include <QtTest>

using namespace KelmFramework;

Q_DECLARE_METATYPE(KelmFramework::CRDColor)

class tst_ValueTypes : public QObject
{
    Q_OBJECT

private slots:
    void pointFlagIsNeverCopied();
    void pointSelfAssignment();
    void devicePoint();
    void palette_data();
    void palette();
    void colorDefaultIsValidBlack();
    void colorCopyEqualsSource_data();
    void colorCopyEqualsSource();
    void decoratedPointDefaults();
    void decoratedPointConstructionClearsFlag();
    void decoratedPointAssignmentKeepsTargetFlag();
    void decoratedLineDefaults();
    void decoratedLineCopiesVertices_data();
    void decoratedLineCopiesVertices();
    void decoratedLineCopyAndAssignmentClearFlags();
    void outOfRangeStylesAreKept();
};

void tst_ValueTypes::pointFlagIsNeverCopied()
{
    const CRDPoint flagged(1.5, -2.5, true);
    QVERIFY(flagged.m_bInterpolated);

    const CRDPoint copy(flagged);
    QCOMPARE(copy.m_dX, 1.5);
    QCOMPARE(copy.m_dY, -2.5);
    QVERIFY(!copy.m_bInterpolated); // copies start unflagged

    CRDPoint target(0.0, 0.0, true);
    target = CRDPoint(3.0, 4.0, false);
    QCOMPARE(target.m_dX, 3.0);
    QVERIFY(target.m_bInterpolated); // assignment keeps the target's flag

    CRDPoint plain;
    plain = flagged;
    QVERIFY(!plain.m_bInterpolated);
    plain.SetInterpolated(true);
    QVERIFY(plain.m_bInterpolated);
}

void tst_ValueTypes::pointSelfAssignment()
{
    CRDPoint point(7.0, 8.0, true);
    CRDPoint& alias = point;
    point = alias;
    QCOMPARE(point.m_dX, 7.0);
    QCOMPARE(point.m_dY, 8.0);
    QVERIFY(point.m_bInterpolated);
}

void tst_ValueTypes::devicePoint()
{
    const CRDDevicePoint origin;
    QCOMPARE(origin.m_iX, 0L);
    QCOMPARE(origin.m_iY, 0L);
    CRDDevicePoint far(LONG_MIN, LONG_MAX); // the full 64-bit range is kept
    CRDDevicePoint copy(far);
    QCOMPARE(copy.m_iX, LONG_MIN);
    QCOMPARE(copy.m_iY, LONG_MAX);
    copy = origin;
    QCOMPARE(copy.m_iX, 0L);
}

void tst_ValueTypes::palette_data()
{
    QTest::addColumn<CRDColor>("color");
    QTest::addColumn<int>("red");
    QTest::addColumn<int>("green");
    QTest::addColumn<int>("blue");
    QTest::newRow("black") << c_ColorBlack << 0 << 0 << 0;
    QTest::newRow("white") << c_ColorWhite << 255 << 255 << 255;
    QTest::newRow("light gray") << c_ColorLightGray << 192 << 192 << 192;
    QTest::newRow("gray") << c_ColorGray << 128 << 128 << 128;
    QTest::newRow("dark gray") << c_ColorDarkGray << 64 << 64 << 64;
    QTest::newRow("light red") << c_ColorLigthRed << 255 << 128 << 128;
    QTest::newRow("red") << c_ColorRed << 255 << 0 << 0;
    QTest::newRow("dark red") << c_ColorDarkRed << 128 << 0 << 0;
    QTest::newRow("light green") << c_ColorLightGreen << 128 << 255 << 128;
    QTest::newRow("green") << c_ColorGreen << 0 << 255 << 0;
    QTest::newRow("dark green is 64, not 128") << c_ColorDarkGreen << 0 << 64 << 0;
    QTest::newRow("light blue") << c_ColorLightBlue << 128 << 128 << 255;
    QTest::newRow("blue") << c_ColorBlue << 0 << 0 << 255;
    QTest::newRow("dark is dark blue") << c_ColorDark << 0 << 0 << 128;
    QTest::newRow("yellow") << c_ColorYellow << 255 << 255 << 0;
    QTest::newRow("orange") << c_ColorOrange << 255 << 128 << 0;
}

void tst_ValueTypes::palette()
{
    QFETCH(CRDColor, color);
    QFETCH(int, red);
    QFETCH(int, green);
    QFETCH(int, blue);
    QCOMPARE(color.red(), red);
    QCOMPARE(color.green(), green);
    QCOMPARE(color.blue(), blue);
    QCOMPARE(color.alpha(), 255);
    QCOMPARE(static_cast<const QColor&>(color), color.toRgb()); // equality includes the colour model
}

void tst_ValueTypes::colorDefaultIsValidBlack()
{
    const CRDColor color;
    QVERIFY(color.isValid());
    QCOMPARE(color.rgba(), qRgba(0, 0, 0, 255));
    const CRDColor custom(1, 2, 3);
    QCOMPARE(custom.rgba(), qRgba(1, 2, 3, 255));
}

void tst_ValueTypes::colorCopyEqualsSource_data()
{
    QTest::addColumn<QColor>("source");
    QTest::newRow("opaque rgb") << QColor(10, 20, 30);
    QTest::newRow("translucent") << QColor(10, 20, 30, 40);
    QTest::newRow("hsv model") << QColor::fromHsv(120, 200, 100);
    QTest::newRow("invalid") << QColor();
}

void tst_ValueTypes::colorCopyEqualsSource()
{
    QFETCH(QColor, source);
    CRDColor color;
    static_cast<QColor&>(color) = source;

    const CRDColor copy(color);
    QCOMPARE(static_cast<const QColor&>(copy), source);
    QCOMPARE(copy.isValid(), source.isValid());

    CRDColor assigned(1, 2, 3);
    assigned = color;
    QCOMPARE(static_cast<const QColor&>(assigned), source);

    CRDColor& alias = assigned;
    assigned = alias;
    QCOMPARE(static_cast<const QColor&>(assigned), source);
}

void tst_ValueTypes::decoratedPointDefaults()
{
    const CRDDecoratedPoint point;
    QCOMPARE(point.m_dX, 0.0);
    QCOMPARE(point.m_dY, 0.0);
    QVERIFY(!point.m_bInterpolated);
    QCOMPARE(static_cast<const QColor&>(point.m_Color), QColor(255, 255, 255));
    QCOMPARE(point.m_ePointStyle, eRDPointDot);
}

void tst_ValueTypes::decoratedPointConstructionClearsFlag()
{
    const CRDPoint flagged(1.0, 2.0, true);
    const CRDDecoratedPoint fromPoint(flagged, c_ColorRed, eRDPointCross);
    QVERIFY(!fromPoint.m_bInterpolated);
    QCOMPARE(fromPoint.m_dX, 1.0);
    QCOMPARE(fromPoint.m_ePointStyle, eRDPointCross);
    QCOMPARE(static_cast<const QColor&>(fromPoint.m_Color), QColor(255, 0, 0));

    CRDDecoratedPoint flaggedDecorated(3.0, 4.0, c_ColorBlue, eRDPointSquare);
    flaggedDecorated.SetInterpolated(true);
    const CRDDecoratedPoint copy(flaggedDecorated);
    QVERIFY(!copy.m_bInterpolated);
    QCOMPARE(copy.m_dY, 4.0);
    QCOMPARE(copy.m_ePointStyle, eRDPointSquare);
}

void tst_ValueTypes::decoratedPointAssignmentKeepsTargetFlag()
{
    CRDDecoratedPoint target;
    target.SetInterpolated(true);
    const CRDDecoratedPoint source(5.0, 6.0, c_ColorOrange, eRDPointNone);
    target = source;
    QCOMPARE(target.m_dX, 5.0);
    QCOMPARE(target.m_ePointStyle, eRDPointNone);
    QCOMPARE(static_cast<const QColor&>(target.m_Color), QColor(255, 128, 0));
    QVERIFY(target.m_bInterpolated);

    CRDDecoratedPoint& alias = target;
    target = alias;
    QCOMPARE(target.m_dY, 6.0);
}

void tst_ValueTypes::decoratedLineDefaults()
{
    const CRDDecoratedLine line;
    QVERIFY(line.m_strName.isEmpty());
    QCOMPARE(static_cast<const QColor&>(line.m_Color), QColor(255, 255, 255));
    QCOMPARE(line.m_eLineStyle, eRDLineSolid);
    QCOMPARE(line.m_ePointStyle, eRDPointNone);
    QVERIFY(line.m_vecPoints.empty());
}

void tst_ValueTypes::decoratedLineCopiesVertices_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("empty") << 0;
    QTest::newRow("one point") << 1;
    QTest::newRow("many points") << 1000;
}

void tst_ValueTypes::decoratedLineCopiesVertices()
{
    QFETCH(int, count);
    std::vector<CRDPoint> points;
    for (int i = 0; i < count; ++i)
        points.push_back(CRDPoint(i, -i, true));
    for (CRDPoint& point : points)
        point.SetInterpolated(true);

    const CRDDecoratedLine line(points, c_ColorYellow, eRDLineDotted, eRDPointSquare, QStringLiteral("signal"));
    QCOMPARE(line.m_vecPoints.size(), std::size_t(count));
    QCOMPARE(line.m_vecPoints.capacity(), std::size_t(count)); // exactly the given size
    for (int i = 0; i < count; ++i) {
        QCOMPARE(line.m_vecPoints[i].m_dX, double(i));
        QCOMPARE(line.m_vecPoints[i].m_dY, double(-i));
        QVERIFY(!line.m_vecPoints[i].m_bInterpolated);
    }
    for (const CRDPoint& point : points)
        QVERIFY(point.m_bInterpolated); // the caller's vector is untouched
    QCOMPARE(line.m_strName, QStringLiteral("signal"));
    QCOMPARE(line.m_eLineStyle, eRDLineDotted);
    QCOMPARE(line.m_ePointStyle, eRDPointSquare);
}

void tst_ValueTypes::decoratedLineCopyAndAssignmentClearFlags()
{
    std::vector<CRDPoint> points{CRDPoint(1, 1), CRDPoint(2, 2)};
    CRDDecoratedLine source(points, c_ColorRed, eRDLineDashDotted, eRDPointDot, QStringLiteral("a"));
    source.m_vecPoints[0].SetInterpolated(true);

    const CRDDecoratedLine copy(source);
    QCOMPARE(copy.m_vecPoints.size(), std::size_t(2));
    QVERIFY(!copy.m_vecPoints[0].m_bInterpolated);
    QCOMPARE(copy.m_eLineStyle, eRDLineDashDotted);
    QCOMPARE(copy.m_strName, QStringLiteral("a"));

    // Regression: assigning over existing points must not keep the target's flags.
    std::vector<CRDPoint> three{CRDPoint(9, 9), CRDPoint(8, 8), CRDPoint(7, 7)};
    CRDDecoratedLine target(three, c_ColorBlue, eRDLineSolid, eRDPointNone, QStringLiteral("b"));
    for (CRDPoint& point : target.m_vecPoints)
        point.SetInterpolated(true);
    target = source;
    QCOMPARE(target.m_vecPoints.size(), std::size_t(2));
    QCOMPARE(target.m_vecPoints[1].m_dX, 2.0);
    for (const CRDPoint& point : target.m_vecPoints)
        QVERIFY(!point.m_bInterpolated);
    QCOMPARE(static_cast<const QColor&>(target.m_Color), QColor(255, 0, 0));
    QCOMPARE(target.m_ePointStyle, eRDPointDot);

    CRDDecoratedLine& alias = target;
    target = alias;
    QCOMPARE(target.m_vecPoints.size(), std::size_t(2));
    QCOMPARE(target.m_strName, QStringLiteral("a"));
}

void tst_ValueTypes::outOfRangeStylesAreKept()
{
    const auto lineStyle = static_cast<ERDLineStyle>(77);
    const auto pointStyle = static_cast<ERDPointStyle>(-3);
    std::vector<CRDPoint> none;
    const CRDDecoratedLine line(none, c_ColorBlack, lineStyle, pointStyle, QString());
    const CRDDecoratedLine copy(line);
    QCOMPARE(int(copy.m_eLineStyle), 77);
    QCOMPARE(int(copy.m_ePointStyle), -3);
    const CRDDecoratedPoint point(0, 0, c_ColorBlack, pointStyle);
    CRDDecoratedPoint assigned;
    assigned = point;
    QCOMPARE(int(assigned.m_ePointStyle), -3);
}

QTEST_MAIN(tst_ValueTypes)
#include "tst_valuetypes.moc"
