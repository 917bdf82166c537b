#pragma once

#include <QDateTime>

#include <atomic>

// Days since 1899-12-30 00:00; the fraction is the time of day.
using Timestamp = double;

inline constexpr double SecondsPerDay = 86400.0;

// Where the program reads the time. Tests install a ManualClock so that
// schedules of minutes or hours run in milliseconds.
class ClockSource
{
public:
    virtual ~ClockSource() = default;
    virtual QDateTime currentUtc() const = 0;
};

// A clock that stands still until told to move; safe to read from any thread.
class ManualClock : public ClockSource
{
public:
    explicit ManualClock(const QDateTime& utc);
    QDateTime currentUtc() const override;
    void set(const QDateTime& utc);
    void advanceMs(qint64 ms);
    void advanceSeconds(double seconds) { advanceMs(qint64(seconds * 1000.0)); }

private:
    std::atomic<qint64> m_msecsSinceEpoch;
};

// Installs a clock for the whole process; nullptr restores the system clock.
// The caller keeps ownership and must outlive its installation.
void setClockSource(const ClockSource* source);

// Installs a clock for the lifetime of the object (tests).
class ScopedClock
{
public:
    explicit ScopedClock(const ClockSource* source) { setClockSource(source); }
    ~ScopedClock() { setClockSource(nullptr); }
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;
};

QDateTime currentUtcDateTime();
QDateTime currentLocalDateTime();

Timestamp toTimestamp(const QDateTime& dateTime);
QDateTime fromTimestamp(Timestamp t, Qt::TimeSpec timeSpec = Qt::UTC);

// The current UTC time, to the millisecond.
Timestamp UtcNow();
// The current local time in the same day-count encoding.
Timestamp localNow();

// Whole milliseconds from one time to another (negative when to is earlier). Every
// time span is measured in milliseconds: a double difference of two day counts would make
// "exactly 10 s" depend on rounding.
qint64 msBetween(Timestamp from, Timestamp to);

// True while fewer than seconds + milliseconds/1000 have passed between t and
// now; a t in the future counts as near as well.
bool WithinSeconds(int seconds, int milliseconds, Timestamp t);
