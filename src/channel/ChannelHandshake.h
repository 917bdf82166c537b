#pragma once

#include "channel/ChannelMessage.h"

#include <QString>

#include <optional>

// Message types of the handshake. "refused" keeps its form in every protocol version, so a
// window of any version can show why it was sent away.
inline constexpr QLatin1String kChannelHello{"hello"};
inline constexpr QLatin1String kChannelWelcome{"welcome"};
inline constexpr QLatin1String kChannelRefused{"refused"};

// Body fields of the handshake.
inline constexpr QLatin1String kChannelFieldProgram{"program"};
inline constexpr QLatin1String kChannelFieldReason{"reason"};

// What a window says first: its protocol version (the message's own) and program version.
ChannelMessage channelHello(const QString& programVersion);
// The server's yes, naming its program version.
ChannelMessage channelWelcome(const QString& programVersion);
// The server's no, with a reason fit to show the operator.
ChannelMessage channelRefusal(const QString& reason);

// The program version a hello or welcome names; empty when it names none.
QString channelProgramOf(const ChannelMessage& message);
// The reason a refusal gives.
QString channelReasonOf(const ChannelMessage& message);

// Nothing when the server of serverProgram can serve this hello, else the text of its refusal.
std::optional<QString> channelHelloRefusal(const ChannelMessage& hello,
                                           const QString& serverProgram);
