// Tests of the numeric guards that every conversion between doubles, device longs and painter ints uses.
#include "DataTable.h"
#include "RDNumeric_p.h"

#include <QtTest>

#include <cmath>

using namespace KelmFramework;

namespace
{
const double twoTo63 = 9223372036854775808.0;
const int paintLimit = 1 << 30;
} // namespace

class tst_Numeric : public QObject
{
    Q_OBJECT

private slots:
    // A double as a device long (truncated; LONG_MIN where it has none) and as an event's pixel (rounded
    // half up, saturated to the painter range).
    void toDevice_data()
    {
        columns<double, long, int>("value", "device", "pixel");
        QTest::newRow("1.5: truncated down, rounded up") << 1.5 << 1L << 2;
        QTest::newRow("-1.5: truncated and rounded up") << -1.5 << -1L << -1;
        QTest::newRow("2^31, beyond int") << 2147483648.0 << 2147483648L << paintLimit;
        QTest::newRow("largest below 2^63") << std::nextafter(twoTo63, 0.0) << 9223372036854774784L << paintLimit;
        QTest::newRow("2^63, beyond long") << twoTo63 << LONG_MIN << -paintLimit;
        QTest::newRow("NaN") << qQNaN() << LONG_MIN << -paintLimit;
    }
    void toDevice()
    {
        const auto [value, device, pixel] = fetch<double, long, int>("value", "device", "pixel");
        QCOMPARE(Numeric::TruncToDevice(value), device);
        QCOMPARE(Numeric::TruncToDevicePortable(value), device); // the fast path and the portable one agree
        QCOMPARE(Numeric::RoundToPixels(QPointF(value, 0)), QPoint(pixel, 0));
    }

    // One pair of longs through each guard that takes two: a painter sum, a span and a difference.
    void pairs_data()
    {
        columns<long, long, int, long, double>("a", "b", "narrowSum", "intSpan", "difference");
        QTest::newRow("a marker corner") << 50L << -3L << 47 << 53L << -53.0;
        QTest::newRow("an offset from a saturated base")
            << LONG_MAX << -5L << paintLimit - 5 << long(INT_MAX) + 5 << -9223372036854775812.0;
        QTest::newRow("beyond int") << 0L << (1L << 40) << paintLimit << long(INT_MAX) << 1099511627776.0;
        QTest::newRow("LONG_MIN and LONG_MAX") << LONG_MIN << LONG_MAX << 0 << 4294967295L << 18446744073709551616.0;
        QTest::newRow("both at LONG_MIN") << LONG_MIN << LONG_MIN << -paintLimit << 0L << 0.0;
    }
    void pairs()
    {
        const auto [a, b, narrowSum, intSpan,
                    difference] = fetch<long, long, int, long, double>("a", "b", "narrowSum", "intSpan", "difference");
        QCOMPARE(Numeric::NarrowSum(a, b), narrowSum);
        QCOMPARE(Numeric::IntSpan(a, b), intSpan);
        QCOMPARE(Numeric::Difference(a, b), difference);
    }

    void fitToPaintRange_data()
    {
        const long far = 1L << 40, limit = paintLimit;
        columns<QVector<long>, bool, QVector<long>>("segment", "kept", "fitted");
        QTest::newRow("inside: untouched") << QVector<long>{-5, 7, 100, 200} << true << QVector<long>{-5, 7, 100, 200};
        QTest::newRow("slanted far end keeps its direction")
            << QVector<long>{0, 0, 4 * far, 2 * far} << true << QVector<long>{0, 0, limit, limit / 2};
        QTest::newRow("LONG_MIN to LONG_MAX")
            << QVector<long>{LONG_MIN + 1, 0, LONG_MAX, 0} << true << QVector<long>{-limit, 0, limit, 0};
        QTest::newRow("wholly beyond the range: dropped, untouched")
            << QVector<long>{far, 0, 2 * far, 10} << false << QVector<long>{far, 0, 2 * far, 10};
    }
    void fitToPaintRange()
    {
        auto [segment, kept, fitted] = fetch<QVector<long>, bool, QVector<long>>("segment", "kept", "fitted");
        QCOMPARE(Numeric::FitToPaintRange(segment[0], segment[1], segment[2], segment[3]), kept);
        QCOMPARE(segment, fitted);
    }

    void isUsableSpan_data()
    {
        columns<double, double, bool>("low", "high", "usable");
        QTest::newRow("tiny but normal") << 1.0 << 1.0 + 1e-12 << true;
        QTest::newRow("4e307: the scale is still normal") << 0.0 << 4e307 << true;
        QTest::newRow("5e307: the scale turns denormal") << 0.0 << 5e307 << false;
        QTest::newRow("the span overflows") << -1e308 << 1e308 << false;
        QTest::newRow("denormal span") << 0.0 << DBL_TRUE_MIN << false;
        QTest::newRow("zero") << 5.0 << 5.0 << false;
        QTest::newRow("crossed") << 5.0 << 4.0 << false;
        QTest::newRow("NaN edge") << qQNaN() << 1.0 << false;
    }
    void isUsableSpan()
    {
        const auto [low, high, usable] = fetch<double, double, bool>("low", "high", "usable");
        QCOMPARE(Numeric::IsUsableSpan(low, high), usable);
    }
};

QTEST_APPLESS_MAIN(tst_Numeric)
#include "tst_numeric.moc"
