#include "PoServerSim.h"

#include "PoSimHttp.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTcpSocket>
#include <QTimer>

#include <memory>
#include <optional>

namespace {

std::optional<PoEndpoint> endpointAt(const QByteArray& path)
{
    for (const PoEndpoint endpoint : AllPoEndpoints) {
        if (path == PoServerSim::path(endpoint).toLatin1())
            return endpoint;
    }
    return std::nullopt;
}

bool isSuccess(int status)
{
    return status >= 200 && status < 300;
}

// Cut in the middle of the document and left open, so no parser can take it for XML.
QByteArray malformedFrom(const QByteArray& content)
{
    return content.left(content.size() / 2) + "<";
}

// A client that left while its answer was delayed has nothing to receive.
void send(QTcpSocket* socket, const std::optional<PoSimReply>& reply)
{
    if (reply)
        socket->write(serialize(*reply));
    // Pending bytes are flushed before the close.
    socket->disconnectFromHost();
}

QString describe(const std::optional<PoSimReply>& reply, const QString& note)
{
    QString text = reply ? QString::number(reply->status) + u", " +
                               QString::number(reply->body.size()) + u" bytes"
                         : QStringLiteral("closed without an answer");
    if (reply && !reply->location.isEmpty())
        text += u", to " + QString::fromUtf8(reply->location);
    return note.isEmpty() ? text : text + u" (" + note + u')';
}

} // namespace

PoServerSim::PoServerSim(const QString& folder, QObject* parent) : QObject(parent), m_folder(folder)
{
    connect(&m_server, &QTcpServer::newConnection, this, &PoServerSim::acceptConnections);
}

bool PoServerSim::listen(const QHostAddress& address, quint16 port)
{
    return m_server.listen(address, port);
}

QString PoServerSim::path(PoEndpoint endpoint)
{
    return endpoint == PoEndpoint::Config ? QStringLiteral("/office/alarm/alarmserverconfig")
                                          : QStringLiteral("/office/alarm/alarmserver");
}

QString PoServerSim::fileName(PoEndpoint endpoint)
{
    return endpoint == PoEndpoint::Config ? QStringLiteral("alarmserverconfig.xml")
                                          : QStringLiteral("alarmserver.xml");
}

QString PoServerSim::filePath(PoEndpoint endpoint) const
{
    return QDir(m_folder).filePath(fileName(endpoint));
}

QString PoServerSim::authority() const
{
    QString host = serverAddress().toString();
    if (serverAddress().protocol() == QAbstractSocket::IPv6Protocol)
        host = u'[' + host + u']';
    return host + u':' + QString::number(serverPort());
}

QString PoServerSim::url(PoEndpoint endpoint) const
{
    return u"http://" + authority() + path(endpoint);
}

void PoServerSim::setFault(PoEndpoint endpoint, const PoFault& fault)
{
    faultFor(m_faults, endpoint) = fault;
}

void PoServerSim::setFault(const PoFault& fault)
{
    m_faults.fill(fault);
}

void PoServerSim::acceptConnections()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        serve(socket);
    }
}

// Collects the request head; the first complete one is answered and the rest ignored.
void PoServerSim::serve(QTcpSocket* socket)
{
    auto buffer = std::make_shared<QByteArray>();
    auto readHead = [this, socket, buffer] {
        *buffer += socket->readAll();
        if (!hasCompleteHead(*buffer) && buffer->size() <= kMaxRequestHead)
            return;
        disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
        ++m_requestCount;
        if (const auto request = parseRequestHead(*buffer)) {
            handle(socket, *request);
            return;
        }
        const QByteArray line = buffer->left(buffer->indexOf('\r'));
        logRequest(socket, line, QStringLiteral("400, bad request"));
        send(socket, statusReply(400));
    };
    connect(socket, &QTcpSocket::readyRead, this, readHead);
    if (socket->bytesAvailable() > 0)
        readHead();
}

void PoServerSim::handle(QTcpSocket* socket, const PoSimRequest& request)
{
    const QByteArray line = request.method + ' ' + request.target;
    const std::optional<PoEndpoint> endpoint = endpointAt(request.path);
    if (!endpoint || request.method != "GET") {
        const PoSimReply reply = statusReply(endpoint ? 405 : 404);
        logRequest(socket, line, describe(reply, {}));
        send(socket, reply);
        return;
    }
    const PoFault& fault = faultFor(m_faults, *endpoint);
    QString note;
    std::optional<PoSimReply> reply;
    if (!fault.drop)
        reply = replyFor(*endpoint, &note);
    if (fault.delayMs > 0) {
        const QString wait = u"after " + QString::number(fault.delayMs) + u" ms";
        note = note.isEmpty() ? wait : note + u", " + wait;
    }
    logRequest(socket, line, describe(reply, note));
    if (fault.delayMs <= 0) {
        send(socket, reply);
        return;
    }
    // Bound to the socket: a client that gives up first takes the pending answer with it.
    QTimer::singleShot(fault.delayMs, Qt::PreciseTimer, socket,
                       [socket, reply] { send(socket, reply); });
}

PoSimReply PoServerSim::replyFor(PoEndpoint endpoint, QString* note) const
{
    const PoFault& fault = faultFor(m_faults, endpoint);
    if (!fault.redirectTo.isEmpty()) {
        PoSimReply reply = statusReply(302);
        reply.location = fault.redirectTo;
        return reply;
    }
    if (!isSuccess(fault.status))
        return statusReply(fault.status);
    if (fault.emptyBody)
        return PoSimReply{fault.status, "text/xml", {}, {}};
    QFile file(filePath(endpoint));
    if (!file.open(QIODevice::ReadOnly)) {
        *note = u"cannot read " + file.fileName();
        return statusReply(404);
    }
    const QByteArray content = file.readAll();
    if (fault.malformed)
        *note = QStringLiteral("malformed");
    return PoSimReply{
        fault.status, "text/xml", fault.malformed ? malformedFrom(content) : content, {}};
}

void PoServerSim::logRequest(QTcpSocket* socket, const QByteArray& requestLine,
                             const QString& outcome)
{
    const QString stamp = QDateTime::currentDateTime().toString(Qt::ISODateWithMs);
    const QString peer = socket->peerAddress().toString();
    Q_EMIT requestLogged(stamp + u' ' + peer + u' ' + QString::fromLatin1(requestLine) + u" -> " +
                         outcome);
}
