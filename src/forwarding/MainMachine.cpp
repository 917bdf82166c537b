#include "MainMachine.h"

#include "core/Language.h"
#include "core/LinkStatus.h"
#include "core/Log.h"
#include "core/MainStepGuard.h"
#include "core/Settings.h"
#include "link/ZelLink.h"
#include "link/ZelMessages.h"
#include "poclient/PoClient.h"
#include "poclient/ServerConfigReader.h"
#include "store/Documents.h"
#include "store/LinkDefs.h"

#include <cmath>

namespace {

constexpr qint64 kLinkLossMs = 5 * 60 * 1000;

void logPo(const QString& message)
{
    LogMessage(message, LogPoList);
}

bool isDone(const std::shared_ptr<PoRequest>& request)
{
    return request && request->done.load(std::memory_order_acquire);
}

} // namespace

MainMachine::MainMachine(const Settings& settings, int poPort, EvaluationContext context,
                         PoClient& po, QObject* parent)
    : QObject(parent), tmmMain(this), m_settings(settings), m_poPort(poPort), m_ctx(context),
      m_po(po), m_evaluation(context)
{
    tmmMain.setObjectName(QStringLiteral("tmmMain"));
    tmmMain.setInterval(1);
    tmmMain.setLoopCount(0);
    tmmMain.setDoState([this](tZelTimeMachine& machine) {
        runGuardedMainStep(
            machine, [this] { step(); }, SubStep);
    });
}

MainMachine::~MainMachine()
{
    abandonRequest();
}

void MainMachine::step()
{
    SubStep = 0;
    int& state = tmmMain.State;
    switch (state) {
    case 1:
        state = stateStart();
        break;
    case 2:
        state = stateInit();
        break;
    case 3:
        state = stateWait();
        break;
    case 4:
        state = startDefinitions();
        break;
    case 5:
        state = waitDefinitions();
        break;
    case 7:
        state = startAlarms();
        break;
    case 8:
        state = waitAlarms();
        break;
    case 9:
        tmmMain.StateText = QStringLiteral(" 9 check alarms ");
        state = m_evaluation.examineEntry();
        if (state == 3)
            Q_EMIT pollFinished();
        break;
    case 10:
        tmmMain.StateText = QStringLiteral("10 send alarm to zel ");
        state = m_evaluation.sendEntry();
        break;
    case 11:
        state = judgeReply();
        break;
    case 12:
        state = sendWatchdog();
        break;
    case 13:
        state = waitWatchdog();
        break;
    case 16:
        state = stop();
        break;
    default:
        break;
    }
}

int MainMachine::stateStart()
{
    tmmMain.StateText = QStringLiteral(" 1 start ");
    abandonRequest();
    m_po.init_indy();
    // ClosingRequested is not cleared here: a close asked for before the first step, or
    // before a restart after an error, must still stop the machine in order.
    LinkStatus.store(-1);
    Q_EMIT hideRequested();
    m_ctx.link.PoLinkAlarmActive = false;
    PoLinkFailedSince = 0.0;
    return 2;
}

int MainMachine::stateInit()
{
    tmmMain.StateText = QStringLiteral(" 2 init ");
    const Timestamp now = UtcNow();
    m_lastWatchdog = now;
    m_lastPoll = now;
    m_lastConfiguration = now;
    m_watchdogInterval = 60;
    m_pollInterval = 10;
    m_configurationInterval = 300;
    return 3;
}

int MainMachine::stateWait()
{
    tmmMain.StateText = QStringLiteral(" 3 wait ");
    const int next = scheduler();
    statusDisplay();
    return next;
}

// A due watchdog goes before a due poll; closing and the configuration fetch
// wait for a step at which neither is due.
int MainMachine::scheduler()
{
    if (!WithinSeconds(m_watchdogInterval, 0, m_lastWatchdog)) {
        m_lastWatchdog = UtcNow();
        m_watchdogAttempts = 0;
        return 12;
    }
    if (!WithinSeconds(m_pollInterval, 0, m_lastPoll)) {
        m_lastPoll = UtcNow();
        m_evaluation.startWalk();
        return 7;
    }
    if (ClosingRequested)
        return 16;
    if (!WithinSeconds(m_configurationInterval, 0, m_lastConfiguration) || RefreshRequested) {
        m_lastConfiguration = UtcNow();
        m_configurationInterval = 28800;
        RefreshRequested = false;
        return 4;
    }
    return 3;
}

void MainMachine::statusDisplay()
{
    if (ShownLinkState == LinkStatus.load())
        return;
    int changed = -1;
    LinkStatus.compare_exchange_strong(changed, 0);
    ShownLinkState = LinkStatus.load();
    if (ShownLinkState == 0)
        Q_EMIT statusText(LangText(28, QStringLiteral("Application running")));
    Q_EMIT linkStateShown(ShownLinkState);
}

QString MainMachine::url(const char* path) const
{
    return QStringLiteral("http://") + m_settings.poServer.trimmed() + QLatin1Char(':') +
           QString::number(m_poPort) + QLatin1String(path);
}

int MainMachine::startDefinitions()
{
    tmmMain.StateText = QStringLiteral(" 4 get definitions ");
    logPo(LangText(29, QStringLiteral("Collect alarm definitions")));
    m_request = m_po.StartPoRequest(url("/office/alarm/alarmserverconfig"), 1);
    m_waitStart = UtcNow();
    return 5;
}

int MainMachine::waitDefinitions()
{
    tmmMain.StateText = QStringLiteral(" 5 wait definitions ");
    if (isDone(m_request)) {
        const std::shared_ptr<PoRequest> request = std::exchange(m_request, nullptr);
        if (LinkStatus.load() >= 1) {
            // A ZelMeld error also counts here, yet what the office server sent is kept.
            storeDefinitions(*request);
            ReportPoLink(false);
            return 3;
        }
        logPo(request->requestMessage.isEmpty()
                  ? LangText(89, QStringLiteral("Definitions collected from Priva Office"))
                  : request->requestMessage);
        ReportPoLink(true);
        storeDefinitions(*request);
        reportUndefinedLinks();
        return 3;
    }
    if (WithinSeconds(900, 0, m_waitStart))
        return 5;
    logPo(LangText(31, QStringLiteral("Timeout collecting definitions!")));
    ReportPoLink(false);
    LinkStatus.store(1);
    abandonRequest();
    return 3;
}

// The answer is applied to the window's own link document, so that an edit
// the operator made while the request ran is kept, and LinkDefs.xml has a
// single writer.
void MainMachine::storeDefinitions(PoRequest& request)
{
    if (request.configAnswer.empty())
        return;
    try {
        // The reader saves only an answer with both lists; what an answer
        // lacking one of them added must reach the file all the same.
        if (!ReadServerConfig(m_ctx.linkDefs, request.configAnswer))
            SaveLinkDefs(m_ctx.linkDefs);
        m_allLinksDefined = AllLinksAssigned(*m_ctx.linkDefs);
    } catch (const std::exception&) {
        // A malformed answer changes nothing; the flag keeps its value.
    }
    Q_EMIT definitionsReloaded();
}

void MainMachine::reportUndefinedLinks()
{
    if (!m_allLinksDefined) {
        logPo(LangText(30, QStringLiteral("Undefined links found!")));
        queue(ZelMessage::configurationProblem());
    }
}

int MainMachine::startAlarms()
{
    tmmMain.StateText = QStringLiteral(" 7 start get alarms ");
    m_request = m_po.StartPoRequest(url("/office/alarm/alarmserver"), 2);
    m_waitStart = UtcNow();
    return 8;
}

int MainMachine::waitAlarms()
{
    tmmMain.StateText = QStringLiteral(" 8 wait alarms ");
    SubStep = 1;
    if (isDone(m_request)) {
        SubStep = 2;
        const std::shared_ptr<PoRequest> request = std::exchange(m_request, nullptr);
        if (LinkStatus.load() >= 1) {
            SubStep = 3;
            // A ZelMeld error also counts here; the merged alarms are kept all
            // the same, so that none that came and went meanwhile is lost.
            if (request->mergedStatus)
                takeOverStatus(*request);
            ReportPoLink(false);
            SubStep = 4;
            Q_EMIT pollFinished();
            return 3;
        }
        SubStep = 5;
        SubStep = 6;
        if (!request->requestMessage.isEmpty())
            logPo(request->requestMessage);
        SubStep = 7;
        ReportPoLink(true);
        takeOverStatus(*request);
        return 9;
    }
    SubStep = 13;
    if (WithinSeconds(60, 0, m_waitStart))
        return 8;
    logPo(LangText(32, QStringLiteral("Timeout collecting alarms!")));
    SubStep = 14;
    ReportPoLink(false);
    SubStep = 15;
    LinkStatus.store(1);
    abandonRequest();
    return 9;
}

// The worker merged the answer into its own copy of AlarmStatus.xml; that copy
// becomes the shared document and is saved here, so the file has one writer.
// Without a merged copy (empty or malformed answer) the file is read again.
void MainMachine::takeOverStatus(PoRequest& request)
{
    SubStep = 8;
    SubStep = 9;
    SubStep = 11;
    if (request.mergedStatus) {
        m_ctx.status = std::move(request.mergedStatus);
        m_ctx.statusDirty = true;
        m_saveFailureLogged = false; // a failure that lasts is logged once per poll
        saveStatus();
    } else {
        if (m_ctx.status)
            m_ctx.status->clear();
        OpenAlarmStatus(m_ctx.status);
        m_ctx.statusDirty = false;
    }
    SubStep = 12;
}

int MainMachine::judgeReply()
{
    tmmMain.StateText = QStringLiteral("11 check response ");
    const int next = m_evaluation.judgeReply();
    saveStatus();
    return next;
}

// Saves only what changed: waiting for a reply takes up to ten thousand
// steps, and each would otherwise rewrite the same file.
void MainMachine::saveStatus()
{
    if (!m_ctx.statusDirty)
        return;
    if (SaveAlarmStatus(m_ctx.status)) {
        m_ctx.statusDirty = false;
        m_saveFailureLogged = false;
    } else if (!m_saveFailureLogged) {
        m_saveFailureLogged = true;
        logPo(LangText(91, QStringLiteral("Error writing status")));
    }
}

int MainMachine::sendWatchdog()
{
    tmmMain.StateText = QStringLiteral("12 send wd ");
    ++m_watchdogAttempts;
    queue(ZelMessage::watchdog(m_settings.watchdogId));
    m_waitStart = UtcNow();
    return 13;
}

int MainMachine::waitWatchdog()
{
    tmmMain.StateText = QStringLiteral("13 wait result wd ");
    const ZelLink& link = m_ctx.link;
    if (link.ReplyReceived()) {
        if (link.LastReply().startsWith(QStringLiteral("OK")))
            return 3;
        return m_watchdogAttempts < 3 ? 12 : 3;
    }
    return WithinSeconds(10, 0, m_waitStart) ? 13 : 3;
}

int MainMachine::stop()
{
    tmmMain.StateText = QStringLiteral("16 stop ");
    tmmMain.Stop();
    LogMessage(QStringLiteral("Close main statemachine"), LogFileOnly);
    MainMachineStopped = true;
    Q_EMIT stopped();
    return 16;
}

void MainMachine::ReportPoLink(bool ok)
{
    bool& alarmActive = m_ctx.link.PoLinkAlarmActive;
    if (ok) {
        if (alarmActive) {
            alarmActive = false;
            queue(ZelMessage::poLinkRestored());
        }
        PoLinkFailedSince = 0.0;
        return;
    }
    if (alarmActive)
        return;
    if (PoLinkFailedSince == 0.0) {
        PoLinkFailedSince = UtcNow();
        return;
    }
    const qint64 failedMs = std::llround((UtcNow() - PoLinkFailedSince) * SecondsPerDay * 1000.0);
    if (failedMs > kLinkLossMs) {
        alarmActive = true;
        queue(ZelMessage::poLinkLost());
    }
}

// A request given up on is cancelled; whenever it still completes, it changes
// nothing.
void MainMachine::abandonRequest()
{
    if (m_request)
        m_po.cancel(m_request);
    m_request.reset();
}

void MainMachine::queue(const QString& message)
{
    m_ctx.link.SendIPString(message, true);
}
