#include "ZelApplication.h"

#include "core/Log.h"
#include "core/ShutdownSignals.h"
#include "core/SingleInstance.h"
#include "ui/MainWindow.h"

int main(int argc, char** argv)
{
    // A second copy would send every alarm twice: leave at once and silently.
    SingleInstance guard(kSingleInstanceName);
    if (guard.anotherInstanceRuns())
        return 0;

    ZelApplication app(argc, argv);
    ZelApplication::setApplicationName(QStringLiteral("Zel - Priva Office"));
    ZelApplication::setQuitOnLastWindowClosed(false);
    Log::instance(); // lives on the GUI thread

    MainWindow window;
    // exit(), not quit(): quit() would ask the window to close, and closing
    // the window asks the operator again.
    QObject::connect(&window, &MainWindow::terminateRequested, &app,
                     [] { ZelApplication::exit(0); });
    installShutdownSignals(&window, [&window] {
        if (!window.ClosingRequested())
            window.startShutdown();
    });
    try {
        window.FormCreate();
    } catch (...) {
        app.handleCurrentException();
    }
    window.showMinimized();
    return ZelApplication::exec();
}
