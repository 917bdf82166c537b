#pragma once

#include "AlarmEvaluation.h"
#include "SaveSpacing.h"

#include "core/Clock.h"
#include "core/LinkStatus.h"
#include "core/TimedWait.h"
#include "core/ZelTimeMachine.h"

#include <QElapsedTimer>
#include <QObject>

#include <memory>

struct PoRequest;
struct Settings;
class PoClient;

// The heart of the gateway: schedules the watchdog, the alarm poll and the
// configuration fetch, waits for each office request, walks the alarm status
// after a poll and supervises the office link. One short step per tick.
class MainMachine : public QObject
{
    Q_OBJECT
public:
    MainMachine(const Settings& settings, int poPort, EvaluationContext context, PoClient& po,
                QObject* parent = nullptr);
    ~MainMachine() override;

    // The machine's timer and state, for diagnostics and tests; only the machine's own steps
    // change them.
    const tZelTimeMachine& tmmMain() const { return m_tmmMain; }

    // Sets the first state and lets the machine step.
    void start();
    // The machine stops at its next idle step at which neither watchdog nor poll is due.
    void requestClose();
    // The configuration is fetched at the next idle step at which nothing else is due.
    void requestRefresh();
    // Event-driven: steps run soon, to look at whatever may have become due (a test that moved
    // the clock); the machine sleeps again once nothing is.
    void wake() { m_tmmMain.wake(); }
    // Event-driven: no sleep lasts longer than this (0: no bound), so that a watchdog that
    // follows tmmMain().ticked hears from the machine even while it waits for nothing.
    void setLongestSleepMs(qint64 ms) { m_tmmMain.setLongestSleepMs(ms); }
    // For the watchdog tests: a stalled machine takes no step, as one stuck in a hung step
    // would not, while the event loop and the socket machine go on; released, it steps on.
    void simulateStall(bool stalled) { m_tmmMain.setEnabled(!stalled); }

    bool ClosingRequested() const { return m_closingRequested; }
    bool RefreshRequested() const { return m_refreshRequested; }
    bool MainMachineStopped() const { return m_mainMachineStopped; }
    LinkState ShownLinkState() const { return m_shownLinkState; }
    // What the two links' own states come to now (the idle step shows it).
    LinkState currentLinkState() const;
    // From the start until the first idle step has shown the link state.
    bool linkStateShowPending() const { return m_linkStateShowDue; }
    MainSubStep SubStep() const { return m_subStep; }
    Timestamp PoLinkFailedSince() const { return m_poLinkFailedSince; }

    // Office link supervision: raises the link-lost alarm once the link has
    // failed for more than five minutes, and clears it at the next success.
    void ReportPoLink(bool ok);

    const AlarmEvaluation& evaluation() const { return m_evaluation; }
    bool allLinksDefined() const { return m_allLinksDefined; }

Q_SIGNALS:
    void hideRequested();
    // The idle step took over a new link state (an ended error shows as running).
    void linkStateShown(LinkState state);
    void definitionsReloaded();
    // An alarm poll has ended: failed, or its walk over the alarm status is done.
    void pollFinished();
    void stopped();

private:
    void step();
    bool takeOverOutcome(const PoRequest& request);
    StepWait waitAfterStep() const;
    StepWait idleWait() const;
    StepWait replyWait() const;
    StepWait requestWait(const TimedWait& wait) const;
    MainState stateStart();
    MainState stateInit();
    MainState stateWait();
    MainState scheduler();
    void statusDisplay();
    MainState startDefinitions();
    MainState waitDefinitions();
    void storeDefinitions(PoRequest& request);
    void applyConfiguration(const PoRequest& request);
    void purgeReturnedAlarms();
    void reportUndefinedLinks();
    MainState startAlarms();
    MainState waitAlarms();
    void takeOverStatus(PoRequest& request);
    void mergeAnswer(PoRequest& request);
    MainState judgeReply();
    MainState sendWatchdog();
    MainState waitWatchdog();
    MainState stop();
    QString url(const char* path) const;
    void abandonRequest();
    void saveStatus();
    void saveStatusBatched();
    qint64 msUntilBatchedSave() const;
    quint64 queue(const QString& message);

    tZelTimeMachine m_tmmMain;
    const Settings& m_settings;
    const int m_poPort;
    EvaluationContext m_ctx;
    PoClient& m_po;
    AlarmEvaluation m_evaluation;
    std::shared_ptr<PoRequest> m_request;

    // The periods of the three jobs, each started when its job starts.
    TimedWait m_watchdogPeriod;
    TimedWait m_pollPeriod;
    TimedWait m_configurationPeriod;
    // The waits for an office request and for the watchdog's reply.
    TimedWait m_definitionsWait;
    TimedWait m_alarmsWait;
    TimedWait m_watchdogReplyWait;
    int m_watchdogAttempts = 0;
    quint64 m_watchdogLineId = 0; // the watchdog line whose reply state 13 waits for
    bool m_allLinksDefined = true;
    bool m_closingRequested = false;
    bool m_refreshRequested = false;
    bool m_mainMachineStopped = false;
    MainSubStep m_subStep = MainSubStep::None;
    LinkState m_shownLinkState = LinkState::Running;
    // Set at the start: the first idle step shows the state even when it has not changed.
    bool m_linkStateShowDue = false;
    Timestamp m_poLinkFailedSince = 0.0;
    // Real time since AlarmStatus.xml was last written, for the batched saves of a walk.
    QElapsedTimer m_sinceStatusSave;
    SaveSpacing m_saveSpacing;
};
