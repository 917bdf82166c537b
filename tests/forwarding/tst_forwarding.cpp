#include "EngineHarness.h"

#include "forwarding/MainMachine.h"

#include <QSignalSpy>
#include <QTest>

namespace {

const QByteArray kLinkDefs = R"(<?xml version="1.0" encoding="ISO-8859-1"?>
<ZelPOLinkDefs>
	<PO_Locations>
		<PO_loc pcu="Pcu1" text="Kas 3" zel_alarm="0012 - 03" zel_group="" />
	</PO_Locations>
</ZelPOLinkDefs>
)";

const QByteArray kZelDefs = R"(<?xml version="1.0" encoding="ISO-8859-1"?>
<ZelAlarmDefinitions>
	<Location Code="12" Name="Kas 3">
		<Alarm Code="3" Name="Temperatuur" GroupDelay="0" Repeat="0" />
	</Location>
</ZelAlarmDefinitions>
)";

const QByteArray kOneAlarm = R"(<active-alarms>
	<alarm pcu="Pcu1" location="Kas 3" nr="1" text="Temp. te hoog" start="20261209T095900"/>
</active-alarms>)";

} // namespace

class TstForwarding : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void roadOfOneAlarm();
};

void TstForwarding::roadOfOneAlarm()
{
    EngineHarness h;
    h.writeLinkDefs(kLinkDefs);
    h.writeZelDefs(kZelDefs);
    h.setAlarms(kOneAlarm);
    QVERIFY(h.start());

    h.advanceSeconds(10);
    QVERIFY(h.runPoll());
    QCOMPARE(h.alarmLines(),
             QStringList{QStringLiteral("[ZEL RCVALARM 02,0012,03,T,,Pcu1 Kas 3 Temp te hoog]")});
    const QByteArray status = h.readPoData("AlarmStatus.xml");
    QCOMPARE(statusAttribute(status, "Alarm", "pcu", "Pcu1", "Sent"),
             QStringLiteral("20261209T095900"));
    QCOMPARE(statusAttribute(status, "Alarm", "pcu", "Pcu1", "start"),
             QStringLiteral("20261209T095900"));
    QVERIFY(h.logText().contains("<Alarm status changed: Pcu1,Kas 3,1>"));

    // Still active at the next poll: nothing new goes out.
    h.advanceSeconds(10);
    QVERIFY(h.runPoll());
    QCOMPARE(h.alarmLines().size(), 1);

    h.setAlarms("<active-alarms/>");
    h.advanceSeconds(10);
    QVERIFY(h.runPoll());
    QCOMPARE(h.alarmLines().value(1),
             QStringLiteral("[ZEL RCVALARM 02,0012,03,R,,Pcu1 Kas 3 Temp te hoog]"));
    QCOMPARE(h.alarmLines().size(), 2);
}

QTEST_GUILESS_MAIN(TstForwarding)
#include "tst_forwarding.moc"
