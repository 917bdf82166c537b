#pragma once

#include "core/Clock.h"

#include <QObject>
#include <QTimer>

class Engine;

// The end of a run: asks the main machine to stop at its next idle step and says when the
// program ends, which is once the machine has stopped, or ten seconds after the request for a
// machine stuck waiting for an answer. The operator's unsaved edits are saved just before.
class OrderlyShutdown : public QObject
{
    Q_OBJECT
public:
    explicit OrderlyShutdown(Engine& engine, QObject* parent = nullptr);

    // A second start restarts the ten seconds of grace.
    void start();
    bool started() const { return m_closeTimer.isActive(); }

Q_SIGNALS:
    // The program ends now.
    void finished();

private:
    void closeTimerTimer();
    void saveUnsavedEdits();

    Engine& m_engine;
    Timestamp m_closeStartTime = 0.0;
    QTimer m_closeTimer;
};
