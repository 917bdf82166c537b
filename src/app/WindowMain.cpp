#include "ProgramModes.h"
#include "ZelApplication.h"

#include "core/DataDirectoryLock.h"
#include "core/Directories.h"
#include "core/Log.h"
#include "core/ShutdownSignals.h"
#include "core/SingleInstance.h"
#include "ui/MainWindow.h"
#include "ui/ShowRequestClient.h"
#include "ui/ShowRequestServer.h"

#include <QDir>
#include <QMessageBox>

#include <cstdio>
#include <cstring>

namespace {

#ifdef Q_OS_WIN
const char kServiceRunsText[] =
    "ZelPO runs as a service on this computer and forwards the alarms. Stop the service "
    "before you open the window (net stop ZelPO, as administrator), and start it again when "
    "you are done (net start ZelPO).";
#else
const char kServiceRunsText[] =
    "ZelPO runs as a service on this computer and forwards the alarms. Stop the service "
    "before you open the window (systemctl --user stop zelpo), and start it again when you "
    "are done (systemctl --user start zelpo).";
#endif

// Without a display Qt would abort the program; say what to do instead.
bool displayMissing(int argc, char** argv)
{
#ifdef Q_OS_UNIX
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0)
            return false;
    }
    return qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
           qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
#else
    Q_UNUSED(argc);
    Q_UNUSED(argv);
    return false;
#endif
}

// The window never races a running service for the same files: it says so and ends.
int refuseBesideService(int argc, char** argv)
{
    std::fprintf(stderr, "zelpo: %s\n", kServiceRunsText);
    if (displayMissing(argc, argv))
        return 0;
    ZelApplication app(argc, argv);
    QMessageBox::information(nullptr, QStringLiteral("Zel - Priva Office"),
                             QString::fromUtf8(kServiceRunsText));
    return 0;
}

// A copy of another account (or another runtime directory) forwards for the same data directory:
// a second forwarder would mark handled what the operator links here.
int refuseBesideForwarder(const DataDirectoryLock& lock)
{
    const QString text =
        QStringLiteral("Another ZelPO (%1) forwards the alarms of the data directory %2. Only one "
                       "copy may forward for a data directory; this one does not start.")
            .arg(lock.holder(), QDir::toNativeSeparators(DataDirectory()));
    std::fprintf(stderr, "zelpo: %s\n", qUtf8Printable(text));
    QMessageBox::information(nullptr, QStringLiteral("Zel - Priva Office"), text);
    return 0;
}

// The operator who starts the program again is looking for the hidden window: ask the
// running one to show itself, then end as silently as before.
int askRunningWindow(int argc, char** argv)
{
    constexpr int requestTimeoutMs = 1000;
    const QCoreApplication app(argc, argv); // the local socket needs one
    const WriteResult sent =
        sendShowRequest(SingleInstance::localServerName(kSingleInstanceName), requestTimeoutMs);
    if (!sent)
        std::fprintf(stderr,
                     "zelpo: another instance runs; it could not be asked to show its "
                     "window: %s\n",
                     qUtf8Printable(sent.reason()));
    return 0;
}

// Listening is a convenience: without it the program still runs, as before.
void listenForSecondStarts(ShowRequestServer& server, const SingleInstance& guard)
{
    const WriteResult listening =
        server.listen(SingleInstance::localServerName(kSingleInstanceName), guard.holdsGuard());
    if (!listening)
        LogMessage(QStringLiteral("A second start cannot show this window: ") + listening.reason());
}

} // namespace

int runWindow(int argc, char** argv)
{
    // A second copy would send every alarm twice: leave at once and silently, unless the
    // other copy is the service, which the operator may not know about.
    SingleInstance guard(kSingleInstanceName);
    if (guard.anotherInstanceRuns()) {
        const SingleInstance service(kServiceGuardName);
        return service.anotherInstanceRuns() ? refuseBesideService(argc, argv)
                                             : askRunningWindow(argc, argv);
    }
    if (displayMissing(argc, argv)) {
        std::fprintf(stderr, "zelpo: no display to show the window on. Without a desktop, run the "
                             "gateway window-less: zelpo --service (Ctrl+C ends it).\n");
        return 1;
    }

    ZelApplication app(argc, argv);
    ZelApplication::setApplicationName(QStringLiteral("Zel - Priva Office"));
    ZelApplication::setQuitOnLastWindowClosed(false);
    Log::instance(); // lives on the GUI thread
    const DataDirectoryLock dataLock(DataDirectory());
    if (dataLock.heldByAnother())
        return refuseBesideForwarder(dataLock);
    if (!dataLock.problem().isEmpty())
        std::fprintf(stderr, "zelpo: %s\n", qUtf8Printable(dataLock.problem()));

    // The gateway outlives the window that shows it.
    Gateway gateway;
    MainWindow window(gateway);
    // exit(), not quit(): quit() would ask the window to close, and closing
    // the window asks the operator again.
    QObject::connect(&window, &MainWindow::terminateRequested, &app, [] {
        markShutdownFinished();
        ZelApplication::exit(0);
    });
    installShutdownSignals(&window, [&window] {
        if (!window.ClosingRequested())
            window.startShutdown();
    });
    acceptStopRequestsByName();
    try {
        window.FormCreate();
    } catch (...) {
        app.handleCurrentException();
    }
    ShowRequestServer showRequests;
    QObject::connect(&showRequests, &ShowRequestServer::showRequested, &window,
                     &MainWindow::bringToFront);
    listenForSecondStarts(showRequests, guard);
    window.showMinimized();
    return ZelApplication::exec();
}
