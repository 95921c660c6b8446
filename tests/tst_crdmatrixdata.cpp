// Tests of CRDMatrixData: reading items by index, the shortened label and the blink index.
#include "CRDMatrixData.h"

#include <QtTest>

#include <climits>
#include <optional>

using namespace KelmFramework;

Q_DECLARE_METATYPE(KelmFramework::CRDMatrixData)

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

} // namespace

class tst_CRDMatrixData : public QObject
{
    Q_OBJECT

private slots:
    void itemsKeepAppendOrder();
    void indexNamingNoItem_data();
    void indexNamingNoItem();
    void label_data();
    void label();
    void blinkIndexTravelsWithItems_data();
    void blinkIndexTravelsWithItems();
};

void tst_CRDMatrixData::itemsKeepAppendOrder()
{
    const CRDMatrixData data = threeItems();
    QCOMPARE(data.Size(), 3L);
    QCOMPARE(data.State(1), short(-7));
    QCOMPARE(data.State(2), short(5));
    // The first text is the tool tip, the second the label.
    QCOMPARE(data.ToolTip(2), QStringLiteral("third tip"));
    QCOMPARE(data.Label(2), QStringLiteral("CCCC"));
}

void tst_CRDMatrixData::indexNamingNoItem_data()
{
    QTest::addColumn<CRDMatrixData>("data");
    QTest::addColumn<long>("index");
    QTest::newRow("new object") << CRDMatrixData() << 0L;
    QTest::newRow("one past the end") << threeItems() << 3L;
    QTest::newRow("minus one") << threeItems() << -1L;
    QTest::newRow("most negative") << threeItems() << LONG_MIN;
    QTest::newRow("largest") << threeItems() << LONG_MAX;
}

void tst_CRDMatrixData::indexNamingNoItem()
{
    QFETCH(CRDMatrixData, data);
    QFETCH(long, index);
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
    data.AppendMatrixItem(1, stored, stored);
    QCOMPARE(data.Label(0), shown);
    QCOMPARE(data.ToolTip(0), stored); // never shortened
    // Reading shortens a copy; the stored label stays whole for the next reader.
    QCOMPARE(data.Label(0), shown);
    QCOMPARE(data.m_vecItems.front().m_strLabel, stored);
}

enum Operation { Copy, AssignOverOthers, SelfAssign, Clear };

void tst_CRDMatrixData::blinkIndexTravelsWithItems_data()
{
    QTest::addColumn<int>("operation");
    QTest::addColumn<long>("size");
    QTest::addColumn<long>("blink");
    QTest::newRow("copy construction") << int(Copy) << 3L << 2L;
    QTest::newRow("assignment drops the target's items") << int(AssignOverOthers) << 3L << 2L;
    QTest::newRow("self-assignment keeps everything") << int(SelfAssign) << 3L << 2L;
    QTest::newRow("clear") << int(Clear) << 0L << -1L;
}

void tst_CRDMatrixData::blinkIndexTravelsWithItems()
{
    QFETCH(int, operation);
    QFETCH(long, size);
    QFETCH(long, blink);
    const CRDMatrixData source = threeItems();
    std::optional<CRDMatrixData> target;
    if (operation == Copy) {
        target.emplace(source);
    } else {
        target.emplace();
        for (int i = 0; i < 5; ++i)
            target->AppendMatrixItem(9, QStringLiteral("old"), QStringLiteral("old"));
        target->m_iBlinkIndex = 4;
        QCOMPARE(&(*target = source), &*target);
        if (operation == SelfAssign) {
            const CRDMatrixData& alias = *target;
            QCOMPARE(&(*target = alias), &*target);
        } else if (operation == Clear) {
            target->Clear();
        }
    }
    const CRDMatrixData& result = *target;
    QCOMPARE(result.Size(), size);
    QCOMPARE(result.m_iBlinkIndex, blink);
    for (long i = 0; i < size; ++i) {
        QCOMPARE(result.State(i), source.State(i));
        QCOMPARE(result.ToolTip(i), source.ToolTip(i));
        QCOMPARE(result.Label(i), source.Label(i));
    }
}

QTEST_APPLESS_MAIN(tst_CRDMatrixData)
#include "tst_crdmatrixdata.moc"
