#include "PoServerSim.h"

#include "core/Directories.h"
#include "core/Language.h"
#include "core/LinkStatus.h"
#include "core/Log.h"
#include "core/Trace.h"
#include "poclient/PoClient.h"
#include "store/AlarmStatus.h"
#include "store/Documents.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(PoFault)
Q_DECLARE_METATYPE(PoEndpoint)

namespace {

const QString kCommunicationError = u"Error communicating with PO server"_s;
const QString kEmptyAnswer = u"Error getting data from Priva Office"_s;

// A returned alarm, an active alarm that the example answer still reports, a returned group.
const QByteArray kStatusFile = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
                               "<POAlarmStatus>\n"
                               "\t<Alarm pcu=\"Pcu1\" location=\"Kas 4\" nr=\"2\" text=\"Lage "
                               "temperatuur\" start=\"20240612T120008\" State=\"R\" "
                               "Sent=\"20240612T120000\" />\n"
                               "\t<Alarm pcu=\"Pcu2\" location=\"Ketelhuis\" nr=\"3\" "
                               "text=\"Storing ketel\" start=\"20240612T140210\" State=\"A\" "
                               "Sent=\"20240612T140210\" />\n"
                               "\t<Group ZelAlarm=\"0012 - 05\" State=\"R\" />\n"
                               "</POAlarmStatus>\n";

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// Waits for the hand-over, then delivers what the worker queued before it.
bool finished(const std::shared_ptr<PoRequest>& request, int timeoutMs = 10000)
{
    const bool done =
        QTest::qWaitFor([&] { return request->done.load(std::memory_order_acquire); }, timeoutMs);
    QCoreApplication::sendPostedEvents();
    return done;
}

// A port on which nothing listens.
quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

QString refusedUrl()
{
    return u"http://127.0.0.1:"_s + QString::number(closedPort()) + u"/office/alarm/alarmserver"_s;
}

// Status text and list lines as they arrive on the GUI thread.
class Recorder : public QObject
{
    Q_OBJECT
public:
    void takeStatus(const QString& text) { statusTexts.append(text); }
    void takeLine(int target, const QString& line)
    {
        targets.append(target);
        lines.append(line);
    }
    QStringList statusTexts;
    QList<int> targets;
    QStringList lines;
};

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

QStringList traceTags()
{
    const QDir dir(QDir(PoDataDirectory()).filePath(u"trace"_s));
    QStringList tags;
    for (const QString& name : dir.entryList({u"*.trc"_s}, QDir::Files, QDir::Name))
        tags.append(name.section(u'_', -1).section(u'.', 0, 0));
    tags.sort();
    return tags;
}

QByteArray traceBytes(const QString& tag)
{
    const QDir dir(QDir(PoDataDirectory()).filePath(u"trace"_s));
    const QStringList names = dir.entryList({u"*_"_s + tag + u".trc"_s}, QDir::Files);
    return names.size() == 1 ? readFile(dir.filePath(names.first())) : QByteArray();
}

QString traceText(const QString& tag)
{
    return QString::fromUtf8(traceBytes(tag));
}

bool hasExampleAlarm(const XmlDocumentHandle& status)
{
    return status && FindAlarmEntry(status->root(), "Pcu1", "Kas 3", "1");
}

} // namespace

class TstPoRequest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void activeAlarmsMergedNotSaved();
    void processingByKind_data();
    void processingByKind();
    void traceFailureDoesNotStopMerge();
    void answerTracedAsSent();
    void invalidCharactersReplaced();
    void answerSizeLimit_data();
    void answerSizeLimit();
    void transferBoundOutlastsTheMachinesWait_data();
    void transferBoundOutlastsTheMachinesWait();
    void communicationFailure_data();
    void communicationFailure();
    void successClearsCommunicationError();
    void linkStatusOnSuccess_data();
    void linkStatusOnSuccess();
    void emptyAnswer_data();
    void emptyAnswer();
    void malformedAnswer_data();
    void malformedAnswer();
    void cancelledRequestLeavesNoTrace_data();
    void cancelledRequestLeavesNoTrace();
    void destroyingTheClientEndsItsWorkers();
    void realSimulatorBinary();

private:
    std::shared_ptr<PoRequest> start(const QString& path, int kind,
                                     const PoTimeouts& timeouts = PoTimeouts{10000, 50000});
    QString simUrl(const QString& path) const;
    // Lines of the office list that hold part.
    QStringList poLines(const QString& part) const;

    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<PoServerSim> m_sim;
    std::unique_ptr<PoClient> m_client;
    std::unique_ptr<Recorder> m_recorder;
};

void TstPoRequest::initTestCase()
{
    // The log must live on the GUI thread before any worker logs.
    Log::instance();
    FillLanguageTable(u"ENG"_s);
}

void TstPoRequest::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    QVERIFY(m_root->isValid());
    const QDir root(m_root->path());
    QVERIFY(root.mkpath(u"program"_s) && root.mkpath(u"data"_s) && root.mkpath(u"sim"_s));
    QVERIFY(writeFile(root.filePath(u"program/PO.ini"_s),
                      "[Application]\ndatapath=" + root.filePath(u"data"_s).toUtf8() + '\n'));
    qputenv("XDG_DATA_HOME", root.filePath(u"xdg"_s).toUtf8());
    resetDirectories(root.filePath(u"program"_s));
    Log::instance().setFileName(root.filePath(u"data/ZELPO.LOG"_s));

    m_sim = std::make_unique<PoServerSim>(root.filePath(u"sim"_s));
    for (const PoEndpoint endpoint : AllPoEndpoints) {
        const QString example = QStringLiteral(PO_SIM_EXAMPLES) + u'/' + m_sim->fileName(endpoint);
        QVERIFY(QFile::copy(example, m_sim->filePath(endpoint)));
    }
    QVERIFY(m_sim->listen());
    QVERIFY(writeFile(AlarmStatusPath(), kStatusFile));
    // Start-up creates it when tracing is on.
    QVERIFY(QDir(PoDataDirectory()).mkdir(u"trace"_s));

    m_client = std::make_unique<PoClient>();
    m_recorder = std::make_unique<Recorder>();
    connect(m_client.get(), &PoClient::statusText, m_recorder.get(), &Recorder::takeStatus);
    connect(&Log::instance(), &Log::listLine, m_recorder.get(), &Recorder::takeLine);
    LinkStatus = 0;
    TraceEnabled = false;
}

void TstPoRequest::cleanup()
{
    TraceEnabled = false;
    m_client.reset();
    m_recorder.reset();
    m_sim.reset();
    Log::instance().setFileName(QString());
    resetDirectories();
    m_root.reset();
}

std::shared_ptr<PoRequest> TstPoRequest::start(const QString& path, int kind,
                                               const PoTimeouts& timeouts)
{
    return m_client->StartPoRequest(simUrl(path), kind, timeouts);
}

QString TstPoRequest::simUrl(const QString& path) const
{
    return u"http://"_s + m_sim->authority() + path;
}

QStringList TstPoRequest::poLines(const QString& part) const
{
    QStringList found;
    for (qsizetype i = 0; i < m_recorder->lines.size(); ++i) {
        if (m_recorder->targets[i] == LogPoList && m_recorder->lines[i].contains(part))
            found.append(m_recorder->lines[i]);
    }
    return found;
}

void TstPoRequest::activeAlarmsMergedNotSaved()
{
    const auto request = start(PoServerSim::path(PoEndpoint::Alarms), PoRequestActiveAlarms);
    QVERIFY(finished(request));

    QVERIFY(!request->failed);
    QCOMPARE(request->requestMessage, QString());
    QVERIFY(hasExampleAlarm(request->mergedStatus));
    const pugi::xml_node root = request->mergedStatus->root();
    const pugi::xml_node added = FindAlarmEntry(root, "Pcu1", "Kas 3", "1");
    QCOMPARE(added.attribute("State").value(), "A");
    QCOMPARE(added.attribute("start").value(), "20240612T131500");
    QCOMPARE(added.attribute("Sent").value(), "");
    // Still reported: active again with its start unchanged, so nothing is sent anew.
    const pugi::xml_node kept = FindAlarmEntry(root, "Pcu2", "Ketelhuis", "3");
    QCOMPARE(kept.attribute("State").value(), "A");
    QCOMPARE(kept.attribute("start").value(), "20240612T140210");
    // The GUI thread saves the merged status; the worker leaves the file alone.
    QCOMPARE(readFile(AlarmStatusPath()), kStatusFile);
    QCOMPARE(LinkStatus.load(), 0);
    QCOMPARE(m_recorder->statusTexts, QStringList());
    QCOMPARE(traceTags(), QStringList());
}

void TstPoRequest::processingByKind_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<PoEndpoint>("endpoint");
    QTest::addColumn<bool>("purged");
    QTest::addColumn<bool>("merged");
    QTest::addColumn<bool>("configKept");
    QTest::addColumn<QStringList>("tags");

    QTest::newRow("configuration")
        << 1 << PoEndpoint::Config << true << false << true << QStringList();
    QTest::newRow("active alarms") << 2 << PoEndpoint::Alarms << false << true << false
                                   << QStringList{u"00"_s, u"01"_s, u"02"_s};
    QTest::newRow("fetch only") << 3 << PoEndpoint::Alarms << false << false << false
                                << QStringList();
}

// With tracing on: what each kind leaves on disk and in the request.
void TstPoRequest::processingByKind()
{
    QFETCH(int, kind);
    QFETCH(PoEndpoint, endpoint);
    QFETCH(bool, purged);
    QFETCH(bool, merged);
    QFETCH(bool, configKept);
    QFETCH(QStringList, tags);
    TraceEnabled = true;

    const auto request = start(PoServerSim::path(endpoint), kind);
    QVERIFY(finished(request));

    QVERIFY(!request->failed);
    QCOMPARE(request->requestMessage, QString());
    QCOMPARE(hasExampleAlarm(request->mergedStatus), merged);
    QCOMPARE(request->configAnswer,
             configKept ? readFile(m_sim->filePath(PoEndpoint::Config)).toStdString()
                        : std::string());
    const QByteArray onDisk = readFile(AlarmStatusPath());
    if (purged) {
        QVERIFY(!onDisk.contains("State=\"R\""));
        QVERIFY(onDisk.contains("location=\"Ketelhuis\""));
    } else {
        QCOMPARE(onDisk, kStatusFile);
    }
    // The link definitions are the GUI thread's to change.
    QVERIFY(!QFile::exists(LinkDefsPath()));
    QCOMPARE(traceTags(), tags);
    if (merged) {
        QVERIFY(!traceText(u"01"_s).contains(u"Kas 3"));
        QVERIFY(traceText(u"02"_s).contains(u"location=\"Kas 3\""));
    }
}

// An answer in windows-1252 is no valid UTF-8; its trace must still hold the very bytes. The
// traces of the status document hold the bytes their declaration names: ISO-8859-1, with a
// reference for the euro sign that has no byte there.
void TstPoRequest::answerTracedAsSent()
{
    const QByteArray answer = "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n"
                              "<active-alarms><alarm pcu=\"Pcu1\" location=\"Kas \xe9\" nr=\"1\" "
                              "text=\"\x80 5\" start=\"20240301T090000\"/></active-alarms>\n";
    QVERIFY(writeFile(m_sim->filePath(PoEndpoint::Alarms), answer));
    TraceEnabled = true;

    const auto request = start(PoServerSim::path(PoEndpoint::Alarms), PoRequestActiveAlarms);
    QVERIFY(finished(request));
    QVERIFY(!request->failed);
    QCOMPARE(traceBytes(u"00"_s), answer);
    const QByteArray declaration = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n";
    QVERIFY(traceBytes(u"01"_s).startsWith(declaration));
    const QByteArray merged = traceBytes(u"02"_s);
    QVERIFY(merged.startsWith(declaration));
    QVERIFY2(merged.contains("location=\"Kas \xe9\" nr=\"1\" text=\"&#8364; 5\""),
             merged.constData());
    const pugi::xml_node entry =
        FindAlarmEntry(request->mergedStatus->root(), "Pcu1", "Kas \xc3\xa9", "1");
    QCOMPARE(entry.attribute("text").value(), "\xe2\x82\xac 5");
}

// One bad attribute does not cost the other alarms: it is read with U+FFFD in place of what
// could not be decoded, and the office list says so once, naming the server.
void TstPoRequest::invalidCharactersReplaced()
{
    const QByteArray answer = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<active-alarms>"
                              "<alarm pcu=\"Pcu1\" location=\"Kas 3\" nr=\"1\" text=\"a\xc0\x80\"/>"
                              "<alarm pcu=\"Pcu2\" location=\"Kas \xe9\" nr=\"2\"/>"
                              "</active-alarms>";
    QVERIFY(writeFile(m_sim->filePath(PoEndpoint::Alarms), answer));

    const auto request = start(PoServerSim::path(PoEndpoint::Alarms), PoRequestActiveAlarms);
    QVERIFY(finished(request));
    QVERIFY(!request->failed);
    const pugi::xml_node root = request->mergedStatus->root();
    QCOMPARE(FindAlarmEntry(root, "Pcu1", "Kas 3", "1").attribute("text").value(),
             "a\xef\xbf\xbd\xef\xbf\xbd");
    QVERIFY(FindAlarmEntry(root, "Pcu2", "Kas \xef\xbf\xbd", "2"));
    QCOMPARE(m_recorder->lines.size(), 1);
    QCOMPARE(poLines(u"Invalid characters in answer from PO server: "_s +
                     simUrl(PoServerSim::path(PoEndpoint::Alarms)) + u" (3 replaced"_s)
                 .size(),
             1);
}

void TstPoRequest::answerSizeLimit_data()
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
void TstPoRequest::answerSizeLimit()
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
        m_client->StartPoRequest(url, PoRequestActiveAlarms, PoTimeouts{10000, 50000, limit});
    QVERIFY(finished(request));

    if (overLimit == 0) {
        QVERIFY(!request->failed);
        QVERIFY(hasExampleAlarm(request->mergedStatus));
        QCOMPARE(m_recorder->lines, QStringList());
        return;
    }
    QVERIFY(request->failed);
    QVERIFY(!request->mergedStatus);
    QCOMPARE(LinkStatus.load(), 1);
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

void TstPoRequest::transferBoundOutlastsTheMachinesWait_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("machineWaitMs");
    QTest::newRow("configuration") << 1 << 900000;
    QTest::newRow("active alarms") << 2 << 60000;
}

// The machine's own time-out must decide what a silent server means; a transfer that ended
// first would always be reported as a communication failure.
void TstPoRequest::transferBoundOutlastsTheMachinesWait()
{
    QFETCH(int, kind);
    QFETCH(int, machineWaitMs);
    QCOMPARE_GT(defaultPoTimeouts(kind).totalMs, machineWaitMs);
    QCOMPARE_LT(defaultPoTimeouts(kind).connectMs, machineWaitMs);
}

// A trace is diagnostics: the merge goes on, and of three failed writes one line tells.
void TstPoRequest::traceFailureDoesNotStopMerge()
{
    TraceEnabled = true;
    QVERIFY(QDir(PoDataDirectory()).rmdir(u"trace"_s));

    const auto request = start(PoServerSim::path(PoEndpoint::Alarms), PoRequestActiveAlarms);
    QVERIFY(finished(request));
    QVERIFY(hasExampleAlarm(request->mergedStatus));
    QVERIFY(!request->failed);
    QCOMPARE(m_recorder->lines.size(), 1);
    QCOMPARE(poLines(u"Trace not written: "_s).size(), 1);
}

void TstPoRequest::communicationFailure_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<PoFault>("fault");
    QTest::addColumn<int>("totalMs");
    QTest::addColumn<int>("requests");
    QTest::addColumn<QString>("reason"); // part of the reason the line gives

    const QString alarms = PoServerSim::path(PoEndpoint::Alarms);
    const PoFault none;
    PoFault status500;
    status500.status = 500;
    PoFault redirect;
    redirect.redirectTo = PoServerSim::path(PoEndpoint::Config).toLatin1();
    PoFault drop;
    drop.drop = true;
    PoFault slow;
    slow.delayMs = 5000;

    QTest::newRow("connection refused") << QString() << none << 50000 << 0 << u"connect"_s;
    QTest::newRow("404") << u"/office/alarm/unknown"_s << none << 50000 << 1
                         << u"HTTP status 404"_s;
    QTest::newRow("500") << alarms << status500 << 50000 << 1 << u"HTTP status 500"_s;
    // One request only: the redirection to a path that would answer is not followed.
    QTest::newRow("302") << alarms << redirect << 50000 << 1 << u"HTTP status 302"_s;
    QTest::newRow("closed without answer") << alarms << drop << 50000 << 1 << u"reply"_s;
    QTest::newRow("overall timeout") << alarms << slow << 300 << 1 << u"timed out"_s;
}

void TstPoRequest::communicationFailure()
{
    QFETCH(QString, path);
    QFETCH(PoFault, fault);
    QFETCH(int, totalMs);
    QFETCH(int, requests);
    QFETCH(QString, reason);
    m_sim->setFault(fault);
    TraceEnabled = true;

    const QString url = path.isEmpty() ? refusedUrl() : simUrl(path);
    const auto request =
        m_client->StartPoRequest(url, PoRequestActiveAlarms, PoTimeouts{10000, totalMs});
    QVERIFY(finished(request));

    QVERIFY(request->failed);
    QCOMPARE(LinkStatus.load(), 1);
    QCOMPARE(m_recorder->statusTexts, QStringList{kCommunicationError});
    // The one line names the server and says why.
    QCOMPARE(m_recorder->lines.size(), 1);
    const QStringList failures = poLines(kCommunicationError + u": "_s + url + u" ("_s);
    QCOMPARE(failures.size(), 1);
    QVERIFY2(failures.first().contains(reason, Qt::CaseInsensitive), qPrintable(failures.first()));
    QCOMPARE(request->requestMessage, kEmptyAnswer);
    QVERIFY(!request->mergedStatus);
    QCOMPARE(readFile(AlarmStatusPath()), kStatusFile);
    QCOMPARE(traceTags(), QStringList());
    QCOMPARE(m_sim->requestCount(), requests);
}

void TstPoRequest::successClearsCommunicationError()
{
    const auto refused = m_client->StartPoRequest(refusedUrl(), PoRequestActiveAlarms);
    QVERIFY(finished(refused));
    QCOMPARE(LinkStatus.load(), 1);

    const auto request = start(PoServerSim::path(PoEndpoint::Alarms), PoRequestActiveAlarms);
    QVERIFY(finished(request));
    QVERIFY(!request->failed);
    QCOMPARE(m_recorder->statusTexts, (QStringList{kCommunicationError, QString()}));
    QCOMPARE(LinkStatus.load(), -1);
}

void TstPoRequest::linkStatusOnSuccess_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    QTest::addColumn<QStringList>("statusTexts");

    QTest::newRow("office error ends") << 1 << -1 << QStringList{QString()};
    QTest::newRow("running") << 0 << 0 << QStringList();
    QTest::newRow("ZelMeld error stays") << 2 << 2 << QStringList();
    QTest::newRow("just ended") << -1 << -1 << QStringList();
}

void TstPoRequest::linkStatusOnSuccess()
{
    QFETCH(int, before);
    QFETCH(int, after);
    QFETCH(QStringList, statusTexts);
    LinkStatus = before;

    const auto request = start(PoServerSim::path(PoEndpoint::Alarms), 3);
    QVERIFY(finished(request));
    QCOMPARE(LinkStatus.load(), after);
    QCOMPARE(m_recorder->statusTexts, statusTexts);
    QCOMPARE(m_recorder->lines, QStringList());
}

void TstPoRequest::emptyAnswer_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<PoEndpoint>("endpoint");
    QTest::newRow("configuration") << 1 << PoEndpoint::Config;
    QTest::newRow("active alarms") << 2 << PoEndpoint::Alarms;
}

// A successful GET with nothing in it: a message, not a failure, and no file touched (the
// returned entries stay, so no purge ran either).
void TstPoRequest::emptyAnswer()
{
    QFETCH(int, kind);
    QFETCH(PoEndpoint, endpoint);
    PoFault empty;
    empty.emptyBody = true;
    m_sim->setFault(empty);
    TraceEnabled = true;

    const auto request = start(PoServerSim::path(endpoint), kind);
    QVERIFY(finished(request));

    QVERIFY(!request->failed);
    QCOMPARE(request->requestMessage, kEmptyAnswer);
    QCOMPARE(LinkStatus.load(), 0);
    QCOMPARE(m_recorder->statusTexts, QStringList());
    QCOMPARE(m_recorder->lines, QStringList());
    QVERIFY(!request->mergedStatus);
    QCOMPARE(request->configAnswer, std::string());
    QCOMPARE(readFile(AlarmStatusPath()), kStatusFile);
    QCOMPARE(traceTags(), QStringList());
}

void TstPoRequest::malformedAnswer_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<PoEndpoint>("endpoint");
    QTest::addColumn<QByteArray>("content"); // empty: the example cut short by the simulator
    QTest::addColumn<QString>("reason");     // part of the reason the line gives

    const QByteArray unsupported = "<?xml version=\"1.0\" encoding=\"EBCDIC-US\"?><c/>";
    QTest::newRow("configuration cut short")
        << 1 << PoEndpoint::Config << QByteArray() << u"XML parse error"_s;
    QTest::newRow("active alarms cut short")
        << 2 << PoEndpoint::Alarms << QByteArray() << u"XML parse error"_s;
    QTest::newRow("configuration in an unsupported encoding")
        << 1 << PoEndpoint::Config << unsupported << u"unsupported encoding \"EBCDIC-US\""_s;
    QTest::newRow("active alarms in an unsupported encoding")
        << 2 << PoEndpoint::Alarms << unsupported << u"unsupported encoding \"EBCDIC-US\""_s;
}

// Processing stops at the parse error: nothing handed over, no purge, and one line that
// names the server and the parser's reason.
void TstPoRequest::malformedAnswer()
{
    QFETCH(int, kind);
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

    QVERIFY(!request->failed);
    QCOMPARE(request->requestMessage, QString());
    QVERIFY(!request->mergedStatus);
    QCOMPARE(request->configAnswer, std::string());
    QCOMPARE(readFile(AlarmStatusPath()), kStatusFile);
    QCOMPARE(m_recorder->lines.size(), 1);
    QCOMPARE(poLines(u"Malformed answer from PO server: "_s + simUrl(PoServerSim::path(endpoint)) +
                     u" ("_s + reason)
                 .size(),
             1);
}

void TstPoRequest::cancelledRequestLeavesNoTrace_data()
{
    QTest::addColumn<bool>("afterRequestArrived");
    QTest::newRow("while the server delays") << true;
    QTest::newRow("at once") << false;
}

// A server that would answer only after a minute: the cancel ends the transfer at once, and
// the request, which would otherwise count as failed, changes nothing.
void TstPoRequest::cancelledRequestLeavesNoTrace()
{
    QFETCH(bool, afterRequestArrived);
    PoFault slow;
    slow.delayMs = 60000;
    m_sim->setFault(slow);
    TraceEnabled = true;

    const auto request = start(PoServerSim::path(PoEndpoint::Alarms), PoRequestActiveAlarms);
    if (afterRequestArrived)
        QTRY_COMPARE(m_sim->requestCount(), 1);
    QElapsedTimer elapsed;
    elapsed.start();
    m_client->cancel(request);
    QVERIFY(finished(request));
    // Promptly: not at the end of the server delay, nor of the transfer time limit.
    QCOMPARE_LT(elapsed.elapsed(), 2000);

    QVERIFY(!request->failed);
    QCOMPARE(request->requestMessage, QString());
    QVERIFY(!request->mergedStatus);
    QCOMPARE(LinkStatus.load(), 0);
    QCOMPARE(m_recorder->statusTexts, QStringList());
    QCOMPARE(m_recorder->lines, QStringList());
    QCOMPARE(readFile(AlarmStatusPath()), kStatusFile);
    QCOMPARE(traceTags(), QStringList());
}

// The client goes while its request still waits for the server; the worker finishes on its
// own, reports the failure through the log and LinkStatus, and emits nothing.
// At exit no worker may run on into the objects that end with the program: the client's
// end cancels its requests and returns only when their workers are gone.
void TstPoRequest::destroyingTheClientEndsItsWorkers()
{
    PoFault hung;
    hung.delayMs = 60000;
    m_sim->setFault(hung);

    const auto request = start(PoServerSim::path(PoEndpoint::Alarms), PoRequestActiveAlarms);
    QTRY_COMPARE(m_sim->requestCount(), 1);
    m_client.reset();

    QVERIFY(request->done.load(std::memory_order_acquire));
    QVERIFY(!request->failed);
    QCOMPARE(LinkStatus.load(), 0);
    QCOMPARE(poLines(kCommunicationError), QStringList());
    QCOMPARE(readFile(AlarmStatusPath()), kStatusFile);
}

// The program itself: its first line names the port it took, and it serves the examples.
void TstPoRequest::realSimulatorBinary()
{
    QProcess sim;
    sim.start(QStringLiteral(PO_SIM_BINARY),
              {u"--port"_s, u"0"_s, u"--dir"_s, QStringLiteral(PO_SIM_EXAMPLES)});
    QVERIFY(sim.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(sim.canReadLine(), 10000);
    const QString first = QString::fromUtf8(sim.readLine()).trimmed();
    const QRegularExpressionMatch match =
        QRegularExpression(u"^listening on 127\\.0\\.0\\.1:(\\d+)$"_s).match(first);
    QVERIFY2(match.hasMatch(), qPrintable(first));

    const QString url =
        u"http://127.0.0.1:"_s + match.captured(1) + PoServerSim::path(PoEndpoint::Alarms);
    const auto request = m_client->StartPoRequest(url, PoRequestActiveAlarms);
    QVERIFY(finished(request));
    QVERIFY(!request->failed);
    QVERIFY(hasExampleAlarm(request->mergedStatus));
    QTRY_VERIFY(
        QString::fromUtf8(sim.peek(4096)).contains(u" GET /office/alarm/alarmserver -> 200"));

    sim.kill();
    QVERIFY(sim.waitForFinished());
}

QTEST_GUILESS_MAIN(TstPoRequest)
#include "tst_porequest.moc"
