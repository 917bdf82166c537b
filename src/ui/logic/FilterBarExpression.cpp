#include "FilterBarExpression.h"

#include "DefinitionRows.h"
#include "GridFilterExpression.h"

#include <algorithm>

namespace {

constexpr QChar Dot = u'.';
constexpr QChar Quote = u'"';

// The stripped text with every dot after the first removed.
QString withFirstDotOnly(QStringView stripped)
{
    const qsizetype dot = stripped.indexOf(Dot);
    if (dot < 0)
        return stripped.toString();
    QString after = stripped.sliced(dot + 1).toString();
    after.remove(Dot);
    return stripped.first(dot + 1).toString() + after;
}

QString condition(const QString& header, const char* op, QStringView value)
{
    return u'[' + header + u"] " + QLatin1String(op) + u' ' + Quote + value + Quote;
}

QString boxConditions(const QString& header, QStringView text)
{
    const qsizetype dot = text.indexOf(Dot);
    if (dot < 0)
        return condition(header, "LIKE", text);
    return condition(header, "LIKEOR", text.first(dot)) + u' ' +
           condition(header, "LIKE", text.sliced(dot + 1));
}

void appendAnd(QString& expression, const QString& condition)
{
    if (!expression.isEmpty())
        expression += u" AND ";
    expression += condition;
}

} // namespace

std::optional<DotCorrection> correctFilterDots(const QString& boxText, int caret)
{
    const QStringView stripped = trimBlanksAndControls(boxText);
    if (!stripped.contains(Dot))
        return std::nullopt;
    QString corrected = withFirstDotOnly(stripped);
    if (corrected == boxText)
        return std::nullopt;
    const int newCaret = caret <= corrected.size() + 1 ? std::max(0, caret - 1) : 0;
    return DotCorrection{std::move(corrected), newCaret};
}

std::optional<QString> buildFilterExpression(const FilterBarState& bar, const QStringList& headers)
{
    QString expression;
    for (int i = 0; i < FilterBoxCount; ++i) {
        const FilterBox& box = bar.boxes[i];
        const QStringView stripped = trimBlanksAndControls(box.text);
        if (!box.ticked || stripped.isEmpty())
            continue;
        if (stripped.contains(Quote))
            return std::nullopt;
        if (!expression.isEmpty())
            expression += u' ';
        expression += boxConditions(headers.value(i + 1), withFirstDotOnly(stripped));
    }
    if (bar.hideExceptions)
        appendAnd(expression,
                  condition(headers.value(DefinitionColumn::Alarm), "=", LocationRowAlarmMarker));
    if (bar.onlyUnassigned)
        appendAnd(expression, condition(headers.value(DefinitionColumn::ZelAlarm), "=", u""));
    return expression;
}
