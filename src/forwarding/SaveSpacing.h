#pragma once

#include <QtGlobal>

#include <algorithm>

// When a walk writes AlarmStatus.xml next. Every save rewrites the whole document, so its cost
// grows with the document; at a fixed rate the saves would take a growing share of a long walk
// and the walk would cost more per entry the longer it is. So the next save waits at least the
// minimum spacing, and at least long enough that the last save's cost stays within a fixed
// share of the time. Durability is unchanged: a change is still marked handled only in a save
// after ZelMeld's reply; a longer spacing can only make a crash send more again, never less.
class SaveSpacing
{
public:
    static constexpr qint64 MinimumMs = 100;
    // Saving takes at most one part in this many of a walk's time.
    static constexpr qint64 ShareDivisor = 10;

    // A save has ended that took costMs.
    void saved(qint64 costMs) { m_lastCostMs = std::max<qint64>(costMs, 0); }

    // The time from the end of one save to the next.
    qint64 spacingMs() const { return std::max(MinimumMs, m_lastCostMs * (ShareDivisor - 1)); }

private:
    qint64 m_lastCostMs = 0;
};
