#include "SystemLog.h"

void openSystemLog() {}

void writeSystemLog(SystemLogLevel, const QString&) {}
