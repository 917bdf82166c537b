#include "PoServerSim.h"
#include "TestFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(PoFault)

namespace {

// One answer as it came over the wire, up to the server's close.
struct RawAnswer
{
    int status = 0;
    QList<QByteArray> headers; // "Name: value", as sent
    QByteArray body;
    bool closedByServer = false;
};

RawAnswer exchange(quint16 port, const QByteArray& requestHead)
{
    RawAnswer answer;
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(5000))
        return answer;
    socket.write(requestHead);
    QSignalSpy closed(&socket, &QTcpSocket::disconnected);
    answer.closedByServer = closed.wait(5000);
    const QByteArray bytes = socket.readAll();
    const qsizetype headEnd = bytes.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return answer;
    answer.headers = bytes.left(headEnd).split('\n');
    for (QByteArray& line : answer.headers)
        line = line.trimmed();
    answer.status = answer.headers.takeFirst().split(' ').value(1).toInt();
    answer.body = bytes.mid(headEnd + 4);
    return answer;
}

QByteArray get(const QString& path)
{
    return "GET " + path.toLatin1() + " HTTP/1.1\r\nHost: office\r\nAccept: */*\r\n\r\n";
}

PoFault withStatus(int status, int delayMs = 0)
{
    PoFault fault;
    fault.status = status;
    fault.delayMs = delayMs;
    return fault;
}

PoFault withRedirect(const QByteArray& url)
{
    PoFault fault;
    fault.redirectTo = url;
    return fault;
}

PoFault withFlag(bool PoFault::*flag)
{
    PoFault fault;
    fault.*flag = true;
    return fault;
}

} // namespace

class TstPoSim : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void faultOption_data();
    void faultOption();
    void framing_data();
    void framing();
    void filesReadAtEveryRequest();
    void delayedAnswer();

private:
    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<PoServerSim> m_sim;
};

void TstPoSim::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
    m_sim = std::make_unique<PoServerSim>(m_folder->path());
    QVERIFY(writeFile(m_sim->filePath(PoEndpoint::Config), "<config/>"));
    QVERIFY(writeFile(m_sim->filePath(PoEndpoint::Alarms), "<active-alarms/>"));
    QVERIFY(m_sim->listen());
}

void TstPoSim::cleanup()
{
    m_sim.reset();
    m_folder.reset();
}

void TstPoSim::faultOption_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<PoFault>("config");
    QTest::addColumn<PoFault>("alarms");

    const PoFault none;
    const PoFault status500 = withStatus(500);
    QTest::newRow("status, all") << u"status"_s << u"500"_s << true << status500 << status500;
    QTest::newRow("status, alarms") << u"status"_s << u"alarms:500"_s << true << none << status500;
    QTest::newRow("delay, config")
        << u"delay"_s << u"config:250"_s << true << withStatus(200, 250) << none;
    const PoFault redirect = withRedirect("http://host:8080/x");
    QTest::newRow("redirect, colons kept")
        << u"redirect"_s << u"http://host:8080/x"_s << true << redirect << redirect;
    QTest::newRow("redirect, alarms")
        << u"redirect"_s << u"alarms:http://host:8080/x"_s << true << none << redirect;
    QTest::newRow("empty, alarms")
        << u"empty"_s << u"alarms"_s << true << none << withFlag(&PoFault::emptyBody);
    QTest::newRow("malformed, config")
        << u"malformed"_s << u"config"_s << true << withFlag(&PoFault::malformed) << none;
    const PoFault drop = withFlag(&PoFault::drop);
    QTest::newRow("drop, all") << u"drop"_s << u"all"_s << true << drop << drop;

    QTest::newRow("status not a number") << u"status"_s << u"x"_s << false << none << none;
    QTest::newRow("status out of range") << u"status"_s << u"alarms:99"_s << false << none << none;
    QTest::newRow("negative delay") << u"delay"_s << u"-1"_s << false << none << none;
    QTest::newRow("unknown endpoint") << u"empty"_s << u"everything"_s << false << none << none;
    QTest::newRow("flag needs endpoint") << u"drop"_s << QString() << false << none << none;
    QTest::newRow("unknown option") << u"bogus"_s << u"1"_s << false << none << none;
}

void TstPoSim::faultOption()
{
    QFETCH(QString, name);
    QFETCH(QString, value);
    QFETCH(bool, ok);
    QFETCH(PoFault, config);
    QFETCH(PoFault, alarms);

    PoFaults faults;
    QString error;
    QCOMPARE(applyFaultOption(faults, name, value, &error), ok);
    QCOMPARE(error.isEmpty(), ok);
    QVERIFY(faultFor(faults, PoEndpoint::Config) == config);
    QVERIFY(faultFor(faults, PoEndpoint::Alarms) == alarms);
}

void TstPoSim::framing_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<PoFault>("fault");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("location");

    const PoFault none;
    QTest::newRow("alarms") << get(u"/office/alarm/alarmserver"_s) << none << 200
                            << QByteArray("<active-alarms/>") << QByteArray();
    QTest::newRow("configuration, query ignored")
        << get(u"/office/alarm/alarmserverconfig?x=1"_s) << none << 200 << QByteArray("<config/>")
        << QByteArray();
    QTest::newRow("other path") << get(u"/office/alarm"_s) << none << 404
                                << QByteArray("Not Found\n") << QByteArray();
    QTest::newRow("other method") << QByteArray("POST /office/alarm/alarmserver HTTP/1.1\r\n\r\n")
                                  << none << 405 << QByteArray("Method Not Allowed\n")
                                  << QByteArray();
    QTest::newRow("not HTTP") << QByteArray("hello\r\n\r\n") << none << 400
                              << QByteArray("Bad Request\n") << QByteArray();
    QTest::newRow("status") << get(u"/office/alarm/alarmserver"_s) << withStatus(503) << 503
                            << QByteArray("Service Unavailable\n") << QByteArray();
    QTest::newRow("empty") << get(u"/office/alarm/alarmserver"_s) << withFlag(&PoFault::emptyBody)
                           << 200 << QByteArray() << QByteArray();
    QTest::newRow("malformed") << get(u"/office/alarm/alarmserver"_s)
                               << withFlag(&PoFault::malformed) << 200 << QByteArray("<active-<")
                               << QByteArray();
    QTest::newRow("redirect") << get(u"/office/alarm/alarmserver"_s)
                              << withRedirect("http://elsewhere/x") << 302 << QByteArray("Found\n")
                              << QByteArray("http://elsewhere/x");
    // Drop beats every other fault.
    PoFault dropped = withRedirect("http://elsewhere/x");
    dropped.drop = true;
    QTest::newRow("drop") << get(u"/office/alarm/alarmserver"_s) << dropped << 0 << QByteArray()
                          << QByteArray();
}

// Every answer is complete by its Content-Length and ends with the server's close.
void TstPoSim::framing()
{
    QFETCH(QByteArray, request);
    QFETCH(PoFault, fault);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, location);
    m_sim->setFault(fault);

    const RawAnswer answer = exchange(m_sim->serverPort(), request);
    QVERIFY(answer.closedByServer);
    QCOMPARE(answer.status, status);
    QCOMPARE(answer.body, body);
    QCOMPARE(m_sim->requestCount(), 1);
    if (status == 0) {
        QCOMPARE(answer.headers, QList<QByteArray>());
        return;
    }
    QVERIFY(answer.headers.contains("Content-Length: " + QByteArray::number(body.size())));
    QVERIFY(answer.headers.contains("Connection: close"));
    QCOMPARE(answer.headers.contains("Location: " + location), !location.isEmpty());
}

// Editing the file raises or clears alarms; a missing file is a 404, not a crash.
void TstPoSim::filesReadAtEveryRequest()
{
    const QByteArray request = get(PoServerSim::path(PoEndpoint::Alarms));
    QCOMPARE(exchange(m_sim->serverPort(), request).body, QByteArray("<active-alarms/>"));

    const QByteArray raised = "<active-alarms><a pcu=\"Pcu1\" location=\"Kas 3\" nr=\"1\"/>"
                              "</active-alarms>";
    QVERIFY(writeFile(m_sim->filePath(PoEndpoint::Alarms), raised));
    QCOMPARE(exchange(m_sim->serverPort(), request).body, raised);

    QVERIFY(QFile::remove(m_sim->filePath(PoEndpoint::Alarms)));
    QCOMPARE(exchange(m_sim->serverPort(), request).status, 404);
}

void TstPoSim::delayedAnswer()
{
    m_sim->setFault(PoEndpoint::Alarms, withStatus(200, 1000));
    QElapsedTimer elapsed;
    elapsed.start();
    const RawAnswer answer =
        exchange(m_sim->serverPort(), get(PoServerSim::path(PoEndpoint::Alarms)));
    QCOMPARE(answer.status, 200);
    QCOMPARE_GE(elapsed.elapsed(), 1000);
    // The other endpoint keeps answering at once.
    elapsed.restart();
    QCOMPARE(exchange(m_sim->serverPort(), get(PoServerSim::path(PoEndpoint::Config))).status, 200);
    QCOMPARE_LT(elapsed.elapsed(), 1000);
}

QTEST_GUILESS_MAIN(TstPoSim)
#include "tst_posim.moc"
