#include "GridFilterExpression.h"

#include <optional>

namespace {

bool isBlankOrControl(QChar c)
{
    return c.unicode() <= u' ';
}

// Only A to Z: the operators are ASCII words, and a folded non-ASCII letter must not turn
// an unknown operator into a known one.
QString lowerAsciiLetters(QStringView text)
{
    QString lowered = text.toString();
    for (QChar& c : lowered) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    }
    return lowered;
}

// The operator is trimmed, not stripped of inner blanks: "like or" is no operator. The
// expressions come from program code, never from an operator's keyboard, so a blank inside
// an operator is a fault to be seen, not a spelling to be forgiven.
std::optional<TGridFieldFilter> conditionFor(QStringView op)
{
    const QString lowered = lowerAsciiLetters(op);
    TGridFieldFilter condition;
    if (lowered == u"=")
        condition.test = FilterTest::Equal;
    else if (lowered == u"<>")
        condition.test = FilterTest::NotEqual;
    else if (lowered == u">")
        condition.test = FilterTest::Greater;
    else if (lowered == u"<")
        condition.test = FilterTest::Less;
    else if (lowered == u"like")
        condition.test = FilterTest::Like;
    else if (lowered == u"likeor") {
        condition.test = FilterTest::Like;
        condition.link = FilterLink::Or;
    } else
        return std::nullopt;
    return condition;
}

int columnNamed(const QStringList& headers, QStringView name)
{
    for (int column = 1; column < headers.size(); ++column) {
        if (headers.at(column) == name)
            return column;
    }
    return 0;
}

} // namespace

QStringView trimBlanksAndControls(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlankOrControl(text[begin]))
        ++begin;
    while (end > begin && isBlankOrControl(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

ParsedFilter ParseFilter(QStringView expression, const QStringList& headers)
{
    const ParsedFilter invalid{FilterParse::Invalid, {}};
    QStringView s = trimBlanksAndControls(expression);
    if (s.isEmpty())
        return invalid;
    TGridRowFilter filter;
    while (!s.isEmpty()) {
        const qsizetype open = s.indexOf(u'[');
        if (open < 0)
            return invalid;
        s = s.sliced(open + 1);
        const qsizetype close = s.indexOf(u']');
        if (close < 0)
            return invalid;
        const QStringView name = s.first(close);
        s = trimBlanksAndControls(s.sliced(close + 1));
        const int column = name.isEmpty() ? 0 : columnNamed(headers, name);
        if (column == 0)
            return invalid;

        const qsizetype quote = s.indexOf(u'"');
        if (quote < 0)
            return invalid;
        const QStringView op = trimBlanksAndControls(s.first(quote));
        s = s.sliced(quote + 1);
        const qsizetype endQuote = s.indexOf(u'"');
        if (endQuote < 0)
            return invalid;
        const QStringView value = s.first(endQuote);
        s = trimBlanksAndControls(s.sliced(endQuote + 1));

        std::optional<TGridFieldFilter> condition = conditionFor(op);
        if (!condition)
            return invalid;
        condition->column = column;
        condition->value = value.toString();
        filter.conditions.push_back(std::move(*condition));
        if (int(filter.conditions.size()) > MaxFilterConditions)
            break;
    }
    return acceptFilter(std::move(filter));
}

ParsedFilter acceptFilter(TGridRowFilter filter)
{
    if (filter.conditions.empty())
        return {FilterParse::Invalid, {}};
    if (int(filter.conditions.size()) > MaxFilterConditions)
        return {FilterParse::TooComplex, {}};
    // The last condition always closes the group it may have opened.
    filter.conditions.back().link = FilterLink::And;
    return {FilterParse::Parsed, std::move(filter)};
}

bool cellPasses(FilterTest test, QStringView cell, QStringView value)
{
    switch (test) {
    case FilterTest::Equal:
        return cell == value;
    case FilterTest::NotEqual:
        return cell != value;
    case FilterTest::Greater:
        return cell.compare(value, Qt::CaseSensitive) > 0;
    case FilterTest::Less:
        return cell.compare(value, Qt::CaseSensitive) < 0;
    case FilterTest::Like:
        return !value.isEmpty() && cell.contains(value, Qt::CaseInsensitive);
    }
    return false;
}
