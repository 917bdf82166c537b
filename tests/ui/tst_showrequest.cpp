#include "ui/ShowRequestClient.h"
#include "ui/ShowRequestServer.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <future>

class TstShowRequest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void clientRequestReachesTheServer();
    void onlyTheRequestLineCounts_data();
    void onlyTheRequestLineCounts();
    void staleNameIsReplacedOnlyByTheGuardHolder();
    void clientReportsAMissingServer();

private:
    QString serverName() const { return m_dir->filePath(QStringLiteral("show")); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TstShowRequest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TstShowRequest::clientRequestReachesTheServer()
{
    ShowRequestServer server;
    QVERIFY(server.listen(serverName(), true).ok());
    QSignalSpy shown(&server, &ShowRequestServer::showRequested);

    // The client blocks, as in a second start; the server reads meanwhile (a pipe may take
    // no more than the reader reads).
    auto sent =
        std::async(std::launch::async, [this] { return sendShowRequest(serverName(), 5000); });
    QVERIFY(shown.wait(5000));
    const WriteResult result = sent.get();
    QVERIFY2(result.ok(), qPrintable(result.reason()));
    QCOMPARE(shown.count(), 1);
}

void TstShowRequest::onlyTheRequestLineCounts_data()
{
    QTest::addColumn<QByteArrayList>("pieces"); // written one after the other
    QTest::addColumn<int>("requests");
    QTest::addColumn<bool>("dropped"); // the server ends the connection
    QTest::newRow("split across writes") << QByteArrayList{"sh", "ow\n"} << 1 << false;
    QTest::newRow("two requests") << QByteArrayList{"show\nshow\n"} << 2 << false;
    QTest::newRow("another word") << QByteArrayList{"open\n"} << 0 << false;
    QTest::newRow("request with more on its line") << QByteArrayList{"show me\n"} << 0 << false;
    // The tail of an over-long line must not pass for a request.
    QTest::newRow("long line ending in the request")
        << QByteArrayList{QByteArray(63, 'x') + "show\n"} << 0 << true;
    QTest::newRow("endless junk") << QByteArrayList{QByteArray(4096, 'x')} << 0 << true;
}

void TstShowRequest::onlyTheRequestLineCounts()
{
    QFETCH(QByteArrayList, pieces);
    QFETCH(int, requests);
    QFETCH(bool, dropped);
    ShowRequestServer server;
    QVERIFY(server.listen(serverName(), true).ok());
    QSignalSpy shown(&server, &ShowRequestServer::showRequested);

    QLocalSocket socket;
    socket.connectToServer(serverName());
    QVERIFY(socket.waitForConnected(1000));
    for (const QByteArray& piece : pieces) {
        socket.write(piece);
        QTRY_COMPARE(socket.bytesToWrite(), 0);
    }
    if (dropped) {
        QTRY_COMPARE(socket.state(), QLocalSocket::UnconnectedState);
        QCOMPARE(shown.count(), 0);
        return;
    }
    // A request written after the test's bytes proves they were all read.
    socket.write("\nshow\n");
    QTRY_COMPARE(shown.count(), requests + 1);
}

void TstShowRequest::staleNameIsReplacedOnlyByTheGuardHolder()
{
#ifdef Q_OS_WIN
    QSKIP("Windows pipe names end with their process and may be opened twice: the single-instance "
          "semaphore alone decides there");
#endif
    {
        // A name with a live listener stands for a running instance.
        QLocalServer running;
        QVERIFY(running.listen(serverName()));
        ShowRequestServer second;
        const WriteResult refused = second.listen(serverName(), false);
        QVERIFY(!refused.ok());
        QVERIFY(!refused.reason().isEmpty());
        QVERIFY(!second.isListening());
        QVERIFY(running.isListening());
    }
    // A killed instance leaves its name behind.
    QFile stale(serverName());
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.close();

    ShowRequestServer guest;
    QVERIFY(!guest.listen(serverName(), false).ok());
    ShowRequestServer holder;
    const WriteResult listening = holder.listen(serverName(), true);
    QVERIFY2(listening.ok(), qPrintable(listening.reason()));
    QSignalSpy shown(&holder, &ShowRequestServer::showRequested);
    QVERIFY(sendShowRequest(serverName(), 1000).ok());
    QVERIFY(shown.wait(5000));
}

void TstShowRequest::clientReportsAMissingServer()
{
    const WriteResult sent = sendShowRequest(serverName(), 1000);
    QVERIFY(!sent.ok());
    QVERIFY(!sent.reason().isEmpty());
}

QTEST_MAIN(TstShowRequest)
#include "tst_showrequest.moc"
