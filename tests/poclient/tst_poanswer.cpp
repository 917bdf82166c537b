#include "PoRequestTestBase.h"

#include "core/Directories.h"
#include "core/Log.h"
#include "core/Trace.h"
#include "store/AlarmStatus.h"
#include "store/Documents.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(PoEndpoint)

namespace {

// Answers every request with body and no Content-Length: the body ends where the server
// closes, as with an old server or a chunked answer, so only its size as it arrives can tell.
class UnannouncedLengthServer : public QObject
{
    Q_OBJECT
public:
    explicit UnannouncedLengthServer(const QByteArray& body) : m_body(body)
    {
        connect(&m_server, &QTcpServer::newConnection, this, &UnannouncedLengthServer::answer);
    }
    bool listen() { return m_server.listen(QHostAddress::LocalHost, 0); }
    QString url() const
    {
        return u"http://127.0.0.1:"_s + QString::number(m_server.serverPort()) +
               u"/office/alarm/alarmserver"_s;
    }

private:
    // After the request head: closing with it unread would reset the connection.
    void answer()
    {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                m_head += socket->readAll();
                if (!m_head.contains("\r\n\r\n"))
                    return;
                socket->write("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + m_body);
                socket->disconnectFromHost();
            });
        }
    }

    QTcpServer m_server;
    QByteArray m_body;
    QByteArray m_head;
};

} // namespace

// What the worker makes of the content of an answer: encodings, size, malformed and empty
// answers, traces of what it read.
class TstPoAnswer : public PoRequestTestBase
{
    Q_OBJECT

private Q_SLOTS:
    void answerTracedAsSent();
    void invalidCharactersReplaced();
    void answerSizeLimit_data();
    void answerSizeLimit();
    void emptyAnswer_data();
    void emptyAnswer();
    void malformedAnswer_data();
    void malformedAnswer();
};

// An answer in windows-1252 is no valid UTF-8; its trace must still hold the very bytes. The
// traces of the status document hold the bytes their declaration names: ISO-8859-1, with a
// reference for the euro sign that has no byte there.
void TstPoAnswer::answerTracedAsSent()
{
    const QByteArray answer = "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n"
                              "<active-alarms><alarm pcu=\"Pcu1\" location=\"Kas \xe9\" nr=\"1\" "
                              "text=\"\x80 5\" start=\"20240301T090000\"/></active-alarms>\n";
    QVERIFY(writeFile(m_sim->filePath(PoEndpoint::Alarms), answer));
    TraceEnabled = true;

    const auto request = start(PoServerSim::path(PoEndpoint::Alarms), PoRequestKind::ActiveAlarms);
    QVERIFY(finished(request));
    QCOMPARE(request->outcome, PoOutcome::Succeeded);
    const XmlDocumentHandle& merged = mergedStatus(request);
    QCOMPARE(traceBytes(u"00"_s), answer);
    const QByteArray declaration = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n";
    QVERIFY(traceBytes(u"01"_s).startsWith(declaration));
    const QByteArray traced = traceBytes(u"02"_s);
    QVERIFY(traced.startsWith(declaration));
    QVERIFY2(traced.contains("location=\"Kas \xe9\" nr=\"1\" text=\"&#8364; 5\""),
             traced.constData());
    const pugi::xml_node entry = findAlarmEntry(merged->root(), "Pcu1", "Kas \xc3\xa9", "1");
    QCOMPARE(entry.attribute("text").value(), "\xe2\x82\xac 5");
}

// One bad attribute does not cost the other alarms: it is read with U+FFFD in place of what
// could not be decoded, and the office list says so once, naming the server.
void TstPoAnswer::invalidCharactersReplaced()
{
    const QByteArray answer = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<active-alarms>"
                              "<alarm pcu=\"Pcu1\" location=\"Kas 3\" nr=\"1\" text=\"a\xc0\x80\"/>"
                              "<alarm pcu=\"Pcu2\" location=\"Kas \xe9\" nr=\"2\"/>"
                              "</active-alarms>";
    QVERIFY(writeFile(m_sim->filePath(PoEndpoint::Alarms), answer));

    const auto request = start(PoServerSim::path(PoEndpoint::Alarms), PoRequestKind::ActiveAlarms);
    QVERIFY(finished(request));
    QCOMPARE(request->outcome, PoOutcome::Succeeded);
    const pugi::xml_node root = mergedStatus(request)->root();
    QCOMPARE(findAlarmEntry(root, "Pcu1", "Kas 3", "1").attribute("text").value(),
             "a\xef\xbf\xbd\xef\xbf\xbd");
    QVERIFY(findAlarmEntry(root, "Pcu2", "Kas \xef\xbf\xbd", "2"));
    QCOMPARE(m_recorder->lines.size(), 1);
    QCOMPARE(poLines(u"Invalid characters in answer from PO server: "_s +
                     simUrl(PoServerSim::path(PoEndpoint::Alarms)) + u" (3 replaced"_s)
                 .size(),
             1);
}

void TstPoAnswer::answerSizeLimit_data()
{
    QTest::addColumn<qint64>("overLimit"); // bytes by which the answer exceeds the limit
    QTest::addColumn<bool>("announced");   // the server sends Content-Length

    QTest::newRow("as large as the limit") << qint64(0) << true;
    QTest::newRow("one byte more") << qint64(1) << true;
    QTest::newRow("far more") << qint64(100000) << true;
    QTest::newRow("as large as the limit, length not announced") << qint64(0) << false;
    QTest::newRow("one byte more, length not announced") << qint64(1) << false;
    QTest::newRow("far more, length not announced") << qint64(100000) << false;
}

// A larger answer is refused as a failed request, with its size in the log.
void TstPoAnswer::answerSizeLimit()
{
    QFETCH(qint64, overLimit);
    QFETCH(bool, announced);
    QByteArray answer = readFile(m_sim->filePath(PoEndpoint::Alarms));
    answer += QByteArray(overLimit, ' ');
    QVERIFY(writeFile(m_sim->filePath(PoEndpoint::Alarms), answer));
    const qint64 limit = answer.size() - overLimit;
    UnannouncedLengthServer unannounced(answer);
    QVERIFY(unannounced.listen());
    const QString url =
        announced ? simUrl(PoServerSim::path(PoEndpoint::Alarms)) : unannounced.url();

    const auto request =
        m_client->StartPoRequest(url, PoRequestKind::ActiveAlarms, PoTimeouts{10000, 50000, limit});
    QVERIFY(finished(request));

    if (overLimit == 0) {
        QCOMPARE(request->outcome, PoOutcome::Succeeded);
        QVERIFY(hasExampleAlarm(mergedStatus(request)));
        QCOMPARE(m_recorder->lines, QStringList());
        return;
    }
    QCOMPARE(request->outcome, PoOutcome::Failed);
    QVERIFY(!mergedStatus(request));
    m_client->reportOutcome(*request);
    QVERIFY(m_client->officeFailed());
    QCOMPARE(request->requestMessage, kEmptyAnswer);
    QCOMPARE(m_recorder->lines.size(), 1);
    const QString limitText = QString::number(limit);
    const QString size =
        announced ? QString(QString::number(answer.size()) + u" bytes refused, the limit is "_s +
                            limitText + u" bytes)"_s)
                  : QString(u"more than "_s + limitText + u" bytes refused)"_s);
    const QString refusal = kCommunicationError + u": "_s + url + u" (answer of "_s + size;
    QVERIFY2(m_recorder->lines.first().endsWith(refusal), qPrintable(m_recorder->lines.first()));
}

void TstPoAnswer::emptyAnswer_data()
{
    QTest::addColumn<PoRequestKind>("kind");
    QTest::addColumn<PoEndpoint>("endpoint");
    QTest::newRow("configuration") << PoRequestKind::Configuration << PoEndpoint::Config;
    QTest::newRow("active alarms") << PoRequestKind::ActiveAlarms << PoEndpoint::Alarms;
}

// A successful GET with nothing in it: a message, not a failure, and no file touched (the
// returned entries stay, so no purge ran either).
void TstPoAnswer::emptyAnswer()
{
    QFETCH(PoRequestKind, kind);
    QFETCH(PoEndpoint, endpoint);
    PoFault empty;
    empty.emptyBody = true;
    m_sim->setFault(empty);
    TraceEnabled = true;

    const auto request = start(PoServerSim::path(endpoint), kind);
    QVERIFY(finished(request));

    QCOMPARE(request->outcome, PoOutcome::Succeeded);
    QCOMPARE(request->requestMessage, kEmptyAnswer);
    m_client->reportOutcome(*request);
    QVERIFY(!m_client->officeFailed());
    QCOMPARE(m_recorder->statusTexts, QStringList());
    QCOMPARE(m_recorder->lines, QStringList());
    QVERIFY(!mergedStatus(request));
    QVERIFY(!request->configAnswer);
    QCOMPARE(readFile(alarmStatusPath()), kStatusFile);
    QCOMPARE(traceTags(), QStringList());
}

void TstPoAnswer::malformedAnswer_data()
{
    QTest::addColumn<PoRequestKind>("kind");
    QTest::addColumn<PoEndpoint>("endpoint");
    QTest::addColumn<QByteArray>("content"); // empty: the example cut short by the simulator
    QTest::addColumn<QString>("reason");     // part of the reason the line gives

    const QByteArray unsupported = "<?xml version=\"1.0\" encoding=\"EBCDIC-US\"?><c/>";
    QTest::newRow("configuration cut short") << PoRequestKind::Configuration << PoEndpoint::Config
                                             << QByteArray() << u"XML parse error"_s;
    QTest::newRow("active alarms cut short") << PoRequestKind::ActiveAlarms << PoEndpoint::Alarms
                                             << QByteArray() << u"XML parse error"_s;
    QTest::newRow("configuration in an unsupported encoding")
        << PoRequestKind::Configuration << PoEndpoint::Config << unsupported
        << u"unsupported encoding \"EBCDIC-US\""_s;
    QTest::newRow("active alarms in an unsupported encoding")
        << PoRequestKind::ActiveAlarms << PoEndpoint::Alarms << unsupported
        << u"unsupported encoding \"EBCDIC-US\""_s;
}

// Processing stops at the parse error: nothing handed over, no purge, and one line that
// names the server and the parser's reason.
void TstPoAnswer::malformedAnswer()
{
    QFETCH(PoRequestKind, kind);
    QFETCH(PoEndpoint, endpoint);
    QFETCH(QByteArray, content);
    QFETCH(QString, reason);
    PoFault malformed;
    malformed.malformed = true;
    if (content.isEmpty())
        m_sim->setFault(malformed);
    else
        QVERIFY(writeFile(m_sim->filePath(endpoint), content));

    const auto request = start(PoServerSim::path(endpoint), kind);
    QVERIFY(finished(request));

    QCOMPARE(request->outcome, PoOutcome::Succeeded);
    QCOMPARE(request->requestMessage, QString());
    QVERIFY(!mergedStatus(request));
    QVERIFY(!request->configAnswer);
    QCOMPARE(readFile(alarmStatusPath()), kStatusFile);
    QCOMPARE(m_recorder->lines.size(), 1);
    QCOMPARE(poLines(u"Malformed answer from PO server: "_s + simUrl(PoServerSim::path(endpoint)) +
                     u" ("_s + reason)
                 .size(),
             1);
}

QTEST_GUILESS_MAIN(TstPoAnswer)
#include "tst_poanswer.moc"
