#include "EngineHarness.h"
#include "ForwardingFixtures.h"

#include "forwarding/MainMachine.h"

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

QTEST_GUILESS_MAIN(TstStatusOwner)
#include "tst_statusowner.moc"
