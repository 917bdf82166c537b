#include "MainMachine.h"

#include "MainStates.h"
#include "MainStepGuard.h"

#include "core/FreeMemory.h"
#include "core/Language.h"
#include "core/Log.h"
#include "core/Settings.h"
#include "link/ZelFraming.h"
#include "link/ZelLink.h"
#include "link/ZelMessages.h"
#include "poclient/ActiveAlarmsMerge.h"
#include "poclient/PoClient.h"
#include "poclient/ServerConfigReader.h"
#include "store/AlarmStatus.h"
#include "store/Documents.h"
#include "store/LinkDefs.h"

namespace {

constexpr qint64 kLinkLossMs = 5 * 60 * 1000;
// The periods of the jobs; the configuration's first one is short, the later ones long.
constexpr int kWatchdogPeriodSeconds = 60;
constexpr int kPollPeriodSeconds = 10;
constexpr int kFirstConfigurationSeconds = 300;
constexpr int kConfigurationPeriodSeconds = 28800;
// The machine's own waits for the office server; the transfers run longer, so these decide.
constexpr int kDefinitionsWaitSeconds = 900;
constexpr int kAlarmsWaitSeconds = 60;

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
    : QObject(parent), m_tmmMain(this), m_settings(settings), m_poPort(poPort), m_ctx(context),
      m_po(po), m_evaluation(context), m_watchdogPeriod(kWatchdogPeriodSeconds),
      m_pollPeriod(kPollPeriodSeconds), m_configurationPeriod(kFirstConfigurationSeconds),
      m_definitionsWait(kDefinitionsWaitSeconds), m_alarmsWait(kAlarmsWaitSeconds),
      m_watchdogReplyWait(ZelReplyWaitSeconds)
{
    m_tmmMain.setObjectName(QStringLiteral("tmmMain"));
    m_tmmMain.setInterval(1);
    m_tmmMain.setLoopCount(0);
    m_tmmMain.setDoState([this](tZelTimeMachine& machine) {
        runGuardedMainStep(
            machine, [this] { step(); }, m_subStep);
    });
    m_tmmMain.setWaitQuery([this] { return waitAfterStep(); });
    // What the machine waits for: a reply or a line given up, a request done, a change of the
    // link state to show.
    connect(&m_ctx.link, &ZelLink::replyReceived, this, &MainMachine::wake);
    connect(&m_ctx.link, &ZelLink::messageNotWritten, this, &MainMachine::wake);
    connect(&m_ctx.link, &ZelLink::linkFailedChanged, this, &MainMachine::wake);
    connect(&m_po, &PoClient::officeFailedChanged, this, &MainMachine::wake);
    m_po.setRequestDoneNotifier(m_tmmMain.crossThreadWaker());
    m_sinceStatusSave.start();
}

MainMachine::~MainMachine()
{
    abandonRequest();
}

void MainMachine::start()
{
    m_tmmMain.setState(MainState::Start);
    m_tmmMain.setEnabled(true);
}

void MainMachine::requestClose()
{
    m_closingRequested = true;
    m_mainMachineStopped = false;
    wake();
}

void MainMachine::requestRefresh()
{
    m_refreshRequested = true;
    wake();
}

void MainMachine::step()
{
    m_subStep = MainSubStep::None;
    tZelTimeMachine& machine = m_tmmMain;
    switch (machine.stateAs<MainState>()) {
    case MainState::Start:
        machine.setState(stateStart());
        break;
    case MainState::Init:
        machine.setState(stateInit());
        break;
    case MainState::Wait:
        machine.setState(stateWait());
        break;
    case MainState::GetDefinitions:
        machine.setState(startDefinitions());
        break;
    case MainState::WaitDefinitions:
        machine.setState(waitDefinitions());
        break;
    case MainState::StartGetAlarms:
        machine.setState(startAlarms());
        break;
    case MainState::WaitAlarms:
        machine.setState(waitAlarms());
        break;
    case MainState::CheckAlarms:
        machine.setStateText(QStringLiteral(" 9 check alarms "));
        machine.setState(m_evaluation.examineEntry());
        if (machine.stateAs<MainState>() == MainState::Wait) {
            saveStatus();
            Q_EMIT pollFinished();
        }
        break;
    case MainState::SendAlarm:
        machine.setStateText(QStringLiteral("10 send alarm to zel "));
        machine.setState(m_evaluation.sendEntry());
        break;
    case MainState::CheckResponse:
        machine.setState(judgeReply());
        break;
    case MainState::SendWatchdog:
        machine.setState(sendWatchdog());
        break;
    case MainState::WaitWatchdog:
        machine.setState(waitWatchdog());
        break;
    case MainState::Stop:
        machine.setState(stop());
        break;
    default:
        break;
    }
}

// Event-driven stepping: what the state the machine is in waits for. Each time-out is the
// same TimedWait its step decides with; this only says when to look again.
StepWait MainMachine::waitAfterStep() const
{
    switch (m_tmmMain.stateAs<MainState>()) {
    case MainState::Wait:
        return idleWait();
    case MainState::WaitDefinitions:
        return requestWait(m_definitionsWait);
    case MainState::WaitAlarms:
        return requestWait(m_alarmsWait);
    case MainState::CheckResponse:
        return replyWait();
    case MainState::WaitWatchdog:
        if (m_ctx.link.replyTo(m_watchdogLineId))
            return StepWait::now();
        return m_watchdogReplyWait.stepWait();
    case MainState::Stop:
        return MainMachineStopped() ? StepWait::event() : StepWait::now();
    default:
        return StepWait::now();
    }
}

StepWait MainMachine::idleWait() const
{
    if (m_closingRequested || m_refreshRequested || m_linkStateShowDue ||
        m_shownLinkState != currentLinkState())
        return StepWait::now();
    return m_watchdogPeriod.stepWait()
        .earliest(m_pollPeriod.stepWait())
        .earliest(m_configurationPeriod.stepWait());
}

StepWait MainMachine::requestWait(const TimedWait& wait) const
{
    if (isDone(m_request))
        return StepWait::now();
    return wait.stepWait();
}

// Changes waiting for their batched save wake the machine when the save is due.
StepWait MainMachine::replyWait() const
{
    const StepWait reply = m_evaluation.replyWait();
    if (!m_ctx.status.isDirty())
        return reply;
    return reply.earliest(StepWait::forMs(msUntilBatchedSave()));
}

MainState MainMachine::stateStart()
{
    m_tmmMain.setStateText(QStringLiteral(" 1 start "));
    abandonRequest();
    m_po.init_indy();
    // ClosingRequested is not cleared here: a close asked for before the first step, or
    // before a restart after an error, must still stop the machine in order.
    m_linkStateShowDue = true;
    Q_EMIT hideRequested();
    m_ctx.link.setPoLinkAlarmActive(false);
    m_poLinkFailedSince = 0.0;
    return MainState::Init;
}

MainState MainMachine::stateInit()
{
    m_tmmMain.setStateText(QStringLiteral(" 2 init "));
    m_watchdogPeriod.start();
    m_pollPeriod.start();
    m_configurationPeriod.setSeconds(kFirstConfigurationSeconds);
    m_configurationPeriod.start();
    return MainState::Wait;
}

MainState MainMachine::stateWait()
{
    m_tmmMain.setStateText(QStringLiteral(" 3 wait "));
    const MainState next = scheduler();
    statusDisplay();
    return next;
}

// A due watchdog goes before a due poll; closing and the configuration fetch
// wait for a step at which neither is due.
MainState MainMachine::scheduler()
{
    if (m_watchdogPeriod.passed()) {
        m_watchdogPeriod.start();
        m_watchdogAttempts = 0;
        return MainState::SendWatchdog;
    }
    if (m_pollPeriod.passed()) {
        m_pollPeriod.start();
        m_evaluation.startWalk();
        return MainState::StartGetAlarms;
    }
    if (m_closingRequested)
        return MainState::Stop;
    if (m_configurationPeriod.passed() || m_refreshRequested) {
        m_configurationPeriod.start();
        m_configurationPeriod.setSeconds(kConfigurationPeriodSeconds);
        m_refreshRequested = false;
        return MainState::GetDefinitions;
    }
    return MainState::Wait;
}

// ShownLinkState follows the links' states; an ended error shows as running from here on. What
// the window shows for each state (icon, "Application running") is the engine's business.
void MainMachine::statusDisplay()
{
    const LinkState current = currentLinkState();
    if (!m_linkStateShowDue && m_shownLinkState == current)
        return;
    m_linkStateShowDue = false;
    m_shownLinkState = current;
    Q_EMIT linkStateShown(m_shownLinkState);
}

LinkState MainMachine::currentLinkState() const
{
    return combinedLinkState(m_ctx.link.linkFailed(), m_po.officeFailed());
}

// The office link takes the request's outcome. A finished request counts as failed also while
// the ZelMeld link is down: the office link supervision then counts the time as lost, and no
// walk runs whose lines could not leave.
bool MainMachine::takeOverOutcome(const PoRequest& request)
{
    m_po.reportOutcome(request);
    return request.outcome == PoOutcome::Succeeded && !m_ctx.link.linkFailed();
}

QString MainMachine::url(const char* path) const
{
    return QStringLiteral("http://") + m_settings.poServer.trimmed() + QLatin1Char(':') +
           QString::number(m_poPort) + QLatin1String(path);
}

MainState MainMachine::startDefinitions()
{
    m_tmmMain.setStateText(QStringLiteral(" 4 get definitions "));
    logPo(LangText(29, QStringLiteral("Collect alarm definitions")));
    m_request =
        m_po.StartPoRequest(url("/office/alarm/alarmserverconfig"), PoRequestKind::Configuration);
    m_definitionsWait.start();
    return MainState::WaitDefinitions;
}

MainState MainMachine::waitDefinitions()
{
    m_tmmMain.setStateText(QStringLiteral(" 5 wait definitions "));
    if (isDone(m_request)) {
        const std::shared_ptr<PoRequest> request = std::exchange(m_request, nullptr);
        if (!takeOverOutcome(*request)) {
            // What the office server sent is kept all the same.
            storeDefinitions(*request);
            ReportPoLink(false);
            return MainState::Wait;
        }
        logPo(request->requestMessage.isEmpty()
                  ? LangText(89, QStringLiteral("Definitions collected from Priva Office"))
                  : request->requestMessage);
        ReportPoLink(true);
        storeDefinitions(*request);
        reportUndefinedLinks();
        return MainState::Wait;
    }
    if (!m_definitionsWait.passed())
        return MainState::WaitDefinitions;
    logPo(LangText(31, QStringLiteral("Timeout collecting definitions!")));
    ReportPoLink(false);
    m_po.reportTimeout();
    abandonRequest();
    return MainState::Wait;
}

// The answer is applied to the shared link document, so that an edit the operator made while
// the request ran is kept, and LinkDefs.xml has a single writer. The grid is refilled after
// every fetch that ended, whatever the answer held.
void MainMachine::storeDefinitions(PoRequest& request)
{
    if (request.configAnswer) {
        applyConfiguration(request);
        purgeReturnedAlarms();
        // Besides each log line, each definitions poll checks the log for its roll-over.
        rollOverLog();
    }
    Q_EMIT definitionsReloaded();
}

// The purge runs on the document the walks use and save, so that no later save can bring the
// purged entries back; AlarmStatus.xml has the owner as its single writer.
void MainMachine::purgeReturnedAlarms()
{
    const bool purged =
        m_ctx.status.edit([](XmlDocument& status) { return PurgeReturnedAlarms(status) > 0; });
    if (purged)
        saveStatus();
}

void MainMachine::applyConfiguration(const PoRequest& request)
{
    DocumentOwner& linkDefs = m_ctx.linkDefs;
    if (!linkDefs.document()) {
        if (const OpenResult opened = linkDefs.open(); !opened)
            return; // the owner has said why
    }
    // What the answer held is added all the same; without both lists the exception texts
    // are not refreshed, which the operator should know.
    bool complete = true;
    linkDefs.edit([&](XmlDocument& document) {
        complete = ReadServerConfig(document, *request.configAnswer);
        return true;
    });
    if (!complete) {
        logPo(QStringLiteral("Alarm configuration from PO server incomplete: ") + request.url +
              QStringLiteral(" (alarmlocations or alarmtypes missing)"));
    }
    (void)linkDefs.saveIfDirty(); // a failure is logged and shown by the owner
    m_allLinksDefined = AllLinksAssigned(*linkDefs.document());
}

void MainMachine::reportUndefinedLinks()
{
    if (!m_allLinksDefined) {
        logPo(LangText(30, QStringLiteral("Undefined links found!")));
        queue(ZelMessage::configurationProblem());
    }
}

MainState MainMachine::startAlarms()
{
    m_tmmMain.setStateText(QStringLiteral(" 7 start get alarms "));
    m_request = m_po.StartPoRequest(url("/office/alarm/alarmserver"), PoRequestKind::ActiveAlarms);
    m_alarmsWait.start();
    return MainState::WaitAlarms;
}

MainState MainMachine::waitAlarms()
{
    m_tmmMain.setStateText(QStringLiteral(" 8 wait alarms "));
    m_subStep = MainSubStep::AlarmsWaiting;
    if (isDone(m_request)) {
        m_subStep = MainSubStep::AlarmsDone;
        const std::shared_ptr<PoRequest> request = std::exchange(m_request, nullptr);
        if (!takeOverOutcome(*request)) {
            // The merged alarms are kept all the same, so that none that came and went
            // meanwhile is lost.
            if (request->alarmsAnswer)
                mergeAnswer(*request);
            m_subStep = MainSubStep::AlarmsFailed;
            ReportPoLink(false);
            m_subStep = MainSubStep::AlarmsFailureShown;
            // Only ZelMeld failed: the walk tries it again, so that what was kept back while
            // it was unreachable goes out at the first poll after it is back, not with the
            // next watchdog. A walk that cannot reach it tries once and keeps the rest.
            if (request->outcome == PoOutcome::Succeeded)
                return MainState::CheckAlarms;
            Q_EMIT pollFinished();
            return MainState::Wait;
        }
        m_subStep = MainSubStep::AlarmsSucceeded;
        if (!request->requestMessage.isEmpty()) {
            m_subStep = MainSubStep::AlarmsRequestMessage;
            logPo(request->requestMessage);
        }
        m_subStep = MainSubStep::AlarmsShowRecovery;
        ReportPoLink(true);
        takeOverStatus(*request);
        return MainState::CheckAlarms;
    }
    m_subStep = MainSubStep::AlarmsWaitRunning;
    if (!m_alarmsWait.passed())
        return MainState::WaitAlarms;
    logPo(LangText(32, QStringLiteral("Timeout collecting alarms!")));
    m_subStep = MainSubStep::AlarmsTimedOut;
    ReportPoLink(false);
    m_subStep = MainSubStep::AlarmsTimeoutReported;
    m_po.reportTimeout();
    // The walk below runs on the document held in memory; whatever the late request still
    // brings is ignored.
    abandonRequest();
    return MainState::CheckAlarms;
}

// The worker read the answer into values; they are merged here into the status held in
// memory, whether or not its last save reached the disk, and saved, so the file has one writer.
// Without an answer (empty or malformed) the status stays as it is; it is opened when it is not
// yet. The sub-steps name the point a failure came from: 8 merging the answer, 11 opening the
// file, 12 done.
void MainMachine::takeOverStatus(PoRequest& request)
{
    if (request.alarmsAnswer) {
        m_subStep = MainSubStep::MergeAnswer;
        mergeAnswer(request);
    } else if (!m_ctx.status.document()) {
        m_subStep = MainSubStep::OpenStatus;
        (void)m_ctx.status.open(); // a failure is logged and shown by the owner
    }
    m_subStep = MainSubStep::StatusTakenOver;
}

void MainMachine::mergeAnswer(PoRequest& request)
{
    DocumentOwner& status = m_ctx.status;
    if (!status.document())
        (void)status.open(); // a failure is logged and shown by the owner
    status.edit([&request](XmlDocument& document) {
        if (!document.hasContent())
            return false; // a file that could not be read stays untouched
        applyActiveAlarms(document, request);
        return true;
    });
    saveStatus();
    // The answer's values have just been freed: several megabytes for a large installation, at
    // every poll.
    request.alarmsAnswer.reset();
    releaseFreedMemory();
}

MainState MainMachine::judgeReply()
{
    m_tmmMain.setStateText(QStringLiteral("11 check response "));
    const MainState next = m_evaluation.judgeReply();
    saveStatusBatched();
    return next;
}

// Saves only what changed: waiting for a reply takes many steps, and each would otherwise
// rewrite the same file. A failure is logged once by the owner and the changes stay in memory
// for the next save.
void MainMachine::saveStatus()
{
    if (!m_ctx.status.isDirty())
        return;
    QElapsedTimer cost;
    cost.start();
    (void)m_ctx.status.saveIfDirty();
    m_saveSpacing.saved(cost.elapsed());
    m_sinceStatusSave.restart();
}

// A message is marked sent only after its reply, so an unsaved mark can only make a crash send
// the message again. The whole document is rewritten at most every 100 ms however fast ZelMeld
// answers, and less often when a save costs more, so that saving keeps to a fixed share of a
// long walk.
void MainMachine::saveStatusBatched()
{
    if (msUntilBatchedSave() <= 0)
        saveStatus();
}

qint64 MainMachine::msUntilBatchedSave() const
{
    return m_saveSpacing.spacingMs() - m_sinceStatusSave.elapsed();
}

MainState MainMachine::sendWatchdog()
{
    m_tmmMain.setStateText(QStringLiteral("12 send wd "));
    ++m_watchdogAttempts;
    m_watchdogLineId = queue(ZelMessage::watchdog(m_settings.watchdogId));
    m_watchdogReplyWait.start();
    return MainState::WaitWatchdog;
}

MainState MainMachine::waitWatchdog()
{
    m_tmmMain.setStateText(QStringLiteral("13 wait result wd "));
    if (const std::optional<QString> reply = m_ctx.link.replyTo(m_watchdogLineId)) {
        if (classifyZelAnswer(*reply) == ZelAnswer::Accepted)
            return MainState::Wait;
        return m_watchdogAttempts < 3 ? MainState::SendWatchdog : MainState::Wait;
    }
    if (!m_watchdogReplyWait.passed())
        return MainState::WaitWatchdog;
    LogMessage(QStringLiteral("No answer from ZelMeld to the watchdog within %1 s")
                   .arg(m_watchdogReplyWait.seconds()),
               LogZelList);
    return MainState::Wait;
}

MainState MainMachine::stop()
{
    m_tmmMain.setStateText(QStringLiteral("16 stop "));
    // Nothing answered by ZelMeld may be left only in memory when the program ends.
    saveStatus();
    m_tmmMain.Stop();
    LogMessage(QStringLiteral("Close main statemachine"), LogFileOnly);
    m_mainMachineStopped = true;
    Q_EMIT stopped();
    return MainState::Stop;
}

void MainMachine::ReportPoLink(bool ok)
{
    ZelLink& link = m_ctx.link;
    if (ok) {
        if (link.PoLinkAlarmActive()) {
            link.setPoLinkAlarmActive(false);
            queue(ZelMessage::poLinkRestored());
        }
        m_poLinkFailedSince = 0.0;
        return;
    }
    if (link.PoLinkAlarmActive())
        return;
    if (m_poLinkFailedSince == 0.0) {
        m_poLinkFailedSince = UtcNow();
        return;
    }
    const qint64 failedMs = msBetween(m_poLinkFailedSince, UtcNow());
    if (failedMs > kLinkLossMs) {
        link.setPoLinkAlarmActive(true);
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

quint64 MainMachine::queue(const QString& message)
{
    return m_ctx.link.SendIPString(message, true);
}
