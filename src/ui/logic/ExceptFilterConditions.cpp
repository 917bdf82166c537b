#include "ExceptFilterConditions.h"

std::optional<TGridRowFilter> exceptFilterConditions(const ExceptFilterBox& code,
                                                     const ExceptFilterBox& text)
{
    TGridRowFilter filter;
    for (const ExceptFilterBox* box : {&code, &text}) {
        const QStringView stripped = trimBlanksAndControls(box->text);
        if (!box->ticked || stripped.isEmpty())
            continue;
        if (stripped.contains(u'"'))
            return std::nullopt;
        filter.conditions.push_back(
            {FilterTest::Like, box->column, stripped.toString(), FilterLink::And});
    }
    return filter;
}
