#include "core/Log.h"
#include "core/ZelTimeMachine.h"
#include "forwarding/MainStates.h"
#include "forwarding/MainStepGuard.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <stdexcept>

namespace {

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

class TstMainStepGuard : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void stepGuard_data();
    void stepGuard();
    void stepGuardPassesQuietSteps();

private:
    QTemporaryDir m_dir;
    QString m_log;
};

void TstMainStepGuard::initTestCase()
{
    m_log = m_dir.filePath(QStringLiteral("ZELPO.LOG"));
    Log::instance().setFileName(m_log);
}

void TstMainStepGuard::stepGuard_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("subStep");
    QTest::addColumn<QString>("head");
    QTest::newRow("with sub-step") << 8 << 5 << QStringLiteral("<tmmMain, state:8><sub 5>");
    QTest::newRow("sub-step 0 is left out") << 3 << 0 << QStringLiteral("<tmmMain, state:3>");
}

void TstMainStepGuard::stepGuard()
{
    QFETCH(int, state);
    QFETCH(int, subStep);
    QFETCH(QString, head);

    tZelTimeMachine machine;
    machine.setState(state);
    machine.setEnabled(true);
    const auto sub = static_cast<MainSubStep>(subStep);
    runGuardedMainStep(
        machine, [] { throw std::runtime_error("boom"); }, sub);

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

void TstMainStepGuard::stepGuardPassesQuietSteps()
{
    tZelTimeMachine machine;
    machine.setState(7);
    bool ran = false;
    const MainSubStep sub = MainSubStep::None;
    runGuardedMainStep(
        machine, [&] { ran = true; }, sub);
    QVERIFY(ran);
    QCOMPARE(machine.State(), 7);
}

QTEST_GUILESS_MAIN(TstMainStepGuard)
#include "tst_mainstepguard.moc"
