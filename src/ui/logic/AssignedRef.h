#pragma once

#include "store/ZelAlarmRef.h"

#include <QString>

#include <optional>
#include <string>
#include <string_view>

// One half of a grid row's assignment: its ZEL alarm or its group. The program writes a
// reference or nothing; what else a hand-edited document holds there (an exception's "0", a
// code too long for the written form) is kept as written, so that the row shows it and an
// edit of the other half writes it back unchanged.
struct AssignedRef
{
    std::optional<ZelAlarmRef> ref;
    std::string other; // the stored text when it shows and is no reference

    // The reference when the text is one, the text itself otherwise.
    static AssignedRef fromStored(std::string_view stored);

    // Nothing shows: the row has no assignment in this half.
    bool isEmpty() const { return !ref && other.empty(); }
    // What the element is to hold for this half.
    std::string stored() const { return ref ? ref->text() : other; }
    QString cellText() const { return QString::fromStdString(stored()); }

    friend bool operator==(const AssignedRef&, const AssignedRef&) = default;
};
