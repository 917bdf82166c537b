#include "MainMachineShell.h"

#include "MainWindow.h"
#include "StatusBar.h"

#include "core/Language.h"
#include "core/LinkStatus.h"
#include "core/Log.h"
#include "core/MainStepGuard.h"

MainMachineShell::MainMachineShell(MainWindow& window) : m_window(window)
{
    window.tmmMain().setDoState([this](tZelTimeMachine& machine) {
        runGuardedMainStep(
            machine, [this] { step(); }, SubStep);
    });
}

void MainMachineShell::step()
{
    tZelTimeMachine& machine = m_window.tmmMain();
    SubStep = 0;
    switch (machine.State) {
    case 1:
        machine.StateText = QStringLiteral(" 1 start ");
        m_window.m_closingRequested = false;
        LinkStatus.store(-1);
        m_window.hideToTray();
        machine.State = 2;
        break;
    case 2:
        machine.StateText = QStringLiteral(" 2 init ");
        machine.State = 3;
        break;
    case 3:
        machine.StateText = QStringLiteral(" 3 wait ");
        if (m_window.m_closingRequested)
            machine.State = 16;
        statusDisplay();
        break;
    case 16:
        machine.StateText = QStringLiteral("16 stop ");
        machine.Stop();
        LogMessage(QStringLiteral("Close main statemachine"), LogFileOnly);
        m_window.m_mainMachineStopped = true;
        break;
    default:
        break;
    }
}

void MainMachineShell::statusDisplay()
{
    if (ShownLinkState == LinkStatus.load())
        return;
    int expected = -1;
    LinkStatus.compare_exchange_strong(expected, 0);
    ShownLinkState = LinkStatus.load();
    if (ShownLinkState == 0)
        m_window.statusBar().setPanelText(LangText(28, QStringLiteral("Application running")));
    m_window.statusBar().showLinkState(ShownLinkState);
}
