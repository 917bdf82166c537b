#include "ZelLink.h"

#include "SocketErrorReport.h"
#include "ZelFraming.h"
#include "ZelReplyReader.h"

#include "core/Language.h"
#include "core/LinkStatus.h"
#include "core/Log.h"
#include "core/Settings.h"

namespace {

constexpr int kStepInterval = 10;

// The socket machine's states.
enum SocketState : int
{
    StartMachine = 1,
    WaitForString = 2,
    CheckSocket = 3,
    StartPort = 4,
    OpenSocket = 5,
    WaitForOpen = 6,
    SendString = 7,
};

QString stateLabel(int state)
{
    switch (state) {
    case StartMachine:
        return QStringLiteral("1 Start Socketmachine");
    case WaitForString:
        return QStringLiteral("2 Waitforstring");
    case CheckSocket:
        return QStringLiteral("3 Check socket");
    case StartPort:
        return QStringLiteral("4.1 Start ZelPoort");
    case OpenSocket:
        return QStringLiteral("4.2 Open socket");
    case WaitForOpen:
        return QStringLiteral("4.3 Wait for opensocket");
    case SendString:
        return QStringLiteral("5 Send string");
    default:
        return QString();
    }
}

bool isValidPort(int port)
{
    return port >= 1 && port <= 65535;
}

} // namespace

ZelLink::ZelLink(const Settings& settings, QObject* parent)
    : QObject(parent), tmmSockets(this), m_settings(settings), csZelMeld(this)
{
    tmmSockets.setInterval(kStepInterval);
    tmmSockets.setLoopCount(0);
    tmmSockets.setDoState([this](tZelTimeMachine& sender) { tmmSocketsDoState(sender); });

    connect(&csZelMeld, &QTcpSocket::connected, this, &ZelLink::csZelMeldConnect);
    connect(&csZelMeld, &QTcpSocket::readyRead, this, &ZelLink::csZelMeldRead);
    connect(&csZelMeld, &QTcpSocket::errorOccurred, this, &ZelLink::csZelMeldError);
    // An unfinished line belongs to its connection.
    connect(&csZelMeld, &QTcpSocket::disconnected, this, [this] { m_replyReader.reset(); });
}

ZelLink::~ZelLink()
{
    // The socket aborts an open connection when it goes; no handler of a half-destroyed link
    // may run for that.
    csZelMeld.disconnect(this);
}

void ZelLink::start()
{
    tmmSockets.State = StartMachine;
    tmmSockets.setEnabled(true);
}

void ZelLink::SendIPString(const QString& message, bool log)
{
    m_lastReply.clear();
    m_replyReceived = false;
    m_sendQueue.append(message);
    if (log)
        LogMessage(LangText(4, QStringLiteral("Send:")) + u' ' + message, LogZelList);
}

void ZelLink::tmmSocketsDoState(tZelTimeMachine& sender)
{
    if (m_socketFailed) {
        closeSocket();
        sender.State = StartMachine;
    }
    const QString label = stateLabel(sender.State);
    if (label.isEmpty())
        return;
    sender.StateText = label;
    switch (sender.State) {
    case StartMachine:
        m_socketFailed = false;
        sender.State = WaitForString;
        break;
    case WaitForString:
        takeNextMessage(sender);
        break;
    case CheckSocket:
        sender.State = isConnected() ? SendString : StartPort;
        break;
    case StartPort:
        sender.State = OpenSocket;
        break;
    case OpenSocket:
        openSocket();
        sender.State = WaitForOpen;
        break;
    case WaitForOpen:
        if (m_socketConnected)
            sender.State = SendString;
        break;
    case SendString:
        sendCurrentMessage();
        sender.State = WaitForString;
        break;
    }
}

void ZelLink::takeNextMessage(tZelTimeMachine& sender)
{
    m_currentMessage = m_sendQueue.isEmpty() ? QString() : m_sendQueue.takeFirst();
    if (!m_currentMessage.isEmpty())
        sender.State = CheckSocket;
}

void ZelLink::openSocket()
{
    m_socketConnected = false;
    // A connection the peer closed may still be winding down; it cannot be reopened so.
    closeSocket();
    m_replyReader.reset();
    if (isValidPort(m_settings.zelPort))
        csZelMeld.connectToHost(m_settings.zelHost, quint16(m_settings.zelPort));
    // An error Qt finds at once arrives as an error event before connectToHost returns; only a
    // request Qt would not even start is a failure of the open itself.
    if (csZelMeld.state() == QAbstractSocket::UnconnectedState && !m_socketFailed) {
        LogMessage(QStringLiteral("Fatal socket error!"), LogZelList);
        m_socketFailed = true;
    }
}

void ZelLink::sendCurrentMessage()
{
    // The peer may have closed the connection since it was found open: the send fails.
    if (csZelMeld.state() != QAbstractSocket::ConnectedState) {
        reportSocketError(csZelMeld.error());
        return;
    }
    qsizetype unmappable = 0;
    csZelMeld.write(frameZelMessage(m_currentMessage, &unmappable));
    if (unmappable > 0)
        LogMessage(QStringLiteral("%1 character(s) without a windows-1252 byte sent as \"?\": %2")
                       .arg(unmappable)
                       .arg(m_currentMessage),
                   LogZelList);
}

void ZelLink::closeSocket()
{
    if (csZelMeld.state() != QAbstractSocket::UnconnectedState)
        csZelMeld.abort();
}

bool ZelLink::isConnected() const
{
    // The connect event came and the connection has not been closed since.
    return m_socketConnected && csZelMeld.state() == QAbstractSocket::ConnectedState;
}

void ZelLink::csZelMeldConnect()
{
    m_socketConnected = true;
}

void ZelLink::csZelMeldRead()
{
    const ZelReplyReader::Result read = m_replyReader.read(csZelMeld.readAll());
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
    int linkError = 2;
    if (LinkStatus.compare_exchange_strong(linkError, -1))
        Q_EMIT statusText(QString());
}

void ZelLink::csZelMeldError(QAbstractSocket::SocketError error)
{
    // Qt reports the peer closing the connection as an error. That is no failure: the next
    // message opens a new connection. With bytes still waiting, though, a send has failed.
    if (error == QAbstractSocket::RemoteHostClosedError && csZelMeld.bytesToWrite() == 0)
        return;
    reportSocketError(error);
}

void ZelLink::reportSocketError(QAbstractSocket::SocketError error)
{
    Q_EMIT statusText(LangText(5, QStringLiteral("Error connecting to ZelMeld")));
    LinkStatus = 2;
    const SocketErrorReport report = socketErrorReport(error, csZelMeld.errorString());
    LogMessage(LangText(6, QStringLiteral("Zel PO socket error:")) + u' ' +
                   socketErrorLogText(report),
               LogZelList);
    // The next step closes the socket and restarts the machine.
    m_socketFailed = true;
    PoLinkAlarmActive = false;
}
