#include <QTest>

class TstLog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void placeholder() { QVERIFY(true); }
};

QTEST_GUILESS_MAIN(TstLog)
#include "tst_log.moc"
