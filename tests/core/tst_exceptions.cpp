#include "core/Clock.h"
#include "core/ExceptionDescription.h"
#include "core/ExceptionStorm.h"
#include "core/Log.h"

#include <QTemporaryDir>
#include <QTest>

#include <stdexcept>

namespace {

struct CustomFailure : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

} // namespace

class TstExceptions : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void description();
    void storm_data();
    void storm();

private:
    QTemporaryDir m_dir;
    QString m_log;
};

void TstExceptions::initTestCase()
{
    m_log = m_dir.filePath(QStringLiteral("ZELPO.LOG"));
    Log::instance().setFileName(m_log);
}

void TstExceptions::description()
{
    const ExceptionFields fields = describeException(
        CustomFailure(std::string(" line one\nline two ") + std::string(90, 'x')));
    QCOMPARE(fields.className, QStringLiteral("(anonymous namespace)::CustomFailure"));
    QVERIFY(fields.message.startsWith(QStringLiteral(" line one\nline two")));
    QVERIFY(fields.description.size() <= 80);
    QCOMPARE(fields.description, fields.description.trimmed());
    QVERIFY(!fields.description.contains(QLatin1Char('\n')));
    QVERIFY(fields.description.contains(QStringLiteral("CustomFailure")));

    QCOMPARE(exceptionLogText({QStringLiteral("d"), QStringLiteral("m"), QStringLiteral("c")}),
             QStringLiteral("<d><m><c>"));
}

void TstExceptions::storm_data()
{
    QTest::addColumn<qint64>("gapMs");    // between the 100th and the 101st exception
    QTest::addColumn<bool>("terminates"); // at the 101st
    QTest::addColumn<int>("countAfter");
    QTest::newRow("within one second") << qint64(999) << true << 101;
    QTest::newRow("exactly one second") << qint64(1000) << false << 0;
    QTest::newRow("slow") << qint64(5000) << false << 0;
}

void TstExceptions::storm()
{
    QFETCH(qint64, gapMs);
    QFETCH(bool, terminates);
    QFETCH(int, countAfter);

    ManualClock clock(QDateTime(QDate(2026, 12, 9), QTime(10, 0), Qt::UTC));
    ScopedClock installed(&clock);
    ExceptionStorm storm;
    // A hundred in quick succession never end the program on their own.
    for (int i = 0; i < 100; ++i) {
        QVERIFY(!storm.recordException());
        clock.advanceMs(10);
    }
    QCOMPARE(storm.ExceptionCount(), 100);
    clock.advanceMs(gapMs - 10);
    QCOMPARE(storm.recordException(), terminates);
    QCOMPARE(storm.ExceptionCount(), countAfter);
    if (!terminates) {
        // The count restarted: the next quick one is no storm.
        clock.advanceMs(1);
        QVERIFY(!storm.recordException());
        QCOMPARE(storm.ExceptionCount(), 1);
    }
}

QTEST_GUILESS_MAIN(TstExceptions)
#include "tst_exceptions.moc"
