#include "Engine.h"

#include "MainMachine.h"

#include "core/Language.h"
#include "core/Log.h"
#include "core/Settings.h"
#include "link/ZelLink.h"
#include "link/ZelMessages.h"
#include "poclient/PoClient.h"
#include "store/Documents.h"

Engine::Engine(const Settings& settings, int poPort, QObject* parent)
    : QObject(parent), m_zelDefs("ZelDefs.xml", kZelDefsRoot),
      m_linkDefs("LinkDefs.xml", kLinkDefsRoot), m_alarmStatus("AlarmStatus.xml", kAlarmStatusRoot),
      m_link(std::make_unique<ZelLink>(settings)), m_po(std::make_unique<PoClient>())
{
    m_options.sendPcu = settings.sendPcu;
    m_options.filterPunct = settings.filterPunct;
    m_alarmStatus.setSaveFailureLog(LangText(91, QStringLiteral("Error writing status")),
                                    LogPoList);
    // An operator's edit that could not be written is written once the folder allows it. The
    // alarm status is saved by the main machine at its own spacing instead.
    m_zelDefs.retryFailedSaves();
    m_linkDefs.retryFailedSaves();
    const EvaluationContext context{m_alarmStatus, m_linkDefs, m_zelDefs, *m_link, m_options};
    m_main = std::make_unique<MainMachine>(settings, poPort, context, *m_po);

    for (DocumentOwner* owner : {&m_zelDefs, &m_linkDefs, &m_alarmStatus}) {
        connect(owner, &DocumentOwner::problem, this, &Engine::addProblem);
        connect(owner, &DocumentOwner::problemSolved, this, &Engine::removeProblem);
    }
    connect(m_link.get(), &ZelLink::statusText, this, &Engine::showStatusText);
    // The operator who pressed "Send test" sees the answer as a "Recv:" line; without this
    // a test that never left would show nothing at all.
    connect(m_link.get(), &ZelLink::messageNotWritten, this, [this](quint64 id) {
        if (id == m_testId)
            LogMessage(LangText(6, QStringLiteral("Zel PO socket error:")) + QLatin1Char(' ') +
                           m_testMessage,
                       LogZelList);
    });
    connect(m_po.get(), &PoClient::statusText, this, &Engine::showStatusText);
    connect(m_main.get(), &MainMachine::linkStateShown, this, &Engine::showLinkState);
    // Queued from the office worker's thread, direct from this one.
    connect(&LinkStatusChanges::instance(), &LinkStatusChanges::changed, this,
            &Engine::followLinkStatus);
    connect(m_main.get(), &MainMachine::hideRequested, this, &Engine::hideRequested);
    connect(m_main.get(), &MainMachine::definitionsReloaded, this, &Engine::definitionsReloaded);
    connect(m_main.get(), &MainMachine::stopped, this, &Engine::machineStopped);
}

Engine::~Engine() = default;

void Engine::openDocument(DocumentOwner& owner)
{
    // The owner logs and reports what went wrong; the engine goes on with what it has.
    (void)owner.open();
}

void Engine::openDocuments()
{
    openDocument(m_zelDefs);
    openDocument(m_linkDefs);
    openDocument(m_alarmStatus);
}

void Engine::start()
{
    m_main->start();
    m_link->start();
}

void Engine::requestClose()
{
    m_main->requestClose();
}

void Engine::requestRefresh()
{
    m_main->requestRefresh();
}

quint64 Engine::sendTest(const QString& location, const QString& input, const QString& state)
{
    m_testMessage = ZelMessage::test(location, input, state);
    m_testId = m_link->SendIPString(m_testMessage, true);
    return m_testId;
}

bool Engine::closingRequested() const
{
    return m_main->ClosingRequested();
}

bool Engine::mainMachineStopped() const
{
    return m_main->MainMachineStopped();
}

void Engine::addProblem(const QString& text)
{
    if (m_problems.contains(text))
        return;
    m_problems.append(text);
    Q_EMIT problemsChanged(m_problems);
    Q_EMIT statusText(text);
    Q_EMIT linkStateShown(iconFor(LinkStatus.load()));
}

// The solved problem may be what the panel shows: it gives way to a link's error that lasts,
// else to what is shown while running.
void Engine::removeProblem(const QString& text)
{
    if (!m_problems.removeOne(text))
        return;
    Q_EMIT problemsChanged(m_problems);
    const LinkState state = LinkStatus.load();
    if (!isLinkError(state))
        Q_EMIT statusText(runningText());
    else if (!m_linkText.isEmpty())
        Q_EMIT statusText(m_linkText);
    else
        Q_EMIT statusText(m_problems.isEmpty() ? QString() : m_problems.last());
    Q_EMIT linkStateShown(iconFor(state));
}

QStringList Engine::saveUnsavedEdits()
{
    QStringList unsaved;
    for (DocumentOwner* owner : {&m_zelDefs, &m_linkDefs}) {
        // A failure is logged and shown by the owner.
        if (!owner->saveIfDirty())
            unsaved << owner->fileName();
    }
    return unsaved;
}

// A link's text, or empty when its error has ended: a problem that lasts is shown instead.
void Engine::showStatusText(const QString& text)
{
    m_linkText = text;
    Q_EMIT statusText(text.isEmpty() && !m_problems.isEmpty() ? m_problems.last() : text);
}

// The idle step has taken over a new state; once running, the status text says so, unless a
// problem lasts.
void Engine::showLinkState(LinkState state)
{
    if (state == LinkState::Running)
        Q_EMIT statusText(runningText());
    Q_EMIT linkStateShown(iconFor(state));
}

// The icon follows each change at once, also while the main machine is busy with a walk or
// waits for the office server; it reads the status now, which a queued signal may lag.
void Engine::followLinkStatus()
{
    Q_EMIT linkStateShown(iconFor(LinkStatus.load()));
}

StatusIcon Engine::iconFor(LinkState state) const
{
    switch (state) {
    case LinkState::OfficeError:
        return StatusIcon::OfficeError;
    case LinkState::ZelMeldError:
        return StatusIcon::ZelMeldError;
    case LinkState::ErrorEnded:
    case LinkState::Running:
        break;
    }
    return m_problems.isEmpty() ? StatusIcon::None : StatusIcon::Problem;
}

QString Engine::runningText() const
{
    return m_problems.isEmpty() ? LangText(28, QStringLiteral("Application running"))
                                : m_problems.last();
}
