// Tables whose rows carry a result as it came out and as it should be: the _data function computes,
// the test function compares, item by item where a result lists items separated by "|".
#ifndef TESTROWS_H
#define TESTROWS_H

#include <QtTest>

inline void addResultColumns() { QTest::addColumn<QString>("actual"); QTest::addColumn<QString>("expected"); }

inline void compareResults()
{
    QFETCH(QString, actual);
    QFETCH(QString, expected);
    QCOMPARE(actual.split(QLatin1Char('|')), expected.split(QLatin1Char('|')));
}

#endif // TESTROWS_H
