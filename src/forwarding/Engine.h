#pragma once

#include "ForwardingOptions.h"
#include "StatusIcon.h"

#include "core/LinkStatus.h"

#include "store/DocumentOwner.h"

#include <QObject>
#include <QStringList>

#include <memory>

struct Settings;
class MainMachine;
class PoClient;
class ZelLink;

// The gateway without its window: the owners of the three shared documents, the main and the
// socket state machines, the ZelMeld link and the office client, all driven by the Qt event
// loop of the thread that owns it. The Gateway (for the window or the service) or a test creates
// it, sends it commands, reads its state and listens to its signals; none of them writes the
// engine's fields.
class Engine : public QObject
{
    Q_OBJECT
public:
    static constexpr int DefaultPoPort = 8080;

    // settings: the working values, read before the engine is made and fixed for the run; they
    // must outlive the engine. poPort: the office server's port (tests use an ephemeral one).
    explicit Engine(const Settings& settings, int poPort = DefaultPoPort,
                    QObject* parent = nullptr);
    ~Engine() override;

    // Opens ZelDefs.xml, LinkDefs.xml and AlarmStatus.xml, in that order. What failed is
    // logged and shown through problemsChanged; the engine runs on empty documents then.
    // A catalogue writing one code in several forms is merged and saved once.
    void openDocuments();
    // Starts both state machines at their first state.
    void start();

    // Commands.
    void requestClose();
    void requestRefresh();
    // Queues a test line for ZelMeld as typed (location, input, state), logged as sent.
    // Returns the link's id of the queued message; a message the link gives up unwritten is
    // reported in the ZelMeld list.
    quint64 sendTest(const QString& location, const QString& input, const QString& state);
    // The two alarm-text switches act at the next alarm message.
    void setOptions(const ForwardingOptions& options) { m_options = options; }
    // A problem found outside the engine (settings, data directory) that the status bar
    // must keep showing.
    void addProblem(const QString& text);
    // A problem that no longer holds leaves the status bar.
    void removeProblem(const QString& text);
    // Saves the operator's edits that are not on disk yet (LinkDefs.xml, ZelDefs.xml); the
    // names of the files that still could not be written.
    QStringList saveUnsavedEdits();

    // State.
    const ForwardingOptions& options() const { return m_options; }
    bool closingRequested() const;
    bool mainMachineStopped() const;
    // What the two links' states come to now (the icon follows it at once).
    LinkState linkState() const;
    // Problems the operator must know about, oldest first.
    const QStringList& problems() const { return m_problems; }

    // The document owners: the editor pages change LinkDefs and ZelDefs through them.
    DocumentOwner& zelDefs() { return m_zelDefs; }
    DocumentOwner& linkDefs() { return m_linkDefs; }
    DocumentOwner& alarmStatus() { return m_alarmStatus; }

    // For diagnostics and tests: read only.
    const MainMachine& mainMachine() const { return *m_main; }
    const ZelLink& link() const { return *m_link; }
    const PoClient& poClient() const { return *m_po; }
    // The main machine itself, for whoever must watch its steps (the service watchdog) or,
    // in a test, drive them; its state is still changed only by its own steps.
    MainMachine& mainMachine() { return *m_main; }

Q_SIGNALS:
    // Text for the status bar's message panel (empty clears it).
    void statusText(const QString& text);
    // The status icon to show; it follows every change of the link status at once, and
    // shows a problem of the files or settings (see problems()) while the links are fine.
    void linkStateShown(StatusIcon icon);
    // Hide the window and its task-bar entry.
    void hideRequested();
    // The link definitions were refreshed from the office server.
    void definitionsReloaded();
    // The main state machine has stopped on a close request.
    void machineStopped();
    void problemsChanged(const QStringList& problems);

private:
    void showStatusText(const QString& text);
    void showOfficeText(const QString& text);
    void showZelMeldText(const QString& text);
    void showLinkState(LinkState state);
    void followLinkStatus();
    StatusIcon iconFor(LinkState state) const;
    QString runningText() const;
    void openDocument(DocumentOwner& owner);

    ForwardingOptions m_options;
    DocumentOwner m_zelDefs;
    DocumentOwner m_linkDefs;
    DocumentOwner m_alarmStatus;
    QStringList m_problems;
    // What a link said last on the status bar; empty once its error has ended.
    QString m_linkText;
    quint64 m_testId = 0;
    QString m_testMessage;
    std::unique_ptr<ZelLink> m_link;
    std::unique_ptr<PoClient> m_po;
    std::unique_ptr<MainMachine> m_main;
};
