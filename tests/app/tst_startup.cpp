// Starts the real program the way an operator's workstation does: a copy of
// the binary in its own folder with a PO.ini beside it.
#include "TestFiles.h"
#include "ToolProcess.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

int countOf(const QByteArray& haystack, const char* needle)
{
    return int(haystack.count(needle));
}

} // namespace

class TstStartup : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void firstStartWritesLogSettingsAndPoData();
    void secondInstanceExitsSilently();
    void killedInstanceDoesNotBlockNextStart();
    void sigtermClosesInOrder();
    void secondStartBringsTheWindowToTheFront_data();
    void secondStartBringsTheWindowToTheFront();
    void defaultDataDirectoryIsCreated();

private:
    QProcess* start();
    QString logPath() const { return m_root->filePath(QStringLiteral("site/data/ZELPO.LOG")); }
    void waitForStarts(int starts);

    std::unique_ptr<QTemporaryDir> m_root;
    QString m_binary;
    QList<QProcess*> m_processes;
};

void TstStartup::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    QDir root(m_root->path());
    QVERIFY(root.mkpath(QStringLiteral("bin")));
    QVERIFY(root.mkpath(QStringLiteral("site/data")));
    QVERIFY(root.mkpath(QStringLiteral("run")));
    QFile::setPermissions(root.filePath(QStringLiteral("run")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_binary = root.filePath(QLatin1String(kProgramCopy));
    QVERIFY(QFile::copy(QStringLiteral(ZELPO_BINARY), m_binary));
    QVERIFY(writeFile(root.filePath(QStringLiteral("bin/PO.ini")),
                      "[Application]\r\ndatapath=" +
                          root.filePath(QStringLiteral("site/data")).toUtf8() + "\r\n"));
}

void TstStartup::cleanup()
{
    for (QProcess* p : std::as_const(m_processes)) {
        if (p->state() != QProcess::NotRunning) {
            p->kill();
            p->waitForFinished(5000);
        }
        delete p;
    }
    m_processes.clear();
}

QProcess* TstStartup::start()
{
    auto* process = new QProcess;
    m_processes.append(process);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_root->filePath(QStringLiteral("run")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), m_root->filePath(QStringLiteral("xdg")));
    process->setProcessEnvironment(env);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(m_binary, {});
    if (!process->waitForStarted(10000))
        qWarning("could not start %s", qPrintable(m_binary));
    return process;
}

void TstStartup::waitForStarts(int starts)
{
    QTRY_COMPARE_WITH_TIMEOUT(countOf(readFile(logPath()), "program started"), starts, 30000);
}

void TstStartup::firstStartWritesLogSettingsAndPoData()
{
    QProcess* first = start();
    waitForStarts(1);

    const QByteArray log = readFile(logPath());
    static const QRegularExpression firstLine(
        QStringLiteral("^<[^<>]+><[^<>]+><Main form created, program started: version "
                       "\\d+\\.\\d+\\.\\d+>\r\n"));
    QVERIFY2(firstLine.match(QString::fromUtf8(log)).hasMatch(), log.constData());

    const QByteArray ini = readFile(m_root->filePath(QStringLiteral("site/data/ZelLocal.INI")));
    QVERIFY2(ini.contains("[PO]") && ini.contains("Trace=0"), ini.constData());
    QVERIFY(QDir(m_root->filePath(QStringLiteral("site/PoData"))).exists());
    QCOMPARE(first->state(), QProcess::Running);
}

void TstStartup::secondInstanceExitsSilently()
{
    start();
    waitForStarts(1);

    QProcess* second = start();
    QVERIFY(second->waitForFinished(15000));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);
    QCOMPARE(countOf(readFile(logPath()), "program started"), 1);
}

void TstStartup::killedInstanceDoesNotBlockNextStart()
{
    QProcess* first = start();
    waitForStarts(1);
    first->kill();
    QVERIFY(first->waitForFinished(10000));

    QProcess* next = start();
    waitForStarts(2);
    QCOMPARE(next->state(), QProcess::Running);
}

void TstStartup::sigtermClosesInOrder()
{
    QProcess* process = start();
    waitForStarts(1);
    process->terminate();
    QVERIFY(process->waitForFinished(15000));
    QCOMPARE(process->exitStatus(), QProcess::NormalExit);
    QCOMPARE(process->exitCode(), 0);

    const QByteArray log = readFile(logPath());
    const qsizetype closing = log.indexOf("<Start closing application>");
    QVERIFY2(closing > 0, log.constData());
    QVERIFY2(log.indexOf("<Close main statemachine>") > closing, log.constData());
    // The settings were saved: every key of the settings pages is there.
    const QByteArray ini = readFile(m_root->filePath(QStringLiteral("site/data/ZelLocal.INI")));
    for (const char* key :
         {"address=", "OIPort=8132", "language=ENG", "sendpcu=1", "filterpunct=0", "WDid=1"})
        QVERIFY2(ini.contains(key), key);
}

void TstStartup::secondStartBringsTheWindowToTheFront_data()
{
    QTest::addColumn<bool>("afterKill"); // a killed instance left its names behind
    QTest::newRow("first start") << false;
    QTest::newRow("start after a killed instance") << true;
}

void TstStartup::secondStartBringsTheWindowToTheFront()
{
    QFETCH(bool, afterKill);
    int starts = 1;
    if (afterKill) {
        QProcess* killed = start();
        waitForStarts(starts++);
        killed->kill();
        QVERIFY(killed->waitForFinished(10000));
    }
    QProcess* first = start();
    waitForStarts(starts);
    // Up means its request name answers.
#ifdef Q_OS_WIN
    const QString name =
        QStringLiteral("ZELPO_ACTIVE_SEMAPHORE_SHOW_") + qEnvironmentVariable("USERNAME");
#else
    const QString name = m_root->filePath(QStringLiteral("run/ZELPO_ACTIVE_SEMAPHORE.show"));
#endif
    QTRY_VERIFY_WITH_TIMEOUT(
        [&name] {
            QLocalSocket probe;
            probe.connectToServer(name);
            return probe.waitForConnected(1000);
        }(),
        15000);
    QVERIFY(!readFile(logPath()).contains("brought to front"));

    QProcess* second = start();
    QVERIFY(second->waitForFinished(15000));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(
        readFile(logPath()).contains("<Window brought to front at a second start>"), 15000);
    QCOMPARE(countOf(readFile(logPath()), "program started"), starts);

    first->terminate();
    QVERIFY(first->waitForFinished(15000));
    QCOMPARE(first->exitStatus(), QProcess::NormalExit);
    QCOMPARE(first->exitCode(), 0);
}

void TstStartup::defaultDataDirectoryIsCreated()
{
#ifdef Q_OS_WIN
    // The installation's own folder; the run counts from the starts already logged there.
    const QString zel = QStringLiteral("C:/zel");
#else
    const QString zel = m_root->filePath(QStringLiteral("xdg/zel"));
#endif
    const QString log = zel + QStringLiteral("/data/ZELPO.LOG");
    const int startsBefore = countOf(readFile(log), "program started");
    QFile::remove(m_root->filePath(QStringLiteral("bin/PO.ini")));
    start();
    QTRY_COMPARE_WITH_TIMEOUT(countOf(readFile(log), "program started"), startsBefore + 1, 30000);
    QVERIFY(QDir(zel + QStringLiteral("/PoData")).exists());
}

QTEST_GUILESS_MAIN(TstStartup)
#include "tst_startup.moc"
