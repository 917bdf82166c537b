#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

// A periodic timer that runs a numbered state machine one small step at a
// time on the thread that owns it.
class tZelTimeMachine : public QObject
{
    Q_OBJECT
public:
    using StateHandler = std::function<void(tZelTimeMachine& sender)>;

    explicit tZelTimeMachine(QObject* owner = nullptr);

    int Module = 0;
    int State = 0;
    QString StateText;

    int LoopCount() const { return m_loopCount; }
    void setLoopCount(int count) { m_loopCount = count; }

    void setDoState(StateHandler handler) { m_doState = std::move(handler); }

    bool Enabled() const { return m_timer.isActive(); }
    void setEnabled(bool enabled);

    int Interval() const { return m_timer.interval(); }
    void setInterval(int ms) { m_timer.setInterval(ms); }

    bool Stopped() const { return m_stopped; }
    void Stop();

    // One timer tick; public so that tests can step a machine directly.
    void tick();

Q_SIGNALS:
    void ticked();

private:
    QTimer m_timer;
    StateHandler m_doState;
    int m_loopCount = 1;
    bool m_stopped = false;
};
