#pragma once

// The command-line operations around the Windows service, for the installer and the operator
// (an administrator's command prompt). Each prints what it did or why it failed to standard
// error and returns the process's exit code: 0 on success.

// Registers zelpo.exe --service as the service "ZelPO": automatic start, restarted by the
// Service Control Manager after a failure, and the event log source of its lines.
int installWindowsService();
// Starts the installed service through the Service Control Manager and waits until it runs,
// through a slow first start too (see startServiceAndWait); says why when it does not.
int startWindowsService();
// Stops the service in order when it runs, then removes it and its event log source. Succeeds
// when no service is installed.
int uninstallWindowsService();
// Asks whatever ZelPO runs (the service, a window, a console run) to close in order and waits
// until it has ended; never kills it. Succeeds when nothing runs any more.
int stopRunningProgram();
