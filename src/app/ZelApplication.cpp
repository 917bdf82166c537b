#include "ZelApplication.h"

#include "core/Log.h"

ZelApplication::ZelApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool ZelApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        handleCurrentException();
    }
    return false;
}

void ZelApplication::handleCurrentException()
{
    try {
        throw;
    } catch (const std::exception& e) {
        handleException(describeException(e));
    } catch (...) {
        handleException(describeUnknownException());
    }
}

void ZelApplication::handleException(const ExceptionFields& fields)
{
    try {
        LogMessage(exceptionLogText(fields), LogFileOnly);
    } catch (...) {
        // Counting below must happen whatever the log did.
    }
    if (m_storm.recordException())
        exit(1);
}
