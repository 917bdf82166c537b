#include "ParentConsole.h"
#include "ProgramModes.h"

#include "Version.h"
#include "core/DataDirectoryLock.h"
#include "core/Directories.h"
#include "core/Log.h"
#include "core/ShutdownSignals.h"
#include "core/SingleInstance.h"
#include "core/SystemLog.h"
#include "service/GatewayService.h"
#include "service/ServiceApplication.h"
#include "service/ServiceHost.h"
#ifdef Q_OS_WIN
#include "service/ServiceStart.h"
#include "service/WindowsServiceCommands.h"
#endif

#include <QCommandLineParser>
#include <QDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>

bool wantsConsoleEntry(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        for (const char* option :
             {"--service", "--install-service", "--start-service", "--uninstall-service", "--stop",
              "-h", "--help", "--help-all", "-?", "-v", "--version"}) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}

namespace {

#ifdef Q_OS_WIN
const char kServiceHelp[] =
    "Run without a window: the same files, settings and single-instance lock as the window; "
    "log lines also go to standard error; Ctrl+C, closing the console or a stop request end it "
    "in order.";
#else
const char kServiceHelp[] =
    "Run without a window: the same files, settings and single-instance lock as the window; "
    "log lines also go to standard error; SIGTERM or SIGINT end it in order.";
#endif

// The Windows service's own watchdog: a main machine without a step for this long has hung. A
// step takes milliseconds (a walk of 10,000 alarms is cut into slices of a few), and an idle
// machine wakes every quarter of the bound, so only a hang comes near it.
constexpr std::chrono::minutes kServiceStallBound(3);
// The log line of a stall gets this long: the log's own writer may be what hangs.
constexpr std::chrono::seconds kStallLogWait(5);

[[noreturn]] void endStalledService(std::chrono::milliseconds stalledFor)
{
    const QString text =
        QStringLiteral("The main state machine took no step for %1 s: the service ends with "
                       "code %2, so that Windows restarts it")
            .arg(stalledFor.count() / 1000)
            .arg(kExitStalled);
    writeSystemLog(SystemLogLevel::Error, text);
    auto logged = std::async(std::launch::async, [text] { LogMessage(text, LogFileOnly); });
    logged.wait_for(kStallLogWait);
    // No "stopped" for the manager: it sees a failure and runs its recovery action. _Exit runs
    // no destructors, so a log writer that still hangs does not hold the exit up.
    std::_Exit(kExitStalled);
}

// Said on standard error (the journal), in the log the running instance writes too, and in the
// event log: nobody watches a service's console.
void refuseBesideAnotherInstance(const QString& text)
{
    Log::instance().setFileName(DataDirectory() + QStringLiteral("/ZELPO.LOG"));
    LogMessage(text, LogFileOnly);
    writeSystemLog(SystemLogLevel::Error, text);
}

const QString kAnotherInstanceText = QStringLiteral(
    "Another instance of ZelPO (the window or the service) runs; the service does not start "
    "beside it");

QString anotherForwarderText(const DataDirectoryLock& lock)
{
    return QStringLiteral("Another instance of ZelPO (%1) forwards for the data directory %2; the "
                          "service does not start beside it")
        .arg(lock.holder(), QDir::toNativeSeparators(DataDirectory()));
}

int runGateway(ServiceApplication& app, const ServiceHostRun& run)
{
    // The service manager's journal reads standard error.
    Log::instance().setStandardErrorCopy(true);
    SingleInstance guard(kSingleInstanceName);
    if (guard.anotherInstanceRuns()) {
        refuseBesideAnotherInstance(kAnotherInstanceText);
        return kExitAnotherInstanceRuns;
    }
    // Another account's copy on the same data directory passes the guard above, not this lock.
    const DataDirectoryLock dataLock(DataDirectory());
    if (dataLock.heldByAnother()) {
        refuseBesideAnotherInstance(anotherForwarderText(dataLock));
        return kExitAnotherInstanceRuns;
    }
    if (!dataLock.problem().isEmpty())
        std::fprintf(stderr, "zelpo: %s\n", qUtf8Printable(dataLock.problem()));
    // Tells a window started later that the service is what runs.
    const SingleInstance serviceGuard(kServiceGuardName);

    GatewayService service;
    QObject::connect(&service, &GatewayService::finished, &app, [] {
        markShutdownFinished();
        QCoreApplication::exit(0);
    });
    const auto stop = [&service] { service.stop(); };
    if (run.underServiceControlManager) {
        setServiceStopHandler(&service, stop);
        service.watchForStalls(kServiceStallBound, endStalledService);
    } else {
        installShutdownSignals(&service, stop);
        acceptStopRequestsByName();
    }
    try {
        service.start();
    } catch (...) {
        app.handleCurrentException();
    }
    writeSystemLog(SystemLogLevel::Information,
                   QStringLiteral("ZelPO started: the log is %1").arg(Log::instance().fileName()));
    const int code = QCoreApplication::exec();
    writeSystemLog(code == 0 ? SystemLogLevel::Information : SystemLogLevel::Error,
                   code == 0 ? QStringLiteral("ZelPO stopped in order")
                             : QStringLiteral("ZelPO ended with code %1: see its log %2")
                                   .arg(code)
                                   .arg(Log::instance().fileName()));
    return code;
}

int runService(ServiceApplication& app)
{
    return runServiceHost([&app](const ServiceHostRun& run) {
        if (run.underServiceControlManager)
            openSystemLog();
        return runGateway(app, run);
    });
}

} // namespace

int runConsoleEntry(int argc, char** argv)
{
    attachParentConsole();
    ServiceApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zelpo"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZELPO_VERSION_STRING));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Forwards the alarms of a Priva Office alarm server to ZelMeld.\n"
                       "Without options the window opens: the operator's link configuration.\n"
                       "With --service the gateway runs without a window, for a service manager."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption service(QStringLiteral("service"), QLatin1String(kServiceHelp));
    parser.addOption(service);
#ifdef Q_OS_WIN
    const QCommandLineOption install(
        QStringLiteral("install-service"),
        QStringLiteral("Register the service ZelPO (zelpo --service): it starts with Windows and "
                       "is restarted after a failure. As administrator."));
    const QCommandLineOption start(
        QStringLiteral("start-service"),
        QStringLiteral("Start the installed service ZelPO and wait until it runs (at most %1 s); "
                       "says why when it does not. As administrator.")
            .arg(kServiceStartBound.count()));
    const QCommandLineOption uninstall(
        QStringLiteral("uninstall-service"),
        QStringLiteral("Stop the service ZelPO in order and remove it. As administrator."));
    const QCommandLineOption stopOption(
        QStringLiteral("stop"), QStringLiteral("Ask the running ZelPO (service or window) to "
                                               "close in order, and wait until it has ended."));
    parser.addOptions({install, start, uninstall, stopOption});
#endif
    // Help and version print and exit here; an unknown option exits with an error.
    parser.process(app);
#ifdef Q_OS_WIN
    if (parser.isSet(install))
        return installWindowsService();
    if (parser.isSet(start))
        return startWindowsService();
    if (parser.isSet(uninstall))
        return uninstallWindowsService();
    if (parser.isSet(stopOption))
        return stopRunningProgram();
#endif
    if (!parser.isSet(service)) {
        std::fputs(qPrintable(parser.helpText()), stderr);
        return 2;
    }
    return runService(app);
}
