#include "core/Clock.h"
#include "core/ZelTimeMachine.h"

#include <QSignalSpy>
#include <QTest>

#include <thread>

namespace {

const QDateTime kStart(QDate(2026, 12, 9), QTime(10, 0), Qt::UTC);

} // namespace

class TstTimeMachine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void loopCount_data();
    void loopCount();
    void stopEndsTheLoopAndLaterTicks();
    void tickReenablesEvenWhenStepThrows();
    void noHandlerStillTicks();
    void timerDrivesSteps();
    void untilPassedMatchesWithinSeconds_data();
    void untilPassedMatchesWithinSeconds();
    void eventDrivenStepsUntilItWaits();
    void eventDrivenSleepEndsWithScheduleTime();
    void eventDrivenWokenFromAnotherThread();
};

void TstTimeMachine::loopCount_data()
{
    QTest::addColumn<int>("loopCount");
    QTest::addColumn<int>("calls");
    QTest::addColumn<int>("loopCountAfter");
    QTest::newRow("0 acts as 1 and stays 1") << 0 << 1 << 1;
    QTest::newRow("1") << 1 << 1 << 1;
    QTest::newRow("3") << 3 << 3 << 3;
}

void TstTimeMachine::loopCount()
{
    QFETCH(int, loopCount);
    QFETCH(int, calls);
    QFETCH(int, loopCountAfter);

    tZelTimeMachine machine;
    machine.setLoopCount(loopCount);
    int count = 0;
    machine.setDoState([&](tZelTimeMachine& sender) {
        QCOMPARE(&sender, &machine);
        QVERIFY(!machine.Enabled()); // no tick can arrive while steps run
        ++count;
    });
    machine.tick();
    QCOMPARE(count, calls);
    QCOMPARE(machine.LoopCount(), loopCountAfter);
    QVERIFY(machine.Enabled());
}

void TstTimeMachine::stopEndsTheLoopAndLaterTicks()
{
    tZelTimeMachine machine;
    machine.setLoopCount(3);
    int count = 0;
    machine.setDoState([&](tZelTimeMachine& sender) {
        ++count;
        sender.Stop();
    });
    machine.tick();
    QCOMPARE(count, 1);
    QVERIFY(machine.Stopped());
    // A stopped machine keeps ticking but runs no step.
    QVERIFY(machine.Enabled());
    machine.tick();
    QCOMPARE(count, 1);
}

void TstTimeMachine::tickReenablesEvenWhenStepThrows()
{
    tZelTimeMachine machine;
    machine.setDoState([](tZelTimeMachine&) { throw std::runtime_error("step failed"); });
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, machine.tick());
    QVERIFY(machine.Enabled());
}

void TstTimeMachine::noHandlerStillTicks()
{
    tZelTimeMachine machine;
    machine.setLoopCount(0);
    machine.tick();
    QVERIFY(machine.Enabled());
    QCOMPARE(machine.LoopCount(), 0); // only a tick with a handler touches it
}

void TstTimeMachine::timerDrivesSteps()
{
    tZelTimeMachine machine;
    machine.setInterval(1);
    machine.setState(1);
    machine.setDoState([](tZelTimeMachine& sender) {
        sender.setStateText(QStringLiteral("step ") + QString::number(sender.State()));
        sender.setState(sender.State() + 1);
        if (sender.State() == 4)
            sender.Stop();
    });
    QSignalSpy ticks(&machine, &tZelTimeMachine::ticked);
    machine.setEnabled(true);
    QTRY_VERIFY(machine.Stopped());
    QCOMPARE(machine.State(), 4);
    QCOMPARE(machine.StateText(), QStringLiteral("step 3"));
    QVERIFY(ticks.count() >= 3);
}

// The wait ends exactly when WithinSeconds turns false, a time in the future included.
void TstTimeMachine::untilPassedMatchesWithinSeconds_data()
{
    QTest::addColumn<qint64>("sinceMs"); // relative to now
    QTest::addColumn<bool>("now");
    QTest::addColumn<qint64>("waitMs");
    QTest::newRow("just started") << qint64(0) << false << qint64(10000);
    QTest::newRow("1 ms left") << qint64(-9999) << false << qint64(1);
    QTest::newRow("exactly passed") << qint64(-10000) << true << qint64(0);
    QTest::newRow("long passed") << qint64(-60000) << true << qint64(0);
    QTest::newRow("in the future") << qint64(5000) << false << qint64(15000);
    QTest::newRow("too far in the future") << qint64(10000) << true << qint64(0);
}

void TstTimeMachine::untilPassedMatchesWithinSeconds()
{
    QFETCH(qint64, sinceMs);
    QFETCH(bool, now);
    QFETCH(qint64, waitMs);
    ManualClock clock(kStart);
    const ScopedClock installed(&clock);
    const Timestamp since = toTimestamp(kStart.addMSecs(sinceMs));

    const StepWait wait = StepWait::untilPassed(10, since);
    QCOMPARE(wait.isNow(), now);
    QCOMPARE(WithinSeconds(10, 0, since), !now);
    if (now)
        return;
    QVERIFY(wait.hasDueTime());
    QCOMPARE(wait.ms(), waitMs);
    clock.advanceMs(waitMs - 1);
    QVERIFY(WithinSeconds(10, 0, since));
    clock.advanceMs(1);
    QVERIFY(!WithinSeconds(10, 0, since));
}

// Woken, the machine steps on while its state changes or its query says so, then sleeps; it
// steps again only when woken.
void TstTimeMachine::eventDrivenStepsUntilItWaits()
{
    tZelTimeMachine machine;
    machine.setStepping(Stepping::Events);
    machine.setState(1);
    int steps = 0;
    int pending = 0; // work the query reports
    machine.setDoState([&](tZelTimeMachine& sender) {
        ++steps;
        if (sender.State() < 3)
            sender.setState(sender.State() + 1);
        else if (pending > 0)
            --pending;
    });
    machine.setWaitQuery([&] { return pending > 0 ? StepWait::now() : StepWait::event(); });
    QVERIFY(machine.eventDriven());
    QSignalSpy asleep(&machine, &tZelTimeMachine::fellAsleep);

    machine.setEnabled(true);
    QVERIFY(asleep.wait());
    // States 1 and 2 change the state; state 3 runs once and waits.
    QCOMPARE(steps, 3);
    QVERIFY(machine.asleep());

    pending = 2;
    machine.wake();
    QVERIFY(asleep.wait());
    QCOMPARE(steps, 5);
    QCOMPARE(pending, 0);

    machine.Stop();
    machine.wake();
    QTest::qWait(0);
    QCOMPARE(steps, 5);
}

// A sleep until a due time ends when a hand-set clock reaches it, at once and not before.
void TstTimeMachine::eventDrivenSleepEndsWithScheduleTime()
{
    ManualClock clock(kStart);
    const ScopedClock installed(&clock);
    const Timestamp since = UtcNow();
    tZelTimeMachine machine;
    machine.setStepping(Stepping::Events);
    machine.setState(1);
    int steps = 0;
    bool due = false;
    machine.setDoState([&](tZelTimeMachine&) {
        ++steps;
        due = !WithinSeconds(60, 0, since);
    });
    machine.setWaitQuery([&] { return StepWait::untilPassed(60, since); });
    QSignalSpy asleep(&machine, &tZelTimeMachine::fellAsleep);
    QSignalSpy ticked(&machine, &tZelTimeMachine::ticked);
    machine.setEnabled(true);
    QVERIFY(asleep.wait());
    QCOMPARE(steps, 1);

    clock.advanceMs(59999);
    QVERIFY(asleep.wait());
    QVERIFY(!due);
    clock.advanceMs(1);
    QVERIFY(ticked.wait());
    QVERIFY(due);
}

void TstTimeMachine::eventDrivenWokenFromAnotherThread()
{
    tZelTimeMachine machine;
    machine.setStepping(Stepping::Events);
    int steps = 0;
    machine.setDoState([&](tZelTimeMachine&) { ++steps; });
    machine.setWaitQuery([] { return StepWait::event(); });
    QSignalSpy asleep(&machine, &tZelTimeMachine::fellAsleep);
    machine.setEnabled(true);
    QVERIFY(asleep.wait());
    QCOMPARE(steps, 1);

    std::thread other(machine.crossThreadWaker());
    other.join();
    QVERIFY(asleep.wait());
    QCOMPARE(steps, 2);

    // A waker that outlives its machine does nothing.
    std::function<void()> waker;
    {
        tZelTimeMachine gone;
        waker = gone.crossThreadWaker();
    }
    std::thread late(waker);
    late.join();
    QTest::qWait(0);
}

QTEST_GUILESS_MAIN(TstTimeMachine)
#include "tst_timemachine.moc"
