#include "EndingPeer.h"
#include "LinkFixture.h"
#include "LinkTestSupport.h"

#include "link/SocketErrorReport.h"

#include <QTcpSocket>
#include <QTest>

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <cerrno>
#endif

using namespace Qt::StringLiterals;

namespace {

#ifdef Q_OS_WIN
constexpr int kConnectionRefused = WSAECONNREFUSED;
constexpr int kConnectionReset = WSAECONNRESET;
#else
constexpr int kConnectionRefused = ECONNREFUSED;
constexpr int kConnectionReset = ECONNRESET;
#endif

} // namespace

// How the link fails: unreachable or invalid targets, a peer that ends the connection, and
// the report of messages that never left.
class TstZelLinkFailures : public QObject, protected LinkFixture
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void refusedConnectionLosesOnlyItsMessage();
    void unknownHostLosesItsMessage();
    void invalidPortFailsTheOpen_data();
    void invalidPortFailsTheOpen();
    void writtenLineIsNotNeverWritten();
    void neverWrittenKeepsTheRecentIds();
    void peerEndsTheConnection_data();
    void peerEndsTheConnection();
    void orderlyCloseBeforeTheSendIsNamedAsSuch();
    void socketErrorReport_data();
    void socketErrorReport();
};

void TstZelLinkFailures::initTestCase()
{
    setUpLog();
}

void TstZelLinkFailures::init()
{
    setUp();
}

void TstZelLinkFailures::cleanup()
{
    tearDown();
}

void TstZelLinkFailures::refusedConnectionLosesOnlyItsMessage()
{
    const quint16 port = freePort();
    QVERIFY(port != 0);
    m_settings.zelPort = port;
    QSignalSpy notWritten(m_link.get(), &ZelLink::messageNotWritten);
    m_link->setPoLinkAlarmActive(true);
    m_link->start();
    const quint64 lost = m_link->SendIPString(u"[ZEL RCVALARM 02,9999,8,A]"_s, false);
    QTRY_VERIFY(m_link->linkFailed());
    waitUntilIdle();

    // One error event, one log line with the system's number and text and the target; the
    // message is gone, and the sender can tell that it never left.
    QCOMPARE(texts(*m_status), QStringList{u"Error connecting to ZelMeld"_s});
    QCOMPARE(zelListMessages(*m_log, u"Zel PO socket error:"_s),
             QStringList{u"Zel PO socket error: "_s + QString::number(kConnectionRefused) + u' ' +
                         qt_error_string(kConnectionRefused).trimmed() + u", ZelMeld 127.0.0.1:"_s +
                         QString::number(port)});
    QVERIFY(zelListMessages(*m_log, u"Fatal socket error!"_s).isEmpty());
    QVERIFY(!m_link->PoLinkAlarmActive());
    QVERIFY(!m_link->SocketFailed());
    QVERIFY(m_link->linkFailed());
    QVERIFY(m_link->neverWritten(lost));
    QCOMPARE(notWritten.size(), 1);
    QCOMPARE(notWritten.first().at(0).value<quint64>(), lost);

    // The next message opens a new connection, and the answer ends the link error.
    ZelMeldServer late(script(u"ok"_s));
    QVERIFY(late.listen(QHostAddress::LocalHost, port));
    const quint64 sent = m_link->SendIPString(u"[ZEL WD 09 1]"_s, false);
    QVERIFY(sent != lost);
    QTRY_VERIFY(m_link->ReplyReceived());
    QCOMPARE(late.receivedLines(), QStringList{u"[ZEL WD 09 1]"_s});
    QVERIFY(!m_link->linkFailed());
    QCOMPARE(texts(*m_status), (QStringList{u"Error connecting to ZelMeld"_s, QString()}));
    QVERIFY(!m_link->neverWritten(sent));
    QVERIFY(m_link->neverWritten(lost));
    QCOMPARE(notWritten.size(), 1);
}

void TstZelLinkFailures::unknownHostLosesItsMessage()
{
    // The reserved top-level name never resolves.
    m_settings.zelHost = u"zelmeld.invalid"_s;
    m_link->start();
    const quint64 id = m_link->SendIPString(u"[ZEL WD 09 1]"_s, false);
    QTRY_VERIFY_WITH_TIMEOUT(m_link->neverWritten(id), 30000);
    const QStringList errors = zelListMessages(*m_log, u"Zel PO socket error:"_s);
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().endsWith(u", ZelMeld zelmeld.invalid:"_s +
                                     QString::number(m_settings.zelPort)),
             qPrintable(errors.first()));
    QVERIFY(m_link->linkFailed());
}

void TstZelLinkFailures::invalidPortFailsTheOpen_data()
{
    QTest::addColumn<int>("port");
    QTest::newRow("0") << 0;
    QTest::newRow("65536") << 65536;
    QTest::newRow("a digit too many") << 81320;
    QTest::newRow("negative") << -1;
}

void TstZelLinkFailures::invalidPortFailsTheOpen()
{
    QFETCH(int, port);
    m_settings.zelPort = port;
    m_link->setPoLinkAlarmActive(true);
    m_link->start();
    const quint64 id = m_link->SendIPString(u"[ZEL WD 09 1]"_s, false);
    QTRY_VERIFY(!zelListMessages(*m_log, u"Fatal socket error!"_s).isEmpty());
    waitUntilIdle();

    // The log names the bad target; the status shows the failure like any socket error.
    QCOMPARE(zelListMessages(*m_log, u"Fatal socket error!"_s),
             QStringList{u"Fatal socket error! ZelMeld 127.0.0.1:"_s + QString::number(port) +
                         u": port outside 1-65535"_s});
    QVERIFY(zelListMessages(*m_log, u"Zel PO socket error:"_s).isEmpty());
    QVERIFY(m_link->linkFailed());
    QCOMPARE(texts(*m_status), QStringList{u"Error connecting to ZelMeld"_s});
    QVERIFY(!m_link->PoLinkAlarmActive());
    QVERIFY(m_link->neverWritten(id));
    QCOMPARE(m_server->connectionCount(), 0);
}

void TstZelLinkFailures::writtenLineIsNotNeverWritten()
{
    m_server->setScript(script(u"silent"_s));
    QSignalSpy notWritten(m_link.get(), &ZelLink::messageNotWritten);
    m_link->start();
    const quint64 first = m_link->SendIPString(u"[ZEL WD 09 1]"_s, false);
    const quint64 second = m_link->SendIPString(u"[ZEL WD 09 2]"_s, false);
    QTRY_COMPARE(m_server->receivedLines().size(), 2);
    waitUntilIdle();

    // Left on the wire and got no answer: the sender's time-out, not an unwritten line.
    QVERIFY(!m_link->ReplyReceived());
    QVERIFY(!m_link->neverWritten(first));
    QVERIFY(!m_link->neverWritten(second));
    QVERIFY(!m_link->neverWritten(0));
    QVERIFY(notWritten.isEmpty());
}

void TstZelLinkFailures::neverWrittenKeepsTheRecentIds()
{
    // Every open fails at once, so the machine is stepped by hand, without its timer.
    m_settings.zelPort = 0;
    QList<quint64> ids;
    for (int i = 0; i < 100; ++i)
        ids.append(m_link->SendIPString(u"[ZEL WD 09 1]"_s, false));
    m_link->startSteppedByHand();
    for (int step = 0; step < 10000 && !m_link->neverWritten(ids.last()); ++step)
        m_link->stepByHand();
    QVERIFY(m_link->neverWritten(ids.last()));
    // The record is bounded: the oldest are forgotten, a few dozen recent ones stay.
    QVERIFY(!m_link->neverWritten(ids.first()));
    for (qsizetype i = ids.size() - 24; i < ids.size(); ++i)
        QVERIFY(m_link->neverWritten(ids.at(i)));
}

void TstZelLinkFailures::peerEndsTheConnection_data()
{
    QTest::addColumn<bool>("reset");
    QTest::newRow("orderly close") << false;
    QTest::newRow("reset") << true;
}

void TstZelLinkFailures::peerEndsTheConnection()
{
    QFETCH(bool, reset);
#ifndef Q_OS_LINUX
    if (reset)
        QSKIP("a reset is told from an orderly close only on Linux");
#endif
    EndingPeer peer;
    QVERIFY(peer.listen());
    m_settings.zelPort = peer.port();
    auto* socket = m_link->findChild<QTcpSocket*>();
    QVERIFY(socket);
    QSignalSpy ended(socket, &QTcpSocket::errorOccurred);
    m_link->setPoLinkAlarmActive(true);
    m_link->start();
    const quint64 id = m_link->SendIPString(u"[ZEL WD 09 1]"_s, false);
    QTRY_COMPARE(peer.lines(), 1);
    waitUntilIdle();

    peer.endConnections(reset);
    QVERIFY(ended.wait());
    waitUntilIdle();
    const QStringList errors = zelListMessages(*m_log, u"Zel PO socket error:"_s);
    if (reset) {
        // A socket error like any other, with the system's own number and text.
        QCOMPARE(errors,
                 QStringList{u"Zel PO socket error: "_s + QString::number(kConnectionReset) + u' ' +
                             qt_error_string(kConnectionReset).trimmed() +
                             u", ZelMeld 127.0.0.1:"_s + QString::number(peer.port())});
        QCOMPARE(texts(*m_status), QStringList{u"Error connecting to ZelMeld"_s});
        QVERIFY(m_link->linkFailed());
        QVERIFY(!m_link->PoLinkAlarmActive());
    } else {
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join(u'\n')));
        QVERIFY(m_status->isEmpty());
        QVERIFY(!m_link->linkFailed());
        QVERIFY(m_link->PoLinkAlarmActive());
    }
    // The line had left before the connection ended.
    QVERIFY(!m_link->neverWritten(id));

    // Either way the next message opens a new connection.
    m_link->SendIPString(u"[ZEL WD 09 2]"_s, false);
    QTRY_COMPARE(peer.lines(), 2);
    QCOMPARE(peer.connections(), 2);
}

void TstZelLinkFailures::orderlyCloseBeforeTheSendIsNamedAsSuch()
{
    EndingPeer peer;
    QVERIFY(peer.listen());
    m_settings.zelPort = peer.port();
    auto* socket = m_link->findChild<QTcpSocket*>();
    QVERIFY(socket);
    QSignalSpy ended(socket, &QTcpSocket::errorOccurred);
    // Stepped by hand, so the peer can close between the check and the send.
    ZelLink& link = *m_link;
    link.startSteppedByHand();
    link.SendIPString(u"[ZEL WD 09 1]"_s, false);
    QTRY_VERIFY((link.stepByHand(), peer.lines() == 1));

    const quint64 id = link.SendIPString(u"[ZEL WD 09 2]"_s, false);
    link.stepByHand();
    link.stepByHand();
    QCOMPARE(link.tmmSockets().StateText(), u"3 Check socket"_s);
    peer.endConnections(false);
    QVERIFY(ended.wait());
    link.stepByHand();
    QCOMPARE(link.tmmSockets().StateText(), u"5 Send string"_s);

    QCOMPARE(zelListMessages(*m_log, u"Zel PO socket error:"_s),
             QStringList{u"Zel PO socket error: "_s +
                         QString::number(int(QAbstractSocket::RemoteHostClosedError)) +
                         u" The remote host closed the connection, ZelMeld 127.0.0.1:"_s +
                         QString::number(peer.port())});
    QVERIFY(m_link->neverWritten(id));
    QVERIFY(m_link->linkFailed());
}

void TstZelLinkFailures::socketErrorReport_data()
{
    QTest::addColumn<QAbstractSocket::SocketError>("error");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("refused: the system's number and text")
        << QAbstractSocket::ConnectionRefusedError << kConnectionRefused
        << qt_error_string(kConnectionRefused).trimmed();
    QTest::newRow("a family of system errors: Qt's value and text")
        << QAbstractSocket::NetworkError << int(QAbstractSocket::NetworkError)
        << u"Network unreachable"_s;
}

void TstZelLinkFailures::socketErrorReport()
{
    QFETCH(QAbstractSocket::SocketError, error);
    QFETCH(int, code);
    QFETCH(QString, text);
    const SocketErrorReport report = ::socketErrorReport(error, u"Network unreachable"_s);
    QCOMPARE(report.code, code);
    QCOMPARE(report.text, text);
    QVERIFY(!report.text.isEmpty());
    QCOMPARE(socketErrorLogText(report), QString::number(code) + u' ' + text);
}

QTEST_GUILESS_MAIN(TstZelLinkFailures)
#include "tst_zellinkfailures.moc"
