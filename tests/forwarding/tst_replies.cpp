#include "EngineHarness.h"
#include "ForwardingFixtures.h"

#include "forwarding/MainMachine.h"
#include "forwarding/MainStates.h"
#include "link/ZelLink.h"

#include <QTest>

using namespace ForwardingFixtures;

namespace {

const QString kTestLine = line("[ZEL RCVALARM 02,000001,01,A]");

} // namespace

// Every sender gets the reply to its own line: ZelMeld answers the lines of a connection in
// the order they came, so the oldest unanswered line takes the next reply.
class TstReplies : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void sendTestWhileTheWalkWaits();
};

// The operator presses "Send test" while the walk waits for ZelMeld; both answers come back
// together, NAK for the alarm and OK for the test line. The walk must see its NAK.
void TstReplies::sendTestWhileTheWalkWaits()
{
    EngineHarness h;
    h.zel.setReplyFor(QStringLiteral("[ZEL RCVALARM 02,0012"), SimReply::Nak);
    h.zel.setReplyFor(kTestLine, SimReply::Ok);
    h.zel.holdReplies();
    QVERIFY(startWithOneAlarm(h));

    h.advanceSeconds(10);
    QVERIFY(h.waitForLines(1));
    QVERIFY(h.waitForState(MainState::CheckResponse));
    const quint64 testId =
        h.engine().sendTest(QStringLiteral("000001"), QStringLiteral("01"), QStringLiteral("A"));
    QVERIFY(h.waitForLines(2));
    h.zel.releaseReplies();
    QVERIFY(h.runPoll());

    // Refused: the configuration alarm follows as the second attempt, and the refusal is kept.
    QCOMPARE(h.zel.receivedLines(), (QStringList{kAlarmKas3, kTestLine, kConfigurationAlarm}));
    QCOMPARE(alarmAttribute(h, "Kas 3", "Error"), QStringLiteral("1"));
    QCOMPARE(alarmAttribute(h, "Kas 3", "Sent"), kStart);
    QCOMPARE(h.engine().link().replyTo(testId), std::optional<QString>(QStringLiteral("OK")));
}

QTEST_GUILESS_MAIN(TstReplies)
#include "tst_replies.moc"
