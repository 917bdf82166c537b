#include "ServiceApplication.h"

#include "core/SystemLog.h"
#include "core/UnhandledException.h"

ServiceApplication::ServiceApplication(int& argc, char** argv) : QCoreApplication(argc, argv) {}

bool ServiceApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QCoreApplication::notify(receiver, event);
    } catch (...) {
        handleCurrentException();
    }
    return false;
}

void ServiceApplication::handleCurrentException()
{
    writeSystemLog(SystemLogLevel::Error,
                   QStringLiteral("ZelPO: an unexpected error; its details are in the log"));
    // A storm ends with a failure code, so the service manager restarts the program.
    if (logAndCountException(describeCurrentException(), m_storm))
        exit(1);
}
