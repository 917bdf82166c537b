// The real program in its window-less mode, the way a service manager runs it: no display
// variable at all, a notification socket (systemd's; none on Windows), the two simulators on
// loopback, a stop request (SIGTERM; on Windows the close message) to stop.
#include "TestFiles.h"
#include "ToolProcess.h"

#include "WineCheck.h"

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include "NotifySocket.h"

#include <csignal>
#endif

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The program always asks port 8080 of its office server; a second loopback
// address keeps the test clear of anything else listening on 8080.
const QString kPoAddress = QStringLiteral("127.0.0.2");
const QByteArray kReady = QByteArrayLiteral("READY=1\nSTATUS=Forwarding office alarms to ZelMeld");
const QByteArray kExpectedAlarm =
    QByteArrayLiteral("<- [ZEL RCVALARM 02,0012,03,T,,PreAlarm: Pcu1 Kas 3 Temp. te hoog]");
const char kStartedLine[] = "<Service started without a window, program started: version ";
#ifdef Q_OS_WIN
const char kStopHint[] = "net stop ZelPO";
#else
const char kStopHint[] = "systemctl --user stop zelpo";
#endif

} // namespace

class TstService : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void alarmReachesZelMeldAndSigtermEndsInOrder();
    void stopRequestsEndInOrder_data();
    void stopRequestsEndInOrder();
    void commandLine_data();
    void commandLine();
    void windowRefusesBesideService();
    void secondServiceEndsWithItsOwnCode();
    void oneForwarderPerDataDirectory_data();
    void oneForwarderPerDataDirectory();

private:
    // The copied program with no display variable, its own runtime and data home, and the
    // notification socket as its service manager.
    QProcess* startProgram(const QStringList& arguments, const QString& runtime = {},
                           bool offscreen = false);
    QProcess* startService();
    void writeSettings(quint16 zelPort);
    QString path(const char* relative) const { return m_root->filePath(QLatin1String(relative)); }
    QByteArray log() const { return readFile(path("zel/data/ZELPO.LOG")); }
    // Ready as the service manager learns it: systemd's note, or the log's start line where
    // no notification socket exists.
    qsizetype readyCount() const;

    std::unique_ptr<QTemporaryDir> m_root;
#ifndef Q_OS_WIN
    std::unique_ptr<NotifySocket> m_notify;
#endif
    QList<QProcess*> m_processes;
};

void TstService::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    QDir root(m_root->path());
    for (const char* dir : {"bin", "zel/data", "zel/PoData", "po", "runtime"})
        QVERIFY(root.mkpath(QLatin1String(dir)));
    QFile::setPermissions(path("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(QFile::copy(QStringLiteral(ZELPO_BINARY), path(kProgramCopy)));
    QVERIFY(writeFile(path("bin/PO.ini"),
                      "[Application]\ndatapath=" + path("zel/data").toUtf8() + "\n"));
    writeSettings(9); // a port nobody answers on; the alarm test writes its own
#ifndef Q_OS_WIN
    m_notify = std::make_unique<NotifySocket>(m_root->path());
    QVERIFY(m_notify->isOpen());
#endif
}

qsizetype TstService::readyCount() const
{
#ifdef Q_OS_WIN
    return log().count(kStartedLine);
#else
    return m_notify->count(kReady);
#endif
}

void TstService::cleanup()
{
    for (QProcess* p : std::as_const(m_processes)) {
        if (p->state() != QProcess::NotRunning) {
            p->kill();
            p->waitForFinished(5000);
        }
        delete p;
    }
    m_processes.clear();
#ifndef Q_OS_WIN
    m_notify.reset();
#endif
}

void TstService::writeSettings(quint16 zelPort)
{
    QVERIFY(writeFile(path("zel/data/ZelLocal.INI"),
                      "[IP]\naddress=127.0.0.1\nOIPort=" + QByteArray::number(zelPort) +
                          "\n[PO]\naddress=" + kPoAddress.toUtf8() + "\n"));
}

QProcess* TstService::startProgram(const QStringList& arguments, const QString& runtime,
                                   bool offscreen)
{
    auto* process = new QProcess;
    m_processes.append(process);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "WATCHDOG_PID"})
        env.remove(QLatin1String(name));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.isEmpty() ? path("runtime") : runtime);
    env.insert(QStringLiteral("XDG_DATA_HOME"), path("xdg"));
    if (offscreen)
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
#ifndef Q_OS_WIN
    env.insert(QStringLiteral("NOTIFY_SOCKET"), m_notify->path());
    env.insert(QStringLiteral("WATCHDOG_USEC"), QStringLiteral("200000"));
#endif
    process->setProcessEnvironment(env);
#ifdef Q_OS_WIN
    // A process group of its own, as a console's Ctrl+Break reaches a group.
    process->setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments* created) {
        created->flags |= CREATE_NEW_PROCESS_GROUP;
    });
#endif
    process->start(path(kProgramCopy), arguments);
    if (!process->waitForStarted(10000))
        qWarning("could not start the program");
    return process;
}

QProcess* TstService::startService()
{
    QProcess* service = startProgram({QStringLiteral("--service")});
    if (!QTest::qWaitFor([this] { return readyCount() > 0; }, 30000))
        qWarning("the service never said it was ready: %s",
                 service->readAllStandardError().constData());
    return service;
}

void TstService::alarmReachesZelMeldAndSigtermEndsInOrder()
{
    for (const char* name : {"LinkDefs.xml", "ZelDefs.xml"})
        QVERIFY(QFile::copy(QStringLiteral(ZELPO_DEMO "/PoData/") + QLatin1String(name),
                            path("zel/PoData/") + QLatin1String(name)));
    QVERIFY(writeFile(path("po/alarmserver.xml"),
                      "<active-alarms><alarm pcu=\"Pcu1\" location=\"Kas 3\" nr=\"1\" "
                      "text=\"Temp. te hoog\" start=\"20261209T080000\"/></active-alarms>"));
    QProcess* po = startTool(m_processes, QStringLiteral(PO_SIM_BINARY),
                             {QStringLiteral("--dir"), path("po"), QStringLiteral("--address"),
                              kPoAddress, QStringLiteral("--port"), QStringLiteral("8080")});
    if (listeningPort(po) != 8080)
        QSKIP("port 8080 on 127.0.0.2 is not free here");
    QProcess* zel = startTool(m_processes, QStringLiteral(ZELMELD_SIM_BINARY),
                              {QStringLiteral("--port"), QStringLiteral("0")});
    const quint16 zelPort = listeningPort(zel);
    QVERIFY(zelPort != 0);
    writeSettings(zelPort);

    QProcess* service = startService();
    QCOMPARE(readyCount(), 1);
#ifndef Q_OS_WIN
    QCOMPARE(m_notify->messages().value(0), kReady);
    QTRY_VERIFY_WITH_TIMEOUT(m_notify->count("WATCHDOG=1") >= 2, 10000);
#endif
    // One poll period is 10 s; allow for a slow (sanitizer) build.
    QByteArray received;
    QTRY_VERIFY_WITH_TIMEOUT((received += zel->readAllStandardOutput()).contains(kExpectedAlarm),
                             30000);

    // An edit made while the service runs survives its stop: the service writes no settings.
    QFile ini(path("zel/data/ZelLocal.INI"));
    QVERIFY(ini.open(QIODevice::Append));
    ini.write("; edited while the service ran\n");
    ini.close();
    const QByteArray edited = readFile(path("zel/data/ZelLocal.INI"));

    service->terminate();
    QVERIFY(service->waitForFinished(15000));
    QCOMPARE(service->exitStatus(), QProcess::NormalExit);
    QCOMPARE(service->exitCode(), 0);
#ifndef Q_OS_WIN
    QTRY_VERIFY(m_notify->messages().contains("STOPPING=1"));
#endif

    const QByteArray fileLog = log();
    const qsizetype started = fileLog.indexOf(kStartedLine);
    const qsizetype closing = fileLog.indexOf("<Start closing application>");
    QVERIFY2(started >= 0 && closing > started, fileLog.constData());
    QVERIFY2(fileLog.indexOf("<Close main statemachine>") > closing, fileLog.constData());
    // The journal gets the same lines on standard error, one each, without the file's frame.
    const QByteArray journal = service->readAllStandardError().replace("\r\n", "\n");
    QVERIFY2(journal.contains("\nStart closing application\nClose main statemachine\n"),
             journal.constData());
    QCOMPARE(readFile(path("zel/data/ZelLocal.INI")), edited);
}

void TstService::stopRequestsEndInOrder_data()
{
    QTest::addColumn<QString>("request");
#ifdef Q_OS_WIN
    QTest::newRow("close message to the main thread") << QStringLiteral("close");
    QTest::newRow("Ctrl+Break in the console") << QStringLiteral("break");
#else
    QTest::newRow("SIGTERM") << QStringLiteral("SIGTERM");
    QTest::newRow("SIGINT, as Ctrl+C") << QStringLiteral("SIGINT");
#endif
}

// Every way the platform asks a console program to end runs the same orderly shutdown.
void TstService::stopRequestsEndInOrder()
{
    QFETCH(QString, request);
    QProcess* service = startService();
    QCOMPARE(readyCount(), 1);
#ifdef Q_OS_WIN
    if (request == u"break") {
        // The service attaches to this program's console; Wine starts a test from a terminal-
        // less shell without one, and makes none.
        if (!AttachConsole(ATTACH_PARENT_PROCESS) && !AllocConsole() && runsUnderWine())
            QSKIP("Wine gives this test no console to send Ctrl+Break through");
        QVERIFY(GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, DWORD(service->processId())));
    } else {
        service->terminate();
    }
#else
    ::kill(pid_t(service->processId()), request == u"SIGINT" ? SIGINT : SIGTERM);
#endif
    QVERIFY(service->waitForFinished(15000));
    QCOMPARE(service->exitStatus(), QProcess::NormalExit);
    QCOMPARE(service->exitCode(), 0);
    const QByteArray fileLog = log();
    const qsizetype closing = fileLog.indexOf("<Start closing application>");
    QVERIFY2(closing > fileLog.indexOf(kStartedLine), fileLog.constData());
    QVERIFY2(fileLog.indexOf("<Close main statemachine>") > closing, fileLog.constData());
}

void TstService::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("outputPattern");

    QTest::newRow("version") << QStringList{QStringLiteral("--version")} << 0
                             << QStringLiteral("^zelpo \\d+\\.\\d+\\.\\d+\\n$");
    QTest::newRow("help names the service mode")
        << QStringList{QStringLiteral("--help")} << 0 << QStringLiteral("--service");
    QTest::newRow("unknown option")
        << QStringList{QStringLiteral("--service"), QStringLiteral("--no-such-option")} << 1
        << QStringLiteral("no-such-option");
#ifndef Q_OS_WIN // a Windows session always has a desktop
    QTest::newRow("window without a display says how to run without one")
        << QStringList{} << 1 << QStringLiteral("no display.*zelpo --service");
#endif
}

// None of these starts the gateway, and none waits for the lock: help and version answer
// even while an instance runs.
void TstService::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, outputPattern);

    QProcess* program = startProgram(arguments);
    QVERIFY(program->waitForFinished(15000));
    QCOMPARE(program->exitStatus(), QProcess::NormalExit);
    QCOMPARE(program->exitCode(), exitCode);
    const QString output =
        QString::fromUtf8(program->readAllStandardOutput() + program->readAllStandardError())
            .remove(u'\r'); // Windows ends printed lines with CR LF
    QVERIFY2(QRegularExpression(outputPattern, QRegularExpression::DotMatchesEverythingOption)
                 .match(output)
                 .hasMatch(),
             qPrintable(output));
    QVERIFY(!log().contains("program started"));
#ifndef Q_OS_WIN
    QVERIFY(m_notify->messages().isEmpty());
#endif
}

void TstService::windowRefusesBesideService()
{
    QProcess* service = startService();
    QCOMPARE(readyCount(), 1);

    QProcess* window = startProgram({});
#ifdef Q_OS_WIN
    // A Windows session always has a desktop: the operator reads it in a box, which this test
    // cannot answer, after the same words on standard error.
    QByteArray said;
    QTRY_VERIFY_WITH_TIMEOUT((said += window->readAllStandardError()).contains(kStopHint), 15000);
#else
    QVERIFY(window->waitForFinished(15000));
    QCOMPARE(window->exitStatus(), QProcess::NormalExit);
    QCOMPARE(window->exitCode(), 0);
    const QByteArray said = window->readAllStandardError();
#endif
    QVERIFY2(said.contains("runs as a service") && said.contains(kStopHint), said.constData());
    QCOMPARE(log().count("program started"), 1);
    QCOMPARE(service->state(), QProcess::Running);
}

void TstService::secondServiceEndsWithItsOwnCode()
{
    QProcess* first = startService();
    QCOMPARE(readyCount(), 1);

    QProcess* second = startProgram({QStringLiteral("--service")});
    QVERIFY(second->waitForFinished(15000));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    // Not 0: the manager shows it failed; not 1: the unit does not restart it in a loop.
    QCOMPARE(second->exitCode(), 3);
    QVERIFY(second->readAllStandardError().contains("Another instance of ZelPO"));
    QVERIFY(log().contains("<Another instance of ZelPO"));
    QCOMPARE(log().count("program started"), 1);
    QCOMPARE(readyCount(), 1);
    QCOMPARE(first->state(), QProcess::Running);
}

void TstService::oneForwarderPerDataDirectory_data()
{
    QTest::addColumn<bool>("windowFirst");
    QTest::newRow("service first, then a window") << false;
    QTest::newRow("window first, then the service") << true;
}

// Two accounts (here: two runtime directories) share one data directory through their datapath:
// the per-user guard lets both start, the lock beside the documents lets only one forward.
void TstService::oneForwarderPerDataDirectory()
{
#ifdef Q_OS_WIN
    QSKIP("The named guard spans the whole Wine session: a second account's process cannot be "
          "made here, so it would be refused before the data directory's lock is asked");
#else
    QFETCH(bool, windowFirst);
    QVERIFY(QDir(m_root->path()).mkpath(QStringLiteral("runtime-other")));
    const QString otherRuntime = path("runtime-other");
    QFile::setPermissions(otherRuntime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcess* first = windowFirst ? startProgram({}, otherRuntime, true) : startService();
    QTRY_COMPARE_WITH_TIMEOUT(log().count("program started"), 1, 30000);

    QProcess* second = windowFirst ? startProgram({QStringLiteral("--service")})
                                   : startProgram({}, otherRuntime, true);
    QByteArray said;
    // The refused window shows its reason in a box nobody answers here: read it on standard error.
    QTRY_VERIFY_WITH_TIMEOUT((said += second->readAllStandardError()).contains("data directory"),
                             15000);
    QVERIFY2(said.contains("Another") && said.contains(path("zel/data").toUtf8()),
             said.constData());
    if (windowFirst) {
        // It may have ended while its words were read.
        QTRY_COMPARE_WITH_TIMEOUT(second->state(), QProcess::NotRunning, 15000);
        QCOMPARE(second->exitCode(), 3);
        QVERIFY(log().contains("forwards for the data directory"));
    }
    QCOMPARE(log().count("program started"), 1);
    QCOMPARE(first->state(), QProcess::Running);
#endif
}

QTEST_GUILESS_MAIN(TstService)
#include "tst_service.moc"
