#pragma once

#include "core/WriteResult.h"

#include <QString>

// Asks the instance that listens on serverName to bring its window to the front; waits at
// most timeoutMs for the connection and again for the line to be written.
WriteResult sendShowRequest(const QString& serverName, int timeoutMs);
