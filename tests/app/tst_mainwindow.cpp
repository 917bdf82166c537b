#include "TestFiles.h"
#include "forwarding/MainMachine.h"
#include "ui/MainWindow.h"
#include "ui/StatusBar.h"
#include "ui/TrayIcon.h"
#include "ui/logic/DiagnosticListModel.h"
#include "ui/pages/DiagnosticList.h"

#include "Version.h"
#include "core/Directories.h"
#include "core/Language.h"
#include "core/LinkStatus.h"
#include "core/Log.h"
#include "forwarding/Engine.h"

#include "ZelMeldServer.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// A loopback port nobody listens on, for a ZelMeld that is down.
quint16 unusedPort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

// Settings that name a ZelMeld on this loopback port.
QByteArray zelMeldAt(quint16 port)
{
    return "[IP]\naddress=127.0.0.1\nOIPort=" + QByteArray::number(port) + "\n";
}

void sendTestLine(MainWindow& window)
{
    window.engine().sendTest(QStringLiteral("000001"), QStringLiteral("01"), QStringLiteral("A"));
}

} // namespace

class TstMainWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void startupAppliesTitleLanguageAndSettings_data();
    void startupAppliesTitleLanguageAndSettings();
    void defaultLinkDefsCopiedButNeverOverwritten();
    void answeringNoChangesNothing();
    void answeringYesStopsMainMachineThenTerminates();
    void graceEndsAStuckMachineAfterTenSeconds();
    void logTargetsReachTheirLists();
    void statusDisplayFollowsLinkStatus();
    void exitQuestionButtonsFollowTheLanguage_data();
    void exitQuestionButtonsFollowTheLanguage();
    void trayFollowsTheStatusBar();
    void trayExitAsksTheExitQuestion();
    void problemsStayOnTheStatusBar_data();
    void problemsStayOnTheStatusBar();

private:
    QString data(const char* name) const
    {
        return m_root->filePath(QStringLiteral("data/") + QLatin1String(name));
    }
    QString poData(const char* name) const
    {
        return m_root->filePath(QStringLiteral("PoData/") + QLatin1String(name));
    }

    std::unique_ptr<QTemporaryDir> m_root;
};

void TstMainWindow::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    QDir(m_root->path()).mkpath(QStringLiteral("bin"));
    QDir(m_root->path()).mkpath(QStringLiteral("data"));
    QVERIFY(writeFile(
        m_root->filePath(QStringLiteral("bin/PO.ini")),
        "[Application]\ndatapath=" + m_root->filePath(QStringLiteral("data")).toUtf8() + "\n"));
    resetDirectories(m_root->filePath(QStringLiteral("bin")));
    resetLanguageTable();
}

void TstMainWindow::cleanup()
{
    resetDirectories();
}

void TstMainWindow::startupAppliesTitleLanguageAndSettings_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("firstTab");
    QTest::addColumn<int>("watchdogId");
    QTest::newRow("no settings file") << QByteArray() << "Link configuration" << 1;
    QTest::newRow("Dutch") << QByteArray("[PO]\nlanguage=NLD\nWDid=7\n") << "Koppeling instellen"
                           << 7;
    QTest::newRow("nld in lower case is English")
        << QByteArray("[PO]\nlanguage=nld\nWDid=12\n") << "Link configuration" << 1;
}

void TstMainWindow::startupAppliesTitleLanguageAndSettings()
{
    QFETCH(QByteArray, ini);
    QFETCH(QString, firstTab);
    QFETCH(int, watchdogId);
    if (!ini.isEmpty())
        QVERIFY(writeFile(data("ZelLocal.INI"), ini));

    MainWindow window;
    window.FormCreate();
    QCOMPARE(window.windowTitle(),
             QStringLiteral("ZEL-Pro - Priva Office (" ZELPO_VERSION_STRING ") "));
    auto* pages = window.findChild<QTabWidget*>(QStringLiteral("pctlDde"));
    QVERIFY(pages);
    QCOMPARE(pages->count(), 3);
    QCOMPARE(pages->tabText(0), firstTab);
    QCOMPARE(window.WatchdogId(), watchdogId);
    QVERIFY(window.tmmMain().Enabled());
    QVERIFY(window.tmmSockets().Enabled());
    QCOMPARE(window.tmmMain().State(), 1);
    QCOMPARE(window.tmmSockets().State(), 1);
    QVERIFY(readFile(data("ZelLocal.INI")).contains("Trace=0"));
    for (const char* name :
         {"sBar", "lbxDebug", "lbxComDebug", "tbsLinkSettings", "tbsIP", "tbsOffice"})
        QVERIFY2(window.findChild<QObject*>(QLatin1String(name)), name);
}

void TstMainWindow::defaultLinkDefsCopiedButNeverOverwritten()
{
    QVERIFY(
        writeFile(m_root->filePath(QStringLiteral("bin/linkdefs.default")), "<ZelPOLinkDefs/>"));
    {
        MainWindow window;
        window.FormCreate();
        QVERIFY(window.engine().linkDefs().document() &&
                window.engine().linkDefs().document()->hasContent());
    }
    QCOMPARE(readFile(poData("LinkDefs.xml")), QByteArray("<ZelPOLinkDefs/>"));

    QVERIFY(writeFile(poData("LinkDefs.xml"), "<ZelPOLinkDefs><PO_Locations/></ZelPOLinkDefs>"));
    MainWindow window;
    window.FormCreate();
    QCOMPARE(readFile(poData("LinkDefs.xml")),
             QByteArray("<ZelPOLinkDefs><PO_Locations/></ZelPOLinkDefs>"));
}

void TstMainWindow::answeringNoChangesNothing()
{
    MainWindow window;
    window.FormCreate();
    const QByteArray iniBefore = readFile(data("ZelLocal.INI"));
    int asked = 0;
    window.setExitConfirmation([&] {
        ++asked;
        return false;
    });
    window.close();
    QCOMPARE(asked, 1);
    QVERIFY(!window.ClosingRequested());
    QCOMPARE(readFile(data("ZelLocal.INI")), iniBefore);
    QVERIFY(!readFile(data("ZELPO.LOG")).contains("Start closing application"));
}

void TstMainWindow::answeringYesStopsMainMachineThenTerminates()
{
    MainWindow window;
    window.FormCreate();
    QSignalSpy terminate(&window, &MainWindow::terminateRequested);
    QTRY_COMPARE(window.tmmMain().State(), 3);

    window.setExitConfirmation([] { return true; });
    window.FormClose();
    QVERIFY(window.ClosingRequested());
    QVERIFY(terminate.wait(5000));
    QVERIFY(window.MainMachineStopped());
    QVERIFY(window.tmmMain().Stopped());
    QCOMPARE(window.tmmMain().StateText(), QStringLiteral("16 stop "));

    const QByteArray log = readFile(data("ZELPO.LOG"));
    QVERIFY(log.indexOf("<Start closing application>") < log.indexOf("<Close main statemachine>"));
    QVERIFY(readFile(data("ZelLocal.INI")).contains("WDid=1"));
}

void TstMainWindow::graceEndsAStuckMachineAfterTenSeconds()
{
    ManualClock clock(QDateTime(QDate(2026, 12, 9), QTime(8, 0), Qt::UTC));
    ScopedClock installed(&clock);
    MainWindow window;
    window.FormCreate();
    window.engine().mainMachine().simulateStall(true); // stuck, e.g. waiting for an answer
    QSignalSpy terminate(&window, &MainWindow::terminateRequested);

    window.startShutdown();
    clock.advanceMs(9900);
    QVERIFY(!terminate.wait(300)); // several close-timer ticks, still inside the grace
    clock.advanceMs(100);
    QVERIFY(terminate.wait(2000));
    QVERIFY(!window.MainMachineStopped());
}

void TstMainWindow::logTargetsReachTheirLists()
{
    MainWindow window;
    window.FormCreate();
    auto* zel = window.findChild<DiagnosticList*>(QStringLiteral("lbxDebug"));
    auto* po = window.findChild<DiagnosticList*>(QStringLiteral("lbxComDebug"));
    LogMessage(QStringLiteral("to zel"), LogZelList);
    LogMessage(QStringLiteral("to po"), LogPoList);
    LogMessage(QStringLiteral("file only"), LogFileOnly);
    // The engine runs meanwhile and may add its own lines (no ZelMeld listens here).
    const auto rowEndingWith = [](DiagnosticList* list, const QString& end) {
        for (int row = 0; row < list->count(); ++row) {
            if (list->lines().line(row).endsWith(end))
                return row;
        }
        return -1;
    };
    QTRY_VERIFY(rowEndingWith(zel, QStringLiteral(" to zel")) >= 0);
    QTRY_VERIFY(rowEndingWith(po, QStringLiteral(" to po")) >= 0);
    QCOMPARE(rowEndingWith(zel, QStringLiteral(" to po")), -1);
    QCOMPARE(rowEndingWith(po, QStringLiteral(" to zel")), -1);
    for (DiagnosticList* list : {zel, po})
        QCOMPARE(rowEndingWith(list, QStringLiteral(" file only")), -1);
    // The newest line stays in view.
    QTRY_COMPARE(zel->currentIndex().row(), zel->count() - 1);
}

// A ZelMeld that refuses the test line, then answers the next one.
void TstMainWindow::statusDisplayFollowsLinkStatus()
{
    const quint16 port = unusedPort();
    QVERIFY(port != 0);
    QVERIFY(writeFile(data("ZelLocal.INI"), zelMeldAt(port)));
    MainWindow window;
    window.FormCreate();
    QTRY_COMPARE(window.tmmMain().State(), 3);
    // The start shows the running state at the first idle step.
    QTRY_COMPARE(window.statusBar().panelText(), QStringLiteral("Application running"));
    QCOMPARE(window.engine().linkState(), LinkState::Running);

    sendTestLine(window);
    QTRY_COMPARE(window.statusBar().shownLinkState(), StatusIcon::ZelMeldError);
    QCOMPARE(window.statusBar().panelText(), QStringLiteral("Error connecting to ZelMeld"));

    ZelMeldServer zel(*ReplyScript::parse(QStringLiteral("ok")));
    QVERIFY(zel.listen(QHostAddress::LocalHost, port));
    sendTestLine(window);
    QTRY_COMPARE(window.statusBar().shownLinkState(), StatusIcon::None);
    QTRY_COMPARE(window.statusBar().panelText(), QStringLiteral("Application running"));
}

void TstMainWindow::exitQuestionButtonsFollowTheLanguage_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("yes");
    QTest::addColumn<QString>("no");
    QTest::newRow("English") << QByteArray() << "Yes"
                             << "No";
    QTest::newRow("Dutch") << QByteArray("[PO]\nlanguage=NLD\n") << "Ja"
                           << "Nee";
}

void TstMainWindow::exitQuestionButtonsFollowTheLanguage()
{
    QFETCH(QByteArray, ini);
    QFETCH(QString, yes);
    QFETCH(QString, no);
    if (!ini.isEmpty())
        QVERIFY(writeFile(data("ZelLocal.INI"), ini));
    MainWindow window;
    window.FormCreate();

    QStringList shown;
    // Answers the real question once it is up, as the operator would.
    QTimer::singleShot(0, this, [&shown] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        shown = {box->button(QMessageBox::Yes)->text(), box->button(QMessageBox::No)->text()};
        box->button(QMessageBox::No)->click();
    });
    window.close();
    QCOMPARE(shown, (QStringList{yes, no}));
    QVERIFY(!window.ClosingRequested());
}

// The program runs hidden: the tray icon must show a ZelMeld error and its recovery.
void TstMainWindow::trayFollowsTheStatusBar()
{
    const quint16 port = unusedPort();
    QVERIFY(port != 0);
    QVERIFY(writeFile(data("ZelLocal.INI"), zelMeldAt(port)));
    MainWindow window;
    window.FormCreate();
    auto* tray = window.findChild<TrayIcon*>(QStringLiteral("TrayX1"));
    QVERIFY(tray);
    QTRY_COMPARE(window.statusBar().panelText(), QStringLiteral("Application running"));
    QCOMPARE(tray->toolTip(), window.windowTitle() + QStringLiteral("\nApplication running"));
    QCOMPARE(tray->shownLinkState(), StatusIcon::None);
    const QImage plain = tray->icon().pixmap(TrayIcon::PictureSize).toImage();

    sendTestLine(window); // refused: nothing listens
    QTRY_COMPARE(tray->shownLinkState(), StatusIcon::ZelMeldError);
    QCOMPARE(tray->shownLinkState(), window.statusBar().shownLinkState());
    QVERIFY(tray->icon().pixmap(TrayIcon::PictureSize).toImage() != plain);
    QCOMPARE(tray->toolTip(),
             window.windowTitle() + QLatin1Char('\n') + window.statusBar().panelText());

    ZelMeldServer zel(*ReplyScript::parse(QStringLiteral("ok")));
    QVERIFY(zel.listen(QHostAddress::LocalHost, port));
    sendTestLine(window); // answered: the error ends
    QTRY_COMPARE(tray->shownLinkState(), StatusIcon::None);
    QCOMPARE(tray->icon().pixmap(TrayIcon::PictureSize).toImage(), plain);
    QVERIFY(!window.windowIcon().isNull());
}

void TstMainWindow::trayExitAsksTheExitQuestion()
{
    MainWindow window;
    window.FormCreate();
    auto* tray = window.findChild<TrayIcon*>(QStringLiteral("TrayX1"));
    QVERIFY(tray && tray->contextMenu());
    auto* exit = tray->contextMenu()->findChild<QAction*>(QStringLiteral("actTrayExit"));
    QVERIFY(exit);
    int asked = 0;
    window.setExitConfirmation([&] {
        ++asked;
        return false;
    });
    exit->trigger();
    QCOMPARE(asked, 1);
    QVERIFY(!window.ClosingRequested());

    window.setExitConfirmation([] { return true; });
    exit->trigger();
    QVERIFY(window.ClosingRequested());
}

void TstMainWindow::problemsStayOnTheStatusBar_data()
{
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QString>("dataPath");  // relative to the test folder
    QTest::addColumn<QStringList>("named"); // in the first problem
    QTest::addColumn<int>("problems");
    QTest::newRow("port outside 1-65535")
        << QByteArray("[IP]\nOIPort=81320\n") << QStringLiteral("data")
        << QStringList{QStringLiteral("81320"), QStringLiteral("ZelLocal.INI")} << 1;
    QTest::newRow("data path that does not exist")
        << QByteArray() << QStringLiteral("missing/data")
        << QStringList{QStringLiteral("missing/data"), QStringLiteral("PO.ini")}
        << 2; // and its PoData cannot be made
}

// A setting or a folder the program cannot use is named on the status bar, with its own icon,
// and the running machine's "Application running" does not cover it up.
void TstMainWindow::problemsStayOnTheStatusBar()
{
    QFETCH(QByteArray, settings);
    QFETCH(QString, dataPath);
    QFETCH(QStringList, named);
    QFETCH(int, problems);
    QVERIFY(writeFile(m_root->filePath(QStringLiteral("bin/PO.ini")),
                      "[Application]\ndatapath=" + m_root->filePath(dataPath).toUtf8() + "\n"));
    resetDirectories(m_root->filePath(QStringLiteral("bin")));
    if (!settings.isEmpty())
        QVERIFY(writeFile(data("ZelLocal.INI"), settings));

    MainWindow window;
    window.FormCreate();
    QTRY_COMPARE(window.tmmMain().State(), 3);
    // The idle step has shown the running state.
    QTRY_VERIFY(!window.engine().mainMachine().linkStateShowPending());
    const QStringList shown = window.engine().problems();
    QCOMPARE(shown.size(), problems);
    for (const QString& part : named)
        QVERIFY2(shown.first().contains(part), qPrintable(shown.first()));
    QCOMPARE(window.statusBar().panelText(), shown.last());
    QCOMPARE(window.statusBar().shownLinkState(), StatusIcon::Problem); // the problem image
}

QTEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"
