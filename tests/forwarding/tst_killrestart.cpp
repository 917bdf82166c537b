#include "TestFiles.h"
#include "WineCheck.h"

#include "PoServerSim.h"
#include "ZelMeldServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <pugixml.hpp>

namespace {

constexpr int kAlarms = 1000;
constexpr int kKills = 50;
// The engine's clock runs this much faster than real time: the first poll comes after half a
// second.
constexpr int kClockSpeed = 20;

QByteArray linkDefs()
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<ZelPOLinkDefs>\n"
                     "\t<PO_Locations>\n";
    for (int i = 0; i < kAlarms; ++i)
        xml += "\t\t<PO_loc pcu=\"Pcu1\" text=\"Kas " + QByteArray::number(i) +
               "\" zel_alarm=\"0012 - 03\" zel_group=\"\" />\n";
    return xml + "\t</PO_Locations>\n</ZelPOLinkDefs>\n";
}

QByteArray activeAlarms()
{
    QByteArray xml = "<active-alarms>\n";
    for (int i = 0; i < kAlarms; ++i)
        xml += "\t<alarm pcu=\"Pcu1\" location=\"Kas " + QByteArray::number(i) +
               "\" nr=\"1\" text=\"Temp\" start=\"20261209T080000\"/>\n";
    return xml + "</active-alarms>\n";
}

const QByteArray kZelDefs = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
                            "<ZelAlarmDefinitions>\n\t<Location Code=\"12\" Name=\"Kas\">\n"
                            "\t\t<Alarm Code=\"3\" Name=\"Kas\" GroupDelay=\"0\" Repeat=\"0\" />\n"
                            "\t</Location>\n</ZelAlarmDefinitions>\n";

} // namespace

// The gateway killed without warning, again and again, while it forwards a burst of new alarms:
// no document is ever left half written, and every alarm reaches ZelMeld at least once.
class TstKillRestart : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void burstSurvivesKills();

private:
    void startHost(QProcess& host);
    void verifyDocumentsParse(int kill);
    int alarmsSent() const;

    QTemporaryDir m_root;
    std::unique_ptr<PoServerSim> m_po;
    std::unique_ptr<ZelMeldServer> m_zel;
    QSet<QString> m_received;
};

void TstKillRestart::startHost(QProcess& host)
{
    host.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    host.setStandardOutputFile(QProcess::nullDevice());
    host.start(QStringLiteral(ENGINE_HOST_BINARY),
               {m_root.filePath(QStringLiteral("bin")), QString::number(m_zel->port()),
                QString::number(m_po->serverPort()), QString::number(kClockSpeed)});
    QVERIFY(host.waitForStarted(10000));
}

// A save is atomic: whatever moment the kill hit, each file is the old or the new document,
// and none was found unreadable and set aside.
void TstKillRestart::verifyDocumentsParse(int kill)
{
    const QDir data(m_root.filePath(QStringLiteral("PoData")));
    const QStringList setAside = data.entryList({QStringLiteral("*.unreadable")}, QDir::Files);
    for (const char* name : {"AlarmStatus.xml", "LinkDefs.xml", "ZelDefs.xml"}) {
        const QString path = data.filePath(QLatin1String(name));
        // The status file does not exist before the first poll's save.
        if (!QFile::exists(path))
            continue;
        const QByteArray bytes = readFile(path);
        pugi::xml_document document;
        const pugi::xml_parse_result parsed = document.load_buffer(bytes.constData(), bytes.size());
        QVERIFY2(parsed, qPrintable(QStringLiteral("%1 after kill %2: %3")
                                        .arg(QLatin1String(name))
                                        .arg(kill)
                                        .arg(QLatin1String(parsed.description()))));
    }
    QCOMPARE(setAside, QStringList());
}

int TstKillRestart::alarmsSent() const
{
    const QByteArray status = readFile(m_root.filePath(QStringLiteral("PoData/AlarmStatus.xml")));
    return int(status.count("Sent=\"20261209T080000\""));
}

void TstKillRestart::burstSurvivesKills()
{
    QDir root(m_root.path());
    QVERIFY(root.mkpath(QStringLiteral("bin")) && root.mkpath(QStringLiteral("data")) &&
            root.mkpath(QStringLiteral("PoData")) && root.mkpath(QStringLiteral("po")));
    QVERIFY(writeFile(root.filePath(QStringLiteral("bin/PO.ini")),
                      "[Application]\ndatapath=" + root.filePath(QStringLiteral("data")).toUtf8() +
                          "\n"));
    QVERIFY(writeFile(root.filePath(QStringLiteral("PoData/LinkDefs.xml")), linkDefs()));
    QVERIFY(writeFile(root.filePath(QStringLiteral("PoData/ZelDefs.xml")), kZelDefs));
    m_po = std::make_unique<PoServerSim>(root.filePath(QStringLiteral("po")));
    QVERIFY(writeFile(m_po->filePath(PoEndpoint::Alarms), activeAlarms()));
    QVERIFY(writeFile(m_po->filePath(PoEndpoint::Config),
                      "<alarmserverconfig><alarmlocations/><alarmtypes/></alarmserverconfig>"));
    QVERIFY(m_po->listen());
    m_zel = std::make_unique<ZelMeldServer>(*ReplyScript::parse(QStringLiteral("ok")));
    QVERIFY(m_zel->listen(QHostAddress(QHostAddress::LocalHost), 0));
    qsizetype alarmLines = 0;
    connect(m_zel.get(), &ZelMeldServer::lineReceived, this, [&](const QString& line) {
        if (line.startsWith(QStringLiteral("[ZEL RCVALARM 02,0012,03,T"))) {
            m_received.insert(line);
            ++alarmLines;
        }
    });

    // Each run is killed a random moment after its first alarm line, mostly before its first
    // batched save or soon after: the burst advances only a little per run.
    QRandomGenerator random(20261209);
    int kills = 0;
    while (kills < kKills) {
        QProcess host;
        startHost(host);
        const qsizetype linesBefore = alarmLines;
        const bool sending = QTest::qWaitFor([&] { return alarmLines > linesBefore; }, 30000);
        QTest::qWait(int(random.bounded(150)));
        QSignalSpy closed(m_zel.get(), &ZelMeldServer::connectionClosed);
        host.kill();
        QVERIFY(host.waitForFinished(10000));
        // Lines of this run still on their way count for this run, not the next.
        if (sending && !closed.wait(10000)) {
            // Wine may keep the socket of a process killed in the middle of a write open (its
            // server then lists the orphaned I/O); Windows ends such a connection.
            if (runsUnderWine())
                QSKIP("Wine kept a killed run's connection open; the kills before it passed");
            QFAIL("the killed run's connection did not end");
        }
        verifyDocumentsParse(kills);
        if (QTest::currentTestFailed())
            return;
        if (!sending)
            break; // nothing left to send: the burst is over
        ++kills;
    }
    qInfo("%d kills during the burst; %lld of %d alarms had reached ZelMeld, in %lld lines", kills,
          qint64(m_received.size()), kAlarms, qint64(alarmLines));
    QCOMPARE(kills, kKills);

    QProcess host;
    startHost(host);
    QTRY_COMPARE_WITH_TIMEOUT(m_received.size(), qsizetype(kAlarms), 120000);
    QTRY_COMPARE_WITH_TIMEOUT(alarmsSent(), kAlarms, 30000);
    host.kill();
    QVERIFY(host.waitForFinished(10000));
    verifyDocumentsParse(kKills + 1);
}

QTEST_GUILESS_MAIN(TstKillRestart)
#include "tst_killrestart.moc"
