// The Windows service watches its own main state machine from a thread of its own: a machine
// that takes no step for longer than the bound is reported once, even while the main thread
// itself hangs; a machine that steps (or idles, waiting for nothing) never is, and a disarmed
// watchdog stays silent through the orderly shutdown's deliberate stop.
#include "EngineHarness.h"

#include "core/ZelTimeMachine.h"
#include "forwarding/MainMachine.h"
#include "service/StallWatchdog.h"

#include <QTest>
#include <QThread>

#include <atomic>

using namespace std::chrono_literals;

namespace {

constexpr std::chrono::milliseconds kBound = 300ms;
// Long enough for several bounds to pass without a step.
constexpr int kQuietMs = 6 * int(kBound.count());

} // namespace

class TstStallWatchdog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void steppingOrIdleMachineIsNeverReported();
    void hungMainThreadIsReportedFromTheWatchdogThread();
    void stoppedMachineIsReportedOnce();
    void disarmedWatchdogStaysSilent();

private:
    std::unique_ptr<StallWatchdog> makeWatchdog();
    MainMachine& machine() { return m_harness->main(); }

    std::unique_ptr<EngineHarness> m_harness;
    std::atomic<int> m_reports = 0;
    std::atomic<qint64> m_stalledForMs = 0;
    std::atomic<bool> m_reportedFromMainThread = false;
};

void TstStallWatchdog::init()
{
    m_reports = 0;
    m_stalledForMs = 0;
    m_reportedFromMainThread = false;
    m_harness = std::make_unique<EngineHarness>();
    m_harness->useSystemClock();
    m_harness->create();
}

void TstStallWatchdog::cleanup()
{
    m_harness.reset();
}

std::unique_ptr<StallWatchdog> TstStallWatchdog::makeWatchdog()
{
    QThread* mainThread = QThread::currentThread();
    return std::make_unique<StallWatchdog>(
        machine(), kBound, [this, mainThread](std::chrono::milliseconds stalledFor) {
            m_stalledForMs = stalledFor.count();
            m_reportedFromMainThread = QThread::currentThread() == mainThread;
            ++m_reports;
        });
}

void TstStallWatchdog::steppingOrIdleMachineIsNeverReported()
{
    const auto watchdog = makeWatchdog();
    QVERIFY(m_harness->start());
    // The machine polls, forwards, then waits for its next poll ten seconds on: all of it
    // within the bound, as the idle machine is woken within a quarter of it.
    QTest::qWait(kQuietMs);
    QVERIFY(machine().tmmMain().Enabled());
    QCOMPARE(m_reports.load(), 0);
}

void TstStallWatchdog::hungMainThreadIsReportedFromTheWatchdogThread()
{
    const auto watchdog = makeWatchdog();
    QVERIFY(m_harness->start());
    // A hung step: the main thread, its event loop and the machine stand still.
    QThread::msleep(kQuietMs);
    QCOMPARE(m_reports.load(), 1);
    QVERIFY(!m_reportedFromMainThread);
    QVERIFY(m_stalledForMs >= kBound.count());
}

void TstStallWatchdog::stoppedMachineIsReportedOnce()
{
    const auto watchdog = makeWatchdog();
    QVERIFY(m_harness->start());
    // The machine stops stepping while the event loop and both peers go on.
    machine().simulateStall(true);
    QTRY_COMPARE_WITH_TIMEOUT(m_reports.load(), 1, 5000);
    QVERIFY(m_stalledForMs >= kBound.count());
    QTest::qWait(kQuietMs);
    QCOMPARE(m_reports.load(), 1);
}

void TstStallWatchdog::disarmedWatchdogStaysSilent()
{
    const auto watchdog = makeWatchdog();
    QVERIFY(m_harness->start());
    watchdog->disarm();
    machine().simulateStall(true);
    QTest::qWait(kQuietMs);
    QCOMPARE(m_reports.load(), 0);
}

QTEST_GUILESS_MAIN(TstStallWatchdog)
#include "tst_stallwatchdog.moc"
