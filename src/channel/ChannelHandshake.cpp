#include "channel/ChannelHandshake.h"

#include "channel/ChannelLimits.h"

using namespace Qt::StringLiterals;

ChannelMessage channelHello(const QString& programVersion)
{
    QCborMap body;
    body.insert(kChannelFieldProgram, programVersion);
    return ChannelMessage::make(QString(kChannelHello), body);
}

ChannelMessage channelWelcome(const QString& programVersion)
{
    QCborMap body;
    body.insert(kChannelFieldProgram, programVersion);
    return ChannelMessage::make(QString(kChannelWelcome), body);
}

ChannelMessage channelRefusal(const QString& reason)
{
    QCborMap body;
    body.insert(kChannelFieldReason, reason);
    return ChannelMessage::make(QString(kChannelRefused), body);
}

QString channelProgramOf(const ChannelMessage& message)
{
    return message.body.value(kChannelFieldProgram).toString();
}

QString channelReasonOf(const ChannelMessage& message)
{
    return message.body.value(kChannelFieldReason).toString();
}

std::optional<QString> channelHelloRefusal(const ChannelMessage& hello,
                                           const QString& serverProgram)
{
    if (hello.type != kChannelHello)
        return u"the first message must be \"hello\", not \"%1\""_s.arg(hello.type);
    if (hello.version == kChannelProtocolVersion)
        return std::nullopt;
    const QString window = channelProgramOf(hello);
    const QString windowName =
        window.isEmpty() ? u"this window"_s : u"this window (ZelPO %1)"_s.arg(window);
    return u"ZelPO %1 speaks channel version %2; %3 speaks %4: "
           u"start the window of ZelPO %1 to attach to this service"_s.arg(
               serverProgram, QString::number(kChannelProtocolVersion), windowName,
               QString::number(hello.version));
}
