#include "FilterBarConditions.h"

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

void appendBox(TGridRowFilter& filter, int column, QStringView text)
{
    const qsizetype dot = text.indexOf(Dot);
    if (dot < 0) {
        filter.conditions.push_back({FilterTest::Like, column, text.toString(), FilterLink::And});
        return;
    }
    filter.conditions.push_back(
        {FilterTest::Like, column, text.first(dot).toString(), FilterLink::Or});
    filter.conditions.push_back(
        {FilterTest::Like, column, text.sliced(dot + 1).toString(), FilterLink::And});
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

std::optional<TGridRowFilter> filterBarConditions(const FilterBarState& bar)
{
    TGridRowFilter filter;
    for (int i = 0; i < FilterBoxCount; ++i) {
        const FilterBox& box = bar.boxes[i];
        const QStringView stripped = trimBlanksAndControls(box.text);
        if (!box.ticked || stripped.isEmpty())
            continue;
        if (stripped.contains(Quote))
            return std::nullopt;
        appendBox(filter, DefinitionColumn::Pcu + i, withFirstDotOnly(stripped));
    }
    if (bar.hideExceptions)
        filter.conditions.push_back({FilterTest::Equal, DefinitionColumn::Alarm,
                                     QString::fromUtf16(LocationRowAlarmMarker), FilterLink::And});
    if (bar.onlyUnassigned)
        filter.conditions.push_back(
            {FilterTest::Equal, DefinitionColumn::ZelAlarm, QString(), FilterLink::And});
    return filter;
}
