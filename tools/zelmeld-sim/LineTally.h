#pragma once

#include <QString>

#include <array>

// The kinds of line a gateway sends, as the simulator sorts them for its summary.
enum class LineKind
{
    Watchdog,    // "[ZEL WD 09]" or "[ZEL WD 09 <id>]"
    SystemAlarm, // "[ZEL RCVALARM 02,9999,<number>,<A|T|R>]"
    Alarm,       // any other "[ZEL RCVALARM 02,...]"
    Other,       // anything else: a malformed line
};

LineKind lineKind(const QString& line);
QString lineKindName(LineKind kind);

// Lines received per kind, and the summary printed when the simulator ends.
class LineTally
{
public:
    void add(const QString& line);
    int count(LineKind kind) const { return m_counts.at(std::size_t(kind)); }
    int total() const;

    // One header line and one line per kind, each ended by a line feed.
    QString summary(int connections) const;

private:
    std::array<int, 4> m_counts{};
};
