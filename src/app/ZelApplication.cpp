#include "ZelApplication.h"

#include "core/Log.h"

#include <cstdio>

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
        // Counting below must happen whatever the log did; say at least that it failed.
        std::fputs("zelpo: an exception could not be written to the log\n", stderr);
    }
    if (m_storm.recordException())
        exit(1);
}
