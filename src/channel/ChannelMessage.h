#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QCborMap>
#include <QString>

#include <variant>

// Why a frame's payload is not a message.
enum class ChannelDecodeError
{
    BadCbor,        // not one whole CBOR item, or bytes after it
    NotAMap,        // a CBOR item other than a map
    MissingVersion, // no positive integer protocol version
    MissingType,    // no non-empty text type
    BadRequestId,   // a request id that is not a non-negative integer
    BadBody,        // a body that is not a map
    Oversize        // a frame announcing more than the limit (from the frame reader)
};

// The reason in words, for the log.
QString channelDecodeErrorText(ChannelDecodeError error);

// One message on the channel: its type, the protocol version of its sender, an optional request
// id (0 when it is none; an answer carries its request's id) and a body of named fields.
struct ChannelMessage
{
    QString type;
    int version = 0;
    qint64 requestId = 0;
    QCborMap body;

    // A message of this program's protocol version.
    static ChannelMessage make(const QString& type, const QCborMap& body = {},
                               qint64 requestId = 0);

    // The one encoder: the 4-byte big-endian payload length, then the CBOR map.
    QByteArray toFrame() const;

    using Decoded = std::variant<ChannelMessage, ChannelDecodeError>;
    // The one decoder, of a frame's payload (without its length).
    static Decoded fromPayload(QByteArrayView payload);

    friend bool operator==(const ChannelMessage&, const ChannelMessage&) = default;
};
