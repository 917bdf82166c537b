#include "TestFiles.h"
#include "core/IniFile.h"
#include "core/Settings.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <limits>
#include <memory>

using namespace Qt::StringLiterals;

class TstSettings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void loadStartupValues_data();
    void loadStartupValues();
    void loadSettings_data();
    void loadSettings();
    void saveSettingsLayout();
    void saveSettingsLanguage_data();
    void saveSettingsLanguage();
    void saveThenLoadKeepsValuesAndOtherKeys();
    void unreadableSettingsFileIsOneProblem();
    void saveReportsEachReasonOnce();
    void saveGoesOnPastARefusedKey();
    void portFromText_data();
    void portFromText();

private:
    QString path(const QString& name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TstSettings::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TstSettings::cleanup()
{
    m_dir.reset();
}

void TstSettings::loadStartupValues_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("language");
    QTest::addColumn<bool>("traceEnabled");
    QTest::addColumn<QStringList>("problems"); // "{file}" is the settings file

    const QString eng = QStringLiteral("ENG");
    const QStringList none;
    QTest::newRow("empty file") << QByteArray() << eng << false << none;
    QTest::newRow("Dutch, trace on")
        << QByteArray("[PO]\nlanguage=NLD\nTrace=1\n") << QStringLiteral("NLD") << true << none;
    QTest::newRow("names in any case")
        << QByteArray("[po]\nLANGUAGE=NLD\ntrace=1\n") << QStringLiteral("NLD") << true << none;
    QTest::newRow("other language read as stored")
        << QByteArray("[PO]\nlanguage=DEU\n") << QStringLiteral("DEU") << false << none;
    QTest::newRow("quoted language")
        << QByteArray("[PO]\nlanguage=\"NLD\"\n") << QStringLiteral("NLD") << false << none;
    QTest::newRow("empty language") << QByteArray("[PO]\nlanguage=\n") << eng << false << none;
    QTest::newRow("trace 2 is off") << QByteArray("[PO]\nTrace=2\n") << eng << false << none;
    QTest::newRow("trace in hex") << QByteArray("[PO]\nTrace=$1\n") << eng << true << none;
    QTest::newRow("trace not a number")
        << QByteArray("[PO]\nTrace=yes\n") << eng << false
        << QStringList{
               QStringLiteral("Setting [PO] Trace=yes in {file} is not a whole number; 0 is used")};
    QTest::newRow("keys of another section")
        << QByteArray("[IP]\nlanguage=NLD\nTrace=1\n") << eng << false << none;
}

void TstSettings::loadStartupValues()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, language);
    QFETCH(bool, traceEnabled);
    QFETCH(QStringList, problems);
    const QString file = path(QStringLiteral("ZelLocal.INI"));
    QVERIFY(writeFile(file, content));
    Settings s;
    s.language = QStringLiteral("before");
    s.traceEnabled = !traceEnabled;
    const QStringList found = ::loadStartupValues(file, s);
    QCOMPARE(s.language, language);
    QCOMPARE(s.traceEnabled, traceEnabled);
    QCOMPARE(found, problems.replaceInStrings(QStringLiteral("{file}"), file));
}

void TstSettings::loadSettings_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<Settings>("expected");
    QTest::addColumn<QString>("problem"); // the one problem, "{file}" the settings file

    const auto with = [](auto change) {
        Settings s;
        change(s);
        return s;
    };
    const auto refused = [](const char* keyValue, const char* why, int used) {
        return QString(u"Setting "_s + QLatin1StringView(keyValue) + u" in {file} "_s +
                       QLatin1StringView(why) + u"; "_s + QString::number(used) + u" is used"_s);
    };
    const QString none;
    QTest::newRow("empty file: defaults") << QByteArray() << Settings() << none;
    QTest::newRow("all keys") << QByteArray(
                                     "[IP]\naddress=zel.local\nOIPort=9000\n"
                                     "[PO]\naddress=office\nsendpcu=0\nfilterpunct=1\nWDid=5\n")
                              << with([](Settings& s) {
                                     s.zelHost = QStringLiteral("zel.local");
                                     s.zelPort = 9000;
                                     s.poServer = QStringLiteral("office");
                                     s.sendPcu = false;
                                     s.filterPunct = true;
                                     s.watchdogId = 5;
                                 })
                              << none;
    QTest::newRow("WDid 12 loads as 1") << QByteArray("[PO]\nWDid=12\n") << Settings()
                                        << refused("[PO] WDid=12", "is outside 0-9", 1);
    QTest::newRow("WDid 10 loads as 1") << QByteArray("[PO]\nWDid=10\n") << Settings()
                                        << refused("[PO] WDid=10", "is outside 0-9", 1);
    QTest::newRow("WDid -1 loads as 1") << QByteArray("[PO]\nWDid=-1\n") << Settings()
                                        << refused("[PO] WDid=-1", "is outside 0-9", 1);
    QTest::newRow("WDid 0 kept") << QByteArray("[PO]\nWDid=0\n")
                                 << with([](Settings& s) { s.watchdogId = 0; }) << none;
    QTest::newRow("WDid 9 kept") << QByteArray("[PO]\nWDid=9\n")
                                 << with([](Settings& s) { s.watchdogId = 9; }) << none;
    QTest::newRow("quoted WDid") << QByteArray("[PO]\nWDid=\"3\"\n")
                                 << with([](Settings& s) { s.watchdogId = 3; }) << none;
    QTest::newRow("WDid not a number") << QByteArray("[PO]\nWDid=x\n") << Settings()
                                       << refused("[PO] WDid=x", "is not a whole number", 1);
    QTest::newRow("OIPort abc gives 8132")
        << QByteArray("[IP]\nOIPort=abc\n") << Settings()
        << refused("[IP] OIPort=abc", "is not a whole number", 8132);
    QTest::newRow("OIPort in hex") << QByteArray("[IP]\nOIPort=0x1F90\n")
                                   << with([](Settings& s) { s.zelPort = 8080; }) << none;
    QTest::newRow("OIPort 81320 refused")
        << QByteArray("[IP]\nOIPort=81320\n") << Settings()
        << refused("[IP] OIPort=81320", "is outside 1-65535", 8132);
    QTest::newRow("OIPort 65536 refused")
        << QByteArray("[IP]\noiport=65536\n") << Settings()
        << refused("[IP] OIPort=65536", "is outside 1-65535", 8132);
    QTest::newRow("OIPort 0 refused") << QByteArray("[IP]\nOIPort=0\n") << Settings()
                                      << refused("[IP] OIPort=0", "is outside 1-65535", 8132);
    QTest::newRow("OIPort -1 refused") << QByteArray("[IP]\nOIPort=-1\n") << Settings()
                                       << refused("[IP] OIPort=-1", "is outside 1-65535", 8132);
    QTest::newRow("OIPort 65535 kept") << QByteArray("[IP]\nOIPort=65535\n")
                                       << with([](Settings& s) { s.zelPort = 65535; }) << none;
    QTest::newRow("OIPort 1 kept")
        << QByteArray("[IP]\nOIPort=1\n") << with([](Settings& s) { s.zelPort = 1; }) << none;
    QTest::newRow("empty OIPort gives 8132 quietly")
        << QByteArray("[IP]\nOIPort=\n") << Settings() << none;
    QTest::newRow("sendpcu 2 unchecked")
        << QByteArray("[PO]\nsendpcu=2\n") << with([](Settings& s) { s.sendPcu = false; }) << none;
    QTest::newRow("sendpcu not a number keeps the default")
        << QByteArray("[PO]\nsendpcu=no\n") << Settings()
        << refused("[PO] sendpcu=no", "is not a whole number", 1);
    QTest::newRow("filterpunct 2 unchecked")
        << QByteArray("[PO]\nfilterpunct=2\n") << Settings() << none;
    QTest::newRow("empty addresses give 127.0.0.1")
        << QByteArray("[IP]\naddress=\n[PO]\naddress=  \n") << Settings() << none;
    QTest::newRow("quoted address")
        << QByteArray("[IP]\naddress=\"10.0.0.5\"\n")
        << with([](Settings& s) { s.zelHost = QStringLiteral("10.0.0.5"); }) << none;
    QTest::newRow("the two address keys are told apart by section")
        << QByteArray("[PO]\naddress=office\n")
        << with([](Settings& s) { s.poServer = QStringLiteral("office"); }) << none;
}

void TstSettings::loadSettings()
{
    QFETCH(QByteArray, content);
    QFETCH(Settings, expected);
    QFETCH(QString, problem);
    const QString file = path(QStringLiteral("ZelLocal.INI"));
    QVERIFY(writeFile(file, content));
    Settings s;
    s.zelHost = s.poServer = QStringLiteral("before");
    s.zelPort = s.watchdogId = 7;
    s.sendPcu = !expected.sendPcu;
    s.filterPunct = !expected.filterPunct;
    const QStringList problems = LoadSettings(file, s);
    QCOMPARE(problems,
             problem.isEmpty() ? QStringList() : QStringList{problem.replace(u"{file}"_s, file)});
    QCOMPARE(s.zelHost, expected.zelHost);
    QCOMPARE(s.zelPort, expected.zelPort);
    QCOMPARE(s.poServer, expected.poServer);
    QCOMPARE(s.sendPcu, expected.sendPcu);
    QCOMPARE(s.filterPunct, expected.filterPunct);
    QCOMPARE(s.watchdogId, expected.watchdogId);
}

void TstSettings::saveSettingsLayout()
{
    const QString file = path(QStringLiteral("ZelLocal.INI"));
    Settings s;
    s.language = QStringLiteral("NLD");
    s.zelHost = QStringLiteral("  zel.local \t");
    s.zelPort = 9000;
    s.poServer = QStringLiteral(" office ");
    s.sendPcu = false;
    s.filterPunct = true;
    s.watchdogId = 0;
    QVERIFY(SaveSettings(file, s));
    QCOMPARE(readFile(file),
             nativeLines({"[IP]", "address=zel.local", "OIPort=9000", "", "[PO]", "address=office",
                          "language=NLD", "sendpcu=0", "filterpunct=1", "WDid=0"}));
}

void TstSettings::saveSettingsLanguage_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("stored");
    const QString eng = QStringLiteral("ENG");
    QTest::newRow("Dutch") << QStringLiteral("NLD") << QStringLiteral("NLD");
    QTest::newRow("English") << eng << eng;
    QTest::newRow("lower-case Dutch is not Dutch") << QStringLiteral("nld") << eng;
    QTest::newRow("other language") << QStringLiteral("DEU") << eng;
    QTest::newRow("empty") << QString() << eng;
}

void TstSettings::saveSettingsLanguage()
{
    QFETCH(QString, language);
    QFETCH(QString, stored);
    const QString file = path(QStringLiteral("ZelLocal.INI"));
    Settings s;
    s.language = language;
    QVERIFY(SaveSettings(file, s));
    QCOMPARE(ReadIniString(file, QStringLiteral("PO"), QStringLiteral("language"), QString()),
             stored);
}

void TstSettings::saveThenLoadKeepsValuesAndOtherKeys()
{
    const QString file = path(QStringLiteral("ZelLocal.INI"));
    QVERIFY(writeFile(file, "; kept\n[PO]\nTrace=1\nsendpcu=1\n[Extra]\nkey=value\n"));
    Settings saved;
    saved.language = QStringLiteral("NLD");
    saved.traceEnabled = true;
    saved.zelHost = QStringLiteral("10.0.0.2");
    saved.zelPort = 1234;
    saved.poServer = QStringLiteral("office.example");
    saved.sendPcu = false;
    saved.filterPunct = true;
    saved.watchdogId = 4;
    QVERIFY(SaveSettings(file, saved));

    Settings loaded;
    QCOMPARE(::loadStartupValues(file, loaded), QStringList());
    QCOMPARE(LoadSettings(file, loaded), QStringList());
    QVERIFY(loaded == saved);
    QVERIFY(readFile(file).startsWith("; kept\n[PO]\nTrace=1\nsendpcu=0\n"));
    QCOMPARE(ReadIniString(file, QStringLiteral("Extra"), QStringLiteral("key"), QString()),
             QStringLiteral("value"));
}

// A directory where the settings file should be: every key keeps its default and the reason
// is reported once, not once per key.
void TstSettings::unreadableSettingsFileIsOneProblem()
{
    const QString file = path(QStringLiteral("ZelLocal.INI"));
    QVERIFY(QDir().mkdir(file));
    Settings s;
    s.zelPort = 1;
    s.language = QStringLiteral("NLD");

    const QStringList startup = ::loadStartupValues(file, s);
    const QStringList loaded = LoadSettings(file, s);

    QCOMPARE(s, Settings());
    QCOMPARE(startup.size(), 1);
    QVERIFY2(startup.first().startsWith(u"cannot read "_s + file), qPrintable(startup.first()));
    QVERIFY(startup.first().endsWith(u"; every setting keeps its default"_s));
    QCOMPARE(loaded, startup);
}

// Every key fails for the same reason when the directory is missing: one reason, not seven.
void TstSettings::saveReportsEachReasonOnce()
{
    const QString file = path(QStringLiteral("missing/ZelLocal.INI"));
    const WriteResult saved = SaveSettings(file, Settings());
    QVERIFY(!saved);
    QCOMPARE(saved.reason().count(file), 1);
    QVERIFY(!QFileInfo::exists(path(QStringLiteral("missing"))));
}

// An address that cannot be put on one line is refused; the keys after it are still saved.
void TstSettings::saveGoesOnPastARefusedKey()
{
    const QString file = path(QStringLiteral("ZelLocal.INI"));
    Settings s;
    s.zelHost = QStringLiteral("zel\nhost");
    s.zelPort = 9000;
    s.watchdogId = 4;
    const WriteResult saved = SaveSettings(file, s);
    QVERIFY(!saved);
    QVERIFY2(saved.reason().contains(u"[IP] address"_s), qPrintable(saved.reason()));
    QVERIFY2(!saved.reason().contains(u';'), qPrintable(saved.reason()));

    Settings loaded;
    QCOMPARE(LoadSettings(file, loaded), QStringList());
    QCOMPARE(loaded.zelHost, QStringLiteral("127.0.0.1"));
    QCOMPARE(loaded.zelPort, 9000);
    QCOMPARE(loaded.watchdogId, 4);
}

void TstSettings::portFromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("port");
    QTest::newRow("leading blank") << QStringLiteral(" 8132") << 8132;
    QTest::newRow("digits only") << QStringLiteral("8132") << 8132;
    QTest::newRow("stops at a letter") << QStringLiteral("81a2") << 81;
    QTest::newRow("stops at a blank") << QStringLiteral("12 34") << 12;
    QTest::newRow("trailing blanks") << QStringLiteral("80  ") << 80;
    QTest::newRow("leading zeros") << QStringLiteral("0080") << 80;
    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("blanks only") << QStringLiteral("    ") << 0;
    QTest::newRow("letters") << QStringLiteral("abc") << 0;
    QTest::newRow("sign is not a digit") << QStringLiteral("-5") << 0;
    QTest::newRow("too many digits saturate")
        << QStringLiteral("99999999999") << std::numeric_limits<int>::max();
}

void TstSettings::portFromText()
{
    QFETCH(QString, text);
    QFETCH(int, port);
    QCOMPARE(::portFromText(text), port);
}

QTEST_GUILESS_MAIN(TstSettings)
#include "tst_settings.moc"
