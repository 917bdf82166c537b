#include "ui/TGridFilter.h"

#include <QTableWidget>

#include <QTest>

#include <array>
#include <memory>

namespace {

// A grid of one column named "Name", with a blank column 0 as the definitions grid has.
std::unique_ptr<QTableWidget> grid(std::initializer_list<const char*> names)
{
    auto table = std::make_unique<QTableWidget>(int(names.size()), 2);
    table->setHorizontalHeaderLabels({QString(), QStringLiteral("Name")});
    int row = 0;
    for (const char* name : names)
        table->setItem(row++, 1, new QTableWidgetItem(QString::fromUtf8(name)));
    return table;
}

QString visible(const QTableWidget& table)
{
    QString rows;
    for (int row = 0; row < table.rowCount(); ++row) {
        if (!table.isRowHidden(row))
            rows += table.item(row, 1)->text();
    }
    return rows;
}

QString conditions(int count)
{
    QString expression;
    for (int i = 0; i < count; ++i)
        expression += QStringLiteral("[Name] <> \"z\" ");
    return expression;
}

// Two data columns whose headers hold what the filter language reads as its own syntax, and
// the same text twice: only a condition that names its column by number can address them.
std::unique_ptr<QTableWidget> awkwardGrid()
{
    const QStringList headers{QString(), QStringLiteral("Naam] LIKE \"x"),
                              QStringLiteral("Naam] LIKE \"x")};
    const std::array<std::pair<const char*, const char*>, 3> rows{
        {{"kas", "hoog"}, {"kas", "laag"}, {"gang", "hoog"}}};
    auto table = std::make_unique<QTableWidget>(int(rows.size()), 3);
    table->setHorizontalHeaderLabels(headers);
    int row = 0;
    for (const auto& [first, second] : rows) {
        table->setItem(row, 1, new QTableWidgetItem(QString::fromUtf8(first)));
        table->setItem(row, 2, new QTableWidgetItem(QString::fromUtf8(second)));
        ++row;
    }
    return table;
}

// The visible rows by number, e.g. "02".
QString visibleRows(const QTableWidget& table)
{
    QString rows;
    for (int row = 0; row < table.rowCount(); ++row) {
        if (!table.isRowHidden(row))
            rows += QString::number(row);
    }
    return rows;
}

TGridFieldFilter like(int column, const char* value, FilterLink link = FilterLink::And)
{
    return {FilterTest::Like, column, QString::fromUtf8(value), link};
}

TGridRowFilter repeatedConditions(int count)
{
    TGridRowFilter filter;
    for (int i = 0; i < count; ++i)
        filter.conditions.push_back(
            {FilterTest::NotEqual, 1, QStringLiteral("z"), FilterLink::And});
    return filter;
}

} // namespace

Q_DECLARE_METATYPE(TGridRowFilter)
Q_DECLARE_METATYPE(FilterParse)

class TstGridFilterComponent : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void setFilterOnlyHidesAndResetShowsAll();
    void tooComplexIsToldOnceAndHidesNothing();
    void withoutGridNothingHappens();
    void conditionsAddressColumnsByNumber_data();
    void conditionsAddressColumnsByNumber();
    void conditionsBeyondTheLimitAreTooComplex();
};

void TstGridFilterComponent::setFilterOnlyHidesAndResetShowsAll()
{
    const auto table = grid({"a", "b", "c", "d"});
    TGridFilter filter;
    filter.setGrid(table.get());

    QCOMPARE(filter.SetFilter(QStringLiteral("[Name] <> \"a\"")), FilterParse::Parsed);
    QCOMPARE(visible(*table), QStringLiteral("bcd"));
    // A second filter never shows a row again: the hidden rows are the union.
    QCOMPARE(filter.SetFilter(QStringLiteral("[Name] > \"b\"")), FilterParse::Parsed);
    QCOMPARE(visible(*table), QStringLiteral("cd"));
    // A filter that does not parse leaves the rows as they are.
    QCOMPARE(filter.SetFilter(QStringLiteral("[name] = \"c\"")), FilterParse::Invalid);
    QCOMPARE(visible(*table), QStringLiteral("cd"));

    filter.ResetFilter();
    QCOMPARE(visible(*table), QStringLiteral("abcd"));
}

void TstGridFilterComponent::tooComplexIsToldOnceAndHidesNothing()
{
    const auto table = grid({"a", "z"});
    TGridFilter filter;
    filter.setGrid(table.get());
    QStringList messages;
    filter.setMessageHandler([&messages](const QString& text) { messages << text; });

    QCOMPARE(filter.SetFilter(conditions(9)), FilterParse::Parsed);
    QCOMPARE(visible(*table), QStringLiteral("a"));
    QVERIFY(messages.isEmpty());

    filter.ResetFilter();
    QCOMPARE(filter.SetFilter(conditions(10)), FilterParse::TooComplex);
    QCOMPARE(visible(*table), QStringLiteral("az"));
    QCOMPARE(messages, QStringList{QStringLiteral("Filter too complex")});

    QCOMPARE(filter.SetFilter(conditions(10), TGridFilter::Notice::Silent),
             FilterParse::TooComplex);
    QCOMPARE(messages.size(), 1);
}

void TstGridFilterComponent::withoutGridNothingHappens()
{
    TGridFilter filter;
    int messages = 0;
    filter.setMessageHandler([&messages](const QString&) { ++messages; });
    filter.ResetFilter();
    QCOMPARE(filter.SetFilter(conditions(10)), FilterParse::Invalid);
    QCOMPARE(messages, 0);

    // The grid is only referred to: a grid that goes away leaves the filter without one.
    auto table = grid({"a"});
    filter.setGrid(table.get());
    table.reset();
    QCOMPARE(filter.Grid(), nullptr);
    QCOMPARE(filter.SetFilter(QStringLiteral("[Name] = \"b\"")), FilterParse::Invalid);
}

void TstGridFilterComponent::conditionsAddressColumnsByNumber_data()
{
    QTest::addColumn<TGridRowFilter>("filter");
    QTest::addColumn<FilterParse>("outcome");
    QTest::addColumn<QString>("visible");

    const auto ok = FilterParse::Parsed;
    const auto invalid = FilterParse::Invalid;
    QTest::newRow("first of two equal headers") << TGridRowFilter{{like(1, "kas")}} << ok << "01";
    QTest::newRow("second of two equal headers") << TGridRowFilter{{like(2, "HOOG")}} << ok << "02";
    QTest::newRow("both columns") << TGridRowFilter{{like(1, "kas"), like(2, "hoog")}} << ok << "0";
    QTest::newRow("an OR group over the two columns")
        << TGridRowFilter{{like(1, "gang", FilterLink::Or), like(2, "laag")}} << ok << "12";
    QTest::newRow("an open group at the end is closed")
        << TGridRowFilter{{like(1, "kas"), like(2, "laag", FilterLink::Or)}} << ok << "1";
    QTest::newRow("a value holding quotes and brackets is only a value")
        << TGridRowFilter{{like(1, "\" [Naam] LIKE \"")}} << ok << "";
    QTest::newRow("no conditions") << TGridRowFilter{} << invalid << "012";
    QTest::newRow("column 0 is never addressed")
        << TGridRowFilter{{like(1, "kas"), like(0, "")}} << invalid << "012";
    QTest::newRow("a column the grid does not have")
        << TGridRowFilter{{like(3, "kas")}} << invalid << "012";
}

// The conditions of the filter bars reach the grid as values: a header that the expression
// language cannot name (it holds "]" and quotes, or two columns share it) is no obstacle.
void TstGridFilterComponent::conditionsAddressColumnsByNumber()
{
    QFETCH(TGridRowFilter, filter);
    QFETCH(FilterParse, outcome);
    QFETCH(QString, visible);

    const auto table = awkwardGrid();
    TGridFilter gridFilter;
    gridFilter.setGrid(table.get());
    int messages = 0;
    gridFilter.setMessageHandler([&messages](const QString&) { ++messages; });

    QCOMPARE(gridFilter.SetFilter(filter), outcome);
    QCOMPARE(visibleRows(*table), visible);
    QCOMPARE(messages, 0);
}

// The limit is a rule on conditions, however they were made.
void TstGridFilterComponent::conditionsBeyondTheLimitAreTooComplex()
{
    const auto table = grid({"a", "z"});
    TGridFilter filter;
    filter.setGrid(table.get());
    QStringList messages;
    filter.setMessageHandler([&messages](const QString& text) { messages << text; });

    QCOMPARE(filter.SetFilter(repeatedConditions(MaxFilterConditions)), FilterParse::Parsed);
    QCOMPARE(visible(*table), QStringLiteral("a"));
    QVERIFY(messages.isEmpty());

    filter.ResetFilter();
    QCOMPARE(filter.SetFilter(repeatedConditions(MaxFilterConditions + 1)),
             FilterParse::TooComplex);
    QCOMPARE(visible(*table), QStringLiteral("az"));
    QCOMPARE(messages, QStringList{QStringLiteral("Filter too complex")});

    QCOMPARE(
        filter.SetFilter(repeatedConditions(MaxFilterConditions + 1), TGridFilter::Notice::Silent),
        FilterParse::TooComplex);
    QCOMPARE(messages.size(), 1);
}

QTEST_MAIN(TstGridFilterComponent)
#include "tst_gridfiltercomponent.moc"
