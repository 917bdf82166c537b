#include "PoRequestTestBase.h"

#include "../store/XmlDump.h"
#include "core/Directories.h"
#include "core/Language.h"
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
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(PoFault)
Q_DECLARE_METATYPE(PoEndpoint)

namespace {

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

} // namespace

class TstPoRequest : public PoRequestTestBase
{
    Q_OBJECT

private Q_SLOTS:
    void activeAlarmsMergedNotSaved();
    void processingByKind_data();
    void processingByKind();
    void traceFailureDoesNotStopMerge();
    void transferBoundOutlastsTheMachinesWait_data();
    void transferBoundOutlastsTheMachinesWait();
    void communicationFailure_data();
    void communicationFailure();
    void successClearsCommunicationError();
    void linkStatusOnSuccess_data();
    void linkStatusOnSuccess();
    void cancelledRequestLeavesNoTrace_data();
    void cancelledRequestLeavesNoTrace();
    void destroyingTheClientEndsItsWorkers();
    void realSimulatorBinary();
};

void TstPoRequest::activeAlarmsMergedNotSaved()
{
    const auto request = start(PoServerSim::path(PoEndpoint::Alarms), PoRequestKind::ActiveAlarms);
    QVERIFY(finished(request));

    QCOMPARE(request->outcome, PoOutcome::Succeeded);
    QCOMPARE(request->requestMessage, QString());
    QVERIFY(hasExampleAlarm(mergedStatus(request)));
    const pugi::xml_node root = mergedStatus(request)->root();
    const pugi::xml_node added = findAlarmEntry(root, "Pcu1", "Kas 3", "1");
    QCOMPARE(added.attribute("State").value(), "A");
    QCOMPARE(added.attribute("start").value(), "20240612T131500");
    QCOMPARE(added.attribute("Sent").value(), "");
    // Still reported: active again with its start unchanged, so nothing is sent anew.
    const pugi::xml_node kept = findAlarmEntry(root, "Pcu2", "Ketelhuis", "3");
    QCOMPARE(kept.attribute("State").value(), "A");
    QCOMPARE(kept.attribute("start").value(), "20240612T140210");
    // The GUI thread saves the merged status; the worker leaves the file alone.
    QCOMPARE(readFile(alarmStatusPath()), kStatusFile);
    m_client->reportOutcome(*request);
    QVERIFY(!m_client->officeFailed());
    QCOMPARE(m_recorder->statusTexts, QStringList());
    QCOMPARE(traceTags(), QStringList());
}

void TstPoRequest::processingByKind_data()
{
    QTest::addColumn<PoRequestKind>("kind");
    QTest::addColumn<PoEndpoint>("endpoint");
    QTest::addColumn<bool>("merged");
    QTest::addColumn<bool>("configKept");
    QTest::addColumn<QStringList>("tags");

    QTest::newRow("configuration")
        << PoRequestKind::Configuration << PoEndpoint::Config << false << true << QStringList();
    QTest::newRow("active alarms") << PoRequestKind::ActiveAlarms << PoEndpoint::Alarms << true
                                   << false << QStringList{u"00"_s, u"01"_s, u"02"_s};
    QTest::newRow("fetch only") << PoRequestKind::FetchOnly << PoEndpoint::Alarms << false << false
                                << QStringList();
}

// With tracing on: what each kind leaves on disk and in the request.
void TstPoRequest::processingByKind()
{
    QFETCH(PoRequestKind, kind);
    QFETCH(PoEndpoint, endpoint);
    QFETCH(bool, merged);
    QFETCH(bool, configKept);
    QFETCH(QStringList, tags);
    TraceEnabled = true;

    const auto request = start(PoServerSim::path(endpoint), kind);
    QVERIFY(finished(request));

    QCOMPARE(request->outcome, PoOutcome::Succeeded);
    QCOMPARE(request->requestMessage, QString());
    QCOMPARE(hasExampleAlarm(mergedStatus(request)), merged);
    QCOMPARE(bool(request->configAnswer), configKept);
    if (configKept) {
        // The parsed answer holds what the server sent.
        const QByteArray sent = readFile(m_sim->filePath(PoEndpoint::Config));
        pugi::xml_document expected;
        QVERIFY(expected.load_buffer(sent.constData(), size_t(sent.size())));
        QCOMPARE(DumpChildren(*request->configAnswer), DumpChildren(expected));
    }
    // Both documents are the GUI thread's to change: no request writes them, the configuration's
    // purge of returned alarms included.
    QCOMPARE(readFile(alarmStatusPath()), kStatusFile);
    QVERIFY(!QFile::exists(linkDefsPath()));
    QCOMPARE(traceTags(), tags);
    if (merged) {
        QVERIFY(!traceText(u"01"_s).contains(u"Kas 3"));
        QVERIFY(traceText(u"02"_s).contains(u"location=\"Kas 3\""));
    }
}

void TstPoRequest::transferBoundOutlastsTheMachinesWait_data()
{
    QTest::addColumn<PoRequestKind>("kind");
    QTest::addColumn<int>("machineWaitMs");
    QTest::newRow("configuration") << PoRequestKind::Configuration << 900000;
    QTest::newRow("active alarms") << PoRequestKind::ActiveAlarms << 60000;
}

// The machine's own time-out must decide what a silent server means; a transfer that ended
// first would always be reported as a communication failure.
void TstPoRequest::transferBoundOutlastsTheMachinesWait()
{
    QFETCH(PoRequestKind, kind);
    QFETCH(int, machineWaitMs);
    QCOMPARE_GT(defaultPoTimeouts(kind).totalMs, machineWaitMs);
    QCOMPARE_LT(defaultPoTimeouts(kind).connectMs, machineWaitMs);
}

// A trace is diagnostics: the merge goes on, and of three failed writes one line tells.
void TstPoRequest::traceFailureDoesNotStopMerge()
{
    TraceEnabled = true;
    QVERIFY(QDir(PoDataDirectory()).rmdir(u"trace"_s));

    const auto request = start(PoServerSim::path(PoEndpoint::Alarms), PoRequestKind::ActiveAlarms);
    QVERIFY(finished(request));
    QVERIFY(hasExampleAlarm(mergedStatus(request)));
    QCOMPARE(request->outcome, PoOutcome::Succeeded);
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
        m_client->StartPoRequest(url, PoRequestKind::ActiveAlarms, PoTimeouts{10000, totalMs});
    QVERIFY(finished(request));

    QCOMPARE(request->outcome, PoOutcome::Failed);
    QVERIFY2(request->failureReason.contains(reason, Qt::CaseInsensitive),
             qPrintable(request->failureReason));
    // The worker only logs; the office link fails when the waiting machine takes the outcome.
    QCOMPARE(m_recorder->statusTexts, QStringList());
    m_client->reportOutcome(*request);
    QVERIFY(m_client->officeFailed());
    QCOMPARE(m_recorder->statusTexts, QStringList{kCommunicationError});
    // The one line names the server and says why.
    QCOMPARE(m_recorder->lines.size(), 1);
    const QStringList failures = poLines(kCommunicationError + u": "_s + url + u" ("_s);
    QCOMPARE(failures.size(), 1);
    QVERIFY2(failures.first().contains(reason, Qt::CaseInsensitive), qPrintable(failures.first()));
    QCOMPARE(request->requestMessage, kEmptyAnswer);
    QVERIFY(!mergedStatus(request));
    QCOMPARE(readFile(alarmStatusPath()), kStatusFile);
    QCOMPARE(traceTags(), QStringList());
    QCOMPARE(m_sim->requestCount(), requests);
}

void TstPoRequest::successClearsCommunicationError()
{
    const auto refused = m_client->StartPoRequest(refusedUrl(), PoRequestKind::ActiveAlarms);
    QVERIFY(finished(refused));
    m_client->reportOutcome(*refused);
    QVERIFY(m_client->officeFailed());

    const auto request = start(PoServerSim::path(PoEndpoint::Alarms), PoRequestKind::ActiveAlarms);
    QVERIFY(finished(request));
    QCOMPARE(request->outcome, PoOutcome::Succeeded);
    m_client->reportOutcome(*request);
    QCOMPARE(m_recorder->statusTexts, (QStringList{kCommunicationError, QString()}));
    QVERIFY(!m_client->officeFailed());
}

void TstPoRequest::linkStatusOnSuccess_data()
{
    QTest::addColumn<bool>("failedBefore");
    QTest::addColumn<QStringList>("statusTexts");
    QTest::addColumn<int>("changes");

    QTest::newRow("office error ends") << true << QStringList{QString()} << 1;
    QTest::newRow("running") << false << QStringList() << 0;
}

// A request of a kind that only fetches still tells the office link how it went; a success
// clears the text only when an error was showing.
void TstPoRequest::linkStatusOnSuccess()
{
    QFETCH(bool, failedBefore);
    QFETCH(QStringList, statusTexts);
    QFETCH(int, changes);
    if (failedBefore) {
        const auto refused = m_client->StartPoRequest(refusedUrl(), PoRequestKind::FetchOnly);
        QVERIFY(finished(refused));
        m_client->reportOutcome(*refused);
        QVERIFY(m_client->officeFailed());
    }
    m_recorder->statusTexts.clear();
    m_recorder->lines.clear();
    QSignalSpy stateChanges(m_client.get(), &PoClient::officeFailedChanged);

    const auto request = start(PoServerSim::path(PoEndpoint::Alarms), PoRequestKind::FetchOnly);
    QVERIFY(finished(request));
    m_client->reportOutcome(*request);
    QVERIFY(!m_client->officeFailed());
    QCOMPARE(stateChanges.size(), changes);
    QCOMPARE(m_recorder->statusTexts, statusTexts);
    QCOMPARE(m_recorder->lines, QStringList());
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

    const auto request = start(PoServerSim::path(PoEndpoint::Alarms), PoRequestKind::ActiveAlarms);
    if (afterRequestArrived)
        QTRY_COMPARE(m_sim->requestCount(), 1);
    QElapsedTimer elapsed;
    elapsed.start();
    m_client->cancel(request);
    QVERIFY(finished(request));
    // Promptly: not at the end of the server delay, nor of the transfer time limit.
    QCOMPARE_LT(elapsed.elapsed(), 2000);

    QCOMPARE(request->outcome, PoOutcome::Cancelled);
    QCOMPARE(request->requestMessage, QString());
    QVERIFY(!mergedStatus(request));
    m_client->reportOutcome(*request);
    QVERIFY(!m_client->officeFailed());
    QCOMPARE(m_recorder->statusTexts, QStringList());
    QCOMPARE(m_recorder->lines, QStringList());
    QCOMPARE(readFile(alarmStatusPath()), kStatusFile);
    QCOMPARE(traceTags(), QStringList());
}

// The client goes while its request still waits for the server; the worker finishes on its
// own as a cancelled request, and logs nothing.
// At exit no worker may run on into the objects that end with the program: the client's
// end cancels its requests and returns only when their workers are gone.
void TstPoRequest::destroyingTheClientEndsItsWorkers()
{
    PoFault hung;
    hung.delayMs = 60000;
    m_sim->setFault(hung);

    const auto request = start(PoServerSim::path(PoEndpoint::Alarms), PoRequestKind::ActiveAlarms);
    QTRY_COMPARE(m_sim->requestCount(), 1);
    m_client.reset();

    QVERIFY(request->done.load(std::memory_order_acquire));
    QCOMPARE(request->outcome, PoOutcome::Cancelled);
    QCOMPARE(poLines(kCommunicationError), QStringList());
    QCOMPARE(readFile(alarmStatusPath()), kStatusFile);
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
    const auto request = m_client->StartPoRequest(url, PoRequestKind::ActiveAlarms);
    QVERIFY(finished(request));
    QCOMPARE(request->outcome, PoOutcome::Succeeded);
    QVERIFY(hasExampleAlarm(mergedStatus(request)));
    QTRY_VERIFY(
        QString::fromUtf8(sim.peek(4096)).contains(u" GET /office/alarm/alarmserver -> 200"));

    sim.kill();
    QVERIFY(sim.waitForFinished());
}

QTEST_GUILESS_MAIN(TstPoRequest)
#include "tst_porequest.moc"
