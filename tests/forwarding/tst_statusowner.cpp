#include "EngineHarness.h"
#include "ForwardingFixtures.h"

#include "forwarding/MainMachine.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

using namespace ForwardingFixtures;

namespace {

// Kas 4's return was sent long ago, so the next configuration fetch purges it; Kas 3 is new.
QByteArray statusWithHandledReturn()
{
    return R"(<?xml version="1.0" encoding="ISO-8859-1"?>
<POAlarmStatus>
	<Alarm pcu="Pcu1" location="Kas 4" nr="1" text="Temp. te hoog" start="20261209T080000" State="R" Sent="20261209T080000" />
</POAlarmStatus>
)";
}

} // namespace

// AlarmStatus.xml has one writer: the engine's document owner on the GUI thread. What a
// configuration fetch purges is purged in the document the walks use, so no later save of
// that document brings it back.
class TstStatusOwner : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void purgeHoldsAcrossLaterSaves();
    void failedSaveLosesNothingToTheNextPoll_data();
    void failedSaveLosesNothingToTheNextPoll();
};

// The poll after a configuration fetch times out, so its walk runs on the document in memory
// and saves it (a repeat is due). The purged return must stay purged, and no change that
// ZelMeld has answered goes out again.
void TstStatusOwner::purgeHoldsAcrossLaterSaves()
{
    EngineHarness h;
    h.writeLinkDefs(linkDefs(QByteArray()));
    h.writeZelDefs(zelDefs(0, 1)); // Kas 3 repeats every minute
    h.writeAlarmStatus(statusWithHandledReturn());
    h.setAlarms(activeAlarms({"Kas 3"}));
    QVERIFY(h.start());

    h.advanceSeconds(10);
    QVERIFY(h.runPoll()); // Kas 3 goes out, repeat at 10:01:10
    QCOMPARE(h.alarmLines().size(), 1);

    QSignalSpy fetched(&h.engine(), &Engine::definitionsReloaded);
    h.advanceSeconds(290); // watchdog, a poll with the repeat, then the configuration fetch
    QVERIFY(fetched.wait(10000));
    QVERIFY(h.waitForState(3));
    QCOMPARE(h.alarmLines().size(), 2);
    QCOMPARE(alarmAttribute(h, "Kas 4", "State"), QStringLiteral("<absent>"));

    PoFault hanging;
    hanging.delayMs = 600000;
    h.po.setFault(PoEndpoint::Alarms, hanging);
    h.advanceSeconds(10);
    QVERIFY(h.waitForState(8));
    h.advanceSeconds(60); // given up: the walk repeats Kas 3 from the document in memory
    QVERIFY(h.runPoll());

    QCOMPARE(h.alarmLines().size(), 3);
    QCOMPARE(alarmAttribute(h, "Kas 3", "repeat_at"), QStringLiteral("20261209T100710"));
    QCOMPARE(alarmAttribute(h, "Kas 4", "State"), QStringLiteral("<absent>"));
}

void TstStatusOwner::failedSaveLosesNothingToTheNextPoll_data()
{
    QTest::addColumn<QList<QByteArray>>("meanwhile"); // active while the file cannot be written
    QTest::addColumn<QStringList>("lines");           // every alarm line ZelMeld gets
    const QString kas4 = line("[ZEL RCVALARM 02,0012,04,T,,Pcu1 Kas 4 Temp te hoog]");
    QTest::newRow("the sent alarm stays active")
        << QList<QByteArray>{"Kas 3"} << QStringList{kAlarmKas3};
    QTest::newRow("a new alarm comes")
        << QList<QByteArray>{"Kas 3", "Kas 4"} << QStringList{kAlarmKas3, kas4};
}

// While AlarmStatus.xml cannot be written, the polls go on from what memory holds: the sent
// marks and the alarms that came meanwhile. Once the file can be written again it gets all of
// it, and nothing ZelMeld has answered goes out a second time.
void TstStatusOwner::failedSaveLosesNothingToTheNextPoll()
{
    QFETCH(QList<QByteArray>, meanwhile);
    QFETCH(QStringList, lines);
    EngineHarness h;
    h.writeLinkDefs(linkDefs(QByteArray()));
    h.writeZelDefs(zelDefs(0, 0));
    h.setAlarms(activeAlarms({"Kas 3"}));
    QVERIFY(h.start());
    h.advanceSeconds(10);
    QVERIFY(h.runPoll()); // Kas 3 goes out and is saved as sent
    QCOMPARE(alarmAttribute(h, "Kas 3", "Sent"), kStart);

    // A folder in the file's place: every save fails, and the file cannot be read either.
    const QString statusPath = h.poDataPath("AlarmStatus.xml");
    QVERIFY(QFile::remove(statusPath));
    QVERIFY(QDir().mkpath(statusPath));
    h.setAlarms(activeAlarms(meanwhile));
    h.advanceSeconds(10);
    QVERIFY(h.runPoll());

    QVERIFY(QDir().rmdir(statusPath));
    h.advanceSeconds(10);
    QVERIFY(h.runPoll());

    QCOMPARE(h.alarmLines(), lines);
    for (const QByteArray& location : meanwhile)
        QCOMPARE(alarmAttribute(h, location.constData(), "Sent"), kStart);
}

QTEST_GUILESS_MAIN(TstStatusOwner)
#include "tst_statusowner.moc"
