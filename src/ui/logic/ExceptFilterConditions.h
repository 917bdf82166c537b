#pragma once

#include "GridFilterExpression.h"

#include <QString>

#include <optional>

// The filter of the add-exceptions dialog as values: a box for the alarm-type code and one for
// its text, each with its check box, turned into the conditions of the grid filter.

struct ExceptFilterBox
{
    bool ticked = false;
    QString text;
    int column = 0; // the column the box filters
};

// A "like" condition on the box's column for each ticked box with text left after stripping
// blanks and control characters, code first; no conditions for no filter. A dot is an ordinary
// character here. A ticked box holding a double quote gives nothing at all (no filter), as it
// always has for the operator: a value of the typed filter language cannot contain one.
std::optional<TGridRowFilter> exceptFilterConditions(const ExceptFilterBox& code,
                                                     const ExceptFilterBox& text);
