#pragma once

#include "ForwardingOptions.h"

#include "store/XmlDocument.h"

#include <QObject>

#include <memory>

struct Settings;
class MainMachine;
class PoClient;
class ZelLink;

// The gateway without its window: the three shared documents, the main and
// the socket state machines, the ZelMeld link and the office client, all
// driven by the Qt event loop of the thread that owns it. The window (or a
// test) creates it, connects to its signals and keeps the options current.
class Engine : public QObject
{
    Q_OBJECT
public:
    static constexpr int DefaultPoPort = 8080;

    // settings: the working values, fixed for the run; they must outlive the
    // engine. poPort: the office server's port (tests use an ephemeral one).
    explicit Engine(const Settings& settings, int poPort = DefaultPoPort,
                    QObject* parent = nullptr);
    ~Engine() override;

    // Opens ZelDefs.xml, LinkDefs.xml and AlarmStatus.xml, in that order.
    void openDocuments();
    // Starts both state machines at their first state.
    void start();

    ForwardingOptions& options() { return m_options; }
    MainMachine& mainMachine() { return *m_main; }
    ZelLink& link() { return *m_link; }
    PoClient& poClient() { return *m_po; }

    XmlDocumentHandle& zelDefs() { return m_zelDefs; }
    XmlDocumentHandle& linkDefs() { return m_linkDefs; }
    XmlDocumentHandle& alarmStatus() { return m_alarmStatus; }

Q_SIGNALS:
    // Text for the status bar's message panel (empty clears it).
    void statusText(const QString& text);
    // The status icon to show: 0 none, 1 office error, 2 ZelMeld error.
    void linkStateShown(int state);
    // Hide the window and its task-bar entry.
    void hideRequested();
    // The link definitions were refreshed from the office server.
    void definitionsReloaded();
    // The main state machine has stopped on a close request.
    void mainMachineStopped();

private:
    ForwardingOptions m_options;
    XmlDocumentHandle m_zelDefs;
    XmlDocumentHandle m_linkDefs;
    XmlDocumentHandle m_alarmStatus;
    bool m_statusDirty = false;
    std::unique_ptr<ZelLink> m_link;
    std::unique_ptr<PoClient> m_po;
    std::unique_ptr<MainMachine> m_main;
};
