#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// The filter bar under the definitions grid, as values: five text boxes, each filtering one
// column, and two check boxes. Turned into one expression of the grid filter language.

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

// The expression for the filter bar; headers gives the header text of every column by
// column number (1 to 5 used). An empty text means no filter.
//
// What an operator types is only ever a value to look for. A double quote cannot stand in a
// value of the language, and writing it would let the text end one condition and start
// others; so a ticked box holding one gives nothing (no expression at all): every row is
// shown, whatever the other boxes hold, as the operator sees at once.
std::optional<QString> buildFilterExpression(const FilterBarState& bar, const QStringList& headers);
