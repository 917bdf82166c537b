#include "ParentConsole.h"
#include "ProgramModes.h"

#include "Version.h"
#include "core/Log.h"
#include "core/ShutdownSignals.h"
#include "core/SingleInstance.h"
#include "service/GatewayService.h"
#include "service/ServiceApplication.h"

#include <QCommandLineParser>

#include <cstdio>
#include <cstring>

bool wantsConsoleEntry(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        for (const char* option :
             {"--service", "-h", "--help", "--help-all", "-?", "-v", "--version"}) {
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

int runService(ServiceApplication& app)
{
    // The service manager's journal reads standard error.
    Log::instance().setStandardErrorCopy(true);
    SingleInstance guard(kSingleInstanceName);
    if (guard.anotherInstanceRuns()) {
        std::fprintf(stderr, "zelpo: another instance of ZelPO (the window or the service) runs "
                             "for this user; the service does not start beside it.\n");
        return kExitAnotherInstanceRuns;
    }
    // Tells a window started later that the service is what runs.
    const SingleInstance serviceGuard(kServiceGuardName);

    GatewayService service;
    QObject::connect(&service, &GatewayService::finished, &app, [] {
        markShutdownFinished();
        QCoreApplication::exit(0);
    });
    installShutdownSignals(&service, [&service] { service.stop(); });
    try {
        service.start();
    } catch (...) {
        app.handleCurrentException();
    }
    return QCoreApplication::exec();
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
    // Help and version print and exit here; an unknown option exits with an error.
    parser.process(app);
    if (!parser.isSet(service)) {
        std::fputs(qPrintable(parser.helpText()), stderr);
        return 2;
    }
    return runService(app);
}
