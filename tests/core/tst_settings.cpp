#include "core/Directories.h"
#include "core/IniFile.h"
#include "core/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <limits>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int kDefault = -999;

#ifdef Q_OS_WIN
const QByteArray kNewline = QByteArrayLiteral("\r\n");
#else
const QByteArray kNewline = QByteArrayLiteral("\n");
#endif

// A file in the platform's line-end style for new files.
QByteArray nativeLines(const QList<QByteArray>& lines)
{
    QByteArray bytes;
    for (const QByteArray& line : lines)
        bytes += line + kNewline;
    return bytes;
}

QByteArray mainValue(const QByteArray& value)
{
    return "[Main]\nvalue=" + value + '\n';
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

} // namespace

class TstSettings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void readInteger_data();
    void readInteger();
    void readString_data();
    void readString();
    void readMissingFileGivesDefaults();
    void readSeesChangesBetweenCalls();

    void write_data();
    void write();
    void writeCreatesFileAndSections();
    void writeInteger_data();
    void writeInteger();
    void writeRefusesWhatBreaksLines_data();
    void writeRefusesWhatBreaksLines();
    void writeFailures_data();
    void writeFailures();

    void siblingOfDataDirectory_data();
    void siblingOfDataDirectory();
    void dataDirectoryFromPoIni_data();
    void dataDirectoryFromPoIni();
    void dataDirectoryIsKept();
    void siblingDirectoriesOnDisk_data();
    void siblingDirectoriesOnDisk();
    void dataHomeWithADataPart();
    void directoryProblems_data();
    void directoryProblems();

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
    QString expand(QString text) const;
    const char* dataHomeSkipReason() const;
    bool writePoIni(const QByteArray& content) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_savedDataHome;
    bool m_hadDataHome = false;
    QString m_savedCurrent;
};

void TstSettings::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_hadDataHome = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    m_savedDataHome = qgetenv("XDG_DATA_HOME");
    // Nothing a test does may reach the real data home.
    qputenv("XDG_DATA_HOME", QFile::encodeName(path(QStringLiteral("home"))));
    QVERIFY(QDir().mkdir(path(QStringLiteral("prog"))));
    resetDirectories(path(QStringLiteral("prog")));
    // Relative data paths then land in the temporary directory, whatever goes wrong.
    m_savedCurrent = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
}

void TstSettings::cleanup()
{
    QDir::setCurrent(m_savedCurrent);
    resetDirectories();
    if (m_hadDataHome)
        qputenv("XDG_DATA_HOME", m_savedDataHome);
    else
        qunsetenv("XDG_DATA_HOME");
    m_dir.reset();
}

// "{tmp}" is the test's temporary directory, "{home}" its data home.
QString TstSettings::expand(QString text) const
{
    text.replace(QStringLiteral("{home}"), path(QStringLiteral("home")));
    return text.replace(QStringLiteral("{tmp}"), m_dir->path());
}

// Null when the directory tests can run here.
const char* TstSettings::dataHomeSkipReason() const
{
#ifdef Q_OS_WIN
    return "the data home mapping applies off Windows only";
#else
    if (!::siblingOfDataDirectory(m_dir->path(), QStringLiteral("x")).isEmpty())
        return "the temporary directory itself lies below a data directory";
    return nullptr;
#endif
}

bool TstSettings::writePoIni(const QByteArray& content) const
{
    const QString file = path(QStringLiteral("prog/PO.ini"));
    return writeBytes(file, expand(QString::fromUtf8(content)).toUtf8());
}

void TstSettings::readInteger_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("expected");

    const QString main = QStringLiteral("Main");
    const QString value = QStringLiteral("value");
    const auto row = [&](const char* name, const QByteArray& raw, int expected) {
        QTest::newRow(name) << mainValue(raw) << main << value << expected;
    };
    row("decimal", "42", 42);
    row("negative", "-5", -5);
    row("plus sign", "+7", 7);
    row("blanks and tabs around", " \t 42 \t", 42);
    row("hex 0x", "0x1F", 31);
    row("hex 0X lower-case digits", "0X1f", 31);
    row("hex dollar", "$1F", 31);
    row("negative hex", "-$1F", -31);
    row("hex fills 32 bits", "$FFFFFFFF", -1);
    row("hex wider than 32 bits", "0x100000000", kDefault);
    row("largest int", "2147483647", std::numeric_limits<int>::max());
    row("smallest int", "-2147483648", std::numeric_limits<int>::min());
    row("above int range", "2147483648", kDefault);
    row("letters", "abc", kDefault);
    row("digits then letters", "12abc", kDefault);
    row("blank inside", "1 2", kDefault);
    row("blank after sign", "- 5", kDefault);
    row("decimal point", "1.5", kDefault);
    row("prefix without digits", "0x", kDefault);
    row("dollar without digits", "$", kDefault);
    row("sign only", "-", kDefault);
    row("empty", "", kDefault);
    row("double-quoted", "\"3\"", 3);
    row("single-quoted hex", "'0x10'", 16);
    row("blanks inside the quotes", "\" 7 \"", 7);
    row("unmatched quote", "\"3", kDefault);

    QTest::newRow("names in any case") << QByteArray("[MAIN]\nVALUE=3\n") << QStringLiteral("main")
                                       << QStringLiteral("Value") << 3;
    QTest::newRow("blanks around header and key")
        << QByteArray("  [ Main ]  \n  value  =  8 \n") << main << value << 8;
    QTest::newRow("key of another section")
        << QByteArray("[Main]\nother=1\n[Other]\nvalue=3\n") << main << value << kDefault;
    QTest::newRow("key before any section")
        << QByteArray("value=3\n[Main]\n") << main << value << kDefault;
    QTest::newRow("commented out") << QByteArray("[Main]\n;value=3\n") << main << value << kDefault;
    QTest::newRow("first of two equal keys")
        << QByteArray("[Main]\nvalue=1\nVALUE=2\n") << main << value << 1;
    QTest::newRow("BOM and CRLF") << QByteArray("\xEF\xBB\xBF[Main]\r\nvalue=0x10\r\n") << main
                                  << value << 16;
}

void TstSettings::readInteger()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(int, expected);
    const QString file = path(QStringLiteral("a.ini"));
    QVERIFY(writeBytes(file, content));
    QCOMPARE(readIniInteger(file, section, key, kDefault), expected);
}

void TstSettings::readString_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");

    const QString fallback = QStringLiteral("default");
    QTest::newRow("plain") << mainValue("host") << QStringLiteral("host");
    QTest::newRow("blanks around removed, inner kept")
        << mainValue("  a b \t") << QStringLiteral("a b");
    QTest::newRow("empty gives default") << mainValue("") << fallback;
    QTest::newRow("blanks only give default") << mainValue("   ") << fallback;
    QTest::newRow("equals sign in value") << mainValue("a=b") << QStringLiteral("a=b");
    QTest::newRow("semicolon in value") << mainValue("a;b") << QStringLiteral("a;b");
    QTest::newRow("UTF-8") << mainValue("Z\xC3\xBCrich") << QStringLiteral("Z\u00FCrich");
    QTest::newRow("ANSI of a Windows editor")
        << mainValue("D:\\Zo\xEB\\data") << QStringLiteral("D:\\Zo\u00EB\\data");
    QTest::newRow("BOM and CRLF") << QByteArray("\xEF\xBB\xBF[main]\r\nValue=host\r\n")
                                  << QStringLiteral("host");
    QTest::newRow("last line without line end")
        << QByteArray("[Main]\nvalue=host") << QStringLiteral("host");
    QTest::newRow("no such key") << QByteArray("[Main]\nvalues=x\n") << fallback;
    QTest::newRow("no such section") << QByteArray("[Mains]\nvalue=x\n") << fallback;
    QTest::newRow("header without closing bracket") << QByteArray("[Main\nvalue=x\n") << fallback;

    QTest::newRow("double quotes dropped")
        << mainValue("\"10.0.0.5\"") << QStringLiteral("10.0.0.5");
    QTest::newRow("single quotes dropped") << mainValue("'10.0.0.5'") << QStringLiteral("10.0.0.5");
    QTest::newRow("quotes after trimming")
        << mainValue("  \"10.0.0.5\"\t") << QStringLiteral("10.0.0.5");
    QTest::newRow("blanks inside quotes kept") << mainValue("\" a b \"") << QStringLiteral(" a b ");
    QTest::newRow("one pair only") << mainValue("\"\"x\"\"") << QStringLiteral("\"x\"");
    QTest::newRow("empty quotes give default") << mainValue("\"\"") << fallback;
    QTest::newRow("unmatched opening quote kept")
        << mainValue("\"10.0.0.5") << QStringLiteral("\"10.0.0.5");
    QTest::newRow("unmatched closing quote kept") << mainValue("host'") << QStringLiteral("host'");
    QTest::newRow("different quotes kept") << mainValue("\"host'") << QStringLiteral("\"host'");
    QTest::newRow("lone quote kept") << mainValue("\"") << QStringLiteral("\"");
    QTest::newRow("quotes inside kept") << mainValue("a \"b\" c") << QStringLiteral("a \"b\" c");
    QTest::newRow("U+FEFF starting a value is kept")
        << mainValue("\xEF\xBB\xBFhost") << QStringLiteral("\uFEFFhost");
    QTest::newRow("BOM, then U+FEFF in the value")
        << QByteArray("\xEF\xBB\xBF[Main]\nvalue=\xEF\xBB\xBF\n") << QStringLiteral("\uFEFF");
    QTest::newRow("U+FEFF starting a key makes another key")
        << QByteArray("[Main]\n\xEF\xBB\xBFvalue=x\n") << fallback;
}

void TstSettings::readString()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    const QString file = path(QStringLiteral("a.ini"));
    QVERIFY(writeBytes(file, content));
    QCOMPARE(readIniString(file, QStringLiteral("Main"), QStringLiteral("value"),
                           QStringLiteral("default")),
             expected);
}

void TstSettings::readMissingFileGivesDefaults()
{
    const QString file = path(QStringLiteral("missing.ini"));
    QCOMPARE(readIniInteger(file, QStringLiteral("Main"), QStringLiteral("value"), kDefault),
             kDefault);
    QCOMPARE(readIniString(file, QStringLiteral("Main"), QStringLiteral("value"),
                           QStringLiteral("default")),
             QStringLiteral("default"));
    QVERIFY(!QFileInfo::exists(file));
}

void TstSettings::readSeesChangesBetweenCalls()
{
    const QString file = path(QStringLiteral("a.ini"));
    QVERIFY(writeBytes(file, mainValue("1")));
    QCOMPARE(readIniInteger(file, QStringLiteral("Main"), QStringLiteral("value"), kDefault), 1);
    QVERIFY(writeBytes(file, mainValue("2")));
    QCOMPARE(readIniInteger(file, QStringLiteral("Main"), QStringLiteral("value"), kDefault), 2);
}

void TstSettings::write_data()
{
    QTest::addColumn<QByteArray>("original");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("expected");

    const QString ip = QStringLiteral("IP");
    const QString po = QStringLiteral("PO");
    const QString k = QStringLiteral("k");
    const QString v = QStringLiteral("v");

    const QByteArray busy = "; settings\n"
                            "[IP]\n"
                            "address = old.host   \n"
                            "  OIPort=8132\n"
                            "unknown=keep\n"
                            "\n"
                            "; office\n"
                            "[PO]\n"
                            "address=po\n";
    QTest::newRow("only its own line changes")
        << busy << ip << QStringLiteral("ADDRESS") << QStringLiteral("new.host")
        << QByteArray(busy).replace("address = old.host   ", "address = new.host");
    QTest::newRow("key kept in the file's spelling")
        << QByteArray("[po]\nWDID=3\n") << po << QStringLiteral("WDid") << QStringLiteral("7")
        << QByteArray("[po]\nWDID=7\n");
    QTest::newRow("new key after the section's last entry")
        << busy << ip << k << v
        << QByteArray(busy).replace("unknown=keep\n", "unknown=keep\nk=v\n");
    QTest::newRow("new key under a bare header")
        << QByteArray("[IP]\n\n[PO]\n") << ip << k << v << QByteArray("[IP]\nk=v\n\n[PO]\n");
    QTest::newRow("new key after a last line without line end")
        << QByteArray("[PO]\nx=1") << po << k << v << QByteArray("[PO]\nx=1\nk=v\n");
    QTest::newRow("new section at the end, set apart by a blank line")
        << QByteArray("; c\n[IP]\na=1\n") << po << k << v
        << QByteArray("; c\n[IP]\na=1\n\n[PO]\nk=v\n");
    QTest::newRow("new section after an existing blank line")
        << QByteArray("[IP]\na=1\n\n") << po << k << v << QByteArray("[IP]\na=1\n\n[PO]\nk=v\n");
    QTest::newRow("CRLF and BOM kept, new lines in CRLF")
        << QByteArray("\xEF\xBB\xBF[IP]\r\na=1\r\n") << po << k << v
        << QByteArray("\xEF\xBB\xBF[IP]\r\na=1\r\n\r\n[PO]\r\nk=v\r\n");
    QTest::newRow("CRLF line replaced")
        << QByteArray("[IP]\r\na=1\r\nb=2\r\n") << ip << QStringLiteral("a") << QStringLiteral("9")
        << QByteArray("[IP]\r\na=9\r\nb=2\r\n");
    QTest::newRow("first of two equal sections")
        << QByteArray("[PO]\na=1\n[X]\n[PO]\nk=2\n") << po << k << v
        << QByteArray("[PO]\na=1\nk=v\n[X]\n[PO]\nk=2\n");
    QTest::newRow("UTF-8 value") << QByteArray("[PO]\nk=x\n") << po << k
                                 << QStringLiteral("Z\u00FCrich")
                                 << QByteArray("[PO]\nk=Z\xC3\xBCrich\n");
    QTest::newRow("quoted value quoted again")
        << QByteArray("[PO]\nk=x\n") << po << k << QStringLiteral("\"x\"")
        << QByteArray("[PO]\nk=\"\"x\"\"\n");
    QTest::newRow("blanks around a value kept by quotes")
        << QByteArray("[PO]\nk=x\n") << po << k << QStringLiteral(" x ")
        << QByteArray("[PO]\nk=\" x \"\n");
    QTest::newRow("unmatched quote written as it is")
        << QByteArray("[PO]\nk=x\n") << po << k << QStringLiteral("\"x")
        << QByteArray("[PO]\nk=\"x\n");
    QTest::newRow("U+FEFF key replaced in place")
        << QByteArray("[PO]\n\xEF\xBB\xBFk=1\n") << po << QStringLiteral("\uFEFFk") << v
        << QByteArray("[PO]\n\xEF\xBB\xBFk=v\n");
    QTest::newRow("plain key beside a U+FEFF key")
        << QByteArray("[PO]\n\xEF\xBB\xBFk=1\n") << po << k << v
        << QByteArray("[PO]\n\xEF\xBB\xBFk=1\nk=v\n");
    QTest::newRow("U+FEFF value") << QByteArray("[PO]\nk=x\n") << po << k
                                  << QStringLiteral("\uFEFFx")
                                  << QByteArray("[PO]\nk=\xEF\xBB\xBFx\n");
}

void TstSettings::write()
{
    QFETCH(QByteArray, original);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, expected);
    const QString file = path(QStringLiteral("a.ini"));
    QVERIFY(writeBytes(file, original));
    const WriteResult written = writeIniString(file, section, key, value);
    QVERIFY2(written.ok(), qPrintable(written.reason()));
    QCOMPARE(readBytes(file), expected);
    QCOMPARE(readIniString(file, section, key, QString()), value);
    // Writing the same again finds the key and changes nothing.
    QVERIFY(writeIniString(file, section, key, value));
    QCOMPARE(readBytes(file), expected);
}

void TstSettings::writeCreatesFileAndSections()
{
    const QString file = path(QStringLiteral("new.ini"));
    QVERIFY(writeIniInteger(file, QStringLiteral("PO"), QStringLiteral("Trace"), 1));
    QCOMPARE(readBytes(file), nativeLines({"[PO]", "Trace=1"}));
    QVERIFY(
        writeIniString(file, QStringLiteral("IP"), QStringLiteral("address"), QStringLiteral("h")));
    QCOMPARE(readBytes(file), nativeLines({"[PO]", "Trace=1", "", "[IP]", "address=h"}));
}

void TstSettings::writeInteger_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("zero") << 0 << QByteArray("k=0");
    QTest::newRow("negative") << -5 << QByteArray("k=-5");
    QTest::newRow("largest") << std::numeric_limits<int>::max() << QByteArray("k=2147483647");
    QTest::newRow("smallest") << std::numeric_limits<int>::min() << QByteArray("k=-2147483648");
}

void TstSettings::writeInteger()
{
    QFETCH(int, value);
    QFETCH(QByteArray, line);
    const QString file = path(QStringLiteral("a.ini"));
    QVERIFY(writeBytes(file, "[PO]\nk=$10\n"));
    QVERIFY(writeIniInteger(file, QStringLiteral("PO"), QStringLiteral("k"), value));
    QCOMPARE(readBytes(file), QByteArray("[PO]\n" + line + '\n'));
    QCOMPARE(readIniInteger(file, QStringLiteral("PO"), QStringLiteral("k"), kDefault), value);
}

void TstSettings::writeRefusesWhatBreaksLines_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    const QString po = QStringLiteral("PO");
    const QString k = QStringLiteral("k");
    QTest::newRow("line feed in value") << po << k << QStringLiteral("a\nb=c");
    QTest::newRow("carriage return in value") << po << k << QStringLiteral("a\rb");
    QTest::newRow("equals sign in key") << po << QStringLiteral("a=b") << QStringLiteral("v");
    QTest::newRow("empty key") << po << QStringLiteral("  ") << QStringLiteral("v");
    QTest::newRow("comment key") << po << QStringLiteral(";k") << QStringLiteral("v");
    QTest::newRow("bracket in section") << QStringLiteral("P]O") << k << QStringLiteral("v");
    QTest::newRow("line feed in section") << QStringLiteral("P\nO") << k << QStringLiteral("v");
}

void TstSettings::writeRefusesWhatBreaksLines()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    const QString file = path(QStringLiteral("a.ini"));
    const QByteArray original("[PO]\nk=1\n");
    QVERIFY(writeBytes(file, original));
    const WriteResult written = writeIniString(file, section, key, value);
    QVERIFY(!written);
    QVERIFY2(written.reason().contains(file), qPrintable(written.reason()));
    QCOMPARE(readBytes(file), original);
}

void TstSettings::writeFailures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("directory"); // created in the file's place when not empty
    QTest::newRow("missing directory") << QStringLiteral("nodir/a.ini") << QString();
    QTest::newRow("a directory in the file's place")
        << QStringLiteral("a.ini") << QStringLiteral("a.ini/inner");
}

void TstSettings::writeFailures()
{
    QFETCH(QString, name);
    QFETCH(QString, directory);
    if (!directory.isEmpty())
        QVERIFY(QDir().mkpath(path(directory)));
    const QString file = path(name);
    const WriteResult written = writeIniInteger(file, QStringLiteral("PO"), QStringLiteral("k"), 1);
    QVERIFY(!written);
    QVERIFY2(written.reason().contains(file), qPrintable(written.reason()));
    QVERIFY(!QFileInfo(file).isFile());
}

void TstSettings::siblingOfDataDirectory_data()
{
    QTest::addColumn<QString>("dataDir");
    QTest::addColumn<QString>("leaf");
    QTest::addColumn<QString>("expected");

    const QString poData = QStringLiteral("PoData");
    const auto row = [&](const char* name, const QString& dataDir, const QString& leaf,
                         const QString& windows, const QString& posix) {
#ifdef Q_OS_WIN
        Q_UNUSED(posix);
        QTest::newRow(name) << dataDir << leaf << windows;
#else
        Q_UNUSED(windows);
        QTest::newRow(name) << dataDir << leaf << posix;
#endif
    };
    row("upper-case drive path", QStringLiteral("C:\\ZEL\\DATA"), poData,
        QStringLiteral("c:\\zel\\PoData"), QStringLiteral("C:/ZEL/PoData"));
    row("first occurrence wins, even inside a word", QStringLiteral("d:\\database\\zel\\data"),
        poData, QStringLiteral("d:\\PoData"), QStringLiteral("d:/PoData"));
    row("exchange leaf", QStringLiteral("C:\\ZEL\\Data"), QStringLiteral("Xml"),
        QStringLiteral("c:\\zel\\Xml"), QStringLiteral("C:/ZEL/Xml"));
    row("no data part", QStringLiteral("E:\\Alarms"), poData, QString(), QString());
    row("data without separator", QStringLiteral("E:\\Zeldata"), poData, QString(), QString());
    row("too short to hold data", QStringLiteral("/x/dat"), poData, QString(), QString());
    row("POSIX path keeps its case", QStringLiteral("/srv/Zel/Data"), poData,
        QStringLiteral("/srv/zel/PoData"), QStringLiteral("/srv/Zel/PoData"));
    row("data at the root", QStringLiteral("/data"), poData, QStringLiteral("/PoData"),
        QStringLiteral("/PoData"));
    row("mixed separators", QStringLiteral("C:/Zel\\Data/x"), poData,
        QStringLiteral("c:/zel\\PoData"), QStringLiteral("C:/Zel/PoData"));
}

void TstSettings::siblingOfDataDirectory()
{
    QFETCH(QString, dataDir);
    QFETCH(QString, leaf);
    QFETCH(QString, expected);
    QCOMPARE(::siblingOfDataDirectory(dataDir, leaf), expected);
}

void TstSettings::dataDirectoryFromPoIni_data()
{
    QTest::addColumn<QByteArray>("poIni"); // null: no PO.ini
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("exists");

    const QString fallback = QStringLiteral("{home}/zel/data");
    const auto datapath = [](const QByteArray& value) -> QByteArray {
        return "[Application]\ndatapath=" + value + '\n';
    };
    QTest::newRow("no PO.ini: default, created with parents") << QByteArray() << fallback << true;
    QTest::newRow("no datapath key: default")
        << QByteArray("[Application]\nother=x\n") << fallback << true;
    QTest::newRow("empty datapath: default") << datapath("") << fallback << true;
    QTest::newRow("own path taken as given, not created")
        << QByteArray("[application]\n  DataPath = {tmp}/Site/Data \n")
        << QStringLiteral("{tmp}/Site/Data") << false;
    QTest::newRow("quoted, as Windows reads it")
        << datapath("\"{tmp}/Site/Data\"") << QStringLiteral("{tmp}/Site/Data") << false;
    QTest::newRow("trailing separator dropped")
        << datapath("{tmp}/Site/Data/") << QStringLiteral("{tmp}/Site/Data") << false;
    QTest::newRow("installation path moves to the data home")
        << datapath("C:\\ZEL\\Data") << QStringLiteral("{home}/zel/Data") << false;
    QTest::newRow("installation path with forward slashes")
        << datapath("c:/Zel/alarms/data") << QStringLiteral("{home}/zel/alarms/data") << false;
    QTest::newRow("installation root itself")
        << datapath("c:\\zel") << QStringLiteral("{home}/zel") << false;
    QTest::newRow("longer name than the installation root")
        << datapath("c:\\zelda\\data") << QStringLiteral("c:\\zelda\\data") << false;
}

void TstSettings::dataDirectoryFromPoIni()
{
    QFETCH(QByteArray, poIni);
    QFETCH(QString, expected);
    QFETCH(bool, exists);
    if (const char* reason = dataHomeSkipReason())
        QSKIP(reason);
    if (!poIni.isNull())
        QVERIFY(writePoIni(poIni));
    expected = expand(expected);

    QCOMPARE(DataDirectory(), expected);
    QCOMPARE(QFileInfo(expected).isDir(), exists);
    QCOMPARE(settingsFileName(), QString(expected + QStringLiteral("/ZelLocal.INI")));
}

void TstSettings::dataDirectoryIsKept()
{
    if (const char* reason = dataHomeSkipReason())
        QSKIP(reason);
    QVERIFY(writePoIni("[Application]\ndatapath={tmp}/first/data\n"));
    QCOMPARE(DataDirectory(), expand(QStringLiteral("{tmp}/first/data")));
    QVERIFY(writePoIni("[Application]\ndatapath={tmp}/second/data\n"));
    QCOMPARE(DataDirectory(), expand(QStringLiteral("{tmp}/first/data")));
    resetDirectories(path(QStringLiteral("prog")));
    QCOMPARE(DataDirectory(), expand(QStringLiteral("{tmp}/second/data")));
}

void TstSettings::siblingDirectoriesOnDisk_data()
{
    QTest::addColumn<QString>("dataPath"); // empty: no PO.ini
    QTest::addColumn<bool>("makeDataDir");
    QTest::addColumn<QString>("poData");
    QTest::addColumn<QString>("exchange");
    QTest::addColumn<bool>("created");

    QTest::newRow("case of the path kept")
        << QStringLiteral("{tmp}/Site/Data") << true << QStringLiteral("{tmp}/Site/PoData")
        << QStringLiteral("{tmp}/Site/Xml") << true;
    QTest::newRow("data found in any case")
        << QStringLiteral("{tmp}/x/dAtA") << true << QStringLiteral("{tmp}/x/PoData")
        << QStringLiteral("{tmp}/x/Xml") << true;
    QTest::newRow("missing parent is not created")
        << QStringLiteral("{tmp}/missing/Data") << false << QStringLiteral("{tmp}/missing/PoData")
        << QStringLiteral("{tmp}/missing/Xml") << false;
    QTest::newRow("no data part: under the data home")
        << QStringLiteral("{tmp}/Alarms") << true << QStringLiteral("{home}/zel/PoData")
        << QStringLiteral("{home}/zel/Xml") << true;
    QTest::newRow("default data directory")
        << QString() << false << QStringLiteral("{home}/zel/PoData")
        << QStringLiteral("{home}/zel/Xml") << true;
}

void TstSettings::siblingDirectoriesOnDisk()
{
    QFETCH(QString, dataPath);
    QFETCH(bool, makeDataDir);
    QFETCH(QString, poData);
    QFETCH(QString, exchange);
    QFETCH(bool, created);
    if (const char* reason = dataHomeSkipReason())
        QSKIP(reason);
    if (!dataPath.isEmpty())
        QVERIFY(writePoIni("[Application]\ndatapath=" + dataPath.toUtf8() + '\n'));
    if (makeDataDir)
        QVERIFY(QDir().mkpath(expand(dataPath)));
    poData = expand(poData);
    exchange = expand(exchange);

    QCOMPARE(PoDataDirectory(), poData);
    QCOMPARE(QFileInfo(poData).isDir(), created);
    QCOMPARE(ExchangeDirectory(), exchange);
    QCOMPARE(QFileInfo(exchange).isDir(), created);
    // Asking again finds the directory in place.
    QCOMPARE(PoDataDirectory(), poData);
}

// A user's data home that itself has a "data" part ("/data/users/...") must not move the
// office data out of the installation.
void TstSettings::dataHomeWithADataPart()
{
#ifdef Q_OS_WIN
    QSKIP("the data home mapping applies off Windows only");
#else
    if (const char* reason = dataHomeSkipReason())
        QSKIP(reason);
    qputenv("XDG_DATA_HOME", QFile::encodeName(path(QStringLiteral("data/share"))));
    QCOMPARE(DataDirectory(), expand(QStringLiteral("{tmp}/data/share/zel/data")));
    QCOMPARE(PoDataDirectory(), expand(QStringLiteral("{tmp}/data/share/zel/PoData")));
    QVERIFY(QFileInfo(PoDataDirectory()).isDir());
#endif
}

// "{ini}" is the PO.ini beside the program.
void TstSettings::directoryProblems_data()
{
    QTest::addColumn<QString>("dataPath");
    QTest::addColumn<QString>("makeDirectory"); // empty: none
    QTest::addColumn<QString>("makeFile");      // empty: none
    QTest::addColumn<QString>("dataProblem");
    QTest::addColumn<QString>("poDataProblem");

    const QString lost = QStringLiteral(": settings are not saved and no log file is written");
    const QString unsaved =
        QStringLiteral(": the alarm status and the definitions cannot be saved");
    QTest::newRow("all in place") << QStringLiteral("{tmp}/Site/Data")
                                  << QStringLiteral("{tmp}/Site/Data") << QString() << QString()
                                  << QString();
    QTest::newRow("missing data directory, parent in place")
        << QStringLiteral("{tmp}/Site/Data") << QStringLiteral("{tmp}/Site") << QString()
        << QString(u"Data directory {tmp}/Site/Data (datapath in {ini}) does not exist" + lost)
        << QString();
    QTest::newRow("missing parent")
        << QStringLiteral("{tmp}/missing/Data") << QString() << QString()
        << QString(u"Data directory {tmp}/missing/Data (datapath in {ini}) does not exist" + lost)
        << QString(u"Office data directory {tmp}/missing/PoData cannot be created, as "
                   u"{tmp}/missing does not exist" +
                   unsaved);
    QTest::newRow("a file in place of the data directory")
        << QStringLiteral("{tmp}/Site/Data") << QStringLiteral("{tmp}/Site")
        << QStringLiteral("{tmp}/Site/Data")
        << QString(u"Data directory {tmp}/Site/Data (datapath in {ini}) is not a directory" + lost)
        << QString();
    QTest::newRow("a file in place of PoData")
        << QStringLiteral("{tmp}/Site/Data") << QStringLiteral("{tmp}/Site/Data")
        << QStringLiteral("{tmp}/Site/PoData") << QString()
        << QString(u"Office data directory {tmp}/Site/PoData is not a directory" + unsaved);
    QTest::newRow("default, created")
        << QString() << QString() << QString() << QString() << QString();
}

void TstSettings::directoryProblems()
{
    QFETCH(QString, dataPath);
    QFETCH(QString, makeDirectory);
    QFETCH(QString, makeFile);
    QFETCH(QString, dataProblem);
    QFETCH(QString, poDataProblem);
    if (const char* reason = dataHomeSkipReason())
        QSKIP(reason);
    if (!dataPath.isEmpty())
        QVERIFY(writePoIni("[Application]\ndatapath=" + dataPath.toUtf8() + '\n'));
    if (!makeDirectory.isEmpty())
        QVERIFY(QDir().mkpath(expand(makeDirectory)));
    if (!makeFile.isEmpty())
        QVERIFY(writeBytes(expand(makeFile), "x"));
    const QString ini = path(QStringLiteral("prog/PO.ini"));

    QCOMPARE(dataDirectoryProblem(), expand(dataProblem.replace(QStringLiteral("{ini}"), ini)));
    QCOMPARE(poDataDirectoryProblem(), expand(poDataProblem));
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
    QVERIFY(writeBytes(file, content));
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
    QVERIFY(writeBytes(file, content));
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
    QCOMPARE(readBytes(file),
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
    QCOMPARE(readIniString(file, QStringLiteral("PO"), QStringLiteral("language"), QString()),
             stored);
}

void TstSettings::saveThenLoadKeepsValuesAndOtherKeys()
{
    const QString file = path(QStringLiteral("ZelLocal.INI"));
    QVERIFY(writeBytes(file, "; kept\n[PO]\nTrace=1\nsendpcu=1\n[Extra]\nkey=value\n"));
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
    QVERIFY(readBytes(file).startsWith("; kept\n[PO]\nTrace=1\nsendpcu=0\n"));
    QCOMPARE(readIniString(file, QStringLiteral("Extra"), QStringLiteral("key"), QString()),
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
