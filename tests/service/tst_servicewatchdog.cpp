// The service manager hears "ready" once the engine runs and "alive" only while the main
// state machine steps: the pings follow the machine's own progress, so a machine that stalls
// while the rest of the program goes on gets no more pings.
#include "EngineHarness.h"
#include "NotifySocket.h"

#include "forwarding/MainMachine.h"
#include "link/ZelLink.h"
#include "service/ServiceNotify.h"
#include "service/ServiceWatchdog.h"

#include <QSignalSpy>
#include <QTest>

using namespace std::chrono_literals;

namespace {

const QByteArray kReady = QByteArrayLiteral("READY=1\nSTATUS=Forwarding office alarms to ZelMeld");
const QByteArray kPing = QByteArrayLiteral("WATCHDOG=1");
const QByteArray kMarker = QByteArrayLiteral("MARKER=1");
// Short, so that many pings fall into a short test; a ping is due every quarter of it.
constexpr std::chrono::microseconds kInterval = 40ms;

} // namespace

class TstServiceWatchdog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void readyAtFirstStepThenPingsWhileStepping();
    void stalledMachineStopsPings();
    void noWatchdogAskedSendsOnlyReady();
    void unreachableManagerIsLoggedOnce();

private:
    // Waits until the socket got the marker sent after a stall: every datagram sent before it
    // has arrived by then, so what came in between is all there is.
    bool markerArrives(NotifySocket& socket);

    std::unique_ptr<EngineHarness> m_harness;
    std::unique_ptr<NotifySocket> m_socket;
};

void TstServiceWatchdog::init()
{
    if (!serviceManagerSupported())
        QSKIP("built without libsystemd: nothing is sent to a service manager");
    m_harness = std::make_unique<EngineHarness>();
    m_socket = std::make_unique<NotifySocket>(m_harness->root.path());
    QVERIFY(m_socket->isOpen());
    qputenv("NOTIFY_SOCKET", m_socket->path().toUtf8());
    m_harness->create();
}

void TstServiceWatchdog::cleanup()
{
    qunsetenv("NOTIFY_SOCKET");
    m_harness.reset();
    m_socket.reset();
}

bool TstServiceWatchdog::markerArrives(NotifySocket& socket)
{
    if (!socket.sendToSelf(kMarker))
        return false;
    return QTest::qWaitFor([&socket] { return socket.count(kMarker) > 0; }, 5000);
}

void TstServiceWatchdog::readyAtFirstStepThenPingsWhileStepping()
{
    ServiceWatchdog watchdog(m_harness->main(), kInterval);
    QVERIFY(m_socket->messages().isEmpty());
    QVERIFY(m_harness->start());

    QTRY_VERIFY(!m_socket->messages().isEmpty());
    QCOMPARE(m_socket->messages().first(), kReady);
    QVERIFY(watchdog.readySent());
    QTRY_VERIFY(m_socket->count(kPing) >= 3);
    QCOMPARE(m_socket->count(kReady), 1);
}

void TstServiceWatchdog::stalledMachineStopsPings()
{
    ServiceWatchdog watchdog(m_harness->main(), kInterval);
    QVERIFY(m_harness->start());
    QTRY_VERIFY(m_socket->count(kPing) >= 2);

    // The stall: the main machine takes no more steps while the event loop, the socket
    // machine and the office and ZelMeld peers all go on.
    MainMachine& machine = m_harness->main();
    machine.simulateStall(true);
    const qsizetype pingsAtStall = m_socket->count(kPing);
    QSignalSpy pings(&watchdog, &ServiceWatchdog::pingTried);
    // Ten watchdog intervals of a live program without a single ping.
    QVERIFY(!pings.wait(
        int(10 * std::chrono::duration_cast<std::chrono::milliseconds>(kInterval).count())));
    QVERIFY(markerArrives(*m_socket));
    QCOMPARE(m_socket->count(kPing), pingsAtStall);

    machine.simulateStall(false);
    QTRY_VERIFY(m_socket->count(kPing) > pingsAtStall);
}

void TstServiceWatchdog::noWatchdogAskedSendsOnlyReady()
{
    ServiceWatchdog watchdog(m_harness->main(), 0us);
    QVERIFY(m_harness->start());
    QVERIFY(m_harness->runMainSteps(200));
    QVERIFY(markerArrives(*m_socket));
    QCOMPARE(m_socket->messages(), (QList<QByteArray>{kReady, kMarker}));
}

void TstServiceWatchdog::unreachableManagerIsLoggedOnce()
{
    qputenv("NOTIFY_SOCKET", m_harness->root.filePath(QStringLiteral("nobody-listens")).toUtf8());
    ServiceWatchdog watchdog(m_harness->main(), kInterval);
    QVERIFY(m_harness->start());
    QSignalSpy pings(&watchdog, &ServiceWatchdog::pingTried);
    // Several pings, each one fails.
    QTRY_VERIFY(pings.size() >= 3);
    for (const QList<QVariant>& ping : pings)
        QVERIFY(!ping.at(0).toBool());
    const QByteArray log = m_harness->logText();
    QCOMPARE(log.count("Cannot notify the service manager"), 1);

    // Once the manager listens again the pings arrive.
    qputenv("NOTIFY_SOCKET", m_socket->path().toUtf8());
    QTRY_VERIFY(m_socket->count(kPing) >= 1);
}

QTEST_GUILESS_MAIN(TstServiceWatchdog)
#include "tst_servicewatchdog.moc"
