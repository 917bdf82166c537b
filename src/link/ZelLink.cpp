#include "ZelLink.h"

#include "SocketErrorReport.h"
#include "ZelFraming.h"
#include "ZelReplyReader.h"

#include "core/Language.h"
#include "core/Log.h"
#include "core/Settings.h"

#include <algorithm>
#include <utility>

namespace {

constexpr int kStepInterval = 10;

// The socket machine's states.
enum class SocketState : int
{
    StartMachine = 1,
    WaitForString = 2,
    CheckSocket = 3,
    StartPort = 4,
    OpenSocket = 5,
    WaitForOpen = 6,
    SendString = 7,
};

QString stateLabel(SocketState state)
{
    switch (state) {
    case SocketState::StartMachine:
        return QStringLiteral("1 Start Socketmachine");
    case SocketState::WaitForString:
        return QStringLiteral("2 Waitforstring");
    case SocketState::CheckSocket:
        return QStringLiteral("3 Check socket");
    case SocketState::StartPort:
        return QStringLiteral("4.1 Start ZelPoort");
    case SocketState::OpenSocket:
        return QStringLiteral("4.2 Open socket");
    case SocketState::WaitForOpen:
        return QStringLiteral("4.3 Wait for opensocket");
    case SocketState::SendString:
        return QStringLiteral("5 Send string");
    default:
        return QString();
    }
}

bool isValidPort(int port)
{
    return port >= 1 && port <= 65535;
}

// The given-up ids that neverWritten still knows.
constexpr qsizetype kNeverWrittenKept = 64;

QString targetText(const QString& host, int port)
{
    // An IPv6 address keeps its colons apart from the port's.
    const QString shownHost = host.contains(u':') ? u'[' + host + u']' : host;
    return shownHost + u':' + QString::number(port);
}

} // namespace

ZelLink::ZelLink(const Settings& settings, QObject* parent)
    : QObject(parent), m_tmmSockets(this), m_settings(settings), csZelMeld(this)
{
    m_tmmSockets.setInterval(kStepInterval);
    m_tmmSockets.setLoopCount(0);
    m_tmmSockets.setDoState([this](tZelTimeMachine& sender) { tmmSocketsDoState(sender); });
    m_tmmSockets.setWaitQuery([this] { return socketWait(); });

    connect(&csZelMeld, &QTcpSocket::connected, this, &ZelLink::csZelMeldConnect);
    connect(&csZelMeld, &QTcpSocket::readyRead, this, &ZelLink::csZelMeldRead);
    connect(&csZelMeld, &QTcpSocket::errorOccurred, this, &ZelLink::csZelMeldError);
    connect(&csZelMeld, &QTcpSocket::disconnected, this, &ZelLink::csZelMeldDisconnected);
    connect(&csZelMeld, &QTcpSocket::bytesWritten, this, &ZelLink::lineBytesWritten);
}

ZelLink::~ZelLink()
{
    // The socket aborts an open connection when it goes; no handler of a half-destroyed link
    // may run for that.
    csZelMeld.disconnect(this);
}

void ZelLink::start()
{
    m_tmmSockets.setState(SocketState::StartMachine);
    m_tmmSockets.setEnabled(true);
}

void ZelLink::startSteppedByHand()
{
    m_tmmSockets.setState(SocketState::StartMachine);
}

void ZelLink::stepByHand()
{
    m_tmmSockets.tick();
}

quint64 ZelLink::SendIPString(const QString& message, bool log)
{
    m_lastReply.clear();
    m_replyReceived = false;
    m_sendQueue.append(message);
    m_sendQueueIds.append(++m_lastId);
    m_sendQueueTimes.append(UtcNow());
    if (log)
        LogMessage(LangText(4, QStringLiteral("Send:")) + u' ' + message, LogZelList);
    m_tmmSockets.wake();
    return m_lastId;
}

bool ZelLink::neverWritten(quint64 id) const
{
    return id != 0 && m_neverWritten.contains(id);
}

void ZelLink::tmmSocketsDoState(tZelTimeMachine& sender)
{
    if (m_socketFailed) {
        closeSocket();
        sender.setState(SocketState::StartMachine);
    }
    const QString label = stateLabel(sender.stateAs<SocketState>());
    if (label.isEmpty())
        return;
    sender.setStateText(label);
    switch (sender.stateAs<SocketState>()) {
    case SocketState::StartMachine:
        m_socketFailed = false;
        sender.setState(SocketState::WaitForString);
        break;
    case SocketState::WaitForString:
        takeNextMessage(sender);
        break;
    case SocketState::CheckSocket:
        sender.setState(isConnected() ? SocketState::SendString : SocketState::StartPort);
        break;
    case SocketState::StartPort:
        sender.setState(SocketState::OpenSocket);
        break;
    case SocketState::OpenSocket:
        openSocket();
        sender.setState(SocketState::WaitForOpen);
        break;
    case SocketState::WaitForOpen:
        if (m_socketConnected)
            sender.setState(SocketState::SendString);
        break;
    case SocketState::SendString:
        sendCurrentMessage();
        sender.setState(SocketState::WaitForString);
        break;
    }
}

// Event-driven stepping: the machine waits only for a message to send and for the end of an
// open; every other state steps on at once.
StepWait ZelLink::socketWait() const
{
    if (m_socketFailed)
        return StepWait::now();
    switch (m_tmmSockets.stateAs<SocketState>()) {
    case SocketState::WaitForString:
        return m_sendQueue.isEmpty() ? StepWait::event() : StepWait::now();
    case SocketState::WaitForOpen:
        return m_socketConnected ? StepWait::now() : StepWait::event();
    default:
        return stateLabel(m_tmmSockets.stateAs<SocketState>()).isEmpty() ? StepWait::event()
                                                                         : StepWait::now();
    }
}

void ZelLink::takeNextMessage(tZelTimeMachine& sender)
{
    m_currentMessage = m_sendQueue.isEmpty() ? QString() : m_sendQueue.takeFirst();
    m_currentId = m_sendQueueIds.isEmpty() ? 0 : m_sendQueueIds.takeFirst();
    m_currentQueuedAt = m_sendQueueTimes.isEmpty() ? 0.0 : m_sendQueueTimes.takeFirst();
    if (!m_currentMessage.isEmpty())
        sender.setState(SocketState::CheckSocket);
}

void ZelLink::openSocket()
{
    m_socketConnected = false;
    // A connection the peer closed may still be winding down; it cannot be reopened so.
    closeSocket();
    m_replyReader.reset();
    m_peerClose = PeerCloseProbe::Close::Unknown;
    m_target = targetText(m_settings.zelHost, m_settings.zelPort);
    if (!isValidPort(m_settings.zelPort)) {
        failOpen(QStringLiteral("port outside 1-65535"));
        return;
    }
    csZelMeld.connectToHost(m_settings.zelHost, quint16(m_settings.zelPort));
    // An error Qt finds at once arrives as an error event before connectToHost returns; only a
    // request Qt would not even start is a failure of the open itself.
    if (csZelMeld.state() == QAbstractSocket::UnconnectedState && !m_socketFailed)
        failOpen(csZelMeld.errorString());
}

void ZelLink::failOpen(const QString& reason)
{
    LogMessage(u"Fatal socket error! ZelMeld " + m_target + u": " + reason, LogZelList);
    markLinkFailed();
}

void ZelLink::sendCurrentMessage()
{
    // The peer may have closed the connection since it was found open: the send fails.
    if (csZelMeld.state() != QAbstractSocket::ConnectedState) {
        reportSocketError(csZelMeld.error());
        return;
    }
    qsizetype unmappable = 0;
    const QByteArray line = frameZelMessage(m_currentMessage, &unmappable);
    if (unmappable > 0)
        LogMessage(QStringLiteral("%1 character(s) without a windows-1252 byte sent as \"?\": %2")
                       .arg(unmappable)
                       .arg(m_currentMessage),
                   LogZelList);
    // The socket buffers the line and hands it to the system later; until all of it has gone
    // it can still be lost unwritten.
    const quint64 id = std::exchange(m_currentId, 0);
    if (id != 0)
        m_unflushed.append({id, line.size()});
    m_replies.lineWritten(id, m_currentQueuedAt);
    csZelMeld.write(line);
}

void ZelLink::lineBytesWritten(qint64 bytes)
{
    while (bytes > 0 && !m_unflushed.isEmpty()) {
        UnflushedLine& oldest = m_unflushed.first();
        const qint64 taken = std::min(bytes, oldest.bytesLeft);
        oldest.bytesLeft -= taken;
        bytes -= taken;
        if (oldest.bytesLeft == 0)
            m_unflushed.removeFirst();
    }
}

void ZelLink::closeSocket()
{
    m_closeProbe.release();
    if (csZelMeld.state() != QAbstractSocket::UnconnectedState)
        csZelMeld.abort();
    // An abort throws away whatever still waits to be sent, and no reply comes on a new
    // connection for a line of the old one.
    giveUpUnflushed();
    m_replies.connectionEnded();
}

bool ZelLink::isConnected() const
{
    // The connect event came and the connection has not been closed since.
    return m_socketConnected && csZelMeld.state() == QAbstractSocket::ConnectedState;
}

void ZelLink::markLinkFailed()
{
    Q_EMIT statusText(LangText(5, QStringLiteral("Error connecting to ZelMeld")));
    if (!std::exchange(m_linkFailed, true))
        Q_EMIT linkFailedChanged(true);
    // The next step closes the socket and restarts the machine.
    m_socketFailed = true;
    m_poLinkAlarmActive = false;
    giveUpUnwritten();
    m_tmmSockets.wake();
}

void ZelLink::giveUpUnwritten()
{
    giveUp(std::exchange(m_currentId, 0));
    giveUpUnflushed();
}

void ZelLink::giveUpUnflushed()
{
    // Taken first: a receiver of the signal may queue another message.
    const QList<UnflushedLine> unflushed = std::exchange(m_unflushed, {});
    for (const UnflushedLine& line : unflushed)
        giveUp(line.id);
}

void ZelLink::giveUp(quint64 id)
{
    if (id == 0)
        return;
    m_replies.lineGivenUp(id);
    m_neverWritten.append(id);
    if (m_neverWritten.size() > kNeverWrittenKept)
        m_neverWritten.removeFirst();
    Q_EMIT messageNotWritten(id);
}

void ZelLink::csZelMeldConnect()
{
    m_socketConnected = true;
    m_closeProbe.watch(csZelMeld.socketDescriptor());
    m_tmmSockets.wake();
}

void ZelLink::csZelMeldRead()
{
    const QByteArray bytes = csZelMeld.readAll();
    m_bytesReceived += bytes.size();
    const ZelReplyReader::Result read = m_replyReader.read(bytes);
    if (read.droppedBytes > 0)
        LogMessage(QStringLiteral("ZelMeld line without carriage return dropped: %1 bytes")
                       .arg(read.droppedBytes),
                   LogZelList);
    const QStringList& lines = read.lines;
    for (const QString& line : lines)
        LogMessage(LangText(87, QStringLiteral("Recv:")) + u' ' + line, LogZelList);
    if (!lines.isEmpty()) {
        m_lastReply = lines.last();
        m_replyReceived = true;
    }
    // ZelMeld talks again: the link error has ended.
    if (std::exchange(m_linkFailed, false)) {
        Q_EMIT statusText(QString());
        Q_EMIT linkFailedChanged(false);
    }
    takeReplies(lines);
}

// Each line answers the oldest line still waiting on this connection; a reply with none
// waiting answers nothing the link knows of, so no sender may take it.
void ZelLink::takeReplies(const QStringList& lines)
{
    for (const QString& line : lines) {
        if (const std::optional<quint64> id = m_replies.replyArrived(line))
            Q_EMIT replyReceived(*id);
        else
            LogMessage(u"ZelMeld reply with no line waiting, dropped: " + line, LogZelList);
    }
}

void ZelLink::csZelMeldError(QAbstractSocket::SocketError error)
{
    if (error == QAbstractSocket::RemoteHostClosedError) {
        // Qt reports the peer's orderly close as an error too. That is no failure: the next
        // message opens a new connection. A reset is one, and so is a close with bytes still
        // waiting: a send has failed.
        m_peerClose = m_closeProbe.closeKind();
        m_closeProbe.release();
        if (m_peerClose != PeerCloseProbe::Close::Reset && csZelMeld.bytesToWrite() == 0)
            return;
    }
    reportSocketError(error);
}

void ZelLink::csZelMeldDisconnected()
{
    // An unfinished line belongs to its connection, and so do the lines waiting for a reply.
    m_replyReader.reset();
    m_replies.connectionEnded();
    m_closeProbe.release();
}

void ZelLink::reportSocketError(QAbstractSocket::SocketError error)
{
    const bool reset = error == QAbstractSocket::RemoteHostClosedError &&
                       m_peerClose == PeerCloseProbe::Close::Reset;
    const SocketErrorReport report =
        reset ? connectionResetReport() : socketErrorReport(error, csZelMeld.errorString());
    LogMessage(LangText(6, QStringLiteral("Zel PO socket error:")) + u' ' +
                   socketErrorLogText(report) + u", ZelMeld " + m_target,
               LogZelList);
    markLinkFailed();
}
