#include "TestFiles.h"
#include "core/IniFile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <limits>
#include <memory>

namespace {

constexpr int kDefault = -999;

QByteArray mainValue(const QByteArray& value)
{
    return "[Main]\nvalue=" + value + '\n';
}

} // namespace

class TstIniFile : public QObject
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

private:
    QString path(const QString& name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TstIniFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TstIniFile::cleanup()
{
    m_dir.reset();
}

void TstIniFile::readInteger_data()
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

void TstIniFile::readInteger()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(int, expected);
    const QString file = path(QStringLiteral("a.ini"));
    QVERIFY(writeFile(file, content));
    QCOMPARE(ReadIniInteger(file, section, key, kDefault), expected);
}

void TstIniFile::readString_data()
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

void TstIniFile::readString()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    const QString file = path(QStringLiteral("a.ini"));
    QVERIFY(writeFile(file, content));
    QCOMPARE(ReadIniString(file, QStringLiteral("Main"), QStringLiteral("value"),
                           QStringLiteral("default")),
             expected);
}

void TstIniFile::readMissingFileGivesDefaults()
{
    const QString file = path(QStringLiteral("missing.ini"));
    QCOMPARE(ReadIniInteger(file, QStringLiteral("Main"), QStringLiteral("value"), kDefault),
             kDefault);
    QCOMPARE(ReadIniString(file, QStringLiteral("Main"), QStringLiteral("value"),
                           QStringLiteral("default")),
             QStringLiteral("default"));
    QVERIFY(!QFileInfo::exists(file));
}

void TstIniFile::readSeesChangesBetweenCalls()
{
    const QString file = path(QStringLiteral("a.ini"));
    QVERIFY(writeFile(file, mainValue("1")));
    QCOMPARE(ReadIniInteger(file, QStringLiteral("Main"), QStringLiteral("value"), kDefault), 1);
    QVERIFY(writeFile(file, mainValue("2")));
    QCOMPARE(ReadIniInteger(file, QStringLiteral("Main"), QStringLiteral("value"), kDefault), 2);
}

void TstIniFile::write_data()
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

void TstIniFile::write()
{
    QFETCH(QByteArray, original);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, expected);
    const QString file = path(QStringLiteral("a.ini"));
    QVERIFY(writeFile(file, original));
    const WriteResult written = WriteIniString(file, section, key, value);
    QVERIFY2(written.ok(), qPrintable(written.reason()));
    QCOMPARE(readFile(file), expected);
    QCOMPARE(ReadIniString(file, section, key, QString()), value);
    // Writing the same again finds the key and changes nothing.
    QVERIFY(WriteIniString(file, section, key, value));
    QCOMPARE(readFile(file), expected);
}

void TstIniFile::writeCreatesFileAndSections()
{
    const QString file = path(QStringLiteral("new.ini"));
    QVERIFY(WriteIniInteger(file, QStringLiteral("PO"), QStringLiteral("Trace"), 1));
    QCOMPARE(readFile(file), nativeLines({"[PO]", "Trace=1"}));
    QVERIFY(
        WriteIniString(file, QStringLiteral("IP"), QStringLiteral("address"), QStringLiteral("h")));
    QCOMPARE(readFile(file), nativeLines({"[PO]", "Trace=1", "", "[IP]", "address=h"}));
}

void TstIniFile::writeInteger_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("zero") << 0 << QByteArray("k=0");
    QTest::newRow("negative") << -5 << QByteArray("k=-5");
    QTest::newRow("largest") << std::numeric_limits<int>::max() << QByteArray("k=2147483647");
    QTest::newRow("smallest") << std::numeric_limits<int>::min() << QByteArray("k=-2147483648");
}

void TstIniFile::writeInteger()
{
    QFETCH(int, value);
    QFETCH(QByteArray, line);
    const QString file = path(QStringLiteral("a.ini"));
    QVERIFY(writeFile(file, "[PO]\nk=$10\n"));
    QVERIFY(WriteIniInteger(file, QStringLiteral("PO"), QStringLiteral("k"), value));
    QCOMPARE(readFile(file), QByteArray("[PO]\n" + line + '\n'));
    QCOMPARE(ReadIniInteger(file, QStringLiteral("PO"), QStringLiteral("k"), kDefault), value);
}

void TstIniFile::writeRefusesWhatBreaksLines_data()
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

void TstIniFile::writeRefusesWhatBreaksLines()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    const QString file = path(QStringLiteral("a.ini"));
    const QByteArray original("[PO]\nk=1\n");
    QVERIFY(writeFile(file, original));
    const WriteResult written = WriteIniString(file, section, key, value);
    QVERIFY(!written);
    QVERIFY2(written.reason().contains(file), qPrintable(written.reason()));
    QCOMPARE(readFile(file), original);
}

void TstIniFile::writeFailures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("directory"); // created in the file's place when not empty
    QTest::newRow("missing directory") << QStringLiteral("nodir/a.ini") << QString();
    QTest::newRow("a directory in the file's place")
        << QStringLiteral("a.ini") << QStringLiteral("a.ini/inner");
}

void TstIniFile::writeFailures()
{
    QFETCH(QString, name);
    QFETCH(QString, directory);
    if (!directory.isEmpty())
        QVERIFY(QDir().mkpath(path(directory)));
    const QString file = path(name);
    const WriteResult written = WriteIniInteger(file, QStringLiteral("PO"), QStringLiteral("k"), 1);
    QVERIFY(!written);
    QVERIFY2(written.reason().contains(file), qPrintable(written.reason()));
    QVERIFY(!QFileInfo(file).isFile());
}

QTEST_GUILESS_MAIN(TstIniFile)
#include "tst_inifile.moc"
