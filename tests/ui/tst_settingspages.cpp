#include "ui/pages/DiagnosticList.h"
#include "ui/pages/OfficeSettingsPage.h"
#include "ui/pages/SettingsPanel.h"
#include "ui/pages/ZelSettingsPage.h"

#include "core/Language.h"
#include "core/Log.h"
#include "core/Settings.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QStringList texts(const QVariantList& arguments)
{
    QStringList result;
    for (const QVariant& argument : arguments)
        result << argument.toString();
    return result;
}

QString accessibleName(QObject* object)
{
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
    return face ? face->text(QAccessible::Name) : QStringLiteral("(no interface)");
}

// The text a control shows: a label's or button's caption, a group box's title.
QString caption(QObject* control)
{
    if (auto* label = qobject_cast<QLabel*>(control))
        return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(control))
        return button->text();
    if (auto* group = qobject_cast<QGroupBox*>(control))
        return group->title();
    return QStringLiteral("(no caption)");
}

// Both pages side by side, as the window holds them.
struct Pages
{
    ZelSettingsPage zel;
    OfficeSettingsPage office;

    QObject* find(const QString& name)
    {
        if (QObject* found = zel.findChild<QObject*>(name))
            return found;
        return office.findChild<QObject*>(name);
    }
    template <typename T> T* get(const char* name)
    {
        return qobject_cast<T*>(find(QLatin1String(name)));
    }
};

} // namespace

class TstSettingsPages : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void controlsHaveTheirKindsAndInitialContent();
    void captionsFollowTheLanguage_data();
    void captionsFollowTheLanguage();
    void controlsHaveAccessibleNames_data();
    void controlsHaveAccessibleNames();
    void fieldsTakeOnlyWhatTheyMayHold();
    void settingsRoundTripThroughTheControls_data();
    void settingsRoundTripThroughTheControls();
    void switchesReportAtOnce();
    void clickingASwitchTextTogglesItsBox();
    void sendButtonSendsTheFieldsAsTypedAndLogsTheRawLine();
    void eachClearButtonEmptiesItsOwnList();
    void panelsAreDarkVioletWithWhiteText();
    void spinBoxArrowsStandOutOnTheDarkPanel();
};

void TstSettingsPages::init()
{
    FillLanguageTable(QStringLiteral("ENG"));
}

void TstSettingsPages::controlsHaveTheirKindsAndInitialContent()
{
    Pages pages;
    QCOMPARE(pages.zel.objectName(), QStringLiteral("tbsIP"));
    QCOMPARE(pages.office.objectName(), QStringLiteral("tbsOffice"));
    const std::pair<const char*, QString> edits[] = {
        {"edtAddress", QStringLiteral("127.0.0.1")}, {"MaskEdit1", QStringLiteral("8132")},
        {"medtLocatie", QStringLiteral("000001")},   {"medtInput", QStringLiteral("01")},
        {"medtStat", QStringLiteral("A")},           {"edtPOServer", QStringLiteral("127.0.0.1")}};
    for (const auto& [name, text] : edits) {
        auto* edit = pages.get<QLineEdit>(name);
        QVERIFY2(edit, name);
        QCOMPARE(edit->text(), text);
    }
    auto* spin = pages.get<QSpinBox>("SpinEdit1");
    QVERIFY(spin);
    QCOMPARE(spin->minimum(), 0);
    QCOMPARE(spin->maximum(), 9);
    QCOMPARE(spin->value(), 1);
    QVERIFY(pages.get<QCheckBox>("cbPCU")->isChecked());
    QVERIFY(!pages.get<QCheckBox>("cbPunct")->isChecked());
    QVERIFY(pages.get<QRadioButton>("RadioGroup1English")->isChecked());
    QCOMPARE(pages.get<QRadioButton>("RadioGroup1Nederlands")->text(),
             QStringLiteral("Nederlands"));
    for (const char* name : {"SendButton", "btnClear", "btnClearComDebug"})
        QVERIFY2(pages.get<QAbstractButton>(name), name);
    QVERIFY(pages.get<QGroupBox>("RadioGroup1"));
    QCOMPARE(pages.get<DiagnosticList>("lbxDebug")->count(), 0);
    QCOMPARE(pages.get<DiagnosticList>("lbxComDebug")->count(), 0);
}

void TstSettingsPages::captionsFollowTheLanguage_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("text");
    const struct
    {
        const char* control;
        const char* english;
        const char* dutch;
    } rows[] = {
        {"Label10", "Settings: ", "Instellingen "},
        {"Label11", "ZEL-Pro server hostname or IP address:", "ZEL-Pro servernaam of IP adres"},
        {"Label12", "IP port", "IP poort"},
        {"Label13", "After changing settings, ZelPO MUST be restarted.",
         "Na wijzigen van instellingen MOET ZelPO opnieuw gestart worden"},
        {"Label9", "Test ", "Test "},
        {"lblInvoer", "Location", "Locatie"},
        {"Label3", "Alarm", "Alarm"},
        {"Label4", "State", "Status"},
        {"SendButton", "Send test", "Verstuur test"},
        {"btnClear", "Clear window", "Wis scherm"},
        {"lblID",
         "Zel watchdog ID (each tcp/IP client that connects to ZEL must have a different id):",
         "ZEL watchdog ID (elke met ZEL verbonden tcp/IP client moet een eigen ID hebben):"},
        {"Label8", "Settings: ", "Instellingen "},
        {"Label14", "PO server hostname or IP address:", "PO Server naam of IP adres"},
        {"Label16", "After changing settings, ZelPO MUST be restarted.",
         "Na wijzigen van instellingen MOET ZelPO opnieuw gestart worden"},
        {"btnClearComDebug", "Clear window", "Wis scherm"},
        {"RadioGroup1", "Language: ", "Taal: "},
        {"Label15", "Send PCU names to ZEL when sending alarms",
         "Verstuur PCU namen naar ZEL bij het versturen van alarmen"},
        {"Label17", "Filter punctuation from alarm texts", "Filter leestekens uit alarmteksten"},
    };
    for (const auto& row : rows) {
        QTest::addRow("ENG %s", row.control) << "ENG" << row.control << row.english;
        QTest::addRow("NLD %s", row.control) << "NLD" << row.control << row.dutch;
    }
}

void TstSettingsPages::captionsFollowTheLanguage()
{
    QFETCH(QString, language);
    QFETCH(QString, control);
    QFETCH(QString, text);
    FillLanguageTable(language);
    Pages pages;
    QObject* found = pages.find(control);
    QVERIFY(found);
    QCOMPARE(caption(found), text);
}

void TstSettingsPages::controlsHaveAccessibleNames_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");
    QTest::newRow("host") << "edtAddress"
                          << "ZEL-Pro server hostname or IP address:";
    QTest::newRow("port") << "MaskEdit1"
                          << "IP port";
    QTest::newRow("watchdog id")
        << "SpinEdit1"
        << "Zel watchdog ID (each tcp/IP client that connects to ZEL must have a different id):";
    QTest::newRow("test location") << "medtLocatie"
                                   << "Location";
    QTest::newRow("test alarm") << "medtInput"
                                << "Alarm";
    QTest::newRow("test state") << "medtStat"
                                << "State";
    QTest::newRow("send") << "SendButton"
                          << "Send test";
    QTest::newRow("clear ZelMeld list") << "btnClear"
                                        << "Clear window";
    QTest::newRow("ZelMeld list") << "lbxDebug"
                                  << "ZEL-Pro tcp/IP settings";
    QTest::newRow("office server") << "edtPOServer"
                                   << "PO server hostname or IP address:";
    QTest::newRow("language") << "RadioGroup1"
                              << "Language:";
    QTest::newRow("English") << "RadioGroup1English"
                             << "English";
    QTest::newRow("Dutch") << "RadioGroup1Nederlands"
                           << "Nederlands";
    QTest::newRow("PCU names") << "cbPCU"
                               << "Send PCU names to ZEL when sending alarms";
    QTest::newRow("punctuation") << "cbPunct"
                                 << "Filter punctuation from alarm texts";
    QTest::newRow("clear office list") << "btnClearComDebug"
                                       << "Clear window";
    QTest::newRow("office list") << "lbxComDebug"
                                 << "Priva Office / Other settings";
}

void TstSettingsPages::controlsHaveAccessibleNames()
{
    QFETCH(QString, control);
    QFETCH(QString, name);
    Pages pages;
    QObject* found = pages.find(control);
    QVERIFY(found);
    QCOMPARE(accessibleName(found), name);
}

void TstSettingsPages::fieldsTakeOnlyWhatTheyMayHold()
{
    Pages pages;
    auto* port = pages.get<QLineEdit>("MaskEdit1");
    port->clear();
    QTest::keyClicks(port, QStringLiteral("8x13-2 99"));
    QCOMPARE(port->text(), QStringLiteral("8132"));

    auto* location = pages.get<QLineEdit>("medtLocatie");
    location->selectAll();
    QTest::keyClicks(location, QStringLiteral("12a3456789"));
    QCOMPARE(location->text(), QStringLiteral("123456"));

    auto* spin = pages.get<QSpinBox>("SpinEdit1");
    spin->setValue(12);
    QCOMPARE(spin->value(), 9);
}

void TstSettingsPages::settingsRoundTripThroughTheControls_data()
{
    QTest::addColumn<Settings>("stored");
    QTest::addColumn<Settings>("saved");
    QTest::newRow("defaults") << Settings() << Settings();
    Settings changed;
    changed.zelHost = QStringLiteral("zelmeld.kas");
    changed.zelPort = 9001;
    changed.poServer = QStringLiteral("10.1.2.3");
    changed.language = QStringLiteral("NLD");
    changed.sendPcu = false;
    changed.filterPunct = true;
    changed.watchdogId = 0;
    QTest::newRow("every value changed") << changed << changed;
    // A port stored by hand beyond four digits is shown whole and so saved unchanged.
    Settings widePort;
    widePort.zelPort = 20000;
    QTest::newRow("five-digit port") << widePort << widePort;
    Settings lowerCase;
    lowerCase.language = QStringLiteral("nld");
    QTest::newRow("nld in lower case is English") << lowerCase << Settings();
}

void TstSettingsPages::settingsRoundTripThroughTheControls()
{
    QFETCH(Settings, stored);
    QFETCH(Settings, saved);
    Pages pages;
    pages.zel.showSettings(stored);
    pages.office.showSettings(stored);
    QCOMPARE(pages.zel.watchdogId(), stored.watchdogId);
    Settings read;
    read.zelHost = read.poServer = QStringLiteral("not read");
    pages.zel.readSettings(read);
    pages.office.readSettings(read);
    QCOMPARE(read, saved);
}

void TstSettingsPages::switchesReportAtOnce()
{
    Pages pages;
    QSignalSpy changed(&pages.office, &OfficeSettingsPage::optionsChanged);
    pages.get<QCheckBox>("cbPCU")->click();
    QCOMPARE(changed.count(), 1);
    auto options = changed.last().at(0).value<ForwardingOptions>();
    QVERIFY(!options.sendPcu);
    QVERIFY(!options.filterPunct);
    pages.get<QCheckBox>("cbPunct")->setChecked(true);
    QCOMPARE(changed.count(), 2);
    options = changed.last().at(0).value<ForwardingOptions>();
    QVERIFY(!options.sendPcu);
    QVERIFY(options.filterPunct);
}

void TstSettingsPages::clickingASwitchTextTogglesItsBox()
{
    Pages pages;
    for (auto [label, box] : {std::pair{"Label15", "cbPCU"}, {"Label17", "cbPunct"}}) {
        auto* check = pages.get<QCheckBox>(box);
        const bool before = check->isChecked();
        QTest::mouseClick(pages.get<QLabel>(label), Qt::LeftButton);
        QCOMPARE(check->isChecked(), !before);
    }
}

void TstSettingsPages::sendButtonSendsTheFieldsAsTypedAndLogsTheRawLine()
{
    QTemporaryDir dir;
    const QString logPath = dir.filePath(QStringLiteral("ZELPO.LOG"));
    Log::instance().setFileName(logPath);
    Pages pages;
    QSignalSpy requested(&pages.zel, &ZelSettingsPage::testMessageRequested);

    QTest::mouseClick(pages.get<QAbstractButton>("SendButton"), Qt::LeftButton);
    pages.get<QLineEdit>("medtInput")->setText(QStringLiteral(" 7"));
    pages.get<QLineEdit>("medtStat")->setText(QStringLiteral("R,x"));
    pages.zel.SendButtonClick();

    QCOMPARE(requested.count(), 2);
    QCOMPARE(texts(requested.at(0)), QStringList({u"000001"_s, u"01"_s, u"A"_s}));
    QCOMPARE(texts(requested.at(1)), QStringList({u"000001"_s, u" 7"_s, u"R,x"_s}));
    QFile log(logPath);
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(log.readAll(), QByteArray("SendIP button [ZEL RCVALARM 02,000001,01,A]\r\n"
                                       "SendIP button [ZEL RCVALARM 02,000001, 7,R,x]\r\n"));
    Log::instance().setFileName({});
}

void TstSettingsPages::eachClearButtonEmptiesItsOwnList()
{
    Pages pages;
    auto* zelList = pages.get<DiagnosticList>("lbxDebug");
    auto* officeList = pages.get<DiagnosticList>("lbxComDebug");
    for (const auto& [button, cleared, kept] :
         {std::tuple{"btnClear", zelList, officeList}, {"btnClearComDebug", officeList, zelList}}) {
        zelList->appendLine(QStringLiteral("08:00:00 Send: [ZEL WD 1]"));
        officeList->appendLine(QStringLiteral("08:00:01 Poll"));
        const int keptBefore = kept->count();
        QTest::mouseClick(pages.get<QAbstractButton>(button), Qt::LeftButton);
        QCOMPARE(cleared->count(), 0);
        QCOMPARE(kept->count(), keptBefore);
    }
}

void TstSettingsPages::panelsAreDarkVioletWithWhiteText()
{
    Pages pages;
    pages.zel.resize(950, 500);
    pages.office.resize(950, 500);
    for (const char* name : {"pnlSettings", "pnlTest", "pnlOffice"}) {
        auto* panel = pages.get<SettingsPanel>(name);
        QVERIFY2(panel, name);
        QCOMPARE(panel->grab().toImage().pixelColor(2, 2), QColor(43, 32, 78));
    }
    for (const char* name : {"Label10", "Label11", "lblID", "Label9", "Label14", "Label15"})
        QCOMPARE(pages.get<QLabel>(name)->palette().color(QPalette::WindowText), QColor(Qt::white));
    QCOMPARE(pages.get<QGroupBox>("RadioGroup1")->palette().color(QPalette::WindowText),
             QColor(Qt::white));
}

// The arrows of the watchdog-id box are drawn in a colour that stands out from their buttons.
void TstSettingsPages::spinBoxArrowsStandOutOnTheDarkPanel()
{
    Pages pages;
    pages.zel.resize(950, 500);
    pages.zel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pages.zel));
    auto* spin = pages.get<QSpinBox>("SpinEdit1");
    const QImage image = spin->grab().toImage();
    // The button column at the right, inside the frame.
    int darkest = 255;
    int lightest = 0;
    for (int x = image.width() - 14; x < image.width() - 3; ++x) {
        for (int y = 3; y < image.height() - 3; ++y) {
            const int value = qGray(image.pixel(x, y));
            darkest = std::min(darkest, value);
            lightest = std::max(lightest, value);
        }
    }
    QVERIFY2(lightest - darkest > 100,
             qPrintable(QString::number(darkest) + u' ' + QString::number(lightest)));
    QVERIFY(lightest > 150);
}

QTEST_MAIN(TstSettingsPages)
#include "tst_settingspages.moc"
