#include <QTest>

class TstSettings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void placeholder() { QVERIFY(true); }
};

QTEST_GUILESS_MAIN(TstSettings)
#include "tst_settings.moc"
