#pragma once

#include "TimedWait.h"
#include "ZelTimeMachine.h"

#include <QObject>

#include <functional>

// Tries a failed attempt again later, at growing intervals (the first, twice that, and so on
// up to the longest), until an attempt succeeds. The waits are measured on the process clock by
// a time machine, so that a test's clock moves them on. Lives on the thread that owns it.
class BackoffRetry : public QObject
{
    Q_OBJECT
public:
    // attempt: tries again; true when it succeeded.
    BackoffRetry(std::function<bool()> attempt, int firstSeconds, int longestSeconds,
                 QObject* parent = nullptr);

    // An attempt failed, here or elsewhere: the next one is due after the current interval,
    // unless one is due already.
    void failed();
    // An attempt succeeded: nothing is due, and the next failure starts from the first
    // interval again.
    void succeeded();

    bool pending() const { return m_pending; }
    // How long the pending attempt waits, or the next failure would wait.
    int intervalSeconds() const { return m_wait.seconds(); }

Q_SIGNALS:
    // A due attempt has been made, whatever its outcome.
    void attempted(bool succeeded);

private:
    void step();
    StepWait waitAfterStep() const;

    std::function<bool()> m_attempt;
    const int m_firstSeconds;
    const int m_longestSeconds;
    TimedWait m_wait;
    tZelTimeMachine m_machine;
    bool m_pending = false;
};
