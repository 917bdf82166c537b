#include "forwarding/SaveSpacing.h"

#include <QTest>

// The batched saves of a walk: however long a save of the whole document takes, saving keeps
// to its share of the walk's time, and a small document is still saved every 100 ms.
class TstSaveSpacing : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void savingKeepsToItsShare_data();
    void savingKeepsToItsShare();
};

void TstSaveSpacing::savingKeepsToItsShare_data()
{
    QTest::addColumn<qint64>("costMs");
    QTest::addColumn<qint64>("spacingMs");
    QTest::newRow("no save yet") << qint64(0) << qint64(100);
    QTest::newRow("small document") << qint64(3) << qint64(100);
    QTest::newRow("share just reached at the minimum") << qint64(11) << qint64(100);
    QTest::newRow("large document") << qint64(40) << qint64(360);
    QTest::newRow("very large document") << qint64(400) << qint64(3600);
    QTest::newRow("a clock that stepped back") << qint64(-5) << qint64(100);
}

void TstSaveSpacing::savingKeepsToItsShare()
{
    QFETCH(qint64, costMs);
    QFETCH(qint64, spacingMs);
    SaveSpacing spacing;
    spacing.saved(costMs);
    QCOMPARE(spacing.spacingMs(), spacingMs);
    // One save and the pause after it: the save's part is at most a tenth.
    const qint64 cost = std::max<qint64>(costMs, 0);
    QVERIFY(cost * SaveSpacing::ShareDivisor <= cost + spacing.spacingMs());
}

QTEST_GUILESS_MAIN(TstSaveSpacing)
#include "tst_savespacing.moc"
