#include "LinkFixture.h"
#include "LinkTestSupport.h"

#include "core/Clock.h"

#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

std::optional<QString> reply(const char* text)
{
    return QString::fromLatin1(text);
}

} // namespace

// Each reply of ZelMeld is tied to the line it answers, by the id SendIPString gave the line.
class TstZelReplies : public QObject, protected LinkFixture
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void repliesFollowTheOrderOfTheLines_data();
    void repliesFollowTheOrderOfTheLines();
    void strayReplyIsLoggedAndDropped();
    void reconnectClearsTheWaitingLines();
    void lineGivenUpTakesNoLaterReply();
};

void TstZelReplies::initTestCase()
{
    setUpLog();
}

void TstZelReplies::init()
{
    setUp();
}

void TstZelReplies::cleanup()
{
    tearDown();
}

void TstZelReplies::repliesFollowTheOrderOfTheLines_data()
{
    QTest::addColumn<QStringList>("answers"); // per line a, b, c: ok, nak or garbage
    QTest::newRow("refused, accepted, accepted") << QStringList{u"nak"_s, u"ok"_s, u"ok"_s};
    QTest::newRow("accepted, refused, garbage") << QStringList{u"ok"_s, u"nak"_s, u"garbage"_s};
}

// Three lines answered together in one read: each sender finds the answer to its own line,
// while LastReply shows the newest line received.
void TstZelReplies::repliesFollowTheOrderOfTheLines()
{
    QFETCH(QStringList, answers);
    const QStringList lines{u"[ZEL WD 09 1]"_s, u"[ZEL WD 09 2]"_s, u"[ZEL WD 09 3]"_s};
    QStringList expected;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const std::optional<ReplyScript> rule = ReplyScript::parse(answers[i]);
        QVERIFY(rule);
        ReplyScript one = *rule;
        const SimReply simReply = one.next();
        m_server->setReplyFor(lines[i], simReply);
        expected.append(QString::fromLatin1(replyBytes(simReply).chopped(1)));
    }
    m_server->holdReplies();
    m_link->start();
    QList<quint64> ids;
    for (const QString& line : lines)
        ids.append(m_link->SendIPString(line, false));
    QTRY_COMPARE(m_server->receivedLines(), lines);
    m_server->releaseReplies();

    QTRY_VERIFY(m_link->replyTo(ids.last()));
    for (qsizetype i = 0; i < ids.size(); ++i)
        QCOMPARE(m_link->replyTo(ids[i]), std::optional<QString>(expected[i]));
    QCOMPARE(m_link->LastReply(), expected.last());
    QVERIFY(zelListMessages(*m_log, u"ZelMeld reply with no line waiting"_s).isEmpty());
}

// A reply while no line waits answers nothing: it is logged and no later line takes it.
void TstZelReplies::strayReplyIsLoggedAndDropped()
{
    m_link->start();
    const quint64 first = m_link->SendIPString(u"first"_s, false);
    QTRY_COMPARE(m_link->replyTo(first), reply("OK"));

    serverSendsAndLinkReads("OK\r"_ba);
    QCOMPARE(zelListMessages(*m_log, u"ZelMeld reply with no line waiting"_s),
             QStringList{u"ZelMeld reply with no line waiting, dropped: OK"_s});

    m_server->setScript(script(u"nak"_s));
    const quint64 second = m_link->SendIPString(u"second"_s, false);
    QTRY_VERIFY(m_link->replyTo(second));
    QCOMPARE(m_link->replyTo(second), reply("NAK"));
    QCOMPARE(m_link->replyTo(first), reply("OK"));
}

// The peer closes the connection while a line waits: that line gets no reply, and the first
// reply on the new connection answers the new line.
void TstZelReplies::reconnectClearsTheWaitingLines()
{
    m_server->setScript(script(u"silent"_s));
    m_server->setCloseAfter(1);
    QSignalSpy closed(m_server.get(), &ZelMeldServer::connectionClosed);
    m_link->start();
    const quint64 first = m_link->SendIPString(u"first"_s, false);
    QVERIFY(closed.wait());
    // The link hears of the close a moment after the server made it (later under Wine).
    QTRY_VERIFY(!m_link->isConnected());
    waitUntilIdle();

    m_server->setCloseAfter(0);
    m_server->setScript(script(u"ok"_s));
    const quint64 second = m_link->SendIPString(u"second"_s, false);
    QTRY_VERIFY(m_link->replyTo(second));
    QCOMPARE(m_link->replyTo(second), reply("OK"));
    QCOMPARE(m_link->replyTo(first), std::nullopt);
    QCOMPARE(m_server->connectionCount(), 2);
}

// A line left unanswered for the whole reply wait has been given up by its sender: the next
// reply answers the line after it, and one silence does not shift every later answer.
void TstZelReplies::lineGivenUpTakesNoLaterReply()
{
    ManualClock clock(QDateTime(QDate(2026, 12, 9), QTime(10, 0), Qt::UTC));
    const ScopedClock installed(&clock);
    m_server->setScript(script(u"silent,nak,ok"_s));
    m_link->start();
    const quint64 first = m_link->SendIPString(u"first"_s, false);
    QTRY_COMPARE(m_server->receivedLines().size(), 1);

    clock.advanceSeconds(ZelReplyWaitSeconds);
    const quint64 second = m_link->SendIPString(u"second"_s, false);
    QTRY_VERIFY(m_link->replyTo(second));
    const quint64 third = m_link->SendIPString(u"third"_s, false);
    QTRY_VERIFY(m_link->replyTo(third));

    QCOMPARE(m_link->replyTo(first), std::nullopt);
    QCOMPARE(m_link->replyTo(second), reply("NAK"));
    QCOMPARE(m_link->replyTo(third), reply("OK"));
}

QTEST_GUILESS_MAIN(TstZelReplies)
#include "tst_zelreplies.moc"
