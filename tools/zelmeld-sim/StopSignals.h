#pragma once

class QObject;

// Quits the application's event loop on SIGTERM or SIGINT (Ctrl+C or closing the console on
// Windows), so that the simulator can still print its summary.
void quitOnStopSignals(QObject* context);
