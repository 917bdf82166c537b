#include <QTest>

class TstLanguage : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void placeholder() { QVERIFY(true); }
};

QTEST_GUILESS_MAIN(TstLanguage)
#include "tst_language.moc"
