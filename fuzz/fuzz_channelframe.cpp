// What a window (or anything else that reaches the channel's socket) may send. The frame reader
// cuts any byte stream, read in any pieces, into the same messages and the same first error;
// it never holds more than one frame's bound, and holds nothing once it has failed. Every
// message it yields encodes again to a frame that reads back as the same bytes.
#include "channel/ChannelFrameReader.h"
#include "channel/ChannelLimits.h"
#include "channel/ChannelMessage.h"

#include <QByteArray>
#include <QList>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>

namespace {

struct ReadOutcome
{
    QList<ChannelMessage> messages;
    std::optional<ChannelDecodeError> error;
};

void checkReader(const ChannelFrameReader& reader)
{
    if (reader.pendingSize() > kChannelHeaderSize + kChannelMaxFrameSize)
        std::abort();
    if (reader.failed() && reader.pendingSize() != 0)
        std::abort();
}

ReadOutcome readInPieces(QByteArrayView stream, qsizetype pieceSize)
{
    ChannelFrameReader reader;
    ReadOutcome outcome;
    for (qsizetype at = 0; at < stream.size(); at += pieceSize) {
        const ChannelFrameReader::Result result =
            reader.read(stream.sliced(at, qMin(pieceSize, stream.size() - at)));
        checkReader(reader);
        if (outcome.error && (!result.messages.isEmpty() || result.error))
            std::abort(); // nothing comes after the first error
        outcome.messages += result.messages;
        if (result.error)
            outcome.error = result.error;
    }
    return outcome;
}

void checkMessage(const ChannelMessage& message)
{
    if (message.type.isEmpty() || message.version < 1 || message.requestId < 0)
        std::abort();
    const QByteArray frame = message.toFrame();
    const QByteArrayView payload = QByteArrayView(frame).sliced(kChannelHeaderSize);
    const ChannelMessage::Decoded again = ChannelMessage::fromPayload(payload);
    const auto* decoded = std::get_if<ChannelMessage>(&again);
    if (!decoded || decoded->type != message.type || decoded->version != message.version ||
        decoded->requestId != message.requestId || decoded->toFrame() != frame)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView input(data, qsizetype(size));
    // The input as one payload, then as a stream (its first byte sets the read size).
    const ChannelMessage::Decoded asPayload = ChannelMessage::fromPayload(input);
    if (const auto* message = std::get_if<ChannelMessage>(&asPayload))
        checkMessage(*message);
    if (input.isEmpty())
        return 0;
    const QByteArrayView stream = input.sliced(1);
    const ReadOutcome whole = readInPieces(stream, qMax<qsizetype>(stream.size(), 1));
    const ReadOutcome pieces = readInPieces(stream, 1 + static_cast<unsigned char>(input[0]) % 16);
    if (whole.error != pieces.error || whole.messages.size() != pieces.messages.size())
        std::abort();
    for (qsizetype i = 0; i < whole.messages.size(); ++i) {
        checkMessage(whole.messages[i]);
        if (whole.messages[i].toFrame() != pieces.messages[i].toFrame())
            std::abort();
    }
    return 0;
}
