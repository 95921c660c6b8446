// Tests of CRDMatrixData: reading items by index, the shortened label and the blink index.
#include "CRDMatrixData.h"

#include <QtTest>

#include <climits>

using namespace KelmFramework;

namespace
{

CRDMatrixData threeItems()
{
    CRDMatrixData data;
    data.AppendMatrixItem(0, QStringLiteral("first tip"), QStringLiteral("A"));
    data.AppendMatrixItem(-7, QStringLiteral("second tip"), QStringLiteral("BB"));
    data.AppendMatrixItem(5, QStringLiteral("third tip"), QStringLiteral("CCCCC"));
    data.m_iBlinkIndex = 2;
    return data;
}

void compareItems(const CRDMatrixData& actual, const CRDMatrixData& expected)
{
    QCOMPARE(actual.Size(), expected.Size());
    for (long i = 0; i < expected.Size(); ++i) {
        QCOMPARE(actual.State(i), expected.State(i));
        QCOMPARE(actual.ToolTip(i), expected.ToolTip(i));
        QCOMPARE(actual.Label(i), expected.Label(i));
    }
    QCOMPARE(actual.m_iBlinkIndex, expected.m_iBlinkIndex);
}

} // namespace

class tst_CRDMatrixData : public QObject
{
    Q_OBJECT

private slots:
    void emptyObject();
    void itemsKeepAppendOrder();
    void indexNamingNoItem_data();
    void indexNamingNoItem();
    void label_data();
    void label();
    void toolTipIsNeverShortened();
    void clearRemovesItemsAndBlink();
    void copyCarriesItemsAndBlink();
    void assignmentReplacesItemsAndBlink();
    void selfAssignmentKeepsEverything();
};

void tst_CRDMatrixData::emptyObject()
{
    const CRDMatrixData data;
    QCOMPARE(data.Size(), 0L);
    QCOMPARE(data.m_iBlinkIndex, -1L);
    QCOMPARE(data.State(0), short(-1));
    QVERIFY(data.ToolTip(0).isNull());
    QVERIFY(data.Label(0).isNull());
}

void tst_CRDMatrixData::itemsKeepAppendOrder()
{
    const CRDMatrixData data = threeItems();
    QCOMPARE(data.Size(), 3L);
    QCOMPARE(data.State(0), short(0));
    QCOMPARE(data.State(1), short(-7));
    QCOMPARE(data.State(2), short(5));
    // The first text is the tool tip, the second the label.
    QCOMPARE(data.ToolTip(2), QStringLiteral("third tip"));
    QCOMPARE(data.Label(2), QStringLiteral("CCCC"));
    QCOMPARE(data.Label(1), QStringLiteral("BB"));
}

void tst_CRDMatrixData::indexNamingNoItem_data()
{
    QTest::addColumn<long>("index");
    QTest::newRow("one past the end") << 3L;
    QTest::newRow("minus one") << -1L;
    QTest::newRow("far past the end") << 1000000L;
    QTest::newRow("most negative") << LONG_MIN;
    QTest::newRow("largest") << LONG_MAX;
}

void tst_CRDMatrixData::indexNamingNoItem()
{
    QFETCH(long, index);
    const CRDMatrixData data = threeItems();
    QCOMPARE(data.State(index), short(-1));
    QVERIFY(data.ToolTip(index).isNull());
    QVERIFY(data.Label(index).isNull());
}

void tst_CRDMatrixData::label_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("five characters lose the fifth") << QStringLiteral("ABCDE") << QStringLiteral("ABCD");
    QTest::newRow("exactly four stay whole") << QStringLiteral("WXYZ") << QStringLiteral("WXYZ");
    QTest::newRow("one character") << QStringLiteral("x") << QStringLiteral("x");
    QTest::newRow("empty stays empty") << QString() << QString();
    QTest::newRow("ten thousand characters") << QString(10000, QLatin1Char('q')) << QStringLiteral("qqqq");
    // Counted in UTF-16 units: the fourth unit is the first half of a surrogate pair.
    QTest::newRow("surrogate pair cut in UTF-16 units")
        << (QStringLiteral("abc") + QString::fromUcs4(U"\U0001F600")) << (QStringLiteral("abc") + QChar(0xD83D));
}

void tst_CRDMatrixData::label()
{
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    CRDMatrixData data;
    data.AppendMatrixItem(1, QStringLiteral("tip"), stored);
    QCOMPARE(data.Label(0), shown);
    // Reading shortens a copy; the stored label stays whole for the next reader.
    QCOMPARE(data.Label(0), shown);
    QCOMPARE(data.m_vecItems.front().m_strLabel, stored);
}

void tst_CRDMatrixData::toolTipIsNeverShortened()
{
    const QString longTip(10000, QLatin1Char('t'));
    CRDMatrixData data;
    data.AppendMatrixItem(0, longTip, QStringLiteral("L"));
    QCOMPARE(data.ToolTip(0), longTip);
}

void tst_CRDMatrixData::clearRemovesItemsAndBlink()
{
    CRDMatrixData data = threeItems();
    data.Clear();
    QCOMPARE(data.Size(), 0L);
    QCOMPARE(data.m_iBlinkIndex, -1L);
    QCOMPARE(data.State(0), short(-1));
    data.AppendMatrixItem(4, QStringLiteral("again"), QStringLiteral("new"));
    QCOMPARE(data.Size(), 1L);
    QCOMPARE(data.State(0), short(4)); // a cleared object takes new items from index 0
}

void tst_CRDMatrixData::copyCarriesItemsAndBlink()
{
    const CRDMatrixData source = threeItems();
    const CRDMatrixData copy(source);
    compareItems(copy, source);

    CRDMatrixData emptyBlinking;
    emptyBlinking.m_iBlinkIndex = 42; // never checked against the item count
    QCOMPARE(CRDMatrixData(emptyBlinking).m_iBlinkIndex, 42L);
}

void tst_CRDMatrixData::assignmentReplacesItemsAndBlink()
{
    const CRDMatrixData source = threeItems();
    CRDMatrixData target;
    for (int i = 0; i < 5; ++i)
        target.AppendMatrixItem(9, QStringLiteral("old"), QStringLiteral("old"));
    target.m_iBlinkIndex = 4;

    CRDMatrixData& result = (target = source);
    QCOMPARE(&result, &target);
    compareItems(target, source); // the five old items are gone, not kept behind the new ones

    target = CRDMatrixData();
    QCOMPARE(target.Size(), 0L);
    QCOMPARE(target.m_iBlinkIndex, -1L);
}

void tst_CRDMatrixData::selfAssignmentKeepsEverything()
{
    CRDMatrixData data = threeItems();
    const CRDMatrixData before(data);
    CRDMatrixData& alias = data;
    CRDMatrixData& result = (data = alias);
    QCOMPARE(&result, &data);
    compareItems(data, before);
}

QTEST_APPLESS_MAIN(tst_CRDMatrixData)
#include "tst_crdmatrixdata.moc"
