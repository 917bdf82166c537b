// The start of an installed service and the wait for it to run, against a scripted service
// manager on a manual clock: retries while the manager is busy, a start the manager itself
// began, the wait hints and their check points, slow starts that are no failure, the bound, and
// the reason named when the service stops or the manager refuses.
#include "service/ServiceStart.h"

#include <QStringList>
#include <QTest>

#include <vector>

using namespace std::chrono_literals;
using std::chrono::milliseconds;

namespace {

// One answer of the scripted manager to a state query, written as
//   P<check point>/<wait hint s>  start pending      P+/<s>  the same, a new check point each time
//   T<check point>/<s>            stop pending       R       running
//   S<exit code>[/<own code>]     stopped            E<error> the query fails
// with xN after a token for N such answers. The last answer repeats.
struct Answer
{
    ServiceStatus status;
    bool advancing = false;
    std::uint32_t queryError = 0;
};

std::vector<Answer> parseScript(const QString& script)
{
    std::vector<Answer> answers;
    for (QString token : script.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        int repeat = 1;
        if (const qsizetype x = token.indexOf(QLatin1Char('x')); x > 0) {
            repeat = token.mid(x + 1).toInt();
            token.truncate(x);
        }
        Answer answer;
        const QStringList numbers = token.mid(1).split(QLatin1Char('/'));
        const auto number = [&numbers](int i) {
            return i < numbers.size() ? numbers[i].toUInt() : 0U;
        };
        switch (token[0].toLatin1()) {
        case 'P':
        case 'T':
            answer.status.state = token[0] == QLatin1Char('P') ? ServiceStatus::State::StartPending
                                                               : ServiceStatus::State::StopPending;
            answer.advancing = numbers[0] == QLatin1String("+");
            answer.status.checkPoint = number(0);
            answer.status.waitHint = std::chrono::seconds(number(1));
            break;
        case 'R':
            answer.status.state = ServiceStatus::State::Running;
            break;
        case 'S':
            answer.status.state = ServiceStatus::State::Stopped;
            answer.status.win32ExitCode = number(0);
            answer.status.serviceExitCode = number(1);
            break;
        case 'E':
            answer.queryError = number(0);
            break;
        default:
            qFatal("unknown token %s", qPrintable(token));
        }
        answers.insert(answers.end(), std::size_t(repeat), answer);
    }
    return answers;
}

class ScriptedManager final : public ServiceManagerCalls
{
public:
    ScriptedManager(QList<int> startAnswers, const QString& script)
        : m_startAnswers(std::move(startAnswers)), m_answers(parseScript(script))
    {
    }

    std::uint32_t requestStart() override
    {
        const int i = std::min(m_startRequests++, int(m_startAnswers.size()) - 1);
        return std::uint32_t(m_startAnswers[i]);
    }

    std::uint32_t queryStatus(ServiceStatus& status) override
    {
        const std::size_t i = std::min(m_queries++, m_answers.size() - 1);
        const Answer& answer = m_answers[i];
        if (answer.queryError != 0)
            return answer.queryError;
        status = answer.status;
        if (answer.advancing)
            status.checkPoint = std::uint32_t(m_queries);
        return 0;
    }

    QString errorText(std::uint32_t error) const override
    {
        return QStringLiteral("text of %1").arg(error);
    }
    milliseconds elapsed() const override { return m_elapsed; }
    void pause(milliseconds duration) override { m_elapsed += duration; }

    int startRequests() const { return m_startRequests; }

private:
    QList<int> m_startAnswers;
    std::vector<Answer> m_answers;
    int m_startRequests = 0;
    std::size_t m_queries = 0;
    milliseconds m_elapsed{0};
};

} // namespace

class TstServiceStart : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void startAndWait_data();
    void startAndWait();
};

void TstServiceStart::startAndWait_data()
{
    QTest::addColumn<QList<int>>("startAnswers");
    QTest::addColumn<QString>("states");
    QTest::addColumn<bool>("running");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("startRequests");

    QTest::newRow("accepted, pending, running") << QList<int>{0} << "P1/60 P1/60 R" << true
                                                << "the service ZelPO runs (started in 2 s)" << 1;
    QTest::newRow("already running") << QList<int>{1056} << "R" << true << "started in 0 s" << 1;
    QTest::newRow("slow but progressing start is no failure")
        << QList<int>{0} << "P+/60x150 R" << true << "started in 150 s" << 1;
    QTest::newRow("each check point gets the whole wait hint")
        << QList<int>{0} << "P1/60x55 P2/60x55 R" << true << "started in 110 s" << 1;
    QTest::newRow("database locked twice, then accepted")
        << QList<int>{1055, 1055, 0} << "S1077 S1077 P1/60 R" << true << "started in 3 s" << 3;
    QTest::newRow("locked, but the manager's own start is under way")
        << QList<int>{1055} << "P1/60 P1/60 P1/60 R" << true << "started in 2 s" << 1;
    QTest::newRow("locked while stopping: started again once stopped")
        << QList<int>{1055, 0} << "T1/10 S0 P1/60 R" << true << "started in 2 s" << 2;
    QTest::newRow("process too slow to reach the manager, then in time")
        << QList<int>{1053, 0} << "S1077 R" << true << "started in 1 s" << 2;
    QTest::newRow("process never reaches the manager: a few tries only")
        << QList<int>{1053} << "S1077" << false << "text of 1053 (error 1053)" << 3;
    QTest::newRow("access denied: no retry")
        << QList<int>{5} << "S1077" << false << "did not start: text of 5 (error 5)" << 1;
    QTest::newRow("database locked beyond the bound")
        << QList<int>{1055} << "S1077" << false << "text of 1055 (error 1055), still after 299 s"
        << 300;
    QTest::newRow("stops with its own exit code")
        << QList<int>{0} << "P1/60 S1066/7" << false << "it ended with its own exit code 7" << 1;
    QTest::newRow("stops without an error code")
        << QList<int>{0} << "S0" << false << "without an error code (another ZelPO" << 1;
    QTest::newRow("stops with a system error")
        << QList<int>{0} << "S2" << false << "it stopped with text of 2 (error 2)" << 1;
    QTest::newRow("never reported") << QList<int>{0} << "S1077" << false
                                    << "never reported to the Service Control Manager" << 1;
    QTest::newRow("no progress within the wait hint")
        << QList<int>{0} << "P1/60" << false << "reported no progress for 61 s (it asked for 60 s)"
        << 1;
    QTest::newRow("no wait hint: the shortest grace")
        << QList<int>{0} << "P0/0" << false << "reported no progress for 30 s (it asked for 0 s)"
        << 1;
    QTest::newRow("progressing beyond the bound")
        << QList<int>{0} << "P+/60" << false << "still starting after 300 s" << 1;
    QTest::newRow("state unreadable")
        << QList<int>{0} << "E6" << false << "its state cannot be read: text of 6 (error 6)" << 1;
}

void TstServiceStart::startAndWait()
{
    QFETCH(QList<int>, startAnswers);
    QFETCH(QString, states);
    QFETCH(bool, running);
    QFETCH(QString, text);
    QFETCH(int, startRequests);

    ScriptedManager manager(startAnswers, states);
    const ServiceStartOutcome outcome = startServiceAndWait(manager, kServiceStartBound);

    QVERIFY2(outcome.text.contains(text), qPrintable(outcome.text));
    QCOMPARE(outcome.running, running);
    if (!running)
        QVERIFY(outcome.text.startsWith(QLatin1String("the service ZelPO did not start: ")));
    QCOMPARE(manager.startRequests(), startRequests);
    // The wait ends at the bound at the latest, give or take one poll.
    QVERIFY(manager.elapsed() <= kServiceStartBound + 1s);
}

QTEST_GUILESS_MAIN(TstServiceStart)
#include "tst_servicestart.moc"
