#include "ui/TGridFilter.h"

#include <QTableWidget>

#include <QTest>

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

} // namespace

class TstGridFilterComponent : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void setFilterOnlyHidesAndResetShowsAll();
    void tooComplexIsToldOnceAndHidesNothing();
    void withoutGridNothingHappens();
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

QTEST_MAIN(TstGridFilterComponent)
#include "tst_gridfiltercomponent.moc"
