#include "link/SocketErrorReport.h"
#include "link/ZelLink.h"

#include "core/Language.h"
#include "core/LinkStatus.h"
#include "core/Log.h"
#include "core/Settings.h"

#include "ZelMeldServer.h"

#include <QHostInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <cerrno>
#include <sys/socket.h>
#endif

#include <memory>

using namespace Qt::StringLiterals;

namespace {

#ifdef Q_OS_WIN
constexpr int kConnectionRefused = WSAECONNREFUSED;
constexpr int kConnectionReset = WSAECONNRESET;
#else
constexpr int kConnectionRefused = ECONNREFUSED;
constexpr int kConnectionReset = ECONNRESET;
#endif

// A peer that counts the lines it gets, never answers, and ends its connections when told:
// orderly (FIN) or by a reset (RST).
class EndingPeer
{
public:
    EndingPeer()
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                m_sockets.append(socket);
                QObject::connect(socket, &QTcpSocket::readyRead, socket,
                                 [this, socket] { m_lines += socket->readAll().count('\r'); });
            }
        });
    }
    bool listen() { return m_server.listen(QHostAddress::LocalHost, 0); }
    quint16 port() const { return m_server.serverPort(); }
    int lines() const { return int(m_lines); }
    int connections() const { return int(m_sockets.size()); }

    void endConnections(bool reset)
    {
        for (QTcpSocket* socket : std::as_const(m_sockets)) {
            if (socket->state() != QAbstractSocket::ConnectedState)
                continue;
            if (reset) {
                // Lingering for no time turns the close into a reset.
                const linger now = {1, 0};
                ::setsockopt(socket->socketDescriptor(), SOL_SOCKET, SO_LINGER,
                             reinterpret_cast<const char*>(&now), sizeof now);
                socket->abort();
            } else {
                socket->disconnectFromHost();
            }
        }
    }

private:
    QTcpServer m_server;
    QList<QTcpSocket*> m_sockets;
    qsizetype m_lines = 0;
};

ReplyScript script(const QString& rule)
{
    return *ReplyScript::parse(rule);
}

// A port that nothing listens on (until a test listens there itself).
quint16 freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

// The messages of the ZelMeld list that begin with label, without their time of day.
QStringList zelListMessages(const QSignalSpy& spy, const QString& label)
{
    QStringList messages;
    for (const QList<QVariant>& arguments : spy) {
        const QString line = arguments.at(1).toString();
        const qsizetype at = line.indexOf(u' ' + label);
        if (arguments.at(0).toInt() == LogZelList && at >= 0)
            messages.append(line.mid(at + 1));
    }
    return messages;
}

QStringList texts(const QSignalSpy& spy)
{
    QStringList values;
    for (const QList<QVariant>& arguments : spy)
        values.append(arguments.at(0).toString());
    return values;
}

// Every state label the machine passes, each repetition of a waiting state shown once.
class StateRecorder
{
public:
    explicit StateRecorder(tZelTimeMachine& machine)
    {
        QObject::connect(&machine, &tZelTimeMachine::ticked, &machine, [this, &machine] {
            if (m_labels.isEmpty() || m_labels.last() != machine.StateText)
                m_labels.append(machine.StateText);
        });
    }
    const QStringList& labels() const { return m_labels; }

private:
    QStringList m_labels;
};

} // namespace

class TstZelLink : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void stateLabels();
    void threeMessagesLeaveInOrderOnOneConnection_data();
    void threeMessagesLeaveInOrderOnOneConnection();
    void refusedConnectionLosesOnlyItsMessage();
    void unknownHostLosesItsMessage();
    void invalidPortFailsTheOpen_data();
    void invalidPortFailsTheOpen();
    void writtenLineIsNotNeverWritten();
    void neverWrittenKeepsTheRecentIds();
    void peerCloseIsNoErrorAndTheNextOpenReadsTheSettings();
    void peerEndsTheConnection_data();
    void peerEndsTheConnection();
    void orderlyCloseBeforeTheSendIsNamedAsSuch();
    void readKeepsTheLastOfSeveralLines();
    void readWithoutCarriageReturnGivesNoReply();
    void wireIsWindows1252WithoutForgedLines();
    void answerSplitOverReadsIsOneLine();
    void unfinishedLineDiesWithItsConnection();
    void sendIPStringClearsAnEarlierReply();
    void socketErrorReport_data();
    void socketErrorReport();
    void simulatorProgramAnswersInTurn();

private:
    // Sends bytes from the simulator and returns once the link has read them: any read ends a
    // link error, which shows that it has happened.
    void serverSendsAndLinkReads(const QByteArray& bytes);
    // Waits until the machine idles in its waiting state with nothing queued, and then for a
    // few further steps, so that anything still to come from the last message has come.
    void waitUntilIdle();

    QTemporaryDir m_dir;
    Settings m_settings;
    std::unique_ptr<ZelLink> m_link;
    std::unique_ptr<ZelMeldServer> m_server;
    std::unique_ptr<QSignalSpy> m_log;
    std::unique_ptr<QSignalSpy> m_status;
};

void TstZelLink::initTestCase()
{
    QVERIFY(m_dir.isValid());
    Log::instance().setFileName(m_dir.filePath(u"ZELPO.LOG"_s));
    FillLanguageTable(u"ENG"_s);
}

void TstZelLink::init()
{
    LinkStatus = 0;
    m_settings = Settings();
    m_settings.zelHost = u"127.0.0.1"_s;
    m_server = std::make_unique<ZelMeldServer>(script(u"ok"_s));
    QVERIFY(m_server->listen(QHostAddress::LocalHost, 0));
    m_settings.zelPort = m_server->port();
    m_link = std::make_unique<ZelLink>(m_settings);
    m_log = std::make_unique<QSignalSpy>(&Log::instance(), &Log::listLine);
    m_status = std::make_unique<QSignalSpy>(m_link.get(), &ZelLink::statusText);
}

void TstZelLink::cleanup()
{
    m_status.reset();
    m_log.reset();
    m_link.reset();
    m_server.reset();
}

void TstZelLink::waitUntilIdle()
{
    QTRY_COMPARE(m_link->tmmSockets.StateText, u"2 Waitforstring"_s);
    QTRY_VERIFY(m_link->SendQueue().isEmpty() && m_link->CurrentMessage().isEmpty());
    QSignalSpy ticks(&m_link->tmmSockets, &tZelTimeMachine::ticked);
    QTRY_VERIFY(ticks.size() >= 5);
}

void TstZelLink::serverSendsAndLinkReads(const QByteArray& bytes)
{
    LinkStatus = 2;
    m_server->sendToClients(bytes);
    QTRY_COMPARE(LinkStatus.load(), -1);
}

void TstZelLink::stateLabels()
{
    const StateRecorder recorder(m_link->tmmSockets);
    m_link->start();
    m_link->SendIPString(u"[ZEL WD 09 1]"_s, false);
    QTRY_COMPARE(m_server->receivedLines().size(), 1);
    QTRY_COMPARE(m_link->tmmSockets.StateText, u"2 Waitforstring"_s);
    m_link->SendIPString(u"[ZEL WD 09 2]"_s, false);
    QTRY_COMPARE(m_server->receivedLines().size(), 2);
    QTRY_COMPARE(m_link->tmmSockets.StateText, u"2 Waitforstring"_s);

    const QStringList expected = {// The first message opens the connection ...
                                  u"1 Start Socketmachine"_s, u"2 Waitforstring"_s,
                                  u"3 Check socket"_s, u"4.1 Start ZelPoort"_s,
                                  u"4.2 Open socket"_s, u"4.3 Wait for opensocket"_s,
                                  u"5 Send string"_s, u"2 Waitforstring"_s,
                                  // ... the second finds it open.
                                  u"3 Check socket"_s, u"5 Send string"_s, u"2 Waitforstring"_s};
    QCOMPARE(recorder.labels(), expected);
    QCOMPARE(m_server->connectionCount(), 1);
}

void TstZelLink::threeMessagesLeaveInOrderOnOneConnection_data()
{
    QTest::addColumn<QString>("host");
    QTest::newRow("dotted address") << u"127.0.0.1"_s;
    // The name may also stand for an address the server does not listen on (::1): the next
    // address is tried without an error.
    QTest::newRow("host name") << u"localhost"_s;
}

void TstZelLink::threeMessagesLeaveInOrderOnOneConnection()
{
    QFETCH(QString, host);
    if (QHostInfo::fromName(host).addresses().isEmpty())
        QSKIP("the name does not resolve on this machine (no hosts file)");
    m_settings.zelHost = host;
    const QStringList messages = {u"[ZEL RCVALARM 02,0012,03,T,,Kas 3 Lüftung]"_s,
                                  u"[ZEL RCVALARM 02,0012,04,R,,]"_s, u"[ZEL WD 09 7]"_s};
    m_link->start();
    for (const QString& message : messages)
        m_link->SendIPString(message, true);

    QTRY_COMPARE(m_server->receivedLines(), messages);
    QCOMPARE(m_server->connectionCount(), 1);
    // One byte per character and a carriage return each, no line feed.
    qint64 expectedBytes = 0;
    for (const QString& message : messages)
        expectedBytes += message.size() + 1;
    QCOMPARE(m_server->bytesReceived(), expectedBytes);

    QStringList sendLines;
    for (const QString& message : messages)
        sendLines.append(u"Send: "_s + message);
    QCOMPARE(zelListMessages(*m_log, u"Send:"_s), sendLines);
    QTRY_VERIFY(m_link->ReplyReceived());
    QCOMPARE(m_link->LastReply(), u"OK"_s);
    QVERIFY(m_status->isEmpty());
}

void TstZelLink::refusedConnectionLosesOnlyItsMessage()
{
    const quint16 port = freePort();
    QVERIFY(port != 0);
    m_settings.zelPort = port;
    QSignalSpy notWritten(m_link.get(), &ZelLink::messageNotWritten);
    m_link->PoLinkAlarmActive = true;
    m_link->start();
    const quint64 lost = m_link->SendIPString(u"[ZEL RCVALARM 02,9999,8,A]"_s, false);
    QTRY_COMPARE(LinkStatus.load(), 2);
    waitUntilIdle();

    // One error event, one log line with the system's number and text and the target; the
    // message is gone, and the sender can tell that it never left.
    QCOMPARE(texts(*m_status), QStringList{u"Error connecting to ZelMeld"_s});
    QCOMPARE(zelListMessages(*m_log, u"Zel PO socket error:"_s),
             QStringList{u"Zel PO socket error: "_s + QString::number(kConnectionRefused) + u' ' +
                         qt_error_string(kConnectionRefused).trimmed() + u", ZelMeld 127.0.0.1:"_s +
                         QString::number(port)});
    QVERIFY(zelListMessages(*m_log, u"Fatal socket error!"_s).isEmpty());
    QVERIFY(!m_link->PoLinkAlarmActive);
    QVERIFY(!m_link->SocketFailed());
    QCOMPARE(LinkStatus.load(), 2);
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
    QCOMPARE(LinkStatus.load(), -1);
    QCOMPARE(texts(*m_status), (QStringList{u"Error connecting to ZelMeld"_s, QString()}));
    QVERIFY(!m_link->neverWritten(sent));
    QVERIFY(m_link->neverWritten(lost));
    QCOMPARE(notWritten.size(), 1);
}

void TstZelLink::unknownHostLosesItsMessage()
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
    QCOMPARE(LinkStatus.load(), 2);
}

void TstZelLink::invalidPortFailsTheOpen_data()
{
    QTest::addColumn<int>("port");
    QTest::newRow("0") << 0;
    QTest::newRow("65536") << 65536;
    QTest::newRow("a digit too many") << 81320;
    QTest::newRow("negative") << -1;
}

void TstZelLink::invalidPortFailsTheOpen()
{
    QFETCH(int, port);
    m_settings.zelPort = port;
    m_link->PoLinkAlarmActive = true;
    m_link->start();
    const quint64 id = m_link->SendIPString(u"[ZEL WD 09 1]"_s, false);
    QTRY_VERIFY(!zelListMessages(*m_log, u"Fatal socket error!"_s).isEmpty());
    waitUntilIdle();

    // The log names the bad target; the status shows the failure like any socket error.
    QCOMPARE(zelListMessages(*m_log, u"Fatal socket error!"_s),
             QStringList{u"Fatal socket error! ZelMeld 127.0.0.1:"_s + QString::number(port) +
                         u": port outside 1-65535"_s});
    QVERIFY(zelListMessages(*m_log, u"Zel PO socket error:"_s).isEmpty());
    QCOMPARE(LinkStatus.load(), 2);
    QCOMPARE(texts(*m_status), QStringList{u"Error connecting to ZelMeld"_s});
    QVERIFY(!m_link->PoLinkAlarmActive);
    QVERIFY(m_link->neverWritten(id));
    QCOMPARE(m_server->connectionCount(), 0);
}

void TstZelLink::writtenLineIsNotNeverWritten()
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

void TstZelLink::neverWrittenKeepsTheRecentIds()
{
    // Every open fails at once, so the machine is stepped by hand, without its timer.
    m_settings.zelPort = 0;
    QList<quint64> ids;
    for (int i = 0; i < 100; ++i)
        ids.append(m_link->SendIPString(u"[ZEL WD 09 1]"_s, false));
    m_link->tmmSockets.State = 1;
    for (int step = 0; step < 10000 && !m_link->neverWritten(ids.last()); ++step)
        m_link->tmmSockets.tick();
    QVERIFY(m_link->neverWritten(ids.last()));
    // The record is bounded: the oldest are forgotten, a few dozen recent ones stay.
    QVERIFY(!m_link->neverWritten(ids.first()));
    for (qsizetype i = ids.size() - 24; i < ids.size(); ++i)
        QVERIFY(m_link->neverWritten(ids.at(i)));
}

void TstZelLink::peerCloseIsNoErrorAndTheNextOpenReadsTheSettings()
{
    m_server->setCloseAfter(1);
    ZelMeldServer second(script(u"ok"_s));
    QVERIFY(second.listen(QHostAddress::LocalHost, 0));
    QSignalSpy closed(m_server.get(), &ZelMeldServer::connectionClosed);
    m_link->start();
    m_link->SendIPString(u"first"_s, false);
    QVERIFY(closed.wait());
    waitUntilIdle();

    m_settings.zelPort = second.port();
    m_link->SendIPString(u"second"_s, false);
    QTRY_COMPARE(second.receivedLines(), QStringList{u"second"_s});
    QTRY_VERIFY(m_link->ReplyReceived());
    QCOMPARE(m_server->receivedLines(), QStringList{u"first"_s});
    QVERIFY(zelListMessages(*m_log, u"Zel PO socket error:"_s).isEmpty());
    QVERIFY(m_status->isEmpty());
    QCOMPARE(LinkStatus.load(), 0);
}

void TstZelLink::peerEndsTheConnection_data()
{
    QTest::addColumn<bool>("reset");
    QTest::newRow("orderly close") << false;
    QTest::newRow("reset") << true;
}

void TstZelLink::peerEndsTheConnection()
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
    m_link->PoLinkAlarmActive = true;
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
        QCOMPARE(LinkStatus.load(), 2);
        QVERIFY(!m_link->PoLinkAlarmActive);
    } else {
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join(u'\n')));
        QVERIFY(m_status->isEmpty());
        QCOMPARE(LinkStatus.load(), 0);
        QVERIFY(m_link->PoLinkAlarmActive);
    }
    // The line had left before the connection ended.
    QVERIFY(!m_link->neverWritten(id));

    // Either way the next message opens a new connection.
    m_link->SendIPString(u"[ZEL WD 09 2]"_s, false);
    QTRY_COMPARE(peer.lines(), 2);
    QCOMPARE(peer.connections(), 2);
}

void TstZelLink::orderlyCloseBeforeTheSendIsNamedAsSuch()
{
    EndingPeer peer;
    QVERIFY(peer.listen());
    m_settings.zelPort = peer.port();
    auto* socket = m_link->findChild<QTcpSocket*>();
    QVERIFY(socket);
    QSignalSpy ended(socket, &QTcpSocket::errorOccurred);
    // Stepped by hand, so the peer can close between the check and the send.
    tZelTimeMachine& machine = m_link->tmmSockets;
    machine.State = 1;
    m_link->SendIPString(u"[ZEL WD 09 1]"_s, false);
    QTRY_VERIFY((machine.tick(), peer.lines() == 1));

    const quint64 id = m_link->SendIPString(u"[ZEL WD 09 2]"_s, false);
    machine.tick();
    machine.tick();
    QCOMPARE(machine.StateText, u"3 Check socket"_s);
    peer.endConnections(false);
    QVERIFY(ended.wait());
    machine.tick();
    QCOMPARE(machine.StateText, u"5 Send string"_s);

    QCOMPARE(zelListMessages(*m_log, u"Zel PO socket error:"_s),
             QStringList{u"Zel PO socket error: "_s +
                         QString::number(int(QAbstractSocket::RemoteHostClosedError)) +
                         u" The remote host closed the connection, ZelMeld 127.0.0.1:"_s +
                         QString::number(peer.port())});
    QVERIFY(m_link->neverWritten(id));
    QCOMPARE(LinkStatus.load(), 2);
}

void TstZelLink::readKeepsTheLastOfSeveralLines()
{
    m_server->setScript(script(u"silent"_s));
    m_link->start();
    m_link->SendIPString(u"[ZEL WD 09 1]"_s, false);
    QTRY_COMPARE(m_server->receivedLines().size(), 1);

    m_server->sendToClients("NAK\rOK\r"_ba);
    QTRY_VERIFY(m_link->ReplyReceived());
    QCOMPARE(m_link->LastReply(), u"OK"_s);
    QCOMPARE(zelListMessages(*m_log, u"Recv:"_s), (QStringList{u"Recv: NAK"_s, u"Recv: OK"_s}));
}

void TstZelLink::readWithoutCarriageReturnGivesNoReply()
{
    m_server->setScript(script(u"silent"_s));
    m_link->start();
    m_link->SendIPString(u"[ZEL WD 09 1]"_s, false);
    QTRY_COMPARE(m_server->receivedLines().size(), 1);

    // Any read ends a link error, which shows that the read has happened.
    LinkStatus = 2;
    m_server->sendToClients("OK"_ba);
    QTRY_COMPARE(LinkStatus.load(), -1);
    QVERIFY(!m_link->ReplyReceived());
    QCOMPARE(m_link->LastReply(), QString());
    QVERIFY(zelListMessages(*m_log, u"Recv:"_s).isEmpty());
    QCOMPARE(texts(*m_status), QStringList{QString()});
}

void TstZelLink::wireIsWindows1252WithoutForgedLines()
{
    m_link->start();
    // An office text with "&#13;" or "&#10;" arrives here holding the control character.
    m_link->SendIPString(u"[ZEL RCVALARM 02,0012,03,T,,5 € – “Kas”…]"_s, false);
    m_link->SendIPString(u"[ZEL RCVALARM 02,0012,03,T,,x\r[ZEL RCVALARM 02,0012,04,R,,]]"_s, false);
    m_link->SendIPString(u"[ZEL RCVALARM 02,0012,03,T,,a\nb\u0085c\u007Fd]"_s, false);
    m_link->SendIPString(u"[ZEL RCVALARM 02,0012,03,T,,Ω Ω ok]"_s, false);

    const QStringList expected = {u"[ZEL RCVALARM 02,0012,03,T,,5 € – “Kas”…]"_s,
                                  u"[ZEL RCVALARM 02,0012,03,T,,x [ZEL RCVALARM 02,0012,04,R,,]]"_s,
                                  u"[ZEL RCVALARM 02,0012,03,T,,a b c d]"_s,
                                  u"[ZEL RCVALARM 02,0012,03,T,,? ? ok]"_s};
    QTRY_COMPARE(m_server->receivedLines(), expected);
    qint64 expectedBytes = 0;
    for (const QString& line : expected)
        expectedBytes += line.size() + 1;
    QCOMPARE(m_server->bytesReceived(), expectedBytes);
    waitUntilIdle();

    // Only the message that lost characters is logged, once, with their number.
    const QStringList lost = zelListMessages(*m_log, u"2 character(s)"_s);
    QCOMPARE(lost.size(), 1);
    QVERIFY2(lost.first().endsWith(u"Ω Ω ok]"_s), qPrintable(lost.first()));
    QVERIFY(zelListMessages(*m_log, u"1 character(s)"_s).isEmpty());
}

void TstZelLink::answerSplitOverReadsIsOneLine()
{
    m_server->setScript(script(u"silent"_s));
    m_link->start();
    m_link->SendIPString(u"[ZEL WD 09 1]"_s, false);
    QTRY_COMPARE(m_server->receivedLines().size(), 1);

    serverSendsAndLinkReads("O"_ba);
    QVERIFY(!m_link->ReplyReceived());
    serverSendsAndLinkReads("K\r\x80"_ba);
    QVERIFY(m_link->ReplyReceived());
    QCOMPARE(m_link->LastReply(), u"OK"_s);
    serverSendsAndLinkReads(" 3\r"_ba);
    QCOMPARE(m_link->LastReply(), u"€ 3"_s);
    QCOMPARE(zelListMessages(*m_log, u"Recv:"_s), (QStringList{u"Recv: OK"_s, u"Recv: € 3"_s}));
}

void TstZelLink::unfinishedLineDiesWithItsConnection()
{
    m_server->setScript(script(u"silent"_s));
    m_server->setCloseAfter(2);
    m_link->start();
    m_link->SendIPString(u"first"_s, false);
    QTRY_COMPARE(m_server->receivedLines().size(), 1);
    serverSendsAndLinkReads("NA"_ba);

    QSignalSpy closed(m_server.get(), &ZelMeldServer::connectionClosed);
    m_link->SendIPString(u"second"_s, false);
    QVERIFY(closed.wait());
    waitUntilIdle();
    m_link->SendIPString(u"third"_s, false);
    QTRY_COMPARE(m_server->receivedLines().size(), 3);
    QCOMPARE(m_server->connectionCount(), 2);

    // "NA" was the old connection's: the new one's first line is "K" alone.
    serverSendsAndLinkReads("K\r"_ba);
    QCOMPARE(m_link->LastReply(), u"K"_s);
}

void TstZelLink::sendIPStringClearsAnEarlierReply()
{
    m_link->start();
    m_link->SendIPString(u"first"_s, false);
    QTRY_VERIFY(m_link->ReplyReceived());
    QCOMPARE(m_link->LastReply(), u"OK"_s);

    m_server->setScript(script(u"silent"_s));
    m_link->SendIPString(u"second"_s, false);
    QVERIFY(!m_link->ReplyReceived());
    QCOMPARE(m_link->LastReply(), QString());

    // A line that arrives after the message was queued is its answer.
    QTRY_COMPARE(m_server->receivedLines().size(), 2);
    m_server->sendToClients("NAK 3\r"_ba);
    QTRY_VERIFY(m_link->ReplyReceived());
    QCOMPARE(m_link->LastReply(), u"NAK 3"_s);
}

void TstZelLink::socketErrorReport_data()
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

void TstZelLink::socketErrorReport()
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

void TstZelLink::simulatorProgramAnswersInTurn()
{
    m_server.reset();
    QProcess sim;
    sim.start(QStringLiteral(ZELMELD_SIM_BINARY), {u"--port"_s, u"0"_s, u"--reply"_s, u"NAK,OK"_s});
    QVERIFY(sim.waitForStarted());
    const QRegularExpression listening(u"listening on 127\\.0\\.0\\.1:(\\d+)"_s);
    QString output;
    QTRY_VERIFY((output += QString::fromLocal8Bit(sim.readAllStandardOutput()),
                 listening.match(output).hasMatch()));
    m_settings.zelPort = listening.match(output).captured(1).toInt();

    m_link->start();
    m_link->SendIPString(u"[ZEL WD 09 7]"_s, false);
    QTRY_VERIFY(m_link->ReplyReceived());
    QCOMPARE(m_link->LastReply(), u"NAK"_s);
    m_link->SendIPString(u"[ZEL WD 09 7]"_s, false);
    QTRY_VERIFY(m_link->ReplyReceived());
    QCOMPARE(m_link->LastReply(), u"OK"_s);

    // SIGTERM ends it normally, with the summary.
    sim.terminate();
    QVERIFY(sim.waitForFinished());
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
    output += QString::fromLocal8Bit(sim.readAllStandardOutput());
    const QRegularExpression stampedLine(
        uR"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} 1 <- \[ZEL WD 09 7\]$)"_s,
        QRegularExpression::MultilineOption);
    QCOMPARE(output.count(stampedLine), 2);
    QVERIFY2(output.contains(QRegularExpression(u"watchdog:\\s+2\n"_s)), qPrintable(output));
    QVERIFY2(output.contains(u"summary: 2 lines received on 1 connections"_s), qPrintable(output));
}

QTEST_GUILESS_MAIN(TstZelLink)
#include "tst_zellink.moc"
