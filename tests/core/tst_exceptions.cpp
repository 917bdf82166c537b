#include <QTest>
class TstExceptions : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void placeholder() { QVERIFY(true); }
};
QTEST_GUILESS_MAIN(TstExceptions)
#include "tst_exceptions.moc"
