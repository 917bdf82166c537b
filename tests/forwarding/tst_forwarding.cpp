#include "EngineHarness.h"
#include "ForwardingFixtures.h"

#include "forwarding/MainMachine.h"
#include "link/ZelLink.h"
#include "poclient/PoClient.h"
#include "store/Documents.h"
#include "store/LinkDefs.h"

#include <QSignalSpy>
#include <QTest>

using namespace ForwardingFixtures;

class TstForwarding : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void roadOfOneAlarm();
    void textOptionsAreReadAtEveryMessage_data();
    void textOptionsAreReadAtEveryMessage();
    void linkEditCountsAtTheNextMessage_data();
    void linkEditCountsAtTheNextMessage();
    void replyOutcome_data();
    void replyOutcome();
    void silentZelMeldHoldsTheWalkTenSeconds();
    void groupDelay_data();
    void groupDelay();
    void memberMovedOffItsGroupReturnsIt();
    void repeatInterval_data();
    void repeatInterval();
    void officeLinkSupervision_data();
    void officeLinkSupervision();
    void undefinedLinks_data();
    void undefinedLinks();
    void watchdog_data();
    void watchdog();
    void zelMeldErrorKeepsWhatTheOfficeSent();
    void handledAlarmOfAnOlderFileStaysHandled();
    void closingWaitsForTheDuePoll();
    void closingBeforeTheFirstStepStops();
    void lateAlarmAnswerChangesNothing();
    void unreadableEntriesAreSkipped();
    void statusRootDecidesTheWalk_data();
    void statusRootDecidesTheWalk();
};

void TstForwarding::roadOfOneAlarm()
{
    EngineHarness h;
    QVERIFY(startWithOneAlarm(h));

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

void TstForwarding::textOptionsAreReadAtEveryMessage_data()
{
    QTest::addColumn<bool>("sendPcu");
    QTest::addColumn<bool>("filterPunct");
    QTest::addColumn<QString>("returnLine");
    QTest::newRow("both on") << true << true
                             << line("[ZEL RCVALARM 02,0012,03,R,,Pcu1 Kas 3 Temp te hoog]");
    QTest::newRow("PCU name off") << false << true
                                  << line("[ZEL RCVALARM 02,0012,03,R,,Kas 3 Temp te hoog]");
    QTest::newRow("filter off") << true << false
                                << line("[ZEL RCVALARM 02,0012,03,R,,Pcu1 Kas 3 Temp. te hoog]");
    QTest::newRow("both off") << false << false
                              << line("[ZEL RCVALARM 02,0012,03,R,,Kas 3 Temp. te hoog]");
}

// The alarm goes out with both options on; the operator changes them before it
// returns, and its return follows the new options.
void TstForwarding::textOptionsAreReadAtEveryMessage()
{
    QFETCH(bool, sendPcu);
    QFETCH(bool, filterPunct);
    QFETCH(QString, returnLine);
    EngineHarness h;
    QVERIFY(startWithOneAlarm(h));
    h.advanceSeconds(10);
    QVERIFY(h.runPoll());

    h.engine().setOptions({sendPcu, filterPunct});
    h.setAlarms("<active-alarms/>");
    h.advanceSeconds(10);
    QVERIFY(h.runPoll());

    QCOMPARE(h.alarmLines(), (QStringList{kAlarmKas3, returnLine}));
}

void TstForwarding::linkEditCountsAtTheNextMessage_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("edited in the window") << "edit";
    QTest::newRow("file replaced and reloaded") << "reload";
}

// The walk looks links up in an index of the link definitions; an operator's change between
// two activations must reach the next one, however the document was changed.
void TstForwarding::linkEditCountsAtTheNextMessage()
{
    QFETCH(QString, how);
    EngineHarness h;
    QVERIFY(startWithOneAlarm(h));
    h.advanceSeconds(10);
    QVERIFY(h.runPoll());

    DocumentOwner& links = h.engine().linkDefs();
    if (how == u"reload") {
        QByteArray moved = kLinkDefs;
        moved.replace("0012 - 03", "0013 - 01");
        h.writeLinkDefs(moved);
        QVERIFY(links.reload().ok());
    } else {
        const auto assign = [](XmlDocument& doc) {
            return AssignLink(doc, "Pcu1", "Kas 3", "0013 - 01", "", "", "");
        };
        QVERIFY(links.edit(assign));
        QVERIFY(links.save().ok());
    }
    // The return clears the ZEL alarm the activation raised; the next activation follows the
    // edited link.
    h.setAlarms("<active-alarms/>");
    h.advanceSeconds(10);
    QVERIFY(h.runPoll());
    h.setAlarms(QByteArray(kOneAlarm).replace(kStart.toLatin1(), "20261209T101500"));
    h.advanceSeconds(10);
    QVERIFY(h.runPoll());

    QCOMPARE(h.alarmLines(),
             (QStringList{kAlarmKas3, line("[ZEL RCVALARM 02,0012,03,R,,Pcu1 Kas 3 Temp te hoog]"),
                          line("[ZEL RCVALARM 02,0013,01,T,,Pcu1 Kas 3 Temp te hoog]")}));
}

void TstForwarding::replyOutcome_data()
{
    QTest::addColumn<QString>("rule");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("notAcceptedLogs");
    const QString absent = QStringLiteral("<absent>");
    QTest::newRow("OK") << "ok" << QStringList{kAlarmKas3} << absent << 0;
    QTest::newRow("NAK then OK") << "NAK,OK" << QStringList{kAlarmKas3, kConfigurationAlarm} << "1"
                                 << 1;
    QTest::newRow("NAK three times")
        << "nak" << QStringList{kAlarmKas3, kConfigurationAlarm, kConfigurationAlarm} << "2" << 2;
    QTest::newRow("garbage three times")
        << "garbage" << QStringList{kAlarmKas3, kAlarmKas3, kAlarmKas3} << "2" << 0;
}

// Whatever ZelMeld answers, the change counts as handled after at most three
// messages; the entry records how it went.
void TstForwarding::replyOutcome()
{
    QFETCH(QString, rule);
    QFETCH(QStringList, lines);
    QFETCH(QString, error);
    QFETCH(int, notAcceptedLogs);
    EngineHarness h(rule);
    QVERIFY(startWithOneAlarm(h));

    h.advanceSeconds(10);
    QVERIFY(h.runPoll());

    QCOMPARE(h.alarmLines(), lines);
    QCOMPARE(alarmAttribute(h, "Kas 3", "Error"), error);
    QCOMPARE(alarmAttribute(h, "Kas 3", "ErrDt"),
             error == QStringLiteral("<absent>") ? error : kStart);
    QCOMPARE(alarmAttribute(h, "Kas 3", "Sent"), kStart);
    QCOMPARE(h.logCount("Alarm not accepted by ZelMeld"), notAcceptedLogs);

    // Handled: the next poll sends nothing more.
    h.advanceSeconds(10);
    QVERIFY(h.runPoll());
    QCOMPARE(h.alarmLines(), lines);
}

void TstForwarding::silentZelMeldHoldsTheWalkTenSeconds()
{
    EngineHarness h(QStringLiteral("silent"));
    h.writeLinkDefs(linkDefs(""));
    h.writeZelDefs(zelDefs(0, 0));
    h.setAlarms(activeAlarms({"Kas 3", "Kas 4"}));
    QVERIFY(h.start());
    QSignalSpy pollFinished(&h.main(), &MainMachine::pollFinished);

    h.advanceSeconds(10);
    QVERIFY(h.waitForLines(1));
    h.advanceSeconds(9.999);
    QVERIFY(h.runMainSteps(50));
    QCOMPARE(h.main().tmmMain().State(), 11);
    QCOMPARE(h.engine().link().SendQueue(), QStringList());
    QCOMPARE(h.alarmLines(), QStringList{kAlarmKas3});

    h.advanceSeconds(0.001);
    QVERIFY(h.waitForLines(2));
    QCOMPARE(
        h.alarmLines(),
        (QStringList{kAlarmKas3, line("[ZEL RCVALARM 02,0012,04,T,,Pcu1 Kas 4 Temp te hoog]")}));
    QCOMPARE(pollFinished.size(), 0);

    h.advanceSeconds(10);
    QVERIFY(pollFinished.wait(10000));
    QCOMPARE(h.alarmLines().size(), 2);
    for (const char* location : {"Kas 3", "Kas 4"}) {
        QCOMPARE(alarmAttribute(h, location, "Error"), QStringLiteral("3"));
        QCOMPARE(alarmAttribute(h, location, "ErrDt"), kStart);
        QCOMPARE(alarmAttribute(h, location, "Sent"), kStart);
        QCOMPARE(
            h.logCount("No answer from ZelMeld within 10 s: Pcu1," + QByteArray(location) + ",1"),
            1);
    }
}

void TstForwarding::groupDelay_data()
{
    QTest::addColumn<QList<QByteArray>>("members");
    QTest::addColumn<bool>("returnsAt30");
    QTest::addColumn<QStringList>("memberLines");
    QTest::addColumn<QStringList>("groupLines");
    QTest::addColumn<int>("timeoutLogs");
    const QString preAlarm3 =
        line("[ZEL RCVALARM 02,0012,03,T,,PreAlarm: Pcu1 Kas 3 Temp te hoog]");
    const QString preAlarm4 =
        line("[ZEL RCVALARM 02,0012,04,T,,PreAlarm: Pcu1 Kas 4 Temp te hoog]");
    const QString groupWithText = line("[ZEL RCVALARM 02,0020,01,T,,Pcu1 Kas 3 Temp te hoog]");
    QTest::newRow("one member") << QList<QByteArray>{"Kas 3"} << false << QStringList{preAlarm3}
                                << QStringList{groupWithText} << 1;
    QTest::newRow("member returns at 30 s")
        << QList<QByteArray>{"Kas 3"} << true
        << QStringList{preAlarm3,
                       line("[ZEL RCVALARM 02,0012,03,R,,PreAlarm: Pcu1 Kas 3 Temp te hoog]")}
        << QStringList{} << 0;
    QTest::newRow("two members") << QList<QByteArray>{"Kas 3", "Kas 4"} << false
                                 << QStringList{preAlarm3, preAlarm4}
                                 << QStringList{line("[ZEL RCVALARM 02,0020,01,A,,]")} << 1;
}

// Members go out at once as pre-alarms; the group alarm waits for its delay of
// 60 s and goes out at the first poll after it, once.
void TstForwarding::groupDelay()
{
    QFETCH(QList<QByteArray>, members);
    QFETCH(bool, returnsAt30);
    QFETCH(QStringList, memberLines);
    QFETCH(QStringList, groupLines);
    QFETCH(int, timeoutLogs);
    EngineHarness h;
    h.writeLinkDefs(linkDefs("0020 - 01"));
    h.writeZelDefs(zelDefs(60, 0));
    h.setAlarms(activeAlarms(members));
    QVERIFY(h.start());
    const QString groupHead = QStringLiteral("[ZEL RCVALARM 02,0020");

    h.advanceSeconds(10);
    QVERIFY(h.runPoll());
    for (int elapsed = 10; elapsed <= 60; elapsed += 10) {
        if (returnsAt30 && elapsed == 30)
            h.setAlarms("<active-alarms/>");
        h.advanceSeconds(10);
        QVERIFY(h.runPoll());
        QCOMPARE(h.linesStartingWith(groupHead), QStringList());
    }
    h.advanceSeconds(10);
    QVERIFY(h.runPoll());
    QCOMPARE(h.linesStartingWith(groupHead), groupLines);

    h.advanceSeconds(10);
    QVERIFY(h.runPoll());
    QCOMPARE(h.linesStartingWith(groupHead), groupLines);
    QCOMPARE(h.linesStartingWith(QStringLiteral("[ZEL RCVALARM 02,0012")), memberLines);
    QCOMPARE(h.logCount("Group timeout passed"), timeoutLogs);
}

// A member alarm whose link is moved to another ZEL alarm without a group: its return clears
// the pre-alarm and the group alarm it raised, and nothing goes to the new ZEL alarm.
void TstForwarding::memberMovedOffItsGroupReturnsIt()
{
    EngineHarness h;
    h.writeLinkDefs(linkDefs("0020 - 01"));
    h.writeZelDefs(zelDefs(0, 0));
    h.setAlarms(activeAlarms({"Kas 3"}));
    QVERIFY(h.start());
    for (int poll = 0; poll < 2; ++poll) {
        h.advanceSeconds(10);
        QVERIFY(h.runPoll());
    }
    QStringList lines{line("[ZEL RCVALARM 02,0012,03,T,,PreAlarm: Pcu1 Kas 3 Temp te hoog]"),
                      line("[ZEL RCVALARM 02,0020,01,T,,Pcu1 Kas 3 Temp te hoog]")};
    QCOMPARE(h.alarmLines(), lines);

    QVERIFY(h.engine().linkDefs().edit([](XmlDocument& doc) {
        return AssignLink(doc, "Pcu1", "Kas 3", "0012 - 04", "", "", "");
    }));
    h.setAlarms("<active-alarms/>");
    h.advanceSeconds(10);
    QVERIFY(h.runPoll());
    lines << line("[ZEL RCVALARM 02,0012,03,R,,PreAlarm: Pcu1 Kas 3 Temp te hoog]")
          << line("[ZEL RCVALARM 02,0020,01,R,,]");
    QCOMPARE(h.alarmLines(), lines);
    QCOMPARE(
        statusAttribute(h.readPoData("AlarmStatus.xml"), "Group", "ZelAlarm", "0020 - 01", "State"),
        QStringLiteral("R"));
}

void TstForwarding::repeatInterval_data()
{
    QTest::addColumn<QByteArray>("zelGroup");
    QTest::addColumn<QString>("firstRepeatAt");
    QTest::addColumn<int>("sentTimes");
    QTest::addColumn<QString>("nextRepeatAt");
    QTest::newRow("alone") << QByteArray() << line("20261209T101510") << 2
                           << line("20261209T103020");
    QTest::newRow("group member") << QByteArray("0020 - 01") << QString() << 1 << QString();
}

// ZEL alarm 0012 - 03 repeats every 15 minutes; as a group member it does not.
void TstForwarding::repeatInterval()
{
    QFETCH(QByteArray, zelGroup);
    QFETCH(QString, firstRepeatAt);
    QFETCH(int, sentTimes);
    QFETCH(QString, nextRepeatAt);
    EngineHarness h;
    h.writeLinkDefs(linkDefs(zelGroup));
    h.writeZelDefs(zelDefs(0, 15));
    h.setAlarms(kOneAlarm);
    QVERIFY(h.start());
    const QString memberHead = QStringLiteral("[ZEL RCVALARM 02,0012,03,T,");
    const QByteArray repeatLog = "Alarm still active, repeated by ZelPO: Pcu1,Kas 3,1";

    h.advanceSeconds(10); // accepted at 10:00:10
    QVERIFY(h.runPoll());
    QCOMPARE(alarmAttribute(h, "Kas 3", "repeat_at"), firstRepeatAt);

    h.advanceSeconds(15 * 60); // exactly the repeat time: not yet
    QVERIFY(h.runPoll());
    QCOMPARE(h.linesStartingWith(memberHead).size(), 1);
    QCOMPARE(h.logCount(repeatLog), 0);

    h.advanceSeconds(10);
    QVERIFY(h.runPoll());
    const QStringList sent = h.linesStartingWith(memberHead);
    QCOMPARE(sent.size(), sentTimes);
    QCOMPARE(sent.last(), sent.first());
    QCOMPARE(h.logCount(repeatLog), sentTimes - 1);
    QCOMPARE(alarmAttribute(h, "Kas 3", "repeat_at"), nextRepeatAt);
}

void TstForwarding::officeLinkSupervision_data()
{
    QTest::addColumn<bool>("drop");
    QTest::addColumn<int>("status");
    QTest::newRow("no answer") << true << 200;
    QTest::newRow("status 500") << false << 500;
}

// The office server fails from t on: the link-lost alarm goes out once, at the
// first failed report more than five minutes after t; its return once, at the
// first success.
void TstForwarding::officeLinkSupervision()
{
    QFETCH(bool, drop);
    QFETCH(int, status);
    EngineHarness h;
    QVERIFY(h.start());
    PoFault failing;
    failing.drop = drop;
    failing.status = status;
    h.po.setFault(failing);
    const QString head = QStringLiteral("[ZEL RCVALARM 02,9999,8,");
    const QString lost = line("[ZEL RCVALARM 02,9999,8,A]");
    const QString restored = line("[ZEL RCVALARM 02,9999,8,R]");

    h.advanceSeconds(10); // t
    QVERIFY(h.runPoll());
    QCOMPARE(h.main().PoLinkFailedSince(), UtcNow());
    h.advanceSeconds(300); // t + 300 s: not more than five minutes
    QVERIFY(h.runPoll());
    QVERIFY(h.waitForDelivery());
    QCOMPARE(h.linesStartingWith(head), QStringList());

    for (int poll = 0; poll < 2; ++poll) {
        h.advanceSeconds(10);
        QVERIFY(h.runPoll());
        QVERIFY(h.waitForDelivery());
        QCOMPARE(h.linesStartingWith(head), QStringList{lost});
    }

    h.po.setFault(PoFault{});
    for (int poll = 0; poll < 2; ++poll) {
        h.advanceSeconds(10);
        QVERIFY(h.runPoll());
        QVERIFY(h.waitForDelivery());
        QCOMPARE(h.linesStartingWith(head), (QStringList{lost, restored}));
    }
    QCOMPARE(h.main().PoLinkFailedSince(), 0.0);
}

void TstForwarding::undefinedLinks_data()
{
    QTest::addColumn<bool>("refresh");
    QTest::addColumn<QByteArray>("answer");
    const QByteArray locations = R"(<alarmlocations>
		<location pcu="Pcu1" text="Kas 3"/>
		<location pcu="Pcu2" text="Kas 9"/>
	</alarmlocations>)";
    const QByteArray full = "<alarmserverconfig>\n\t" + locations +
                            "\n\t<alarmtypes><type nr=\"1\" text=\"Temperatuur\"/></alarmtypes>"
                            "\n</alarmserverconfig>\n";
    const QByteArray withoutTypes =
        "<alarmserverconfig>\n\t" + locations + "\n</alarmserverconfig>\n";
    QTest::newRow("300 s after start") << false << full;
    QTest::newRow("refresh requested") << true << full;
    QTest::newRow("answer without alarm types") << true << withoutTypes;
}

// The office server announces a new location, which is unassigned. The answer
// is slow, and meanwhile the operator assigns another ZEL alarm to Kas 3.
void TstForwarding::undefinedLinks()
{
    QFETCH(bool, refresh);
    QFETCH(QByteArray, answer);
    EngineHarness h;
    h.writeLinkDefs(kLinkDefs);
    h.writeZelDefs(kZelDefs);
    h.setConfiguration(answer);
    PoFault slow;
    slow.delayMs = 500;
    h.po.setFault(PoEndpoint::Config, slow);
    QVERIFY(h.start());
    QSignalSpy reloaded(&h.engine(), &Engine::definitionsReloaded);

    if (refresh)
        h.engine().requestRefresh();
    else
        h.advanceSeconds(300);
    QVERIFY(h.waitForState(5));
    QVERIFY(h.engine().linkDefs().edit([](XmlDocument& doc) {
        return AssignLink(doc, "Pcu1", "Kas 3", "0012 - 05", "", "", "");
    }));
    QVERIFY(h.engine().linkDefs().save());
    QVERIFY(reloaded.wait(10000));
    QVERIFY(!h.main().RefreshRequested());

    QVERIFY(h.waitForDelivery());
    QCOMPARE(h.linesStartingWith(QStringLiteral("[ZEL RCVALARM 02,9999,9,")),
             QStringList{kConfigurationAlarm});
    QCOMPARE(h.logCount("Undefined links found!"), 1);
    const QByteArray onDisk = h.readPoData("LinkDefs.xml");
    QCOMPARE(xmlAttribute(onDisk, "//PO_loc[@pcu='Pcu2' and @text='Kas 9']", "zel_alarm"),
             QStringLiteral("0"));
    QCOMPARE(xmlAttribute(onDisk, "//PO_loc[@pcu='Pcu1' and @text='Kas 3']", "zel_alarm"),
             QStringLiteral("0012 - 05"));
}

void TstForwarding::watchdog_data()
{
    QTest::addColumn<int>("watchdogId");
    QTest::addColumn<QString>("rule");
    QTest::addColumn<QStringList>("lines");
    const QString plain = line("[ZEL WD 09]");
    QTest::newRow("id 0") << 0 << "ok" << QStringList{plain};
    QTest::newRow("id 7") << 7 << "ok" << QStringList{line("[ZEL WD 09 7]")};
    QTest::newRow("NAK") << 0 << "nak" << QStringList{plain, plain, plain};
    QTest::newRow("no answer") << 0 << "silent" << QStringList{plain};
}

// The watchdog is due 60 s after start; it is sent up to three times until
// ZelMeld says OK, and given up after 10 s of silence.
void TstForwarding::watchdog()
{
    QFETCH(int, watchdogId);
    QFETCH(QString, rule);
    QFETCH(QStringList, lines);
    EngineHarness h(rule);
    h.settings.watchdogId = watchdogId;
    QVERIFY(h.start());
    const QString head = QStringLiteral("[ZEL WD");

    h.advanceSeconds(59.999);
    QVERIFY(h.runPoll());
    QCOMPARE(h.linesStartingWith(head), QStringList());

    h.advanceSeconds(0.001);
    QTRY_COMPARE(h.linesStartingWith(head), lines);
    // A poll starts only once the watchdog is done with.
    h.advanceSeconds(10);
    QVERIFY(h.runPoll());
    QCOMPARE(h.linesStartingWith(head), lines);
}

// Closing is asked while a poll is due and an alarm waits: the alarm still
// goes out and is recorded before the machine stops.
// A ZelMeld link error sends a finished request down the failure branch; the
// alarms and locations it fetched must reach the files all the same.
void TstForwarding::zelMeldErrorKeepsWhatTheOfficeSent()
{
    EngineHarness h;
    QVERIFY(startWithOneAlarm(h));
    h.setConfiguration(R"(<alarmserverconfig>
	<alarmlocations><location pcu="Pcu2" text="Kas 9"/></alarmlocations>
	<alarmtypes><type nr="1" text="Temperatuur"/></alarmtypes>
</alarmserverconfig>
)");
    QSignalSpy reloaded(&h.engine(), &Engine::definitionsReloaded);

    // ZelMeld is gone and a line fails: the link's error lasts until ZelMeld talks again.
    h.zel.refuseFor(3600 * 1000);
    h.engine().sendTest(QStringLiteral("000001"), QStringLiteral("01"), QStringLiteral("A"));
    QTRY_VERIFY(h.engine().link().linkFailed());
    h.advanceSeconds(10);
    QVERIFY(h.runPoll());
    QCOMPARE(alarmAttribute(h, "Kas 3", "State"), QStringLiteral("A"));
    QCOMPARE(alarmAttribute(h, "Kas 3", "start"), kStart);
    // The office answered, so the walk tried ZelMeld all the same, and kept the alarm.
    QCOMPARE(h.logCount("ZelMeld not reached, kept for the next poll: Pcu1,Kas 3,1"), 1);
    QCOMPARE(h.alarmLines(), QStringList());

    QVERIFY(h.engine().link().linkFailed());
    h.engine().requestRefresh();
    QVERIFY(reloaded.wait(10000));
    QCOMPARE(xmlAttribute(h.readPoData("LinkDefs.xml"), "//PO_loc[@pcu='Pcu2' and @text='Kas 9']",
                          "zel_alarm"),
             QStringLiteral("0"));
    QCOMPARE(h.alarmLines(), QStringList());
}

// A status file from before alarms were marked for want of a link: an active alarm it holds as
// handled is not sent again, linked or not.
void TstForwarding::handledAlarmOfAnOlderFileStaysHandled()
{
    EngineHarness h;
    const QByteArray handled = "Sent=\"" + kStart.toLatin1() + "\"";
    h.writeAlarmStatus(pendingStatus("POAlarmStatus").replace("Sent=\"\"", handled));
    QVERIFY(startWithOneAlarm(h));
    for (int poll = 0; poll < 2; ++poll) {
        h.advanceSeconds(10);
        QVERIFY(h.runPoll());
    }
    QCOMPARE(alarmAttribute(h, "Kas 3", "Sent"), kStart);
    QCOMPARE(h.alarmLines(), QStringList());
}

void TstForwarding::closingWaitsForTheDuePoll()
{
    EngineHarness h;
    QVERIFY(startWithOneAlarm(h));
    QSignalSpy stopped(&h.engine(), &Engine::machineStopped);

    h.advanceSeconds(10);
    h.engine().requestClose();
    QVERIFY(stopped.wait(10000));

    QCOMPARE(h.alarmLines(), QStringList{kAlarmKas3});
    QCOMPARE(alarmAttribute(h, "Kas 3", "Sent"), kStart);
    QVERIFY(h.main().MainMachineStopped());
    QVERIFY(h.main().tmmMain().Stopped());
    const QByteArray log = h.logText();
    QCOMPARE(h.logCount("Close main statemachine"), 1);
    QCOMPARE_LT(log.indexOf(QByteArray("><Send: " + kAlarmKas3.toLatin1() + ">")),
                log.indexOf("><Close main statemachine>"));
}

// A service stop that comes while the program is still starting.
void TstForwarding::closingBeforeTheFirstStepStops()
{
    EngineHarness h;
    h.create();
    QSignalSpy stopped(&h.engine(), &Engine::machineStopped);
    h.engine().requestClose();
    h.engine().start();

    QVERIFY(stopped.wait(10000));
    QVERIFY(h.main().MainMachineStopped());
    QCOMPARE(h.logCount("Close main statemachine"), 1);
    QCOMPARE(h.po.requestCount(), 0);
}

// The office server answers only after the 60 s wait ran out. The walk runs on
// the status in memory; the late answer, whenever it comes, changes nothing.
void TstForwarding::lateAlarmAnswerChangesNothing()
{
    EngineHarness h(QStringLiteral("silent"));
    h.writeLinkDefs(kLinkDefs);
    h.writeZelDefs(kZelDefs);
    const QByteArray before = pendingStatus("POAlarmStatus");
    h.writeAlarmStatus(before);
    h.setAlarms(activeAlarms({"Kas 4"}));
    PoFault late;
    late.delayMs = 2000;
    h.po.setFault(PoEndpoint::Alarms, late);
    QVERIFY(h.start());

    h.advanceSeconds(10);
    QTRY_COMPARE(h.po.requestCount(), 1);
    PoFault empty;
    empty.emptyBody = true;
    h.po.setFault(PoEndpoint::Alarms, empty); // later polls leave the file alone
    h.advanceSeconds(61);
    QVERIFY(h.waitForLines(1));
    QCOMPARE(h.alarmLines(), QStringList{kAlarmKas3});
    QCOMPARE(h.logCount("Timeout collecting alarms!"), 1);

    // ZelMeld keeps silent, so the walk waits while the late request ends.
    QVERIFY(h.waitForIdleWorkers());
    QCOMPARE(h.main().tmmMain().State(), 11);
    QVERIFY(h.engine().poClient().officeFailed());
    QCOMPARE(h.readPoData("AlarmStatus.xml"), before);

    h.advanceSeconds(10);
    QVERIFY(h.runPoll());
    QCOMPARE(alarmAttribute(h, "Kas 3", "Sent"), kStart);
    QCOMPARE(alarmAttribute(h, "Kas 3", "Error"), QStringLiteral("3"));
    QCOMPARE(alarmAttribute(h, "Kas 4", "start"), QStringLiteral("<absent>"));
}

// Two entries that cannot be evaluated stand before a good one: each is
// reported once per walk, and the good one is sent all the same.
void TstForwarding::unreadableEntriesAreSkipped()
{
    EngineHarness h;
    h.writeLinkDefs(kLinkDefs);
    h.writeZelDefs(kZelDefs);
    h.writeAlarmStatus(R"(<?xml version="1.0" encoding="ISO-8859-1"?>
<POAlarmStatus>
	<Alarm pcu="Pcu1" location="Kas 5" nr="1" text="x" State="R" Sent="" />
	<Alarm pcu="Pcu1" location="Kas 6" nr="1" text="x" start="20261399T000000" State="R" Sent="" />
</POAlarmStatus>
)");
    h.setAlarms(kOneAlarm);
    QVERIFY(h.start());
    const QByteArray noStart = "Alarm status entry 1 skipped: attribute start missing";
    const QByteArray badStart =
        "Alarm status entry 2 skipped: invalid time start \"20261399T000000\"";

    for (int walks = 1; walks <= 2; ++walks) {
        h.advanceSeconds(10);
        QVERIFY(h.runPoll());
        QCOMPARE(h.logCount(noStart), walks);
        QCOMPARE(h.logCount(badStart), walks);
        QCOMPARE(h.alarmLines(), QStringList{kAlarmKas3});
    }
}

void TstForwarding::statusRootDecidesTheWalk_data()
{
    QTest::addColumn<QByteArray>("rootName");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("status document") << QByteArray("POAlarmStatus") << QStringList{kAlarmKas3};
    QTest::newRow("other root") << QByteArray("AlarmStatus") << QStringList();
}

// The office answers with an empty body, so the file is walked as it is.
void TstForwarding::statusRootDecidesTheWalk()
{
    QFETCH(QByteArray, rootName);
    QFETCH(QStringList, lines);
    EngineHarness h;
    h.writeLinkDefs(kLinkDefs);
    h.writeZelDefs(kZelDefs);
    h.writeAlarmStatus(pendingStatus(rootName));
    PoFault empty;
    empty.emptyBody = true;
    h.po.setFault(PoEndpoint::Alarms, empty);
    QVERIFY(h.start());

    h.advanceSeconds(10);
    QVERIFY(h.runPoll());
    QVERIFY(h.waitForDelivery());
    QCOMPARE(h.alarmLines(), lines);
    QCOMPARE(h.logCount("Error getting data from Priva Office"), 1);
}

QTEST_GUILESS_MAIN(TstForwarding)
#include "tst_forwarding.moc"
