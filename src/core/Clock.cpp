#include "Clock.h"

#include "ClockChanges.h"

#include <cmath>
#include <cstdlib>

namespace {

std::atomic<const ClockSource*> g_clock{nullptr};

const QDate kEpochDate(1899, 12, 30);

} // namespace

ManualClock::ManualClock(const QDateTime& utc) : m_msecsSinceEpoch(utc.toMSecsSinceEpoch()) {}

QDateTime ManualClock::currentUtc() const
{
    return QDateTime::fromMSecsSinceEpoch(m_msecsSinceEpoch.load(), Qt::UTC);
}

void ManualClock::set(const QDateTime& utc)
{
    m_msecsSinceEpoch.store(utc.toMSecsSinceEpoch());
    ClockChanges::instance().notify();
}

void ManualClock::advanceMs(qint64 ms)
{
    m_msecsSinceEpoch.fetch_add(ms);
    ClockChanges::instance().notify();
}

void setClockSource(const ClockSource* source)
{
    g_clock.store(source);
    ClockChanges::instance().notify();
}

QDateTime currentUtcDateTime()
{
    const ClockSource* source = g_clock.load();
    return source ? source->currentUtc() : QDateTime::currentDateTimeUtc();
}

QDateTime currentLocalDateTime()
{
    return currentUtcDateTime().toLocalTime();
}

Timestamp toTimestamp(const QDateTime& dateTime)
{
    const double days = double(kEpochDate.daysTo(dateTime.date()));
    const double msOfDay = double(dateTime.time().msecsSinceStartOfDay());
    return days + msOfDay / (SecondsPerDay * 1000.0);
}

QDateTime fromTimestamp(Timestamp t, Qt::TimeSpec timeSpec)
{
    const double dayPart = std::floor(t);
    qint64 ms = std::llround((t - dayPart) * SecondsPerDay * 1000.0);
    QDate date = kEpochDate.addDays(qint64(dayPart));
    if (ms >= qint64(SecondsPerDay) * 1000) {
        date = date.addDays(1);
        ms = 0;
    }
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(int(ms)), timeSpec);
}

Timestamp UtcNow()
{
    return toTimestamp(currentUtcDateTime());
}

Timestamp localNow()
{
    return toTimestamp(currentLocalDateTime());
}

qint64 msBetween(Timestamp from, Timestamp to)
{
    return std::llround((to - from) * SecondsPerDay * 1000.0);
}

bool WithinSeconds(int seconds, int milliseconds, Timestamp t)
{
    const qint64 spanMs = qint64(seconds) * 1000 + milliseconds;
    return spanMs > std::abs(msBetween(t, UtcNow()));
}
