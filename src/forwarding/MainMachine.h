#pragma once

#include "AlarmEvaluation.h"

#include "core/Clock.h"
#include "core/ZelTimeMachine.h"

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

    tZelTimeMachine tmmMain;

    bool ClosingRequested = false;
    bool RefreshRequested = false;
    bool MainMachineStopped = false;
    int SubStep = 0;
    int ShownLinkState = 0;
    Timestamp PoLinkFailedSince = 0.0;

    // Office link supervision: raises the link-lost alarm once the link has
    // failed for more than five minutes, and clears it at the next success.
    void ReportPoLink(bool ok);

    const AlarmEvaluation& evaluation() const { return m_evaluation; }
    bool allLinksDefined() const { return m_allLinksDefined; }

Q_SIGNALS:
    void hideRequested();
    void statusText(const QString& text);
    void linkStateShown(int state);
    void definitionsReloaded();
    // An alarm poll has ended: failed, or its walk over the alarm status is done.
    void pollFinished();
    void stopped();

private:
    void step();
    int stateStart();
    int stateInit();
    int stateWait();
    int scheduler();
    void statusDisplay();
    int startDefinitions();
    int waitDefinitions();
    void storeDefinitions(PoRequest& request);
    void reportUndefinedLinks();
    int startAlarms();
    int waitAlarms();
    void takeOverStatus(PoRequest& request);
    int judgeReply();
    int sendWatchdog();
    int waitWatchdog();
    int stop();
    QString url(const char* path) const;
    void abandonRequest();
    void saveStatus();
    void queue(const QString& message);

    const Settings& m_settings;
    const int m_poPort;
    EvaluationContext m_ctx;
    PoClient& m_po;
    AlarmEvaluation m_evaluation;
    std::shared_ptr<PoRequest> m_request;

    Timestamp m_lastWatchdog = 0.0;
    Timestamp m_lastPoll = 0.0;
    Timestamp m_lastConfiguration = 0.0;
    int m_watchdogInterval = 60;
    int m_pollInterval = 10;
    int m_configurationInterval = 300;
    Timestamp m_waitStart = 0.0;
    int m_watchdogAttempts = 0;
    bool m_allLinksDefined = true;
    bool m_saveFailureLogged = false;
};
