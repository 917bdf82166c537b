#pragma once

#include "GridFilterExpression.h"

#include <QString>

#include <array>
#include <optional>

// The filter bar under the definitions grid, as values: five text boxes, each filtering one
// column, and two check boxes. Turned into the conditions of the grid filter.

inline constexpr int FilterBoxCount = 5;

struct FilterBox
{
    bool ticked = false;
    QString text;
};

struct FilterBarState
{
    std::array<FilterBox, FilterBoxCount> boxes; // box i filters column i + 1
    bool hideExceptions = false;                 // only location rows
    bool onlyUnassigned = false;                 // only rows without a ZEL alarm
};

// A box's text after the dot rule, and where its caret goes.
struct DotCorrection
{
    QString text;
    int caret = 0;
};

// A dot in a box is an OR between the text before and after it; only the first dot counts,
// so later ones are removed. The correction also drops the blanks around the text. Nothing
// when the box needs no replacement: no dot, or already the corrected text. The caret moves
// back by one (never before the start), or to the start when it stood beyond the new text.
std::optional<DotCorrection> correctFilterDots(const QString& boxText, int caret);

// The conditions of the filter bar, box 1 to 5 (on columns 1 to 5), then the two check boxes;
// none means no filter. A box's text is looked for in its column's cells ("like"); with a
// dot, the text before or the text after it (an OR group of two).
//
// What an operator types is only ever a value to look for. A double quote cannot stand in a
// value of the typed filter language, and the bar keeps the rule the operator knows: a ticked
// box holding one gives nothing (no filter at all), so every row is shown, whatever the other
// boxes hold.
std::optional<TGridRowFilter> filterBarConditions(const FilterBarState& bar);
