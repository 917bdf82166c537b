#include "UnhandledException.h"

#include "Log.h"

ExceptionFields describeCurrentException()
{
    try {
        throw;
    } catch (const std::exception& e) {
        return describeException(e);
    } catch (...) {
        return describeUnknownException();
    }
}

bool logAndCountException(const ExceptionFields& fields, ExceptionStorm& storm)
{
    try {
        LogMessage(exceptionLogText(fields), LogFileOnly);
    } catch (...) {
        // Counting below must happen whatever the log did.
    }
    return storm.recordException();
}
