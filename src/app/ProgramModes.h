#pragma once

// The two ways the program runs on one data directory, never both at once.

// True when the command line asks for something only the console entry answers: the
// service mode, help or version. Without such an option the window starts, and the
// window's application object takes Qt's own options (-platform, -style ...).
bool wantsConsoleEntry(int argc, char** argv);

// The window: QApplication, the main window, the tray icon.
int runWindow(int argc, char** argv);

// The command line of the console entry; the service mode runs the engine without any widget.
int runConsoleEntry(int argc, char** argv);
