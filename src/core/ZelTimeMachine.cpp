#include "ZelTimeMachine.h"

tZelTimeMachine::tZelTimeMachine(QObject* owner) : QObject(owner)
{
    m_timer.setSingleShot(false);
    connect(&m_timer, &QTimer::timeout, this, &tZelTimeMachine::tick);
}

void tZelTimeMachine::setEnabled(bool enabled)
{
    if (enabled)
        m_timer.start();
    else
        m_timer.stop();
}

void tZelTimeMachine::Stop()
{
    setEnabled(false);
    m_stopped = true;
}

void tZelTimeMachine::tick()
{
    // No tick may arrive while steps run, even if a step spins an event loop.
    setEnabled(false);
    // Re-enable in every case, also when a step throws: a machine must keep
    // running after an error its own handler did not catch.
    struct Reenable
    {
        tZelTimeMachine* machine;
        ~Reenable() { machine->setEnabled(true); }
    } reenable{this};

    if (m_doState) {
        if (m_loopCount == 0)
            m_loopCount = 1;
        for (int i = 0; i < m_loopCount && !m_stopped; ++i)
            m_doState(*this);
    }
    Q_EMIT ticked();
}
