#pragma once

#include "channel/ChannelMessage.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <optional>

// Cuts a byte stream, read in any pieces, into messages. The first bad frame ends the stream:
// its error is reported once and everything after it is ignored, since a peer that sent it can
// no longer be trusted to be in step.
class ChannelFrameReader
{
public:
    struct Result
    {
        QList<ChannelMessage> messages;
        std::optional<ChannelDecodeError> error;
    };

    // The messages completed by these bytes, then the error of a bad frame, if one came.
    Result read(QByteArrayView bytes);

    // Bytes held for a frame that is not yet whole.
    qsizetype pendingSize() const { return m_buffer.size(); }
    bool failed() const { return m_failed; }

private:
    // The payload size of the frame at the head of the buffer, once its header is whole.
    std::optional<qint64> announcedSize() const;

    QByteArray m_buffer;
    bool m_failed = false;
};
