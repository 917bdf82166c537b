#include "TestFiles.h"
#include "core/Directories.h"
#include "core/Settings.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class TstDirectories : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

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

void TstDirectories::init()
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

void TstDirectories::cleanup()
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
QString TstDirectories::expand(QString text) const
{
    text.replace(QStringLiteral("{home}"), path(QStringLiteral("home")));
    return text.replace(QStringLiteral("{tmp}"), m_dir->path());
}

// Null when the directory tests can run here.
const char* TstDirectories::dataHomeSkipReason() const
{
#ifdef Q_OS_WIN
    return "the data home mapping applies off Windows only";
#else
    if (!::siblingOfDataDirectory(m_dir->path(), QStringLiteral("x")).isEmpty())
        return "the temporary directory itself lies below a data directory";
    return nullptr;
#endif
}

bool TstDirectories::writePoIni(const QByteArray& content) const
{
    const QString file = path(QStringLiteral("prog/PO.ini"));
    return writeFile(file, expand(QString::fromUtf8(content)).toUtf8());
}

void TstDirectories::siblingOfDataDirectory_data()
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

void TstDirectories::siblingOfDataDirectory()
{
    QFETCH(QString, dataDir);
    QFETCH(QString, leaf);
    QFETCH(QString, expected);
    QCOMPARE(::siblingOfDataDirectory(dataDir, leaf), expected);
}

void TstDirectories::dataDirectoryFromPoIni_data()
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

void TstDirectories::dataDirectoryFromPoIni()
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

void TstDirectories::dataDirectoryIsKept()
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

void TstDirectories::siblingDirectoriesOnDisk_data()
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

void TstDirectories::siblingDirectoriesOnDisk()
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
void TstDirectories::dataHomeWithADataPart()
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
void TstDirectories::directoryProblems_data()
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

void TstDirectories::directoryProblems()
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
        QVERIFY(writeFile(expand(makeFile), "x"));
    const QString ini = path(QStringLiteral("prog/PO.ini"));

    QCOMPARE(dataDirectoryProblem(), expand(dataProblem.replace(QStringLiteral("{ini}"), ini)));
    QCOMPARE(poDataDirectoryProblem(), expand(poDataProblem));
}

QTEST_GUILESS_MAIN(TstDirectories)
#include "tst_directories.moc"
