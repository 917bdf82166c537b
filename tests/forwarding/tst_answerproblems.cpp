#include "EngineHarness.h"
#include "ForwardingFixtures.h"

#include <QSignalSpy>
#include <QTest>

using namespace ForwardingFixtures;

// An office answer that parses but lacks what the gateway reads from it is still used as far
// as it goes, and the office list says what was missing.
class TstAnswerProblems : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void incompleteAnswerIsLogged_data();
    void incompleteAnswerIsLogged();
};

void TstAnswerProblems::incompleteAnswerIsLogged_data()
{
    QTest::addColumn<bool>("configuration");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("problem");
    QTest::addColumn<QString>("detail");

    QTest::newRow("active alarms under another root")
        << false << QByteArray(R"(<alarms><alarm pcu="Pcu1" location="Kas 3" nr="1"/></alarms>)")
        << QStringLiteral("Answer from PO server without active-alarms root")
        << QStringLiteral("every active alarm taken as returned");
    QTest::newRow("configuration without alarm types")
        << true << QByteArray("<alarmserverconfig><alarmlocations/></alarmserverconfig>")
        << QStringLiteral("Alarm configuration from PO server incomplete")
        << QStringLiteral("alarmlocations or alarmtypes missing");
    QTest::newRow("configuration under another root")
        << true << QByteArray("<config/>")
        << QStringLiteral("Alarm configuration from PO server incomplete")
        << QStringLiteral("alarmlocations or alarmtypes missing");
}

void TstAnswerProblems::incompleteAnswerIsLogged()
{
    QFETCH(bool, configuration);
    QFETCH(QByteArray, answer);
    QFETCH(QString, problem);
    QFETCH(QString, detail);
    EngineHarness h;
    if (configuration)
        h.setConfiguration(answer);
    else
        h.setAlarms(answer);
    QVERIFY(h.start());

    if (configuration) {
        QSignalSpy fetched(&h.engine(), &Engine::definitionsReloaded);
        h.advanceSeconds(300);
        QVERIFY(fetched.wait(10000));
    } else {
        h.advanceSeconds(10);
        QVERIFY(h.runPoll());
    }
    const QString path = configuration ? QStringLiteral("/office/alarm/alarmserverconfig")
                                       : QStringLiteral("/office/alarm/alarmserver");
    const QString url =
        QStringLiteral("http://127.0.0.1:") + QString::number(h.po.serverPort()) + path;
    QCOMPARE(h.logCount((problem + QStringLiteral(": ") + url + QStringLiteral(" (") + detail +
                         QLatin1Char(')'))
                            .toUtf8()),
             1);
}

QTEST_GUILESS_MAIN(TstAnswerProblems)
#include "tst_answerproblems.moc"
