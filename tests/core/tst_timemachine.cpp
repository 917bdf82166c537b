#include <QTest>
class TstTimeMachine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void placeholder() { QVERIFY(true); }
};
QTEST_GUILESS_MAIN(TstTimeMachine)
#include "tst_timemachine.moc"
