#include <QTest>
class TstClock : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void placeholder() { QVERIFY(true); }
};
QTEST_GUILESS_MAIN(TstClock)
#include "tst_clock.moc"
