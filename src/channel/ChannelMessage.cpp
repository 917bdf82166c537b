#include "channel/ChannelMessage.h"

#include "channel/ChannelLimits.h"

#include <QCborStreamReader>
#include <QCborValue>
#include <QtEndian>

using namespace Qt::StringLiterals;

namespace {

// Field names in the CBOR map; part of the wire format.
const QString kFieldVersion = u"version"_s;
const QString kFieldType = u"type"_s;
const QString kFieldRequestId = u"id"_s;
const QString kFieldBody = u"body"_s;

// The whole payload must be exactly one CBOR item.
bool readWholeItem(QByteArrayView payload, QCborValue& value)
{
    QCborStreamReader reader(payload.data(), payload.size());
    value = QCborValue::fromCbor(reader);
    return reader.lastError() == QCborError::NoError && !value.isInvalid() &&
           reader.currentOffset() == payload.size();
}

} // namespace

QString channelDecodeErrorText(ChannelDecodeError error)
{
    switch (error) {
    case ChannelDecodeError::BadCbor:
        return u"payload is not one CBOR item"_s;
    case ChannelDecodeError::NotAMap:
        return u"payload is not a CBOR map"_s;
    case ChannelDecodeError::MissingVersion:
        return u"message has no protocol version"_s;
    case ChannelDecodeError::MissingType:
        return u"message has no type"_s;
    case ChannelDecodeError::BadRequestId:
        return u"message has an invalid request id"_s;
    case ChannelDecodeError::BadBody:
        return u"message body is not a map"_s;
    case ChannelDecodeError::Oversize:
        return u"frame exceeds %1 bytes"_s.arg(kChannelMaxFrameSize);
    }
    return u"unknown error"_s;
}

ChannelMessage ChannelMessage::make(const QString& type, const QCborMap& body, qint64 requestId)
{
    return ChannelMessage{type, kChannelProtocolVersion, requestId, body};
}

QByteArray ChannelMessage::toFrame() const
{
    QCborMap map;
    map.insert(kFieldVersion, version);
    map.insert(kFieldType, type);
    if (requestId != 0)
        map.insert(kFieldRequestId, requestId);
    if (!body.isEmpty())
        map.insert(kFieldBody, body);
    const QByteArray payload = map.toCborValue().toCbor();
    QByteArray frame(kChannelHeaderSize, Qt::Uninitialized);
    qToBigEndian(quint32(payload.size()), frame.data());
    return frame + payload;
}

ChannelMessage::Decoded ChannelMessage::fromPayload(QByteArrayView payload)
{
    QCborValue value;
    if (!readWholeItem(payload, value))
        return ChannelDecodeError::BadCbor;
    if (!value.isMap())
        return ChannelDecodeError::NotAMap;
    const QCborMap map = value.toMap();

    ChannelMessage message;
    const QCborValue version = map.value(kFieldVersion);
    if (!version.isInteger() || version.toInteger() < 1 ||
        version.toInteger() > std::numeric_limits<int>::max())
        return ChannelDecodeError::MissingVersion;
    message.version = int(version.toInteger());

    const QCborValue type = map.value(kFieldType);
    if (!type.isString() || type.toString().isEmpty())
        return ChannelDecodeError::MissingType;
    message.type = type.toString();

    const QCborValue requestId = map.value(kFieldRequestId);
    if (!requestId.isUndefined()) {
        if (!requestId.isInteger() || requestId.toInteger() < 0)
            return ChannelDecodeError::BadRequestId;
        message.requestId = requestId.toInteger();
    }

    const QCborValue body = map.value(kFieldBody);
    if (!body.isUndefined()) {
        if (!body.isMap())
            return ChannelDecodeError::BadBody;
        message.body = body.toMap();
    }
    return message;
}
