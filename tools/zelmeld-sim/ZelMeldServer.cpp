#include "ZelMeldServer.h"

#include "core/Windows1252.h"

#include <QTcpSocket>

#include <algorithm>
#include <utility>

namespace {

QString peerText(const QTcpSocket* socket)
{
    return socket->peerAddress().toString() + u':' + QString::number(socket->peerPort());
}

// Control characters made visible, so a stray line feed shows in the output.
QString visibleText(const QString& line)
{
    QString text;
    for (const QChar c : line) {
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F))
            text += QStringLiteral("<%1>").arg(int(c.unicode()), 2, 16, QChar(u'0'));
        else
            text += c;
    }
    return text;
}

qsizetype lineEnd(const QByteArray& bytes)
{
    const qsizetype cr = bytes.indexOf('\r');
    const qsizetype lf = bytes.indexOf('\n');
    if (cr < 0 || lf < 0)
        return std::max(cr, lf);
    return std::min(cr, lf);
}

} // namespace

ZelMeldServer::ZelMeldServer(const ReplyScript& script, QObject* parent)
    : QObject(parent), m_server(this), m_refuseTimer(this), m_script(script)
{
    m_refuseTimer.setSingleShot(true);
    connect(&m_refuseTimer, &QTimer::timeout, this, &ZelMeldServer::listenAgain);
    connect(&m_server, &QTcpServer::newConnection, this, &ZelMeldServer::acceptConnections);
}

ZelMeldServer::~ZelMeldServer()
{
    // A socket aborts its connection when it goes; no handler may run on a half-destroyed server.
    const QList<QTcpSocket*> sockets = m_clients.keys();
    for (QTcpSocket* socket : sockets) {
        socket->disconnect(this);
        delete socket;
    }
}

bool ZelMeldServer::listen(const QHostAddress& address, quint16 port)
{
    if (!m_server.listen(address, port))
        return false;
    m_address = address;
    m_port = m_server.serverPort();
    Q_EMIT report(u"listening on " + endpointText() + u", reply rule " + m_script.text());
    Q_EMIT listeningChanged(true);
    return true;
}

void ZelMeldServer::refuseFor(int ms)
{
    m_server.close();
    Q_EMIT report(
        QStringLiteral("refusing connections on %1 for %2 s").arg(endpointText()).arg(ms / 1000.0));
    Q_EMIT listeningChanged(false);
    m_refuseTimer.start(ms);
}

void ZelMeldServer::listenAgain()
{
    if (!listen(m_address, m_port)) {
        Q_EMIT report(u"cannot listen again on " + endpointText() + u": " + errorString());
    }
}

void ZelMeldServer::sendToClients(const QByteArray& bytes)
{
    for (auto it = m_clients.cbegin(); it != m_clients.cend(); ++it)
        it.key()->write(bytes);
}

void ZelMeldServer::acceptConnections()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        m_clients.insert(socket, Client{++m_connectionCount, {}, 0});
        Q_EMIT report(
            QStringLiteral("connection %1 from %2").arg(m_connectionCount).arg(peerText(socket)));
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readClient(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { dropClient(socket); });
    }
}

void ZelMeldServer::readClient(QTcpSocket* socket)
{
    const auto found = m_clients.find(socket);
    if (found == m_clients.end())
        return;
    Client& client = found.value();
    const QByteArray bytes = socket->readAll();
    m_bytesReceived += bytes.size();
    client.pending += bytes;
    for (qsizetype end = lineEnd(client.pending); end >= 0; end = lineEnd(client.pending)) {
        const QByteArray line = client.pending.left(end);
        client.pending.remove(0, end + 1);
        if (!line.isEmpty() && !takeLine(socket, client, line))
            return;
    }
}

// False once the connection has been closed after this line.
bool ZelMeldServer::takeLine(QTcpSocket* socket, Client& client, const QByteArray& bytes)
{
    // The gateway writes the Western-European Windows code page.
    const QString line = fromWindows1252(bytes);
    ++client.lines;
    m_lines.append(line);
    m_tally.add(line);
    Q_EMIT report(QStringLiteral("%1 <- %2").arg(client.number).arg(visibleText(line)));
    answer(socket, line, QStringLiteral("%1 -> ").arg(client.number));
    Q_EMIT lineReceived(line);
    if (m_closeAfter > 0 && client.lines >= m_closeAfter) {
        closeClient(socket, client.lines);
        return false;
    }
    return true;
}

void ZelMeldServer::setReplyFor(const QString& head, SimReply reply)
{
    m_replyFor.append({head, reply});
}

void ZelMeldServer::holdReplies()
{
    m_holding = true;
}

void ZelMeldServer::releaseReplies()
{
    m_holding = false;
    const QHash<QTcpSocket*, QByteArray> held = std::exchange(m_held, {});
    for (auto it = held.cbegin(); it != held.cend(); ++it) {
        if (m_clients.contains(it.key()))
            it.key()->write(it.value());
    }
}

SimReply ZelMeldServer::replyFor(const QString& line)
{
    for (const auto& [head, reply] : std::as_const(m_replyFor)) {
        if (line.startsWith(head))
            return reply;
    }
    return m_script.next();
}

void ZelMeldServer::answer(QTcpSocket* socket, const QString& line, const QString& prefix)
{
    const SimReply reply = replyFor(line);
    const QByteArray bytes = replyBytes(reply);
    if (m_holding)
        m_held[socket] += bytes;
    else
        socket->write(bytes);
    const QString shown = bytes.isEmpty() ? QStringLiteral("(silent)")
                                          : visibleText(fromWindows1252(bytes.chopped(1)));
    Q_EMIT report(prefix + shown);
}

void ZelMeldServer::closeClient(QTcpSocket* socket, int lines)
{
    Q_EMIT report(QStringLiteral("closing connection %1 after %2 lines")
                      .arg(m_clients.value(socket).number)
                      .arg(lines));
    // Sends the answer still waiting before the connection goes.
    socket->disconnectFromHost();
    if (m_refuseAfterClose > 0)
        refuseFor(m_refuseAfterClose);
}

void ZelMeldServer::dropClient(QTcpSocket* socket)
{
    const Client client = m_clients.take(socket);
    m_held.remove(socket);
    Q_EMIT report(QStringLiteral("connection %1 closed").arg(client.number));
    socket->deleteLater();
    Q_EMIT connectionClosed();
}

QString ZelMeldServer::endpointText() const
{
    return m_address.toString() + u':' + QString::number(m_port);
}
