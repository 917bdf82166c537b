#include "channel/ChannelFrameReader.h"

#include "channel/ChannelLimits.h"

#include <QtEndian>

std::optional<qint64> ChannelFrameReader::announcedSize() const
{
    if (m_buffer.size() < kChannelHeaderSize)
        return std::nullopt;
    return qint64(qFromBigEndian<quint32>(m_buffer.constData()));
}

ChannelFrameReader::Result ChannelFrameReader::read(QByteArrayView bytes)
{
    Result result;
    if (m_failed)
        return result;
    m_buffer.append(bytes);
    while (true) {
        const std::optional<qint64> size = announcedSize();
        if (!size)
            break;
        // Refused on the header alone: the payload is never waited for nor held.
        if (*size > kChannelMaxFrameSize) {
            result.error = ChannelDecodeError::Oversize;
            break;
        }
        if (m_buffer.size() - kChannelHeaderSize < *size)
            break;
        const QByteArrayView payload =
            QByteArrayView(m_buffer).sliced(kChannelHeaderSize, qsizetype(*size));
        const ChannelMessage::Decoded decoded = ChannelMessage::fromPayload(payload);
        if (const auto* error = std::get_if<ChannelDecodeError>(&decoded)) {
            result.error = *error;
            break;
        }
        result.messages.append(std::get<ChannelMessage>(decoded));
        m_buffer.remove(0, kChannelHeaderSize + qsizetype(*size));
    }
    if (result.error) {
        m_failed = true;
        m_buffer.clear();
    }
    return result;
}
