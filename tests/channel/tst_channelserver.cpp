#include "RawChannelPeer.h"

#include "channel/ChannelClient.h"
#include "channel/ChannelHandshake.h"
#include "channel/ChannelLimits.h"
#include "channel/ChannelServer.h"

#include "TestFiles.h"
#include "core/Log.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

const QString kServerProgram = u"1.2.3"_s;
const QString kWindowProgram = u"1.2.3"_s;

QByteArray headerOf(quint32 size)
{
    QByteArray bytes(kChannelHeaderSize, Qt::Uninitialized);
    qToBigEndian(size, bytes.data());
    return bytes;
}

// A hello as a window of another protocol version would frame it.
QByteArray helloOfVersion(int version, const QString& program)
{
    ChannelMessage hello = channelHello(program);
    hello.version = version;
    return hello.toFrame();
}

ChannelMessage statusBroadcast(int notLinked)
{
    QCborMap body;
    body.insert(u"notLinked"_s, notLinked);
    return ChannelMessage::make(u"status"_s, body);
}

} // namespace

// The server and client over real local sockets: the handshake, the bounds, and clients that
// misbehave without disturbing the others.
class TstChannelServer : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void welcomedClientGetsBroadcastsAndAnswers();
    void otherProtocolVersionIsRefusedWithItsReason();
    void misbehavingClientIsDroppedAlone_data();
    void misbehavingClientIsDroppedAlone();
    void fiftyClientsAreWelcomedAndReceiveABroadcast();
    void clientKilledMidFrameIsCleanedUp();
    void clientBeyondTheCapIsRefused();
    void clientReconnectsWhenAsked();
    void socketLeftBehindIsReplaced();
    void socketIsOpenToOwnerAndGroupOnly();

private:
    // A real client of this program, welcomed before it is handed back.
    std::unique_ptr<ChannelClient> welcomedClient();
    // The good client receives this broadcast: the server still serves.
    void checkStillServes(ChannelClient& client);

    QTemporaryDir m_dir;
    QString m_socketPath;
    std::unique_ptr<ChannelServer> m_server;
    int m_logCount = 0;
};

void TstChannelServer::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TstChannelServer::init()
{
    m_socketPath = m_dir.filePath(u"channel"_s);
    m_server = std::make_unique<ChannelServer>(kServerProgram);
    const ChannelListenResult listening = m_server->listen(m_socketPath);
    QVERIFY2(listening.ok(), qPrintable(listening.error));
    // A fresh log for each case, so that a reason found there was logged by this case.
    Log::instance().setFileName(m_dir.filePath(u"ZELPO-%1.LOG"_s.arg(++m_logCount)));
}

void TstChannelServer::cleanup()
{
    m_server.reset();
}

std::unique_ptr<ChannelClient> TstChannelServer::welcomedClient()
{
    auto client = std::make_unique<ChannelClient>(kWindowProgram);
    QSignalSpy welcomed(client.get(), &ChannelClient::welcomed);
    client->connectToServer(m_socketPath);
    if (!welcomed.wait(5000) && welcomed.isEmpty())
        return nullptr;
    return client;
}

void TstChannelServer::checkStillServes(ChannelClient& client)
{
    QSignalSpy received(&client, &ChannelClient::messageReceived);
    m_server->broadcast(statusBroadcast(3));
    QVERIFY(received.wait(5000));
    QCOMPARE(received.first().first().value<ChannelMessage>(), statusBroadcast(3));
}

void TstChannelServer::welcomedClientGetsBroadcastsAndAnswers()
{
    QSignalSpy serverWelcomed(m_server.get(), &ChannelServer::clientWelcomed);
    const std::unique_ptr<ChannelClient> client = welcomedClient();
    QVERIFY(client);
    QCOMPARE(client->state(), ChannelClient::State::Welcomed);
    QCOMPARE(client->serverProgram(), kServerProgram);
    QTRY_COMPARE(serverWelcomed.size(), 1);

    // A request reaches the server with its id, and the answer comes back under it.
    connect(m_server.get(), &ChannelServer::messageReceived, this,
            [this](quint64 clientId, const ChannelMessage& message) {
                QCborMap body;
                body.insert(u"echo"_s, message.body.value(u"text"_s));
                QVERIFY(
                    m_server->answer(clientId, message, ChannelMessage::make(u"echoed"_s, body)));
            });
    QSignalSpy answered(client.get(), &ChannelClient::answerReceived);
    QSignalSpy broadcasts(client.get(), &ChannelClient::messageReceived);
    QCborMap body;
    body.insert(u"text"_s, u"first"_s);
    const qint64 first = client->request(u"echo"_s, body);
    body.insert(u"text"_s, u"second"_s);
    const qint64 second = client->request(u"echo"_s, body);
    QVERIFY(first != 0 && second != 0 && first != second);
    QTRY_COMPARE(answered.size(), 2);
    for (const auto& [index, id, text] :
         {std::tuple{0, first, u"first"_s}, {1, second, u"second"_s}}) {
        QCOMPARE(answered.at(index).at(0).toLongLong(), id);
        const auto answer = answered.at(index).at(1).value<ChannelMessage>();
        QCOMPARE(answer.type, u"echoed"_s);
        QCOMPARE(answer.body.value(u"echo"_s).toString(), text);
    }
    QVERIFY(broadcasts.isEmpty());
    checkStillServes(*client);
}

void TstChannelServer::otherProtocolVersionIsRefusedWithItsReason()
{
    QSignalSpy gone(m_server.get(), &ChannelServer::clientGone);
    RawChannelPeer window(m_socketPath);
    window.socket().write(helloOfVersion(kChannelProtocolVersion + 1, u"2.0.0"_s));
    QTRY_COMPARE(window.received().size(), 1);
    const ChannelMessage refusal = window.received().first();
    QCOMPARE(refusal.type, QString(kChannelRefused));
    const QString expected = u"ZelPO 1.2.3 speaks channel version %1; this window (ZelPO 2.0.0) "
                             u"speaks %2: start the window of ZelPO 1.2.3 to attach to this "
                             u"service"_s.arg(kChannelProtocolVersion)
                                 .arg(kChannelProtocolVersion + 1);
    QCOMPARE(channelReasonOf(refusal), expected);
    // The server closes after the refusal has left.
    QTRY_VERIFY(!window.isOpen());
    QCOMPARE(gone.size(), 1);
    QCOMPARE(m_server->clientCount(), 0);
    QVERIFY(readFile(Log::instance().fileName()).contains(expected.toUtf8()));

    // A window of this version is still served.
    const std::unique_ptr<ChannelClient> client = welcomedClient();
    QVERIFY(client);
    checkStillServes(*client);
}

void TstChannelServer::misbehavingClientIsDroppedAlone_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("helloTimeoutMs");
    QTest::addColumn<QString>("reason");

    QTest::newRow("silent") << QByteArray() << 50 << u"no hello within 50 ms"_s;
    QTest::newRow("garbage") << QByteArray("GET / HTTP/1.1\r\n\r\n") << kChannelHelloTimeoutMs
                             << u"frame exceeds 16777216 bytes"_s;
    QTest::newRow("oversize frame")
        << headerOf(quint32(kChannelMaxFrameSize + 1)) + QByteArray(1000, 'x')
        << kChannelHelloTimeoutMs << u"frame exceeds 16777216 bytes"_s;
    QTest::newRow("bad cbor") << headerOf(3) + QByteArray("\xff\xff\xff", 3)
                              << kChannelHelloTimeoutMs << u"payload is not one CBOR item"_s;
    QTest::newRow("not a map") << headerOf(1) + QByteArray("\x01", 1) << kChannelHelloTimeoutMs
                               << u"payload is not a CBOR map"_s;
    QTest::newRow("request before hello")
        << ChannelMessage::make(u"echo"_s, {}, 1).toFrame() << kChannelHelloTimeoutMs
        << u"the first message must be \"hello\""_s;
    QTest::newRow("second hello") << channelHello(kWindowProgram).toFrame().repeated(2)
                                  << kChannelHelloTimeoutMs << u"a second hello"_s;
}

void TstChannelServer::misbehavingClientIsDroppedAlone()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, helloTimeoutMs);
    QFETCH(QString, reason);

    const std::unique_ptr<ChannelClient> good = welcomedClient();
    QVERIFY(good);
    QSignalSpy goodGone(good.get(), &ChannelClient::disconnected);
    QSignalSpy gone(m_server.get(), &ChannelServer::clientGone);
    m_server->setHelloTimeoutMs(helloTimeoutMs);

    RawChannelPeer bad(m_socketPath);
    QVERIFY(bad.isOpen());
    bad.socket().write(bytes);
    QTRY_VERIFY(!bad.isOpen());
    QTRY_COMPARE(gone.size(), 1);
    QVERIFY2(gone.first().at(1).toString().contains(reason),
             qPrintable(gone.first().at(1).toString()));
    QVERIFY(readFile(Log::instance().fileName()).contains(reason.toUtf8()));
    QCOMPARE(m_server->clientCount(), 1);
    checkStillServes(*good);
    QVERIFY(goodGone.isEmpty());
}

void TstChannelServer::fiftyClientsAreWelcomedAndReceiveABroadcast()
{
    constexpr int kClients = 50;
    std::vector<std::unique_ptr<ChannelClient>> clients;
    std::vector<std::unique_ptr<QSignalSpy>> welcomed;
    std::vector<std::unique_ptr<QSignalSpy>> received;
    for (int i = 0; i < kClients; ++i) {
        clients.push_back(std::make_unique<ChannelClient>(kWindowProgram));
        welcomed.push_back(
            std::make_unique<QSignalSpy>(clients.back().get(), &ChannelClient::welcomed));
        received.push_back(
            std::make_unique<QSignalSpy>(clients.back().get(), &ChannelClient::messageReceived));
    }
    // All connect before the server has accepted any of them.
    for (const auto& client : clients)
        client->connectToServer(m_socketPath);
    QTRY_COMPARE_WITH_TIMEOUT(m_server->welcomedCount(), kClients, 10000);
    for (const auto& spy : welcomed)
        QTRY_COMPARE(spy->size(), 1);

    m_server->broadcast(statusBroadcast(kClients));
    for (const auto& spy : received) {
        QTRY_COMPARE(spy->size(), 1);
        QCOMPARE(spy->first().first().value<ChannelMessage>(), statusBroadcast(kClients));
    }
}

void TstChannelServer::clientKilledMidFrameIsCleanedUp()
{
    const std::unique_ptr<ChannelClient> good = welcomedClient();
    QVERIFY(good);
    QSignalSpy gone(m_server.get(), &ChannelServer::clientGone);

    auto killed = std::make_unique<RawChannelPeer>(m_socketPath);
    QTRY_COMPARE(m_server->clientCount(), 2);
    const QByteArray hello = channelHello(kWindowProgram).toFrame();
    killed->socket().write(hello.first(hello.size() / 2));
    QVERIFY(killed->socket().flush());
    killed->socket().abort();
    killed.reset();

    QTRY_COMPARE(gone.size(), 1);
    QCOMPARE(m_server->clientCount(), 1);
    checkStillServes(*good);
}

void TstChannelServer::clientBeyondTheCapIsRefused()
{
    constexpr int kCap = 3;
    m_server->setMaxClients(kCap);
    std::vector<std::unique_ptr<ChannelClient>> attached;
    for (int i = 0; i < kCap; ++i) {
        attached.push_back(welcomedClient());
        QVERIFY(attached.back());
    }

    ChannelClient extra(kWindowProgram);
    QSignalSpy refused(&extra, &ChannelClient::refused);
    QSignalSpy disconnected(&extra, &ChannelClient::disconnected);
    extra.connectToServer(m_socketPath);
    QVERIFY(refused.wait(5000));
    QCOMPARE(refused.first().first().toString(),
             u"3 windows are attached already, the most this service serves"_s);
    QCOMPARE(disconnected.size(), 1);
    QCOMPARE(extra.state(), ChannelClient::State::Disconnected);
    QCOMPARE(m_server->clientCount(), kCap);

    // Once one leaves, a window is served again.
    QSignalSpy gone(m_server.get(), &ChannelServer::clientGone);
    attached.front()->disconnectFromServer();
    QTRY_COMPARE(gone.size(), 1);
    QSignalSpy welcomed(&extra, &ChannelClient::welcomed);
    extra.connectToServer(m_socketPath);
    QVERIFY(welcomed.wait(5000));
}

void TstChannelServer::clientReconnectsWhenAsked()
{
    const std::unique_ptr<ChannelClient> client = welcomedClient();
    QVERIFY(client);
    QSignalSpy disconnected(client.get(), &ChannelClient::disconnected);

    // Asked again while attached, the client replaces its connection without a disconnection.
    QSignalSpy rewelcomed(client.get(), &ChannelClient::welcomed);
    client->connectToServer(m_socketPath);
    QVERIFY(rewelcomed.wait(5000));
    QTRY_COMPARE(m_server->clientCount(), 1);
    QVERIFY(disconnected.isEmpty());

    m_server.reset();
    QVERIFY(disconnected.wait(5000));
    QCOMPARE(client->state(), ChannelClient::State::Disconnected);

    // While no service listens, the attempt fails and says so.
    disconnected.clear();
    client->connectToServer(m_socketPath);
    QTRY_COMPARE(disconnected.size(), 1);
    QCOMPARE(client->state(), ChannelClient::State::Disconnected);

    m_server = std::make_unique<ChannelServer>(kServerProgram);
    QVERIFY(m_server->listen(m_socketPath).ok());
    QSignalSpy welcomed(client.get(), &ChannelClient::welcomed);
    client->connectToServer(m_socketPath);
    QVERIFY(welcomed.wait(5000));
    checkStillServes(*client);
}

void TstChannelServer::socketLeftBehindIsReplaced()
{
    // A crashed service leaves its socket file; the next one listens on the same path.
    m_server.reset();
    QVERIFY(writeFile(m_socketPath, "left behind"));
    m_server = std::make_unique<ChannelServer>(kServerProgram);
    const ChannelListenResult listening = m_server->listen(m_socketPath);
    QVERIFY2(listening.ok(), qPrintable(listening.error));
    const std::unique_ptr<ChannelClient> client = welcomedClient();
    QVERIFY(client);
}

void TstChannelServer::socketIsOpenToOwnerAndGroupOnly()
{
#ifdef Q_OS_WIN
    QSKIP("a named pipe has no file mode; its security is set on the pipe");
#else
    const QFileDevice::Permissions expected = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ReadUser | QFileDevice::WriteUser |
                                              QFileDevice::ReadGroup | QFileDevice::WriteGroup;
    QCOMPARE(QFile::permissions(m_server->fullServerName()), expected);
#endif
}

QTEST_GUILESS_MAIN(TstChannelServer)
#include "tst_channelserver.moc"
