#include "UnhandledException.h"

#include "Log.h"

#include <cstdio>

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
        // Counting below must happen whatever the log did; say at least that it failed.
        std::fputs("zelpo: an exception could not be written to the log\n", stderr);
    }
    return storm.recordException();
}
