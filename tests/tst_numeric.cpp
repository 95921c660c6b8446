// Tests of the numeric guards that every conversion between doubles, device longs and painter ints uses.
#include "RDNumeric_p.h"

#include <QtTest>

#include <cmath>

using namespace KelmFramework;

namespace
{
const double inf = qInf(), twoTo63 = 9223372036854775808.0;
const int paintLimit = 1 << 30;
} // namespace

class tst_Numeric : public QObject
{
    Q_OBJECT

private slots:
    void truncToDevice_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<long>("device");
        QTest::newRow("-0.5 truncates toward zero") << -0.5 << 0L;
        QTest::newRow("49.99 truncates, not rounds") << 49.99 << 49L;
        QTest::newRow("-49.99") << -49.99 << -49L;
        QTest::newRow("smallest denormal") << DBL_TRUE_MIN << 0L;
        QTest::newRow("largest double below 2^63") << std::nextafter(twoTo63, 0.0) << 9223372036854774784L;
        QTest::newRow("smallest double above -2^63") << -std::nextafter(twoTo63, 0.0) << -9223372036854774784L;
        QTest::newRow("2^63") << twoTo63 << LONG_MIN;
        QTest::newRow("next double above 2^63") << std::nextafter(twoTo63, inf) << LONG_MIN;
        QTest::newRow("-2^63") << -twoTo63 << LONG_MIN;
        QTest::newRow("next double below -2^63") << -std::nextafter(twoTo63, inf) << LONG_MIN;
        QTest::newRow("largest double") << DBL_MAX << LONG_MIN;
        QTest::newRow("+inf") << inf << LONG_MIN;
        QTest::newRow("-inf") << -inf << LONG_MIN;
        QTest::newRow("NaN") << qQNaN() << LONG_MIN;
    }
    // The fast path and the portable one must agree everywhere.
    void truncToDevice()
    {
        QFETCH(double, value);
        QFETCH(long, device);
        QCOMPARE(Numeric::TruncToDevice(value), device);
        QCOMPARE(Numeric::TruncToDevicePortable(value), device);
    }

    // One hostile long through each clamp: to the painter's range, to a layout extent, to a division count.
    void clamps_data()
    {
        QTest::addColumn<long>("value");
        QTest::addColumn<int>("narrowed");
        QTest::addColumn<long>("extent");
        QTest::addColumn<long>("divisions");
        QTest::newRow("LONG_MIN") << LONG_MIN << -paintLimit << 0L << 1L;
        QTest::newRow("-1") << -1L << -1 << 0L << 1L;
        QTest::newRow("0") << 0L << 0 << 0L << 1L;
        QTest::newRow("32768") << 32768L << 32768 << 32768L << 32767L;
        QTest::newRow("2^30") << long(paintLimit) << paintLimit << long(paintLimit) << 32767L;
        QTest::newRow("2^31, beyond int") << (1L << 31) << paintLimit << long(paintLimit) << 32767L;
        QTest::newRow("LONG_MAX") << LONG_MAX << paintLimit << long(paintLimit) << 32767L;
    }
    void clamps()
    {
        QFETCH(long, value);
        QFETCH(int, narrowed);
        QFETCH(long, extent);
        QFETCH(long, divisions);
        QCOMPARE(Numeric::NarrowToInt(value), narrowed);
        QCOMPARE(Numeric::ClampExtent(value), extent);
        QCOMPARE(Numeric::ClampDivisions(value), divisions);
    }

    void roundToPixels_data()
    {
        QTest::addColumn<QPointF>("position");
        QTest::addColumn<QPoint>("pixel");
        QTest::newRow("halves round up") << QPointF(1.5, -1.5) << QPoint(2, -1);
        QTest::newRow("2^31, beyond int") << QPointF(2147483648.0, -2147483649.0) << QPoint(paintLimit, -paintLimit);
        // Beyond long there is no device position: the low end, as for NaN.
        QTest::newRow("1e300, beyond long") << QPointF(1e300, -1e300) << QPoint(-paintLimit, -paintLimit);
        QTest::newRow("NaN") << QPointF(qQNaN(), 0) << QPoint(-paintLimit, 0);
    }
    void roundToPixels()
    {
        QFETCH(QPointF, position);
        QFETCH(QPoint, pixel);
        QCOMPARE(Numeric::RoundToPixels(position), pixel);
    }

    // One pair of longs through each guard that takes two: a painter sum, a span and a difference.
    void pairs_data()
    {
        QTest::addColumn<long>("a");
        QTest::addColumn<long>("b");
        QTest::addColumn<int>("narrowSum");
        QTest::addColumn<long>("intSpan");
        QTest::addColumn<double>("difference");
        QTest::newRow("a marker corner") << 50L << -3L << 47 << 53L << -53.0;
        QTest::newRow("left and right edge") << 50L << 453L << 503 << 403L << 403.0;
        QTest::newRow("an offset from a saturated base")
            << LONG_MAX << -5L << paintLimit - 5 << long(INT_MAX) + 5 << -9223372036854775812.0;
        QTest::newRow("beyond int") << 0L << (1L << 40) << paintLimit << long(INT_MAX) << 1099511627776.0;
        QTest::newRow("LONG_MIN and LONG_MAX") << LONG_MIN << LONG_MAX << 0 << 4294967295L << 18446744073709551616.0;
        QTest::newRow("LONG_MAX and LONG_MIN") << LONG_MAX << LONG_MIN << 0 << 4294967295L << -18446744073709551616.0;
        QTest::newRow("both at LONG_MAX") << LONG_MAX << LONG_MAX << paintLimit << 0L << 0.0;
        QTest::newRow("both at LONG_MIN") << LONG_MIN << LONG_MIN << -paintLimit << 0L << 0.0;
    }
    void pairs()
    {
        QFETCH(long, a);
        QFETCH(long, b);
        QFETCH(int, narrowSum);
        QFETCH(long, intSpan);
        QFETCH(double, difference);
        QCOMPARE(Numeric::NarrowSum(a, b), narrowSum);
        QCOMPARE(Numeric::IntSpan(a, b), intSpan);
        QCOMPARE(Numeric::Difference(a, b), difference);
    }

    void saturatedProduct_data()
    {
        QTest::addColumn<long>("a");
        QTest::addColumn<long>("b");
        QTest::addColumn<long>("product");
        QTest::newRow("rows times cell") << 20L << 19L << 380L;
        QTest::newRow("zero times LONG_MAX") << 0L << LONG_MAX << 0L;
        QTest::newRow("2^32 times 2^31 overflows") << (1L << 32) << (1L << 31) << LONG_MAX;
    }
    void saturatedProduct()
    {
        QFETCH(long, a);
        QFETCH(long, b);
        QFETCH(long, product);
        QCOMPARE(Numeric::SaturatedProduct(a, b), product);
    }

    void fitToPaintRange_data()
    {
        const long far = 1L << 40, limit = paintLimit;
        QTest::addColumn<QVector<long>>("segment");
        QTest::addColumn<bool>("kept");
        QTest::addColumn<QVector<long>>("fitted");
        QTest::newRow("inside: untouched") << QVector<long>{-5, 7, 100, 200} << true << QVector<long>{-5, 7, 100, 200};
        QTest::newRow("far first end pulled in")
            << QVector<long>{far, 50, 0, 50} << true << QVector<long>{limit, 50, 0, 50};
        QTest::newRow("slanted far end keeps its direction")
            << QVector<long>{0, 0, 4 * far, 2 * far} << true << QVector<long>{0, 0, limit, limit / 2};
        QTest::newRow("LONG_MIN to LONG_MAX")
            << QVector<long>{LONG_MIN + 1, 0, LONG_MAX, 0} << true << QVector<long>{-limit, 0, limit, 0};
        QTest::newRow("wholly beyond the range: dropped, untouched")
            << QVector<long>{far, 0, 2 * far, 10} << false << QVector<long>{far, 0, 2 * far, 10};
    }
    void fitToPaintRange()
    {
        QFETCH(QVector<long>, segment);
        QFETCH(bool, kept);
        QFETCH(QVector<long>, fitted);
        QCOMPARE(Numeric::FitToPaintRange(segment[0], segment[1], segment[2], segment[3]), kept);
        QCOMPARE(segment, fitted);
    }

    void labelPrecision_data()
    {
        QTest::addColumn<short>("asked");
        QTest::addColumn<int>("precision");
        QTest::newRow("ordinary") << short(6) << 6;
        QTest::newRow("negative: the shortest form") << short(-1) << -1;
        QTest::newRow("340 digits") << short(340) << 340;
        QTest::newRow("32767 digits at every grid line") << short(SHRT_MAX) << 340;
    }
    void labelPrecision()
    {
        QFETCH(short, asked);
        QFETCH(int, precision);
        QCOMPARE(Numeric::LabelPrecision(asked), precision);
    }

    void isUsableSpan_data()
    {
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::addColumn<bool>("usable");
        QTest::newRow("ordinary") << 0.0 << 10.0 << true;
        QTest::newRow("tiny but normal") << 1.0 << 1.0 + 1e-12 << true;
        QTest::newRow("4e307: the scale is still normal") << 0.0 << 4e307 << true;
        QTest::newRow("5e307: the scale turns denormal") << 0.0 << 5e307 << false;
        QTest::newRow("the span overflows") << -1e308 << 1e308 << false;
        QTest::newRow("denormal span") << 0.0 << DBL_TRUE_MIN << false;
        QTest::newRow("zero") << 5.0 << 5.0 << false;
        QTest::newRow("crossed") << 5.0 << 4.0 << false;
        QTest::newRow("NaN edge") << qQNaN() << 1.0 << false;
        QTest::newRow("infinite edge") << 0.0 << inf << false;
    }
    void isUsableSpan()
    {
        QFETCH(double, low);
        QFETCH(double, high);
        QFETCH(bool, usable);
        QCOMPARE(Numeric::IsUsableSpan(low, high), usable);
    }
};

QTEST_APPLESS_MAIN(tst_Numeric)
#include "tst_numeric.moc"
