// Tests of the numeric guards that every device conversion goes through.
#include "RDNumeric_p.h"

#include <QtTest>

#include <cmath>
#include <limits>

using namespace KelmFramework;

class tst_Numeric : public QObject
{
    Q_OBJECT

private slots:
    void truncToDevice_data();
    void truncToDevice();
    void narrowing_data();
    void narrowing();
    void fitToPaintRange_data();
    void fitToPaintRange();
    void usableSpan_data();
    void usableSpan();
};

void tst_Numeric::truncToDevice_data()
{
    const double inf = std::numeric_limits<double>::infinity();
    QTest::addColumn<double>("value");
    QTest::addColumn<long>("expected");
    QTest::newRow("truncates toward zero, not floor") << -0.5 << 0L;
    QTest::newRow("49.99 is 49") << 49.99 << 49L;
    QTest::newRow("-49.99 is -49") << -49.99 << -49L;
    QTest::newRow("NaN has no position") << std::nan("") << LONG_MIN;
    QTest::newRow("+inf has no position") << inf << LONG_MIN;
    QTest::newRow("-inf has no position") << -inf << LONG_MIN;
    QTest::newRow("2^63 overflows long") << 9223372036854775808.0 << LONG_MIN;
    QTest::newRow("-2^63 fits but is the failure value") << -9223372036854775808.0 << LONG_MIN;
    QTest::newRow("1e300 overflows long") << 1e300 << LONG_MIN;
    QTest::newRow("largest double below 2^63 fits") << 9223372036854774784.0 << 9223372036854774784L;
    QTest::newRow("denormal is 0") << 4.9e-324 << 0L;
}

void tst_Numeric::truncToDevice()
{
    QFETCH(double, value);
    QFETCH(long, expected);
    QCOMPARE(Numeric::TruncToDevice(value), expected);
}

void tst_Numeric::narrowing_data()
{
    QTest::addColumn<long>("value");
    QTest::addColumn<int>("narrowed");
    QTest::newRow("small values pass") << -1234L << -1234;
    QTest::newRow("at the limit") << (1L << 30) << (1 << 30);
    QTest::newRow("beyond int saturates") << (1L << 40) << (1 << 30);
    QTest::newRow("invalid device value saturates low") << LONG_MIN << -(1 << 30);
}

void tst_Numeric::narrowing()
{
    QFETCH(long, value);
    QFETCH(int, narrowed);
    QCOMPARE(Numeric::NarrowToInt(value), narrowed);
    // Offsets from a saturated base never overflow.
    QVERIFY(Numeric::NarrowSum(value, LONG_MAX) <= (1 << 30));
    QVERIFY(Numeric::NarrowSum(value, LONG_MIN) >= -(1 << 30));
    QCOMPARE(Numeric::IntSpan(LONG_MIN, LONG_MAX), 4294967295L); // narrowed to 32 bits, no overflow
}

void tst_Numeric::fitToPaintRange_data()
{
    const long big = 1L << 40;
    const long limit = 1L << 30;
    QTest::addColumn<QVector<long>>("segment");
    QTest::addColumn<bool>("kept");
    QTest::addColumn<QVector<long>>("expected");
    QTest::newRow("inside is untouched") << QVector<long>{-5, 7, 100, 200} << true << QVector<long>{-5, 7, 100, 200};
    QTest::newRow("far right end is pulled in along the line")
        << QVector<long>{big, 50, 0, 50} << true << QVector<long>{limit, 50, 0, 50};
    QTest::newRow("slanted far end keeps its direction")
        << QVector<long>{0, 0, 4 * big, 2 * big} << true << QVector<long>{0, 0, limit, limit / 2};
    QTest::newRow("wholly beyond the range is dropped")
        << QVector<long>{big, 0, 2 * big, 10} << false << QVector<long>{big, 0, 2 * big, 10};
    QTest::newRow("extreme longs across the range")
        << QVector<long>{LONG_MIN + 1, 0, LONG_MAX, 0} << true << QVector<long>{-limit, 0, limit, 0};
}

void tst_Numeric::fitToPaintRange()
{
    QFETCH(QVector<long>, segment);
    QFETCH(bool, kept);
    QFETCH(QVector<long>, expected);
    long x1 = segment[0], y1 = segment[1], x2 = segment[2], y2 = segment[3];
    QCOMPARE(Numeric::FitToPaintRange(x1, y1, x2, y2), kept);
    if (kept)
        QCOMPARE((QVector<long>{x1, y1, x2, y2}), expected);
}

void tst_Numeric::usableSpan_data()
{
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::addColumn<bool>("usable");
    QTest::newRow("ordinary") << 0.0 << 10.0 << true;
    QTest::newRow("zero span") << 5.0 << 5.0 << false;
    QTest::newRow("inverted") << 5.0 << 4.0 << false;
    QTest::newRow("NaN edge") << std::nan("") << 1.0 << false;
    QTest::newRow("span overflows") << -1e308 << 1e308 << false;
    QTest::newRow("denormal span has no finite scale") << 0.0 << 4.9e-324 << false;
    QTest::newRow("tiny but normal span") << 1.0 << 1.0 + 1e-12 << true;
}

void tst_Numeric::usableSpan()
{
    QFETCH(double, low);
    QFETCH(double, high);
    QFETCH(bool, usable);
    QCOMPARE(Numeric::IsUsableSpan(low, high), usable);
}

QTEST_APPLESS_MAIN(tst_Numeric)
#include "tst_numeric.moc"
