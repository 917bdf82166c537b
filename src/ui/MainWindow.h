#pragma once

#include "core/Clock.h"
#include "core/Log.h"
#include "core/ZelTimeMachine.h"
#include "forwarding/Gateway.h"

#include <QMainWindow>
#include <QStringList>
#include <QTimer>

#include <functional>

class LinkConfigPage;
class OfficeSettingsPage;
class QTabWidget;
class StatusBar;
class TrayIcon;
class ZelSettingsPage;

// The operator's window over a gateway that the program assembles and owns (settings, engine,
// start-up and orderly shutdown). The window runs the gateway's start-up with its own steps
// between, is handed the engine once it is made, and adds the pages, the status bar, the tray
// and the exit question.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    // gateway outlives the window.
    explicit MainWindow(Gateway& gateway, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Runs the start-up sequence; the state machines start whatever happens.
    void FormCreate();

    // Asks the operator; on Yes runs the orderly shutdown.
    void FormClose();
    // The orderly shutdown without the question (service stop, Ctrl+C).
    void startShutdown();

    // Replaces the exit question (tests).
    void setExitConfirmation(std::function<bool()> confirm) { m_confirmExit = std::move(confirm); }
    // The text of the exit question FormClose() asks: it names the documents whose changes
    // could not be saved and will be lost.
    QString exitQuestion() const;

    const Settings& settings() const { return m_gateway.settings(); }
    const QString& SettingsFile() const { return m_gateway.settingsFile(); }
    QString Language() const { return settings().language; }
    int WatchdogId() const { return m_gateway.watchdogId(); }
    bool ClosingRequested() const;
    bool MainMachineStopped() const;

    // Handed over by FormCreate() once the gateway has made it; shown until the program ends.
    void setEngine(Engine& engine);
    Engine& engine() { return *m_engine; }
    // The two state machines, for diagnostics and tests.
    const tZelTimeMachine& tmmMain() const;
    const tZelTimeMachine& tmmSockets() const;
    StatusBar& statusBar() { return *m_sBar; }

    // Hides the window and its task-bar entry (minimises where there is no tray).
    void hideToTray();
    // A second start asked for this window: restores and raises it as the tray's
    // "Open" does, and notes it in the log.
    void bringToFront();

Q_SIGNALS:
    // The close timer decided that the program ends now.
    void terminateRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildPages();
    void fillDefinitionsGrid();
    void showUnlinkedCount();
    void centreOnScreen();
    void applyLanguage();
    void showLoadedSettings();
    void applyWindowTitle();
    void applyCaptions();
    // The same choice the language table makes; for the few captions it has no entry for.
    bool runsInDutch() const { return settings().language == u"NLD"; }
    void addListLine(LogTarget target, const QString& line);
    [[nodiscard]] Settings settingsToSave() const;

    Gateway& m_gateway;
    Engine* m_engine = nullptr;
    std::function<bool()> m_confirmExit;
    // The documents whose edits could not be saved when the exit question was asked.
    QStringList m_unsavedAtExit;

    QTabWidget* m_pctlDde = nullptr;
    LinkConfigPage* m_linkPage = nullptr;
    ZelSettingsPage* m_ipPage = nullptr;
    OfficeSettingsPage* m_officePage = nullptr;
    StatusBar* m_sBar = nullptr;
    TrayIcon* m_trayX1 = nullptr;
};
