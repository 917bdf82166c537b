// The whole program between the two real simulators: a first alarm of the
// office server reaches ZelMeld within one poll period.
#include "TestFiles.h"
#include "ToolProcess.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The program always asks port 8080 of its office server; a second loopback
// address keeps the test clear of anything else listening on 8080.
const QString kPoAddress = QStringLiteral("127.0.0.2");

} // namespace

class TstForwardingProgram : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void firstAlarmReachesZelMeldWithinOnePoll();

private:
    std::unique_ptr<QTemporaryDir> m_root;
    QList<QProcess*> m_processes;
};

void TstForwardingProgram::init()
{
    m_root = std::make_unique<QTemporaryDir>();
}

void TstForwardingProgram::cleanup()
{
    for (QProcess* p : std::as_const(m_processes)) {
        p->terminate();
        if (!p->waitForFinished(5000))
            p->kill();
        p->waitForFinished(5000);
        delete p;
    }
    m_processes.clear();
}

void TstForwardingProgram::firstAlarmReachesZelMeldWithinOnePoll()
{
    QDir root(m_root->path());
    for (const char* dir : {"bin", "zel/data", "zel/PoData", "po", "runtime"})
        QVERIFY(root.mkpath(QLatin1String(dir)));
    QFile::setPermissions(root.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    for (const char* name : {"LinkDefs.xml", "ZelDefs.xml"})
        QVERIFY(QFile::copy(QStringLiteral(ZELPO_DEMO "/PoData/") + QLatin1String(name),
                            root.filePath(QStringLiteral("zel/PoData/") + QLatin1String(name))));
    QVERIFY(writeFile(root.filePath(QStringLiteral("po/alarmserver.xml")),
                      "<active-alarms><alarm pcu=\"Pcu1\" location=\"Kas 3\" nr=\"1\" "
                      "text=\"Temp. te hoog\" start=\"20261209T080000\"/></active-alarms>"));

    QProcess* po = startTool(m_processes, QStringLiteral(PO_SIM_BINARY),
                             {QStringLiteral("--dir"), root.filePath(QStringLiteral("po")),
                              QStringLiteral("--address"), kPoAddress, QStringLiteral("--port"),
                              QStringLiteral("8080")});
    if (listeningPort(po) != 8080)
        QSKIP("port 8080 on 127.0.0.2 is not free here");
    QProcess* zel = startTool(m_processes, QStringLiteral(ZELMELD_SIM_BINARY),
                              {QStringLiteral("--port"), QStringLiteral("0")});
    const quint16 zelPort = listeningPort(zel);
    QVERIFY(zelPort != 0);

    const QString binary = root.filePath(QLatin1String(kProgramCopy));
    QVERIFY(QFile::copy(QStringLiteral(ZELPO_BINARY), binary));
    QVERIFY(writeFile(
        root.filePath(QStringLiteral("bin/PO.ini")),
        "[Application]\ndatapath=" + root.filePath(QStringLiteral("zel/data")).toUtf8() + "\n"));
    QVERIFY(writeFile(root.filePath(QStringLiteral("zel/data/ZelLocal.INI")),
                      "[IP]\naddress=127.0.0.1\nOIPort=" + QByteArray::number(zelPort) +
                          "\n[PO]\naddress=" + kPoAddress.toUtf8() + "\n"));

    QProcess* program = new QProcess;
    m_processes.append(program);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root.filePath(QStringLiteral("runtime")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), root.filePath(QStringLiteral("xdg")));
    program->setProcessEnvironment(env);
    program->start(binary, {});
    QVERIFY(program->waitForStarted(10000));

    // One poll period is 10 s; allow for a slow (sanitizer) build.
    QByteArray received;
    QTRY_VERIFY_WITH_TIMEOUT(
        (received += zel->readAllStandardOutput())
            .contains("<- [ZEL RCVALARM 02,0012,03,T,,PreAlarm: Pcu1 Kas 3 Temp. te hoog]"),
        30000);
    QCOMPARE(program->state(), QProcess::Running);
}

QTEST_GUILESS_MAIN(TstForwardingProgram)
#include "tst_forwardingprogram.moc"
