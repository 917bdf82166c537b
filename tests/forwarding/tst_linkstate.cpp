#include "EngineHarness.h"
#include "ForwardingFixtures.h"

#include "core/LinkStatus.h"
#include "forwarding/MainMachine.h"
#include "forwarding/MainStates.h"
#include "link/ZelLink.h"
#include "poclient/PoClient.h"

#include <QSignalSpy>
#include <QTest>

using namespace ForwardingFixtures;

namespace {

const QString kZelMeldErrorText = QStringLiteral("Error connecting to ZelMeld");
const QString kOfficeErrorText = QStringLiteral("Error communicating with PO server");

void sendTestLine(EngineHarness& h)
{
    h.engine().sendTest(QStringLiteral("000001"), QStringLiteral("01"), QStringLiteral("A"));
}

QList<StatusIcon> icons(const QSignalSpy& spy)
{
    QList<StatusIcon> shown;
    for (const QList<QVariant>& arguments : spy)
        shown.append(arguments.first().value<StatusIcon>());
    return shown;
}

QStringList texts(const QSignalSpy& spy)
{
    QStringList shown;
    for (const QList<QVariant>& arguments : spy)
        shown.append(arguments.first().toString());
    return shown;
}

} // namespace

// Each link keeps its own state; the engine turns what the two come to into the icon and the
// text that the status bar and the tray show.
class TstLinkState : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void zelMeldErrorOutlastsAnOfficeOutage();
    void officeErrorShowsAgainOnceZelMeldTalks();
    void iconOverAProblem();
    void iconFollowsWhileTheMachineIsBusy();
};

// ZelMeld down, then the office server fails and recovers: the ZelMeld error shows throughout,
// and the running state only once ZelMeld answers again.
void TstLinkState::zelMeldErrorOutlastsAnOfficeOutage()
{
    EngineHarness h;
    QVERIFY(startWithOneAlarm(h));
    h.zel.refuseFor(3600 * 1000);
    sendTestLine(h);
    QTRY_COMPARE(h.engine().linkState(), LinkState::ZelMeldError);
    QSignalSpy shown(&h.engine(), &Engine::linkStateShown);
    QSignalSpy text(&h.engine(), &Engine::statusText);

    PoFault failing;
    failing.status = 500;
    h.po.setFault(PoEndpoint::Alarms, failing);
    h.advanceSeconds(10);
    QVERIFY(h.runPoll());
    QVERIFY(h.engine().poClient().officeFailed());
    QCOMPARE(h.engine().linkState(), LinkState::ZelMeldError);

    h.po.setFault(PoEndpoint::Alarms, PoFault());
    h.advanceSeconds(10);
    QVERIFY(h.runPoll());
    QVERIFY(!h.engine().poClient().officeFailed());
    QVERIFY(h.runMainSteps(1));

    QCOMPARE(h.engine().linkState(), LinkState::ZelMeldError);
    QCOMPARE(h.main().ShownLinkState(), LinkState::ZelMeldError);
    QVERIFY(!shown.isEmpty());
    for (StatusIcon icon : icons(shown))
        QCOMPARE(icon, StatusIcon::ZelMeldError);
    QVERIFY2(!texts(text).contains(kOfficeErrorText), qPrintable(texts(text).join(u'|')));
    QVERIFY2(!texts(text).contains(QStringLiteral("Application running")),
             qPrintable(texts(text).join(u'|')));

    // ZelMeld answers again: only now the gateway shows as running.
    QVERIFY(h.zel.listen(QHostAddress(QHostAddress::LocalHost), h.zel.port()));
    sendTestLine(h);
    QTRY_COMPARE(h.engine().linkState(), LinkState::Running);
    QCOMPARE(icons(shown).last(), StatusIcon::None);
    QVERIFY(h.runMainSteps(1));
    QCOMPARE(h.main().ShownLinkState(), LinkState::Running);
    QCOMPARE(texts(text).last(), QStringLiteral("Application running"));
}

// The other way round: an office error that lasts comes back on the status bar once the
// ZelMeld error, which covered it, has ended.
void TstLinkState::officeErrorShowsAgainOnceZelMeldTalks()
{
    EngineHarness h;
    QVERIFY(startWithOneAlarm(h));
    PoFault failing;
    failing.status = 500;
    h.po.setFault(PoEndpoint::Alarms, failing);
    h.advanceSeconds(10);
    QVERIFY(h.runPoll());
    QCOMPARE(h.engine().linkState(), LinkState::OfficeError);

    h.zel.refuseFor(3600 * 1000);
    QSignalSpy text(&h.engine(), &Engine::statusText);
    sendTestLine(h);
    QTRY_COMPARE(h.engine().linkState(), LinkState::ZelMeldError);
    QCOMPARE(texts(text).last(), kZelMeldErrorText);

    QVERIFY(h.zel.listen(QHostAddress(QHostAddress::LocalHost), h.zel.port()));
    QSignalSpy shown(&h.engine(), &Engine::linkStateShown);
    sendTestLine(h);
    QTRY_COMPARE(h.engine().linkState(), LinkState::OfficeError);
    QCOMPARE(texts(text).last(), kOfficeErrorText);
    QCOMPARE(icons(shown).last(), StatusIcon::OfficeError);
}

// A problem of the files or settings shows its icon while both links work, and gives way to a
// link error while that lasts.
void TstLinkState::iconOverAProblem()
{
    EngineHarness h;
    QVERIFY(h.start());
    QSignalSpy shown(&h.engine(), &Engine::linkStateShown);
    h.engine().addProblem(QStringLiteral("ZelLocal.INI cannot be read"));
    QCOMPARE(icons(shown).last(), StatusIcon::Problem);

    h.zel.refuseFor(3600 * 1000);
    sendTestLine(h);
    QTRY_COMPARE(icons(shown).last(), StatusIcon::ZelMeldError);

    QVERIFY(h.zel.listen(QHostAddress(QHostAddress::LocalHost), h.zel.port()));
    sendTestLine(h);
    QTRY_COMPARE(icons(shown).last(), StatusIcon::Problem);
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

    sendTestLine(h);
    QTRY_VERIFY(!shown.isEmpty());
    QCOMPARE(shown.last().first().value<StatusIcon>(), StatusIcon::ZelMeldError);
    QVERIFY(h.engine().link().linkFailed());
    QCOMPARE(h.main().tmmMain().stateAs<MainState>(), MainState::WaitAlarms);
}

QTEST_GUILESS_MAIN(TstLinkState)
#include "tst_linkstate.moc"
