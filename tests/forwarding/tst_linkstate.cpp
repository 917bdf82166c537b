#include "EngineHarness.h"
#include "ForwardingFixtures.h"

#include "core/LinkStatus.h"
#include "forwarding/MainMachine.h"
#include "forwarding/MainStates.h"

#include <QSignalSpy>
#include <QTest>

using namespace ForwardingFixtures;

// The link status has one type and one way to change; the engine turns every change into the
// icon that the status bar and the tray show.
class TstLinkState : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void iconOfEachState_data();
    void iconOfEachState();
    void iconFollowsWhileTheMachineIsBusy();
};

void TstLinkState::iconOfEachState_data()
{
    QTest::addColumn<LinkState>("state");
    QTest::addColumn<bool>("problem");
    QTest::addColumn<StatusIcon>("icon");
    QTest::newRow("office error") << LinkState::OfficeError << false << StatusIcon::OfficeError;
    QTest::newRow("ZelMeld error") << LinkState::ZelMeldError << false << StatusIcon::ZelMeldError;
    QTest::newRow("error just ended") << LinkState::ErrorEnded << false << StatusIcon::None;
    QTest::newRow("link error over a problem")
        << LinkState::ZelMeldError << true << StatusIcon::ZelMeldError;
    QTest::newRow("error ended, problem lasts")
        << LinkState::ErrorEnded << true << StatusIcon::Problem;
}

void TstLinkState::iconOfEachState()
{
    QFETCH(LinkState, state);
    QFETCH(bool, problem);
    QFETCH(StatusIcon, icon);
    LinkStatus.set(LinkState::Running);
    EngineHarness h;
    h.create(); // not started: only the engine answers the change
    if (problem)
        h.engine().addProblem(QStringLiteral("ZelLocal.INI cannot be read"));
    QSignalSpy shown(&h.engine(), &Engine::linkStateShown);

    LinkStatus.set(state);
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.last().first().value<StatusIcon>(), icon);
}

// ZelMeld fails while the machine waits for a slow office server: the icon shows it at once,
// not only when the machine is idle again a minute later.
void TstLinkState::iconFollowsWhileTheMachineIsBusy()
{
    EngineHarness h;
    PoFault hanging;
    hanging.delayMs = 600000;
    h.po.setFault(PoEndpoint::Alarms, hanging);
    h.zel.refuseFor(3600 * 1000);
    QVERIFY(h.start());
    h.advanceSeconds(10);
    QVERIFY(h.waitForState(MainState::WaitAlarms));
    QSignalSpy shown(&h.engine(), &Engine::linkStateShown);

    h.engine().sendTest(QStringLiteral("000001"), QStringLiteral("01"), QStringLiteral("A"));
    QTRY_VERIFY(!shown.isEmpty());
    QCOMPARE(shown.last().first().value<StatusIcon>(), StatusIcon::ZelMeldError);
    QCOMPARE(LinkStatus.load(), LinkState::ZelMeldError);
    QCOMPARE(h.main().tmmMain().State(), MainState::WaitAlarms);
}

QTEST_GUILESS_MAIN(TstLinkState)
#include "tst_linkstate.moc"
