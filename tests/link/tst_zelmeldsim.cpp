#include "link/ZelFraming.h"
#include "link/ZelReplyReader.h"

#include "LineTally.h"
#include "ReplyScript.h"
#include "ZelMeldServer.h"

#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(LineKind)

namespace {

constexpr int kRefuseMs = 1000;

ReplyScript script(const QString& rule)
{
    return *ReplyScript::parse(rule);
}

// A plain client of the simulator, as a technician's terminal would be.
class Client
{
public:
    explicit Client(quint16 port) { m_socket.connectToHost(QHostAddress::LocalHost, port); }
    bool waitConnected() { return m_socket.waitForConnected(5000); }
    void send(const QByteArray& bytes) { m_socket.write(bytes); }
    QByteArray received()
    {
        m_received += m_socket.readAll();
        return m_received;
    }
    QTcpSocket& socket() { return m_socket; }

private:
    QTcpSocket m_socket;
    QByteArray m_received;
};

} // namespace

class TstZelMeldSim : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void parseRule_data();
    void parseRule();
    void answersInTurn_data();
    void answersInTurn();
    void garbageIsNeitherAcceptedNorRefused();
    void linesEndAtCarriageReturnOrLineFeed();
    void linesAreWindows1252();
    void closesAfterLinesPerConnection();
    void refusesForAWhile_data();
    void refusesForAWhile();
    void lineKinds_data();
    void lineKinds();
};

void TstZelMeldSim::parseRule_data()
{
    QTest::addColumn<QString>("rule");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("text");
    QTest::newRow("ok") << u"ok"_s << true << u"OK"_s;
    QTest::newRow("script") << u"NAK,OK"_s << true << u"NAK,OK"_s;
    QTest::newRow("blanks and mixed case")
        << u" nak , Silent,GARBAGE"_s << true << u"NAK,SILENT,GARBAGE"_s;
    QTest::newRow("empty") << QString() << false << QString();
    QTest::newRow("empty entry") << u"ok,,nak"_s << false << QString();
    QTest::newRow("unknown word") << u"yes"_s << false << QString();
}

void TstZelMeldSim::parseRule()
{
    QFETCH(QString, rule);
    QFETCH(bool, valid);
    QFETCH(QString, text);
    const std::optional<ReplyScript> parsed = ReplyScript::parse(rule);
    QCOMPARE(parsed.has_value(), valid);
    if (parsed)
        QCOMPARE(parsed->text(), text);
}

void TstZelMeldSim::answersInTurn_data()
{
    QTest::addColumn<QString>("rule");
    QTest::addColumn<QByteArray>("answers");
    QTest::newRow("ok") << u"ok"_s << "OK\rOK\rOK\r"_ba;
    QTest::newRow("nak") << u"nak"_s << "NAK\rNAK\rNAK\r"_ba;
    QTest::newRow("script cycles") << u"NAK,OK"_s << "NAK\rOK\rNAK\r"_ba;
    QTest::newRow("silent sends nothing") << u"silent,ok,silent"_s << "OK\r"_ba;
}

void TstZelMeldSim::answersInTurn()
{
    QFETCH(QString, rule);
    QFETCH(QByteArray, answers);
    ZelMeldServer server(script(rule));
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    Client client(server.port());
    QVERIFY(client.waitConnected());
    client.send("one\rtwo\rthree\r"_ba);
    QTRY_COMPARE(server.receivedLines().size(), 3);
    QTRY_COMPARE(client.received(), answers);
}

void TstZelMeldSim::garbageIsNeitherAcceptedNorRefused()
{
    ZelMeldServer server(script(u"garbage"_s));
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    Client client(server.port());
    QVERIFY(client.waitConnected());
    client.send("[ZEL WD 09]\r"_ba);
    QTRY_VERIFY(client.received().endsWith('\r'));
    const QStringList lines = ZelReplyReader().read(client.received()).lines;
    QCOMPARE(lines.size(), 1);
    QCOMPARE(classifyZelAnswer(lines.first()), ZelAnswer::Other);
}

void TstZelMeldSim::linesEndAtCarriageReturnOrLineFeed()
{
    ZelMeldServer server(script(u"ok"_s));
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    Client client(server.port());
    QVERIFY(client.waitConnected());
    client.send("A\r\nB\nC"_ba);
    QTRY_COMPARE(server.receivedLines(), (QStringList{u"A"_s, u"B"_s}));
    // A line cut over two reads is joined.
    client.send("D\r"_ba);
    QTRY_COMPARE(server.receivedLines(), (QStringList{u"A"_s, u"B"_s, u"CD"_s}));
    QCOMPARE(server.bytesReceived(), 8);
}

void TstZelMeldSim::linesAreWindows1252()
{
    ZelMeldServer server(script(u"ok"_s));
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    QSignalSpy reports(&server, &ZelMeldServer::report);
    Client client(server.port());
    QVERIFY(client.waitConnected());
    client.send("5 \x80 \x93"
                "a\x94 \xE9\x81\r"_ba);
    QTRY_COMPARE(server.receivedLines(), QStringList{u"5 € “a” é\u0081"_s});
    // The operator sees the undefined byte as a control character, not as a blank.
    bool shown = false;
    for (const QList<QVariant>& arguments : reports)
        shown = shown || arguments.at(0).toString().endsWith(u"<- 5 € “a” é<81>"_s);
    QVERIFY(shown);
}

void TstZelMeldSim::closesAfterLinesPerConnection()
{
    ZelMeldServer server(script(u"ok"_s));
    server.setCloseAfter(2);
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    Client first(server.port());
    QVERIFY(first.waitConnected());
    QSignalSpy disconnected(&first.socket(), &QTcpSocket::disconnected);
    first.send("A\rB\rC\r"_ba);
    QVERIFY(disconnected.wait());
    // Both answers leave before the connection closes; the third line is not taken.
    QCOMPARE(first.received(), "OK\rOK\r"_ba);
    QCOMPARE(server.receivedLines(), (QStringList{u"A"_s, u"B"_s}));

    Client second(server.port());
    QVERIFY(second.waitConnected());
    second.send("D\r"_ba);
    QTRY_COMPARE(second.received(), "OK\r"_ba);
    QCOMPARE(second.socket().state(), QAbstractSocket::ConnectedState);
    QCOMPARE(server.connectionCount(), 2);
}

void TstZelMeldSim::refusesForAWhile_data()
{
    QTest::addColumn<bool>("afterClose");
    QTest::newRow("from now") << false;
    QTest::newRow("after a close") << true;
}

void TstZelMeldSim::refusesForAWhile()
{
    QFETCH(bool, afterClose);
    ZelMeldServer server(script(u"ok"_s));
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    QSignalSpy listening(&server, &ZelMeldServer::listeningChanged);
    std::unique_ptr<Client> closedOne;
    if (afterClose) {
        server.setCloseAfter(1);
        server.setRefuseAfterClose(kRefuseMs);
        closedOne = std::make_unique<Client>(server.port());
        QVERIFY(closedOne->waitConnected());
        closedOne->send("A\r"_ba);
    } else {
        server.refuseFor(kRefuseMs);
    }
    QTRY_VERIFY(!server.isListening());

    Client refused(server.port());
    // Linux reports the refusal a moment later; Wine within the connect call.
    QTRY_COMPARE(refused.socket().error(), QAbstractSocket::ConnectionRefusedError);

    QTRY_VERIFY_WITH_TIMEOUT(server.isListening(), 10 * kRefuseMs);
    QCOMPARE(listening.last().at(0).toBool(), true);
    Client accepted(server.port());
    QVERIFY(accepted.waitConnected());
}

void TstZelMeldSim::lineKinds_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<LineKind>("kind");
    QTest::newRow("watchdog without id") << u"[ZEL WD 09]"_s << LineKind::Watchdog;
    QTest::newRow("watchdog with id") << u"[ZEL WD 09 7]"_s << LineKind::Watchdog;
    QTest::newRow("link lost") << u"[ZEL RCVALARM 02,9999,8,A]"_s << LineKind::SystemAlarm;
    QTest::newRow("link restored") << u"[ZEL RCVALARM 02,9999,8,R]"_s << LineKind::SystemAlarm;
    QTest::newRow("configuration") << u"[ZEL RCVALARM 02,9999,9,A]"_s << LineKind::SystemAlarm;
    QTest::newRow("alarm") << u"[ZEL RCVALARM 02,0012,03,T,,Kas 1]"_s << LineKind::Alarm;
    QTest::newRow("group return") << u"[ZEL RCVALARM 02,0012,03,R,,]"_s << LineKind::Alarm;
    QTest::newRow("test message") << u"[ZEL RCVALARM 02,000001,01,A]"_s << LineKind::Alarm;
    QTest::newRow("wrong constant") << u"[ZEL WD 9]"_s << LineKind::Other;
    QTest::newRow("leading line feed") << u"\n[ZEL WD 09]"_s << LineKind::Other;
    QTest::newRow("no closing bracket") << u"[ZEL RCVALARM 02,0012,03,T,,x"_s << LineKind::Other;
}

void TstZelMeldSim::lineKinds()
{
    QFETCH(QString, line);
    QFETCH(LineKind, kind);
    QCOMPARE(int(lineKind(line)), int(kind));
    LineTally tally;
    tally.add(line);
    QCOMPARE(tally.count(kind), 1);
    QCOMPARE(tally.total(), 1);
}

QTEST_GUILESS_MAIN(TstZelMeldSim)
#include "tst_zelmeldsim.moc"
