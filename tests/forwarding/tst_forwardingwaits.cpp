#include "EngineHarness.h"
#include "ForwardingFixtures.h"

#include "forwarding/MainMachine.h"
#include "store/Documents.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

using namespace ForwardingFixtures;

namespace {

// Kas 3 linked to 0012 - 03 as a member of the group alarm 0020 - 01, or alone.
QByteArray groupLinkDefs(bool member)
{
    return linkDefs(member ? QByteArray("0020 - 01") : QByteArray());
}

// The group alarm 0020 - 01 repeats every 15 minutes and has no delay.
const QByteArray kRepeatingGroupZelDefs = R"(<?xml version="1.0" encoding="ISO-8859-1"?>
<ZelAlarmDefinitions>
	<Location Code="12" Name="Kas">
		<Alarm Code="3" Name="Kas 3" GroupDelay="0" Repeat="0" />
		<Alarm Code="4" Name="Kas 4" GroupDelay="0" Repeat="0" />
	</Location>
	<Location Code="20" Name="Groepen">
		<Alarm Code="1" Name="Temperatuur" GroupDelay="0" Repeat="15" />
	</Location>
</ZelAlarmDefinitions>
)";

// Kas 3 active and already sent, and its group due for the first time. groupAttribute is the
// member's Group attribute as its last message left it (empty: the member was sent unlinked).
QByteArray dueGroupStatus(const QByteArray& groupAttribute)
{
    const QByteArray group =
        groupAttribute.isEmpty() ? QByteArray() : " Group=\"" + groupAttribute + "\"";
    return R"(<?xml version="1.0" encoding="ISO-8859-1"?>
<POAlarmStatus>
	<Alarm pcu="Pcu1" location="Kas 3" nr="1" text="Temp. te hoog" start=")" +
           kStart.toLatin1() + R"(" State="A" Sent=")" + kStart.toLatin1() + "\"" + group +
           R"( />
	<Group ZelAlarm="0020 - 01" Timeout="20261209T095930" repeat="15" Text="Pcu1 Kas 3 Temp te hoog" State="A" />
</POAlarmStatus>
)";
}

QString groupAttribute(EngineHarness& h, const char* attribute)
{
    return statusAttribute(h.readPoData("AlarmStatus.xml"), "Group", "ZelAlarm", "0020 - 01",
                           attribute);
}

// Files beside the document that a start set aside.
QStringList setAside(const EngineHarness& h, const char* fileName)
{
    const QDir poData(h.poDataPath(""));
    return poData.entryList({QLatin1String(fileName) + QStringLiteral(".*.unreadable")},
                            QDir::Files);
}

} // namespace

class TstForwardingWaits : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void groupRepeat_data();
    void groupRepeat();
    void definitionsWaitNineHundredSeconds();
    void definitionsReloadedAfterEveryFetch_data();
    void definitionsReloadedAfterEveryFetch();
    void unreadableDocumentIsSetAside_data();
    void unreadableDocumentIsSetAside();
    void slowOfficeServerOnTheSystemClock();
};

void TstForwardingWaits::groupRepeat_data()
{
    QTest::addColumn<bool>("member");
    QTest::addColumn<bool>("returnsBeforeRepeat");
    QTest::addColumn<QStringList>("groupLines");
    QTest::addColumn<int>("repeats");
    const QString active = line("[ZEL RCVALARM 02,0020,01,T,,Pcu1 Kas 3 Temp te hoog]");
    QTest::newRow("one active member") << true << false << QStringList{active, active} << 1;
    QTest::newRow("member returned")
        << true << true << QStringList{active, line("[ZEL RCVALARM 02,0020,01,R,,]")} << 0;
    QTest::newRow("member unlinked") << false << false << QStringList{active} << 0;
}

// A group with Repeat 15 repeats while a member is active: once when its repeat time has
// passed, then again 15 minutes after that reply; never without an active member.
void TstForwardingWaits::groupRepeat()
{
    QFETCH(bool, member);
    QFETCH(bool, returnsBeforeRepeat);
    QFETCH(QStringList, groupLines);
    QFETCH(int, repeats);
    EngineHarness h;
    h.writeLinkDefs(groupLinkDefs(member));
    h.writeZelDefs(kRepeatingGroupZelDefs);
    h.writeAlarmStatus(dueGroupStatus(member ? "0020 - 01" : ""));
    h.setAlarms(kOneAlarm);
    QVERIFY(h.start());
    const QString groupHead = QStringLiteral("[ZEL RCVALARM 02,0020");

    h.advanceSeconds(10); // the group goes out, accepted at 10:00:10
    QVERIFY(h.runPoll());
    QCOMPARE(h.linesStartingWith(groupHead).size(), 1);
    QCOMPARE(groupAttribute(h, "repeat_at"),
             member ? QStringLiteral("20261209T101510") : QString());

    if (returnsBeforeRepeat) {
        h.setAlarms("<active-alarms/>");
        h.advanceSeconds(10);
        QVERIFY(h.runPoll());
    }
    h.advanceSeconds(15 * 60);
    QVERIFY(h.runPoll());
    h.advanceSeconds(10);
    QVERIFY(h.runPoll());
    QCOMPARE(h.linesStartingWith(groupHead), groupLines);
    QCOMPARE(h.logCount("Repeat group"), repeats);
    if (repeats > 0) {
        // Moved on from the repeat's reply at 10:15:20 (the 10:15:10 poll was not yet later).
        QCOMPARE(groupAttribute(h, "repeat_at"), QStringLiteral("20261209T103020"));
    }
}

// The configuration request is given up at 900 s, not before, and said so once.
void TstForwardingWaits::definitionsWaitNineHundredSeconds()
{
    EngineHarness h;
    PoFault hanging;
    hanging.delayMs = 600000;
    h.po.setFault(PoEndpoint::Config, hanging);
    QVERIFY(h.start());
    const QByteArray timeoutText = "Timeout collecting definitions!";

    h.advanceSeconds(300);
    QVERIFY(h.waitForState(5));
    h.clock.advanceMs(899999);
    QVERIFY(h.runMainSteps(5));
    QCOMPARE(h.main().tmmMain().State(), 5);
    QCOMPARE(h.logCount(timeoutText), 0);

    QSignalSpy shown(&h.engine(), &Engine::linkStateShown);
    h.clock.advanceMs(1);
    QVERIFY(h.waitForState(3));
    QVERIFY(h.runMainSteps(5));
    QCOMPARE(h.logCount(timeoutText), 1);
    // The office error is shown; the watchdog and the poll now due may end it again at once.
    QVERIFY(!shown.isEmpty());
    QCOMPARE(shown.first().first().value<StatusIcon>(), StatusIcon::OfficeError);
}

void TstForwardingWaits::definitionsReloadedAfterEveryFetch_data()
{
    QTest::addColumn<bool>("emptyBody");
    QTest::addColumn<bool>("malformed");
    QTest::newRow("answer with lists") << false << false;
    QTest::newRow("empty answer") << true << false;
    QTest::newRow("malformed answer") << false << true;
}

// The grid refills after every configuration fetch that ended, whatever the answer held.
void TstForwardingWaits::definitionsReloadedAfterEveryFetch()
{
    QFETCH(bool, emptyBody);
    QFETCH(bool, malformed);
    EngineHarness h;
    PoFault answer;
    answer.emptyBody = emptyBody;
    answer.malformed = malformed;
    h.po.setFault(PoEndpoint::Config, answer);
    QVERIFY(h.start());
    QSignalSpy reloaded(&h.engine(), &Engine::definitionsReloaded);

    h.engine().requestRefresh();
    QVERIFY(reloaded.wait(10000));
    QCOMPARE(reloaded.size(), 1);
    QVERIFY(!h.main().RefreshRequested());
}

void TstForwardingWaits::unreadableDocumentIsSetAside_data()
{
    QTest::addColumn<QByteArray>("fileName");
    QTest::newRow("link definitions") << QByteArray("LinkDefs.xml");
    QTest::newRow("alarm status") << QByteArray("AlarmStatus.xml");
    QTest::newRow("ZEL definitions") << QByteArray("ZelDefs.xml");
}

// A document that does not parse is kept under another name before anything is saved, the
// program says so on the status bar and in the log, and goes on from an empty document.
void TstForwardingWaits::unreadableDocumentIsSetAside()
{
    QFETCH(QByteArray, fileName);
    EngineHarness h;
    const QByteArray broken = "<?xml version=\"1.0\"?>\n<Root><Unclosed></Root>\n";
    QFile file(h.poDataPath(fileName.constData()));
    QVERIFY(QDir().mkpath(h.poDataPath("")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(broken);
    file.close();
    h.setConfiguration(R"(<alarmserverconfig>
	<alarmlocations><location pcu="Pcu2" text="Kas 9"/></alarmlocations>
	<alarmtypes/>
</alarmserverconfig>)");
    h.setAlarms(kOneAlarm);
    h.create();
    QSignalSpy status(&h.engine(), &Engine::statusText);
    QSignalSpy icon(&h.engine(), &Engine::linkStateShown);
    h.engine().openDocuments(); // already open: nothing changes, nothing is said again

    const QStringList aside = setAside(h, fileName.constData());
    QCOMPARE(aside.size(), 1);
    QCOMPARE(h.readPoData(aside.first().toLatin1().constData()), broken);
    QCOMPARE(h.engine().problems().size(), 1);
    QVERIFY(h.engine().problems().first().contains(aside.first()));
    QVERIFY(h.logText().contains(aside.first().toUtf8()));

    // The running machine keeps the problem on the status bar instead of "Application running".
    QVERIFY(h.start());
    h.engine().requestRefresh();
    h.advanceSeconds(10);
    QVERIFY(h.runPoll());
    QTRY_VERIFY(!status.isEmpty());
    QCOMPARE(status.last().first().toString(), h.engine().problems().first());
    QVERIFY(!icon.isEmpty());
    QCOMPARE(icon.last().first().value<StatusIcon>(), StatusIcon::Problem);

    // Whatever is saved later goes to a new file; the one set aside stays as it was.
    QTRY_VERIFY(QFile::exists(h.poDataPath(fileName.constData())) || fileName == "ZelDefs.xml");
    QCOMPARE(h.readPoData(aside.first().toLatin1().constData()), broken);
    QCOMPARE(setAside(h, fileName.constData()).size(), 1);
}

// On the system clock, an office server slower than the 60 s wait ends in the machine's own
// time-out: the text is logged and a change already stored still goes out in that cycle.
void TstForwardingWaits::slowOfficeServerOnTheSystemClock()
{
    EngineHarness h;
    h.useSystemClock();
    h.writeLinkDefs(kLinkDefs);
    h.writeZelDefs(kZelDefs);
    h.writeAlarmStatus(pendingStatus("POAlarmStatus"));
    PoFault slow;
    slow.delayMs = 85000;
    h.po.setFault(PoEndpoint::Alarms, slow);
    QVERIFY(h.start());

    QSignalSpy finished(&h.main(), &MainMachine::pollFinished);
    QVERIFY(finished.wait(90000));
    QCOMPARE(h.logCount("Timeout collecting alarms!"), 1);
    QCOMPARE(h.logCount("Error communicating with PO server"), 0);
    QCOMPARE(h.alarmLines(), QStringList{kAlarmKas3});
}

QTEST_GUILESS_MAIN(TstForwardingWaits)
#include "tst_forwardingwaits.moc"
