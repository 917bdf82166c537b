#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

// The filter expression language of the grids: a sequence of conditions
// [column header] operator "value", all of which must hold, except that conditions written
// with LIKEOR form an OR group with the condition that follows them. Text outside the
// conditions is a mere separator. Parsing and testing work on cell texts only, so the
// language is the same for any grid that binds it.

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

// One parsed condition.
struct TGridFieldFilter
{
    FilterTest test = FilterTest::Equal;
    int column = 0; // 1 or more: column 0 is never addressed
    QString value;
    FilterLink link = FilterLink::And;
};

// The parsed filter: the conditions in the order written.
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
    Invalid,    // a syntax error, an unknown column or operator, or an empty expression
    TooComplex, // more than MaxFilterConditions conditions
};

struct ParsedFilter
{
    FilterParse outcome = FilterParse::Invalid;
    TGridRowFilter filter; // empty unless parsed
};

// Text without the leading and trailing blanks and control characters.
QStringView trimBlanksAndControls(QStringView text);

// headers: the header text of every column, by column number. A column name matches the
// first header from column 1 on that equals it exactly.
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
