#include "LinkFixture.h"
#include "LinkTestSupport.h"

#include <QHostInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Every state label the machine passes, each repetition of a waiting state shown once.
class StateRecorder
{
public:
    explicit StateRecorder(const tZelTimeMachine& machine)
    {
        QObject::connect(&machine, &tZelTimeMachine::ticked, &machine, [this, &machine] {
            if (m_labels.isEmpty() || m_labels.last() != machine.StateText())
                m_labels.append(machine.StateText());
        });
    }
    const QStringList& labels() const { return m_labels; }

private:
    QStringList m_labels;
};

} // namespace

// The link on its main paths: queue order, framing on the wire, replies.
class TstZelLink : public QObject, protected LinkFixture
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void stateLabels();
    void threeMessagesLeaveInOrderOnOneConnection_data();
    void threeMessagesLeaveInOrderOnOneConnection();
    void peerCloseIsNoErrorAndTheNextOpenReadsTheSettings();
    void readKeepsTheLastOfSeveralLines();
    void readWithoutCarriageReturnGivesNoReply();
    void wireIsWindows1252WithoutForgedLines();
    void answerSplitOverReadsIsOneLine();
    void unfinishedLineDiesWithItsConnection();
    void sendIPStringClearsAnEarlierReply();
    void simulatorProgramAnswersInTurn();
};

void TstZelLink::initTestCase()
{
    setUpLog();
}

void TstZelLink::init()
{
    setUp();
}

void TstZelLink::cleanup()
{
    tearDown();
}

void TstZelLink::stateLabels()
{
    const StateRecorder recorder(m_link->tmmSockets());
    m_link->start();
    m_link->SendIPString(u"[ZEL WD 09 1]"_s, false);
    QTRY_COMPARE(m_server->receivedLines().size(), 1);
    QTRY_COMPARE(m_link->tmmSockets().StateText(), u"2 Waitforstring"_s);
    m_link->SendIPString(u"[ZEL WD 09 2]"_s, false);
    QTRY_COMPARE(m_server->receivedLines().size(), 2);
    QTRY_COMPARE(m_link->tmmSockets().StateText(), u"2 Waitforstring"_s);

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

void TstZelLink::peerCloseIsNoErrorAndTheNextOpenReadsTheSettings()
{
    m_server->setCloseAfter(1);
    ZelMeldServer second(script(u"ok"_s));
    QVERIFY(second.listen(QHostAddress::LocalHost, 0));
    QSignalSpy closed(m_server.get(), &ZelMeldServer::connectionClosed);
    m_link->start();
    m_link->SendIPString(u"first"_s, false);
    QVERIFY(closed.wait());
    // The close has reached the link's socket (a line sent before that would meet a closed
    // connection and fail).
    auto* socket = m_link->findChild<QTcpSocket*>();
    QVERIFY(socket);
    QTRY_COMPARE(socket->state(), QAbstractSocket::UnconnectedState);
    waitUntilIdle();

    m_settings.zelPort = second.port();
    m_link->SendIPString(u"second"_s, false);
    QTRY_COMPARE(second.receivedLines(), QStringList{u"second"_s});
    QTRY_VERIFY(m_link->ReplyReceived());
    QCOMPARE(m_server->receivedLines(), QStringList{u"first"_s});
    QVERIFY(zelListMessages(*m_log, u"Zel PO socket error:"_s).isEmpty());
    QVERIFY(m_status->isEmpty());
    QVERIFY(!m_link->linkFailed());
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

    serverSendsAndLinkReads("OK"_ba);
    QVERIFY(!m_link->ReplyReceived());
    QCOMPARE(m_link->LastReply(), QString());
    QVERIFY(zelListMessages(*m_log, u"Recv:"_s).isEmpty());
    QVERIFY(m_status->isEmpty());
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
    // The link hears of the close a moment after the server made it (later under Wine).
    QTRY_VERIFY(!m_link->isConnected());
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

    // A stop request (SIGTERM; on Windows the close message) ends it normally, with the summary.
    sim.terminate();
    QVERIFY(sim.waitForFinished());
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
    output += QString::fromLocal8Bit(sim.readAllStandardOutput());
    output.remove(u'\r'); // Windows' standard output ends lines with CR LF
    const QRegularExpression stampedLine(
        uR"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} 1 <- \[ZEL WD 09 7\]$)"_s,
        QRegularExpression::MultilineOption);
    QCOMPARE(output.count(stampedLine), 2);
    QVERIFY2(output.contains(QRegularExpression(u"watchdog:\\s+2\n"_s)), qPrintable(output));
    QVERIFY2(output.contains(u"summary: 2 lines received on 1 connections"_s), qPrintable(output));
}

QTEST_GUILESS_MAIN(TstZelLink)
#include "tst_zellink.moc"
