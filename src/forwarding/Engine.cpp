#include "Engine.h"

#include "MainMachine.h"

#include "core/Language.h"
#include "core/Log.h"
#include "core/Settings.h"
#include "link/ZelLink.h"
#include "link/ZelMessages.h"
#include "poclient/PoClient.h"
#include "store/Documents.h"
#include "store/ZelCodeMerge.h"

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
    connect(m_link.get(), &ZelLink::statusText, this, &Engine::showZelMeldText);
    // The operator who pressed "Send test" sees the answer as a "Recv:" line; without this
    // a test that never left would show nothing at all.
    connect(m_link.get(), &ZelLink::messageNotWritten, this, [this](quint64 id) {
        if (id == m_testId)
            LogMessage(LangText(6, QStringLiteral("Zel PO socket error:")) + QLatin1Char(' ') +
                           m_testMessage,
                       LogZelList);
    });
    connect(m_po.get(), &PoClient::statusText, this, &Engine::showOfficeText);
    connect(m_main.get(), &MainMachine::linkStateShown, this, &Engine::showLinkState);
    connect(m_link.get(), &ZelLink::linkFailedChanged, this, &Engine::followLinkStatus);
    connect(m_po.get(), &PoClient::officeFailedChanged, this, &Engine::followLinkStatus);
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
    // Before anything looks an alarm up, so that every alarm of a number can be found.
    mergeZelCodeFormsOnRead(m_zelDefs);
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
    Q_EMIT linkStateShown(iconFor(linkState()));
}

// The solved problem may be what the panel shows: it gives way to a link's error that lasts,
// else to what is shown while running.
void Engine::removeProblem(const QString& text)
{
    if (!m_problems.removeOne(text))
        return;
    Q_EMIT problemsChanged(m_problems);
    const LinkState state = linkState();
    if (state == LinkState::Running)
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

// The ZelMeld error's text stays while it lasts, whatever the office link says meanwhile.
void Engine::showOfficeText(const QString& text)
{
    if (!m_link->linkFailed())
        showStatusText(text);
}

// Once ZelMeld talks again, an office error that lasts is shown again.
void Engine::showZelMeldText(const QString& text)
{
    if (text.isEmpty() && m_po->officeFailed())
        showStatusText(LangText(33, QStringLiteral("Error communicating with PO server")));
    else
        showStatusText(text);
}

LinkState Engine::linkState() const
{
    return combinedLinkState(m_link->linkFailed(), m_po->officeFailed());
}

// The idle step has taken over a new state; once running, the status text says so, unless a
// problem lasts.
void Engine::showLinkState(LinkState state)
{
    if (state == LinkState::Running)
        Q_EMIT statusText(runningText());
    Q_EMIT linkStateShown(iconFor(state));
}

// The icon follows each change of either link at once, also while the main machine is busy
// with a walk or waits for the office server.
void Engine::followLinkStatus()
{
    Q_EMIT linkStateShown(iconFor(linkState()));
}

StatusIcon Engine::iconFor(LinkState state) const
{
    switch (state) {
    case LinkState::OfficeError:
        return StatusIcon::OfficeError;
    case LinkState::ZelMeldError:
        return StatusIcon::ZelMeldError;
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
