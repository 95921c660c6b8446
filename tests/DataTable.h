// Columns of a QtTest data table declared and fetched in one line each, not one line per column.
#ifndef DATATABLE_H
#define DATATABLE_H

#include <QtTest>

#include <tuple>

/// columns<QSize, int>("size", "count") in a _data() slot ...
template <typename... Column, typename... Name>
void columns(Name... names)
{
    static_assert(sizeof...(Column) == sizeof...(Name));
    (QTest::addColumn<Column>(names), ...);
}

/// ... and const auto [size, count] = fetch<QSize, int>("size", "count") in its test, as QFETCH does.
template <typename... Column, typename... Name>
std::tuple<Column...> fetch(Name... names)
{
    static_assert(sizeof...(Column) == sizeof...(Name));
    return {*static_cast<Column*>(QTest::qData(names, qMetaTypeId<Column>()))...};
}

/// "a|b|c" as {"a", "b", "c"}: a row's expected texts in one literal; "" is none.
inline QStringList list(const char* items)
{
    return QString::fromUtf8(items).split(QLatin1Char('|'), Qt::SkipEmptyParts);
}

#endif // DATATABLE_H
