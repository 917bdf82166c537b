#include "core/Clock.h"
#include "core/TimedWait.h"

#include <QTest>

class TstClock : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void timestampEncoding_data();
    void timestampEncoding();
    void msBetween_data();
    void msBetween();
    void withinSeconds_data();
    void withinSeconds();
    void manualClockDrivesUtcNow();
    void timedWaitStepAndWakeAgree_data();
    void timedWaitStepAndWakeAgree();
};

void TstClock::timestampEncoding_data()
{
    QTest::addColumn<QDateTime>("utc");
    QTest::addColumn<double>("days");
    QTest::newRow("epoch") << QDateTime(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC) << 0.0;
    QTest::newRow("noon next day") << QDateTime(QDate(1899, 12, 31), QTime(12, 0), Qt::UTC) << 1.5;
    QTest::newRow("2026 quarter past six")
        << QDateTime(QDate(2026, 12, 8), QTime(6, 0), Qt::UTC) << 46364.25;
}

void TstClock::timestampEncoding()
{
    QFETCH(QDateTime, utc);
    QFETCH(double, days);
    QCOMPARE(toTimestamp(utc), days);
    QCOMPARE(fromTimestamp(days), utc);
}

// Day counts near 46000 keep only about 10 significant digits below the day, so a span
// must round to whole milliseconds rather than truncate.
void TstClock::msBetween_data()
{
    QTest::addColumn<QDateTime>("from");
    QTest::addColumn<qint64>("spanMs");
    const QDateTime evening(QDate(2026, 12, 8), QTime(23, 11, 27, 123), Qt::UTC);
    QTest::newRow("one millisecond") << evening << qint64(1);
    QTest::newRow("one second") << evening << qint64(1000);
    QTest::newRow("backwards") << evening << qint64(-999);
    QTest::newRow("across midnight") << evening << qint64(3600000);
    QTest::newRow("eight hours") << evening << qint64(28800000);
    QTest::newRow("none") << evening << qint64(0);
    QTest::newRow("from the epoch")
        << QDateTime(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC) << qint64(86400001);
    QTest::newRow("far date") << QDateTime(QDate(2099, 6, 30), QTime(12, 0, 0, 999), Qt::UTC)
                              << qint64(7);
}

void TstClock::msBetween()
{
    QFETCH(QDateTime, from);
    QFETCH(qint64, spanMs);
    const Timestamp a = toTimestamp(from);
    const Timestamp b = toTimestamp(from.addMSecs(spanMs));
    QCOMPARE(::msBetween(a, b), spanMs);
    QCOMPARE(::msBetween(b, a), -spanMs);
}

void TstClock::withinSeconds_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<int>("milliseconds");
    QTest::addColumn<qint64>("elapsedMs"); // now minus t; negative: t in the future
    QTest::addColumn<bool>("within");
    QTest::newRow("9.999 s") << 10 << 0 << qint64(9999) << true;
    QTest::newRow("exactly 10 s") << 10 << 0 << qint64(10000) << false;
    QTest::newRow("later") << 10 << 0 << qint64(3600000) << false;
    QTest::newRow("t 9.999 s in the future") << 10 << 0 << qint64(-9999) << true;
    QTest::newRow("t 10 s in the future") << 10 << 0 << qint64(-10000) << false;
    QTest::newRow("milliseconds count") << 0 << 500 << qint64(499) << true;
    QTest::newRow("milliseconds bound") << 0 << 500 << qint64(500) << false;
    QTest::newRow("eight hours") << 28800 << 0 << qint64(28800000 - 1) << true;
}

void TstClock::withinSeconds()
{
    QFETCH(int, seconds);
    QFETCH(int, milliseconds);
    QFETCH(qint64, elapsedMs);
    QFETCH(bool, within);

    const QDateTime start(QDate(2026, 12, 8), QTime(23, 11, 27, 123), Qt::UTC);
    ManualClock clock(start);
    ScopedClock installed(&clock);
    const Timestamp t = UtcNow();
    clock.advanceMs(elapsedMs);
    QCOMPARE(WithinSeconds(seconds, milliseconds, t), within);
}

void TstClock::manualClockDrivesUtcNow()
{
    const QDateTime start(QDate(2026, 1, 2), QTime(3, 4, 5, 6), Qt::UTC);
    ManualClock clock(start);
    {
        ScopedClock installed(&clock);
        QCOMPARE(currentUtcDateTime(), start);
        clock.advanceSeconds(300);
        QCOMPARE(fromTimestamp(UtcNow()), start.addSecs(300));
        QCOMPARE(currentLocalDateTime(), start.addSecs(300).toLocalTime());
    }
    // Back on the system clock once the scope ends.
    QVERIFY(qAbs(currentUtcDateTime().secsTo(QDateTime::currentDateTimeUtc())) < 60);
}

void TstClock::timedWaitStepAndWakeAgree_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<qint64>("elapsedMs");
    QTest::addColumn<bool>("passed");
    QTest::addColumn<qint64>("wakeInMs"); // 0: at once
    QTest::newRow("just started") << 10 << qint64(0) << false << qint64(10000);
    QTest::newRow("one ms short") << 10 << qint64(9999) << false << qint64(1);
    QTest::newRow("exactly the span") << 10 << qint64(10000) << true << qint64(0);
    QTest::newRow("long after") << 60 << qint64(3600000) << true << qint64(0);
    QTest::newRow("clock set back") << 10 << qint64(-3000) << false << qint64(13000);
}

// The step decides with passed() and the machine sleeps until stepWait(): at every moment the
// wake-up falls where the step will find the wait over, never before it nor after it.
void TstClock::timedWaitStepAndWakeAgree()
{
    QFETCH(int, seconds);
    QFETCH(qint64, elapsedMs);
    QFETCH(bool, passed);
    QFETCH(qint64, wakeInMs);
    ManualClock clock(QDateTime(QDate(2026, 12, 9), QTime(10, 0), Qt::UTC));
    const ScopedClock installed(&clock);
    TimedWait wait(seconds);
    wait.start();
    clock.advanceMs(elapsedMs);

    QCOMPARE(wait.passed(), passed);
    const StepWait wake = wait.stepWait();
    QCOMPARE(wake.isNow(), passed);
    if (!passed) {
        QCOMPARE(wake.ms(), wakeInMs);
        clock.advanceMs(wake.ms());
        QVERIFY(wait.passed());
    }
}

QTEST_GUILESS_MAIN(TstClock)
#include "tst_clock.moc"
