#include "core/ZelTimeMachine.h"

#include <QSignalSpy>
#include <QTest>

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
    machine.State = 1;
    machine.setDoState([](tZelTimeMachine& sender) {
        sender.StateText = QStringLiteral("step ") + QString::number(sender.State);
        if (++sender.State == 4)
            sender.Stop();
    });
    QSignalSpy ticks(&machine, &tZelTimeMachine::ticked);
    machine.setEnabled(true);
    QTRY_VERIFY(machine.Stopped());
    QCOMPARE(machine.State, 4);
    QCOMPARE(machine.StateText, QStringLiteral("step 3"));
    QVERIFY(ticks.count() >= 3);
}

QTEST_GUILESS_MAIN(TstTimeMachine)
#include "tst_timemachine.moc"
