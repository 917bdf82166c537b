#pragma once

class MainWindow;

// The main state machine's start, idle and stop states: enough to hide the
// window at start, keep the status display current and stop on a confirmed
// exit. Polling, forwarding and the watchdog join it in the engine.
class MainMachineShell
{
public:
    explicit MainMachineShell(MainWindow& window);

    bool RefreshRequested = false;
    int SubStep = 0;
    int ShownLinkState = 0;

    void resetStatusDisplay() { ShownLinkState = 0; }

private:
    void step();
    void statusDisplay();

    MainWindow& m_window;
};
