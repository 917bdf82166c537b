#include "EngineHarness.h"
#include "ForwardingFixtures.h"

#include "forwarding/MainMachine.h"
#include "link/ZelLink.h"

#include <QSignalSpy>
#include <QTest>

using namespace ForwardingFixtures;

// Whether an alarm change reaches ZelMeld when the link fails: a line that never left is sent
// at a later walk, exactly once; a line that left but got no answer is not sent again.
class TstDelivery : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void unwrittenChangeWaitsForZelMeld_data();
    void unwrittenChangeWaitsForZelMeld();
    void keptChangeGoesOutAtTheFirstPollAfterReconnection_data();
    void keptChangeGoesOutAtTheFirstPollAfterReconnection();
    void answeredNeverIsNotResent();
    void messagesLeaveOneAtATime();
};

void TstDelivery::unwrittenChangeWaitsForZelMeld_data()
{
    QTest::addColumn<QByteArray>("zelGroup");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("alarm") << QByteArray() << QStringList{kAlarmKas3};
    QTest::newRow("pre-alarm of a group")
        << QByteArray("0020 - 01")
        << QStringList{line("[ZEL RCVALARM 02,0012,03,T,,PreAlarm: Pcu1 Kas 3 Temp te hoog]"),
                       line("[ZEL RCVALARM 02,0020,01,T,,Pcu1 Kas 3 Temp te hoog]")};
}

// ZelMeld is down while a new alarm arrives: the change stays pending without holding up the
// walk, and goes out once ZelMeld is back.
void TstDelivery::unwrittenChangeWaitsForZelMeld()
{
    QFETCH(QByteArray, zelGroup);
    QFETCH(QStringList, lines);
    EngineHarness h;
    h.writeLinkDefs(linkDefs(zelGroup));
    h.writeZelDefs(zelDefs(0, 0));
    h.setAlarms(kOneAlarm);
    h.zel.refuseFor(3600 * 1000);
    QVERIFY(h.start());

    h.advanceSeconds(10); // the manual clock stands still: a ten-second wait would never end
    QVERIFY(h.runPoll());
    QCOMPARE(h.logCount("ZelMeld not reached, kept for the next poll: Pcu1,Kas 3,1"), 1);
    QCOMPARE(alarmAttribute(h, "Kas 3", "Sent"), QString());
    QCOMPARE(alarmAttribute(h, "Kas 3", "Error"), QStringLiteral("3"));
    QCOMPARE(alarmAttribute(h, "Kas 3", "ErrDt"), kStart);
    QCOMPARE(
        statusAttribute(h.readPoData("AlarmStatus.xml"), "Group", "ZelAlarm", "0020 - 01", "State"),
        QStringLiteral("<absent>")); // the group was not started by a line that never left
    QVERIFY(h.engine().link().linkFailed());

    QVERIFY(h.zel.listen(QHostAddress(QHostAddress::LocalHost), h.zel.port()));
    for (int elapsed = 20; elapsed <= 80; elapsed += 10) {
        h.advanceSeconds(10);
        QVERIFY(h.runPoll());
    }
    QTRY_COMPARE(h.alarmLines(), lines);
    QCOMPARE(alarmAttribute(h, "Kas 3", "Sent"), kStart);
}

void TstDelivery::keptChangeGoesOutAtTheFirstPollAfterReconnection_data()
{
    QTest::addColumn<bool>("forwardedFirst");
    QTest::addColumn<QByteArray>("answerWhileDown");
    QTest::addColumn<QStringList>("linesAfter");
    const QString kas4 = line("[ZEL RCVALARM 02,0012,04,T,,Pcu1 Kas 4 Temp te hoog]");
    QTest::newRow("raised while ZelMeld is down")
        << false << activeAlarms({"Kas 3", "Kas 4"}) << QStringList{kAlarmKas3, kas4};
    QTest::newRow("returned while ZelMeld is down")
        << true << QByteArray("<active-alarms/>")
        << QStringList{kAlarmKas3, kas4,
                       line("[ZEL RCVALARM 02,0012,03,R,,Pcu1 Kas 3 Temp te hoog]"),
                       line("[ZEL RCVALARM 02,0012,04,R,,Pcu1 Kas 4 Temp te hoog]")};
}

// Changes kept back while ZelMeld was unreachable go out at the first poll after it listens
// again, long before the watchdog is due; while it is down, each poll tries one connection,
// not one per change.
void TstDelivery::keptChangeGoesOutAtTheFirstPollAfterReconnection()
{
    QFETCH(bool, forwardedFirst);
    QFETCH(QByteArray, answerWhileDown);
    QFETCH(QStringList, linesAfter);
    EngineHarness h;
    h.writeLinkDefs(linkDefs(QByteArray()));
    h.writeZelDefs(zelDefs(0, 0));
    h.setAlarms(activeAlarms({"Kas 3", "Kas 4"}));
    const int hour = 3600 * 1000;
    if (forwardedFirst) {
        // ZelMeld goes away after answering both raises.
        h.zel.setCloseAfter(2);
        h.zel.setRefuseAfterClose(hour);
    } else {
        h.zel.refuseFor(hour);
    }
    QVERIFY(h.start());
    if (forwardedFirst) {
        h.advanceSeconds(10);
        QVERIFY(h.runPoll());
        QCOMPARE(h.alarmLines(), linesAfter.mid(0, 2));
        QTRY_VERIFY(!h.engine().link().isConnected());
    }
    const qsizetype linesBefore = h.alarmLines().size();

    h.setAlarms(answerWhileDown);
    for (int poll = 1; poll <= 2; ++poll) {
        h.advanceSeconds(10);
        QVERIFY(h.runPoll());
        QCOMPARE(h.logCount("ZelMeld not reached, kept for the next poll: Pcu1,Kas 3,1"), poll);
        QCOMPARE(h.logCount("ZelMeld not reached, kept for the next poll: Pcu1,Kas 4,1"), poll);
        QCOMPARE(h.logText().count("<Zel PO socket error:"), poll);
    }
    QCOMPARE(h.alarmLines().size(), linesBefore);
    QVERIFY(h.engine().link().linkFailed());

    h.zel.setCloseAfter(0);
    QVERIFY(h.zel.listen(QHostAddress(QHostAddress::LocalHost), h.zel.port()));
    h.advanceSeconds(10);
    QVERIFY(h.runPoll());
    QCOMPARE(h.alarmLines(), linesAfter);
    QCOMPARE(h.linesStartingWith(QStringLiteral("[ZEL WD")), QStringList());
    QCOMPARE(alarmAttribute(h, "Kas 4", "Sent"), alarmAttribute(h, "Kas 4", "start"));
}

// A line ZelMeld took but never answered counts as handled: it is not sent again when ZelMeld
// answers later lines.
void TstDelivery::answeredNeverIsNotResent()
{
    EngineHarness h(QStringLiteral("silent"));
    QVERIFY(startWithOneAlarm(h));
    h.advanceSeconds(10);
    QVERIFY(h.waitForLines(1));
    h.advanceSeconds(10);
    QVERIFY(h.runPoll());
    QCOMPARE(alarmAttribute(h, "Kas 3", "Error"), QStringLiteral("3"));

    h.zel.setScript(*ReplyScript::parse(QStringLiteral("ok")));
    for (int poll = 0; poll < 3; ++poll) {
        h.advanceSeconds(10);
        QVERIFY(h.runPoll());
    }
    QCOMPARE(h.alarmLines(), QStringList{kAlarmKas3});
    QCOMPARE(h.logCount("ZelMeld not reached, kept for the next poll: Pcu1,Kas 3,1"), 0);
}

// Two changes meet a silent ZelMeld, then a refusal: every line leaves only after the answer
// to the one before it, or after its ten-second time-out, and in the order of the walk.
void TstDelivery::messagesLeaveOneAtATime()
{
    EngineHarness h(QStringLiteral("silent,nak,ok"));
    h.writeLinkDefs(linkDefs(QByteArray()));
    h.writeZelDefs(zelDefs(0, 0));
    h.setAlarms(activeAlarms({"Kas 3", "Kas 4"}));
    QVERIFY(h.start());
    // The answers the gateway had read when ZelMeld received each line.
    QSignalSpy replies(&h.engine().link(), &ZelLink::replyReceived);
    QList<qsizetype> repliesBefore;
    QObject::connect(&h.zel, &ZelMeldServer::lineReceived, &h.zel,
                     [&] { repliesBefore.append(replies.size()); });

    h.advanceSeconds(10);
    QVERIFY(h.waitForLines(1));
    // No answer: nothing else leaves until the time-out, however often the machine looks.
    QVERIFY(h.runMainSteps(20));
    QVERIFY(h.engine().link().SendQueue().isEmpty());
    QCOMPARE(h.zel.receivedLines().size(), 1);
    h.clock.advanceMs(9999);
    QVERIFY(h.runMainSteps(20));
    QCOMPARE(h.zel.receivedLines().size(), 1);

    h.clock.advanceMs(1);
    QVERIFY(h.runPoll());
    const QString kas4 = line("[ZEL RCVALARM 02,0012,04,T,,Pcu1 Kas 4 Temp te hoog]");
    QCOMPARE(h.zel.receivedLines(), (QStringList{kAlarmKas3, kas4, kConfigurationAlarm}));
    QCOMPARE(repliesBefore, (QList<qsizetype>{0, 0, 1}));
    QCOMPARE(alarmAttribute(h, "Kas 3", "Error"), QStringLiteral("3"));
    QCOMPARE(alarmAttribute(h, "Kas 4", "Sent"), kStart);
}

QTEST_GUILESS_MAIN(TstDelivery)
#include "tst_delivery.moc"
