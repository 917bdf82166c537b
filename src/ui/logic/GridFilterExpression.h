#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

// The filter of the grids: a list of conditions (column, test, value), all of which must hold,
// except that conditions linked with OR form an OR group with the condition that follows them.
// The filter bars build the conditions directly. The expression language, [column header]
// operator "value" with LIKEOR for the OR link and any text between conditions a mere
// separator, is parsed into the same conditions. Testing works on cell texts only, so the
// filter is the same for any grid that binds it.

// What a condition tests of a cell against its value.
enum class FilterTest
{
    Equal,    // "="
    NotEqual, // "<>"
    Greater,  // ">"
    Less,     // "<"
    Like,     // "like" and "likeor"
};

enum class FilterLink
{
    And,
    Or, // written with LIKEOR: opens or continues an OR group
};

// One condition.
struct TGridFieldFilter
{
    FilterTest test = FilterTest::Equal;
    int column = 0; // 1 or more: column 0 is never addressed
    QString value;
    FilterLink link = FilterLink::And;

    friend bool operator==(const TGridFieldFilter&, const TGridFieldFilter&) = default;
};

// The filter: the conditions in the order they are tested.
struct TGridRowFilter
{
    std::vector<TGridFieldFilter> conditions;
};

// More conditions than this make a filter too complex to apply.
inline constexpr int MaxFilterConditions = 9;

// The one message an operator sees about a filter, in every language.
inline constexpr char16_t FilterTooComplexMessage[] = u"Filter too complex";

enum class FilterParse
{
    Parsed,
    Invalid,    // no condition, or a syntax error, an unknown column or operator
    TooComplex, // more than MaxFilterConditions conditions
};

struct ParsedFilter
{
    FilterParse outcome = FilterParse::Invalid;
    TGridRowFilter filter; // empty unless parsed
};

// Text without the leading and trailing blanks and control characters.
QStringView trimBlanksAndControls(QStringView text);

// The rule every filter obeys, however its conditions were made: at least one condition and
// no more than MaxFilterConditions; the last condition closes the OR group it may have opened.
// Conditions whose column is not a data column are the caller's to refuse (the grid knows its
// columns).
ParsedFilter acceptFilter(TGridRowFilter filter);

// headers: the header text of every column, by column number. A column name matches the
// first header from column 1 on that equals it exactly. Parsing stops at the first condition
// beyond the limit: what follows it is not read.
ParsedFilter ParseFilter(QStringView expression, const QStringList& headers);

// The test of one cell. "like" ignores the case of every letter, not only of A to Z, and an
// empty value never matches; ">" and "<" compare text character by character, so "10" sorts
// before "9".
bool cellPasses(FilterTest test, QStringView cell, QStringView value);

// Whether one row passes; cellText(column) gives the row's text in that column (a QString or
// QStringView). Stops at the first condition or group that fails.
template <typename CellText> bool rowPasses(const TGridRowFilter& filter, const CellText& cellText)
{
    bool groupOpen = false;
    bool groupResult = false;
    for (const TGridFieldFilter& condition : filter.conditions) {
        const bool passed = cellPasses(condition.test, cellText(condition.column), condition.value);
        if (condition.link == FilterLink::Or) {
            groupResult = (groupOpen && groupResult) || passed;
            groupOpen = true;
            continue;
        }
        // Closing a group: it holds when any of its conditions did.
        const bool holds = groupOpen ? groupResult || passed : passed;
        groupOpen = false;
        groupResult = false;
        if (!holds)
            return false;
    }
    return true;
}
