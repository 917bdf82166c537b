#include "TestFiles.h"

#include "ui/MainWindow.h"
#include "ui/StatusBar.h"
#include "ui/TrayIcon.h"
#include "ui/logic/DiagnosticListModel.h"
#include "ui/pages/DiagnosticList.h"

#include "core/Directories.h"
#include "core/Language.h"
#include "core/Log.h"

#include "ZelMeldServer.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

template <typename T> T* control(MainWindow& window, const char* name)
{
    auto* found = window.findChild<T*>(QLatin1String(name));
    if (!found)
        qWarning("no control %s", name);
    return found;
}

bool anyLineEndsWith(DiagnosticList& list, const QString& tail)
{
    for (int row = 0; row < list.count(); ++row) {
        if (list.lines().line(row).endsWith(tail))
            return true;
    }
    return false;
}

} // namespace

class TstSettingsWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void sendTestReachesZelMeld();
    void sendTestThatCannotBeWrittenIsReported();
    void clearingOneListLeavesTheOtherAndTheLog();
    void settingsReachTheFileOnlyAtAConfirmedExit();
    void pcuSwitchActsAtOnce();
    void dutchWindowAndItsSize();
    void trayNamesTheWindowAndDoubleClickBringsItBack();

private:
    QString data(const char* name) const
    {
        return m_root->filePath(u"data/"_s + QLatin1String(name));
    }

    std::unique_ptr<QTemporaryDir> m_root;
};

void TstSettingsWindow::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    QDir(m_root->path()).mkpath(u"bin"_s);
    QDir(m_root->path()).mkpath(u"data"_s);
    QVERIFY(writeFile(m_root->filePath(u"bin/PO.ini"_s),
                      "[Application]\ndatapath=" + m_root->filePath(u"data"_s).toUtf8() + "\n"));
    resetDirectories(m_root->filePath(u"bin"_s));
    resetLanguageTable();
}

void TstSettingsWindow::cleanup()
{
    resetDirectories();
}

void TstSettingsWindow::sendTestReachesZelMeld()
{
    ZelMeldServer zel(*ReplyScript::parse(u"ok"_s));
    QVERIFY(zel.listen(QHostAddress(QHostAddress::LocalHost), 0));
    QVERIFY(writeFile(data("ZelLocal.INI"),
                      "[IP]\naddress=127.0.0.1\nOIPort=" + QByteArray::number(zel.port()) + "\n"));
    Gateway gateway;
    MainWindow window(gateway);
    window.FormCreate();
    QSignalSpy received(&zel, &ZelMeldServer::lineReceived);

    control<QAbstractButton>(window, "SendButton")->click();
    const QString line = u"[ZEL RCVALARM 02,000001,01,A]"_s;
    QTRY_VERIFY_WITH_TIMEOUT(zel.receivedLines().contains(line), 10000);
    auto* lbxDebug = control<DiagnosticList>(window, "lbxDebug");
    QVERIFY(anyLineEndsWith(*lbxDebug, u" Send: "_s + line));
    // ZelMeld's answer shows up as it comes.
    QTRY_VERIFY(anyLineEndsWith(*lbxDebug, u" Recv: OK"_s));
    const QByteArray log = readFile(data("ZELPO.LOG"));
    QVERIFY(log.contains(QByteArray("\nSendIP button " + line.toLatin1() + "\r\n")));
    QVERIFY(log.contains(QByteArray("><Send: " + line.toLatin1() + ">")));
}

void TstSettingsWindow::sendTestThatCannotBeWrittenIsReported()
{
    quint16 closedPort = 0;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress(QHostAddress::LocalHost), 0));
        closedPort = probe.serverPort();
    }
    QVERIFY(writeFile(data("ZelLocal.INI"),
                      "[IP]\naddress=127.0.0.1\nOIPort=" + QByteArray::number(closedPort) + "\n"));
    Gateway gateway;
    MainWindow window(gateway);
    window.FormCreate();

    control<QAbstractButton>(window, "SendButton")->click();
    auto* lbxDebug = control<DiagnosticList>(window, "lbxDebug");
    QTRY_VERIFY_WITH_TIMEOUT(
        anyLineEndsWith(*lbxDebug, u" Zel PO socket error: [ZEL RCVALARM 02,000001,01,A]"_s),
        15000);
}

void TstSettingsWindow::clearingOneListLeavesTheOtherAndTheLog()
{
    Gateway gateway;
    MainWindow window(gateway);
    window.FormCreate();
    auto* zelList = control<DiagnosticList>(window, "lbxDebug");
    auto* officeList = control<DiagnosticList>(window, "lbxComDebug");
    LogMessage(u"zel line"_s, LogZelList);
    LogMessage(u"office line"_s, LogPoList);
    QTRY_VERIFY(anyLineEndsWith(*zelList, u" zel line"_s));
    QTRY_VERIFY(anyLineEndsWith(*officeList, u" office line"_s));
    const QByteArray logBefore = readFile(data("ZELPO.LOG"));
    const int officeLines = officeList->count();

    control<QAbstractButton>(window, "btnClear")->click();
    QCOMPARE(zelList->count(), 0);
    QCOMPARE(officeList->count(), officeLines);
    QCOMPARE(readFile(data("ZELPO.LOG")), logBefore);

    control<QAbstractButton>(window, "btnClearComDebug")->click();
    QCOMPARE(officeList->count(), 0);
}

void TstSettingsWindow::settingsReachTheFileOnlyAtAConfirmedExit()
{
    QVERIFY(writeFile(data("ZelLocal.INI"),
                      "; kept\n[IP]\naddress=zel.kas\nOIPort=9001\n"
                      "[PO]\naddress=10.0.0.5\nsendpcu=0\nfilterpunct=1\nWDid=4\n"));
    {
        Gateway gateway;
        MainWindow window(gateway);
        window.FormCreate();
        QCOMPARE(control<QLineEdit>(window, "edtAddress")->text(), u"zel.kas"_s);
        QCOMPARE(control<QLineEdit>(window, "MaskEdit1")->text(), u"9001"_s);
        QCOMPARE(control<QLineEdit>(window, "edtPOServer")->text(), u"10.0.0.5"_s);
        QVERIFY(!control<QCheckBox>(window, "cbPCU")->isChecked());
        QVERIFY(control<QCheckBox>(window, "cbPunct")->isChecked());
        QCOMPARE(control<QSpinBox>(window, "SpinEdit1")->value(), 4);
        QCOMPARE(window.WatchdogId(), 4);

        control<QLineEdit>(window, "edtAddress")->setText(u"  zel2.kas "_s);
        control<QLineEdit>(window, "MaskEdit1")->setText(u"8200"_s);
        control<QLineEdit>(window, "edtPOServer")->setText(u"office.kas"_s);
        control<QRadioButton>(window, "RadioGroup1Nederlands")->setChecked(true);
        control<QCheckBox>(window, "cbPCU")->setChecked(true);
        control<QSpinBox>(window, "SpinEdit1")->setValue(0);
        const QByteArray before = readFile(data("ZelLocal.INI"));

        window.setExitConfirmation([] { return false; });
        window.FormClose();
        QCOMPARE(readFile(data("ZelLocal.INI")), before);

        window.setExitConfirmation([] { return true; });
        window.FormClose();
        // The engine keeps running on what it started with.
        QCOMPARE(window.settings().zelHost, u"zel.kas"_s);
        QCOMPARE(window.settings().zelPort, 9001);
    }
    const QByteArray saved = readFile(data("ZelLocal.INI"));
    QVERIFY(saved.startsWith("; kept\n"));
    for (const char* key : {"address=zel2.kas", "OIPort=8200", "address=office.kas", "language=NLD",
                            "sendpcu=1", "filterpunct=1", "WDid=0"})
        QVERIFY2(saved.contains(key), key);

    Gateway nextGateway;
    MainWindow next(nextGateway);
    next.FormCreate();
    QCOMPARE(control<QLineEdit>(next, "edtAddress")->text(), u"zel2.kas"_s);
    QCOMPARE(control<QLineEdit>(next, "MaskEdit1")->text(), u"8200"_s);
    QVERIFY(control<QRadioButton>(next, "RadioGroup1Nederlands")->isChecked());
    QCOMPARE(control<QAbstractButton>(next, "SendButton")->text(), u"Verstuur test"_s);
    QCOMPARE(next.WatchdogId(), 0);
}

void TstSettingsWindow::pcuSwitchActsAtOnce()
{
    Gateway gateway;
    MainWindow window(gateway);
    window.FormCreate();
    QVERIFY(window.engine().options().sendPcu);
    const QByteArray before = readFile(data("ZelLocal.INI"));
    control<QCheckBox>(window, "cbPCU")->click();
    QVERIFY(!window.engine().options().sendPcu);
    control<QCheckBox>(window, "cbPunct")->click();
    QVERIFY(window.engine().options().filterPunct);
    QCOMPARE(readFile(data("ZelLocal.INI")), before);
}

void TstSettingsWindow::dutchWindowAndItsSize()
{
    QVERIFY(writeFile(data("ZelLocal.INI"), "[PO]\nlanguage=NLD\n"));
    Gateway gateway;
    MainWindow window(gateway);
    window.FormCreate();
    auto* pages = control<QTabWidget>(window, "pctlDde");
    QCOMPARE(pages->tabText(1), u"ZEL-Pro tcp/IP koppeling"_s);
    QCOMPARE(pages->tabText(2), u"Priva Office / overige instellingen"_s);
    QCOMPARE(control<QAbstractButton>(window, "btnClearComDebug")->text(), u"Wis scherm"_s);
    QVERIFY(control<QRadioButton>(window, "RadioGroup1Nederlands")->isChecked());
    QCOMPARE(window.size(), QSize(950, 577));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QCOMPARE(window.geometry().center(), screen.center());
}

void TstSettingsWindow::trayNamesTheWindowAndDoubleClickBringsItBack()
{
    Gateway gateway;
    MainWindow window(gateway);
    window.FormCreate();
    auto* tray = window.findChild<TrayIcon*>(u"TrayX1"_s);
    QVERIFY(tray);
    QCOMPARE(tray->toolTip(), window.windowTitle());

    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.hideToTray();
    // Hidden beside a tray; minimised where the desktop has none.
    QTRY_VERIFY(!window.isVisible() || window.isMinimized());
    Q_EMIT tray->activated(QSystemTrayIcon::DoubleClick);
    QTRY_VERIFY(window.isVisible() && !window.isMinimized());
}

QTEST_MAIN(TstSettingsWindow)
#include "tst_settingswindow.moc"
