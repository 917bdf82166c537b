#include "core/ExceptionDescription.h"
#include "core/ExceptionStorm.h"
#include "core/Log.h"
#include "core/MainStepGuard.h"
#include "core/ZelTimeMachine.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <stdexcept>

namespace {

struct CustomFailure : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

QString lastLogLine(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QStringList lines =
        QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    return lines.isEmpty() ? QString() : lines.last();
}

} // namespace

class TstExceptions : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void description();
    void stepGuard_data();
    void stepGuard();
    void stepGuardPassesQuietSteps();
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

void TstExceptions::stepGuard_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("subStep");
    QTest::addColumn<QString>("head");
    QTest::newRow("with sub-step") << 8 << 5 << QStringLiteral("<tmmMain, state:8><sub 5>");
    QTest::newRow("sub-step 0 is left out") << 3 << 0 << QStringLiteral("<tmmMain, state:3>");
}

void TstExceptions::stepGuard()
{
    QFETCH(int, state);
    QFETCH(int, subStep);
    QFETCH(QString, head);

    tZelTimeMachine machine;
    machine.setState(state);
    machine.setEnabled(true);
    runGuardedMainStep(
        machine, [] { throw std::runtime_error("boom"); }, subStep);

    QCOMPARE(machine.State(), 1);
    QVERIFY(machine.Enabled());
    const QString line = lastLogLine(m_log);
    // "<date><time><" + text + ">" with the three exception fields at the end.
    const QRegularExpression frame(QStringLiteral("^<[^<>]+><[^<>]+><(.*)>$"));
    const QRegularExpressionMatch match = frame.match(line);
    QVERIFY2(match.hasMatch(), qPrintable(line));
    const QString text = match.captured(1);
    QVERIFY2(text.startsWith(head + QLatin1Char('<')), qPrintable(text));
    QVERIFY2(text.endsWith(QStringLiteral("><boom><std::runtime_error>")), qPrintable(text));
}

void TstExceptions::stepGuardPassesQuietSteps()
{
    tZelTimeMachine machine;
    machine.setState(7);
    bool ran = false;
    runGuardedMainStep(
        machine, [&] { ran = true; }, 0);
    QVERIFY(ran);
    QCOMPARE(machine.State(), 7);
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
