#include "MainWindow.h"

#include "QuestionBox.h"
#include "StatusBar.h"
#include "TrayIcon.h"
#include "pages/DiagnosticList.h"
#include "pages/LinkConfigPage.h"
#include "pages/OfficeSettingsPage.h"
#include "pages/ZelSettingsPage.h"

#include "core/Language.h"
#include "core/Log.h"
#include "forwarding/MainMachine.h"
#include "link/ZelLink.h"
#include "store/DocumentOwner.h"
#include "store/LinkDefs.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTabWidget>

MainWindow::MainWindow(Gateway& gateway, QWidget* parent) : QMainWindow(parent), m_gateway(gateway)
{
    setObjectName(QStringLiteral("MainForm"));
    resize(950, 577);
    centreOnScreen();
    buildPages();

    m_sBar = new StatusBar(this);
    setStatusBar(m_sBar);
    m_trayX1 = new TrayIcon(this);
    setWindowIcon(TrayIcon::programIcon());

    connect(m_trayX1, &TrayIcon::exitRequested, this, &MainWindow::FormClose);
    connect(&m_gateway, &Gateway::finished, this, &MainWindow::terminateRequested);

    m_confirmExit = [this] {
        const QMessageBox::Icon icon =
            m_unsavedAtExit.isEmpty() ? QMessageBox::Question : QMessageBox::Warning;
        return askYesNo(this, icon, LangText(3, QStringLiteral("Warning")), exitQuestion());
    };

    connect(&Log::instance(), &Log::listLine, this, &MainWindow::addListLine);
}

MainWindow::~MainWindow() = default;

// Made at start-up from the settings read; connected before it reports its first problem.
void MainWindow::setEngine(Engine& shown)
{
    m_engine = &shown;
    Engine* engine = m_engine;
    connect(engine, &Engine::hideRequested, this, &MainWindow::hideToTray);
    connect(engine, &Engine::statusText, m_sBar, &StatusBar::setPanelText);
    connect(engine, &Engine::linkStateShown, m_sBar, &StatusBar::showLinkState);
    connect(engine, &Engine::statusText, m_trayX1, &TrayIcon::setStatusText);
    connect(engine, &Engine::linkStateShown, m_trayX1, &TrayIcon::showLinkState);
    connect(engine, &Engine::definitionsReloaded, this, &MainWindow::fillDefinitionsGrid);
    connect(&engine->linkDefs(), &DocumentOwner::changed, this, &MainWindow::showUnlinkedCount);
    connect(m_linkPage, &LinkConfigPage::refreshRequested, engine, &Engine::requestRefresh);
    m_linkPage->setDocuments(&engine->zelDefs(), &engine->linkDefs());
    connect(m_ipPage, &ZelSettingsPage::testMessageRequested, engine, &Engine::sendTest);
    connect(m_officePage, &OfficeSettingsPage::optionsChanged, engine, &Engine::setOptions);
}

void MainWindow::fillDefinitionsGrid()
{
    if (const XmlDocument* linkDefs = m_engine->linkDefs().document())
        m_linkPage->FillDefinitionsGrid(*linkDefs);
    showUnlinkedCount();
}

// After "Undefined links found!" the operator sees how many are left, until none are.
void MainWindow::showUnlinkedCount()
{
    const XmlDocument* linkDefs = m_engine->linkDefs().document();
    const int count = linkDefs ? UnlinkedCount(*linkDefs) : 0;
    m_sBar->showUnlinkedCount(count);
    m_trayX1->showUnlinkedCount(count);
}

bool MainWindow::ClosingRequested() const
{
    return m_engine && m_engine->closingRequested();
}

bool MainWindow::MainMachineStopped() const
{
    return m_engine && m_engine->mainMachineStopped();
}

const tZelTimeMachine& MainWindow::tmmMain() const
{
    return m_engine->mainMachine().tmmMain();
}

const tZelTimeMachine& MainWindow::tmmSockets() const
{
    return m_engine->link().tmmSockets();
}

void MainWindow::buildPages()
{
    m_pctlDde = new QTabWidget(this);
    m_pctlDde->setObjectName(QStringLiteral("pctlDde"));
    setCentralWidget(m_pctlDde);
    m_linkPage = new LinkConfigPage(m_pctlDde);
    m_pctlDde->addTab(m_linkPage, QStringLiteral("Link configuration"));
    m_ipPage = new ZelSettingsPage(m_pctlDde);
    m_pctlDde->addTab(m_ipPage, QStringLiteral("ZEL-Pro tcp/IP settings"));
    m_officePage = new OfficeSettingsPage(m_pctlDde);
    m_pctlDde->addTab(m_officePage, QStringLiteral("Priva Office / Other settings"));
}

void MainWindow::addListLine(LogTarget target, const QString& line)
{
    if (target == LogZelList)
        m_ipPage->lbxDebug().appendLine(line);
    else if (target == LogPoList)
        m_officePage->lbxComDebug().appendLine(line);
}

void MainWindow::hideToTray()
{
    m_trayX1->hideWindow();
}

void MainWindow::bringToFront()
{
    m_trayX1->TrayX1DblClick();
    LogMessage(QStringLiteral("Window brought to front at a second start"));
}

void MainWindow::centreOnScreen()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    // Minimising leaves only the tray icon, as the program normally runs.
    if (event->type() == QEvent::WindowStateChange && isMinimized() && TrayIcon::available())
        QTimer::singleShot(0, this, &MainWindow::hideToTray);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // The window never closes on this request; a confirmed exit ends the
    // program through the close timer instead.
    event->ignore();
    FormClose();
}
