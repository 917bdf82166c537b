#include "TestFiles.h"
#include "forwarding/MainMachine.h"
#include "ui/MainWindow.h"
#include "ui/StatusBar.h"
#include "ui/TrayIcon.h"
#include "ui/logic/DefinitionRows.h"
#include "ui/logic/DiagnosticListModel.h"
#include "ui/pages/DefinitionsGrid.h"
#include "ui/pages/DiagnosticList.h"
#include "ui/pages/LinkConfigPage.h"
#include "ui/pages/ZelTreeItem.h"
#include "ui/pages/ZelTreePane.h"

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
#include <QTreeWidget>

namespace {

// Location 12 "Kas" with alarm 2; one office location, not linked yet.
const QByteArray kSaveZelDefs =
    "<ZelAlarmDefinitions><Location Code=\"12\" Name=\"Kas\">"
    "<Alarm Code=\"2\" Name=\"Twee\"/></Location></ZelAlarmDefinitions>";
const QByteArray kSaveLinkDefs = "<ZelPOLinkDefs><PO_Locations><PO_loc pcu=\"P1\" text=\"Noord\"/>"
                                 "</PO_Locations></ZelPOLinkDefs>";

// The folder refuses the file: a directory stands where it goes (this holds for root too).
bool refuse(const QString& path)
{
    return (!QFile::exists(path) || QFile::remove(path)) && QDir().mkpath(path);
}

bool allow(const QString& path)
{
    return QDir().rmdir(path);
}

} // namespace

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
    void assignmentWhoseSaveFailedIsNotLost_data();
    void assignmentWhoseSaveFailedIsNotLost();
    void saveMessageLeavesWhenItsDocumentSaves_data();
    void saveMessageLeavesWhenItsDocumentSaves();

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

    Gateway gateway;
    MainWindow window(gateway);
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
        Gateway gateway;
        MainWindow window(gateway);
        window.FormCreate();
        QVERIFY(window.engine().linkDefs().document() &&
                window.engine().linkDefs().document()->hasContent());
    }
    QCOMPARE(readFile(poData("LinkDefs.xml")), QByteArray("<ZelPOLinkDefs/>"));

    QVERIFY(writeFile(poData("LinkDefs.xml"), "<ZelPOLinkDefs><PO_Locations/></ZelPOLinkDefs>"));
    Gateway gateway;
    MainWindow window(gateway);
    window.FormCreate();
    QCOMPARE(readFile(poData("LinkDefs.xml")),
             QByteArray("<ZelPOLinkDefs><PO_Locations/></ZelPOLinkDefs>"));
}

void TstMainWindow::answeringNoChangesNothing()
{
    Gateway gateway;
    MainWindow window(gateway);
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
    Gateway gateway;
    MainWindow window(gateway);
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
    Gateway gateway;
    MainWindow window(gateway);
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
    Gateway gateway;
    MainWindow window(gateway);
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
    Gateway gateway;
    MainWindow window(gateway);
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
    QTest::addColumn<QString>("lost"); // said for an edit that cannot be saved; empty: none
    QTest::newRow("English") << QByteArray() << "Yes"
                             << "No" << QString();
    QTest::newRow("Dutch") << QByteArray("[PO]\nlanguage=NLD\n") << "Ja"
                           << "Nee" << QString();
    QTest::newRow("English, an edit that cannot be saved")
        << QByteArray() << "Yes"
        << "No"
        << QStringLiteral("These changes could not be saved and will be lost: LinkDefs.xml");
    QTest::newRow("Dutch, an edit that cannot be saved")
        << QByteArray("[PO]\nlanguage=NLD\n") << "Ja"
        << "Nee"
        << QStringLiteral(
               "Deze wijzigingen konden niet worden opgeslagen en gaan verloren: LinkDefs.xml");
}

void TstMainWindow::exitQuestionButtonsFollowTheLanguage()
{
    QFETCH(QByteArray, ini);
    QFETCH(QString, yes);
    QFETCH(QString, no);
    QFETCH(QString, lost);
    if (!ini.isEmpty())
        QVERIFY(writeFile(data("ZelLocal.INI"), ini));
    Gateway gateway;
    MainWindow window(gateway);
    window.FormCreate();
    DocumentOwner& linkDefs = window.engine().linkDefs();
    if (!lost.isEmpty()) {
        QVERIFY(refuse(linkDefs.path()));
        QVERIFY(linkDefs.edit([](XmlDocument& doc) { return bool(doc.root().append_child("E")); }));
        QVERIFY(!linkDefs.save());
    }

    QStringList shown;
    QString text;
    // Answers the real question once it is up, as the operator would.
    QTimer::singleShot(0, this, [&shown, &text] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        shown = {box->button(QMessageBox::Yes)->text(), box->button(QMessageBox::No)->text()};
        text = box->text();
        box->button(QMessageBox::No)->click();
    });
    window.close();
    QCOMPARE(shown, (QStringList{yes, no}));
    QVERIFY(!window.ClosingRequested());
    QCOMPARE(text, window.exitQuestion());
    const QStringList lines = text.split(QLatin1Char('\r'));
    QCOMPARE(lines.size(), lost.isEmpty() ? 2 : 3);
    if (!lost.isEmpty())
        QCOMPARE(lines.at(1), lost);
}

// The program runs hidden: the tray icon must show a ZelMeld error and its recovery.
void TstMainWindow::trayFollowsTheStatusBar()
{
    const quint16 port = unusedPort();
    QVERIFY(port != 0);
    QVERIFY(writeFile(data("ZelLocal.INI"), zelMeldAt(port)));
    Gateway gateway;
    MainWindow window(gateway);
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
    Gateway gateway;
    MainWindow window(gateway);
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

    Gateway gateway;
    MainWindow window(gateway);
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

void TstMainWindow::assignmentWhoseSaveFailedIsNotLost_data()
{
    QTest::addColumn<QString>("writable"); // when the folder takes the file again
    QTest::addColumn<bool>("lossNamed");   // by the exit question
    QTest::newRow("saved by the retry") << "before the retry" << false;
    QTest::newRow("saved at the exit question") << "before the question" << false;
    QTest::newRow("saved at the end of the run") << "after Yes" << true;
    QTest::newRow("lost, and the question says so") << "never" << true;
    // The service's stop and Ctrl+C end the run in the same order, without a question.
    QTest::newRow("saved at a stop without question") << "before the stop" << false;
}

// The operator links a row while the data folder refuses LinkDefs.xml: the grid shows the
// link and the status bar says the file cannot be saved. The link reaches the disk by itself
// once the folder takes it again, at the latest when the program ends; what cannot be saved
// even then is named by the exit question and in the log.
void TstMainWindow::assignmentWhoseSaveFailedIsNotLost()
{
    QFETCH(QString, writable);
    QFETCH(bool, lossNamed);
    ManualClock clock(QDateTime(QDate(2026, 12, 11), QTime(9, 0), Qt::UTC));
    ScopedClock installed(&clock);
    QVERIFY(QDir(m_root->path()).mkpath(QStringLiteral("PoData")));
    QVERIFY(writeFile(poData("ZelDefs.xml"), kSaveZelDefs));
    QVERIFY(writeFile(poData("LinkDefs.xml"), kSaveLinkDefs));
    Gateway gateway;
    MainWindow window(gateway);
    window.FormCreate();
    auto* page = window.findChild<LinkConfigPage*>();
    QVERIFY(page);
    QTreeWidget& tree = page->zelTree().tvZelLoc();
    // Opened as the operator opens it: a location makes its alarm nodes then.
    tree.topLevelItem(0)->child(0)->setExpanded(true);
    QTreeWidgetItem* alarm = tree.topLevelItem(0)->child(0)->child(0);
    QCOMPARE(alarm->text(0), QStringLiteral("Twee (2)"));
    tree.setCurrentItem(alarm);
    page->zelTree().tvZelLocClick();
    page->sgMain().selectRows(0, 0);

    QVERIFY(refuse(poData("LinkDefs.xml")));
    page->tbConnectClick();
    const QString link = QStringLiteral("0012 - 02");
    const QByteArray stored = QByteArrayLiteral("zel_alarm=\"0012 - 02\"");
    QCOMPARE(page->sgMain().cellText(0, DefinitionColumn::ZelAlarm), link);
    QVERIFY2(window.statusBar().panelText().startsWith(QStringLiteral("Cannot save LinkDefs.xml")),
             qPrintable(window.statusBar().panelText()));

    if (writable == u"before the retry") {
        QVERIFY(allow(poData("LinkDefs.xml")));
        clock.advanceSeconds(DocumentOwner::FirstRetrySeconds);
        QTRY_VERIFY(readFile(poData("LinkDefs.xml")).contains(stored));
        QVERIFY(!window.statusBar().panelText().contains(QStringLiteral("LinkDefs.xml")));
    } else if (writable == u"before the question") {
        QVERIFY(allow(poData("LinkDefs.xml")));
    }
    QSignalSpy terminate(&window, &MainWindow::terminateRequested);
    if (writable == u"before the stop") {
        QVERIFY(allow(poData("LinkDefs.xml")));
        window.startShutdown();
        QVERIFY(terminate.wait(5000));
        QVERIFY(readFile(poData("LinkDefs.xml")).contains(stored));
        return;
    }
    QString question;
    window.setExitConfirmation([&] {
        question = window.exitQuestion();
        if (writable == u"after Yes")
            return allow(poData("LinkDefs.xml"));
        return true;
    });
    window.FormClose();
    const QString lossText = QStringLiteral("These changes could not be saved and will be lost:");
    QCOMPARE(question.contains(lossText + QStringLiteral(" LinkDefs.xml")), lossNamed);
    QVERIFY(!question.contains(QStringLiteral("ZelDefs.xml"))); // saved, nothing to lose
    QVERIFY(question.endsWith(QStringLiteral("Do you really want to exit?")));
    QVERIFY(terminate.wait(5000));

    const bool saved = writable != u"never";
    QCOMPARE(readFile(poData("LinkDefs.xml")).contains(stored), saved);
    QCOMPARE(readFile(data("ZELPO.LOG")).contains("lost at the end of the run: LinkDefs.xml"),
             !saved);
}

void TstMainWindow::saveMessageLeavesWhenItsDocumentSaves_data()
{
    QTest::addColumn<QString>("failing"); // the document whose save fails
    QTest::addColumn<QString>("other");
    QTest::addColumn<bool>("zelMeldDown");
    for (const bool down : {false, true}) {
        const char* link = down ? ", ZelMeld unreachable" : "";
        QTest::addRow("ZelDefs.xml%s", link) << "ZelDefs.xml"
                                             << "LinkDefs.xml" << down;
        QTest::addRow("LinkDefs.xml%s", link) << "LinkDefs.xml"
                                              << "ZelDefs.xml" << down;
    }
}

// "Cannot save" names one document and leaves when that document is saved, not when another
// one is, and also while a link error is shown.
void TstMainWindow::saveMessageLeavesWhenItsDocumentSaves()
{
    QFETCH(QString, failing);
    QFETCH(QString, other);
    QFETCH(bool, zelMeldDown);
    ManualClock clock(QDateTime(QDate(2026, 12, 11), QTime(9, 0), Qt::UTC));
    ScopedClock installed(&clock);
    QTcpServer vacant; // a port where nothing listens
    QVERIFY(vacant.listen(QHostAddress::LocalHost));
    const quint16 port = vacant.serverPort();
    vacant.close();
    QVERIFY(writeFile(data("ZelLocal.INI"), "[IP]\nOIPort=" + QByteArray::number(port) + "\n"));
    Gateway gateway;
    MainWindow window(gateway);
    window.FormCreate();
    Engine& engine = window.engine();
    DocumentOwner& failingOwner = failing == u"ZelDefs.xml" ? engine.zelDefs() : engine.linkDefs();
    DocumentOwner& otherOwner = failing == u"ZelDefs.xml" ? engine.linkDefs() : engine.zelDefs();
    const QString connectError = QStringLiteral("Error connecting to ZelMeld");
    if (zelMeldDown) {
        engine.sendTest(QStringLiteral("000001"), QStringLiteral("01"), QStringLiteral("A"));
        QTRY_COMPARE(window.statusBar().panelText(), connectError);
    }

    QVERIFY(refuse(failingOwner.path()));
    QVERIFY(!failingOwner.save());
    const QString cannotSave = QStringLiteral("Cannot save ") + failing;
    QVERIFY(window.statusBar().panelText().startsWith(cannotSave));
    QVERIFY(allow(failingOwner.path()));
    QVERIFY(otherOwner.save()); // a save elsewhere
    QVERIFY(window.statusBar().panelText().startsWith(cannotSave));

    clock.advanceSeconds(DocumentOwner::FirstRetrySeconds);
    QTRY_VERIFY(!window.statusBar().panelText().startsWith(cannotSave));
    QVERIFY(QFileInfo(failingOwner.path()).isFile());
    QVERIFY(engine.problems().isEmpty());
    if (zelMeldDown)
        QCOMPARE(window.statusBar().panelText(), connectError);
    else
        QCOMPARE(window.statusBar().panelText(), QStringLiteral("Application running"));
}

QTEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"
