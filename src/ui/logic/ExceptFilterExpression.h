#pragma once

#include <QString>

#include <optional>

// The filter of the add-exceptions dialog as values: a box for the alarm-type code and one for
// its text, each with its check box, turned into one expression of the grid filter language.

struct ExceptFilterBox
{
    bool ticked = false;
    QString text;
    QString header; // of the column the box filters
};

// "[header] LIKE "text"" for each ticked box with text left after stripping blanks and control
// characters, joined by AND; empty for no filter. A dot is an ordinary character here. A ticked
// box holding a double quote gives nothing at all (no filter): a value cannot contain one.
std::optional<QString> buildExceptFilterExpression(const ExceptFilterBox& code,
                                                   const ExceptFilterBox& text);
