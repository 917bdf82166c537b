#include "forwarding/AlarmText.h"

#include <QTest>

class TstAlarmText : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void filterPunctuation_data();
    void filterPunctuation();
    void body_data();
    void body();
};

void TstAlarmText::filterPunctuation_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("on");
    QTest::addColumn<QString>("expected");
    const QString all = QStringLiteral("a\"b,c-d.e<f>g_h");
    QTest::newRow("off keeps everything") << all << false << all;
    QTest::newRow("on removes the seven") << all << true << QStringLiteral("abcdefgh");
    QTest::newRow("other punctuation stays")
        << QStringLiteral("50% (max!) ;:'/") << true << QStringLiteral("50% (max!) ;:'/");
    QTest::newRow("letters beyond ASCII stay")
        << QStringLiteral("Kas één.") << true << QStringLiteral("Kas één");
}

void TstAlarmText::filterPunctuation()
{
    QFETCH(QString, text);
    QFETCH(bool, on);
    QFETCH(QString, expected);
    QCOMPARE(FilterPunctuation(text, on), expected);
}

void TstAlarmText::body_data()
{
    QTest::addColumn<bool>("sendPcu");
    QTest::addColumn<bool>("filter");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("group");
    QTest::addColumn<QString>("expected");
    QTest::newRow("both options") << true << true << QStringLiteral("Temp. te hoog") << false
                                  << QStringLiteral("Pcu1 Kas 3 Temp te hoog");
    QTest::newRow("no pcu, no filter") << false << false << QStringLiteral("Temp. te hoog") << false
                                       << QStringLiteral("Kas 3 Temp. te hoog");
    QTest::newRow("group member gets the prefix")
        << false << false << QStringLiteral("x") << true << QStringLiteral("PreAlarm: Kas 3 x");
    QTest::newRow("cut to 80") << false << false << QString(100, QLatin1Char('t')) << false
                               << (QStringLiteral("Kas 3 ") + QString(74, QLatin1Char('t')));
    QTest::newRow("prefix counts toward 80")
        << false << false << QString(100, QLatin1Char('t')) << true
        << (QStringLiteral("PreAlarm: Kas 3 ") + QString(64, QLatin1Char('t')));
}

void TstAlarmText::body()
{
    QFETCH(bool, sendPcu);
    QFETCH(bool, filter);
    QFETCH(QString, text);
    QFETCH(bool, group);
    QFETCH(QString, expected);
    const QString alarmText =
        alarmBody(QStringLiteral("Pcu1"), QStringLiteral("Kas 3"), text, sendPcu, filter);
    QCOMPARE(messageBody(alarmText, group, QStringLiteral("PreAlarm")), expected);
}

QTEST_GUILESS_MAIN(TstAlarmText)
#include "tst_alarmtext.moc"
