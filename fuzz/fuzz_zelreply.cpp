// What ZelMeld sends, and what ZelPO frames for it. The reply reader cuts any byte stream,
// read in any pieces, into the same non-empty lines without carriage returns, and keeps no
// more unfinished text than its bound. A framed message is one line: a single carriage
// return, at its end, and no other control byte.
#include "link/ZelFraming.h"
#include "link/ZelReplyReader.h"

#include "core/Windows1252.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// The head of the input says how to read the rest: how often the body repeats (so that lines
// longer than the reader's bound occur) and the sizes of the reads, used in turn.
constexpr qsizetype kMaxReads = 4096;

struct ReadPlan
{
    int repeat = 1;
    QList<qsizetype> pieceSizes;
    QByteArrayView body;
};

ReadPlan planOf(QByteArrayView input)
{
    ReadPlan plan;
    if (input.size() < 3) {
        plan.pieceSizes.append(1);
        plan.body = input;
        return plan;
    }
    const auto byteAt = [&](qsizetype i) { return static_cast<unsigned char>(input[i]); };
    plan.repeat = 1 + byteAt(0) % 40;
    const qsizetype scale = byteAt(1) & 0x80 ? 512 : 1;
    const qsizetype count = qMin<qsizetype>(1 + byteAt(1) % 8, input.size() - 2);
    for (qsizetype i = 0; i < count; ++i)
        plan.pieceSizes.append((1 + byteAt(2 + i)) * scale);
    plan.body = input.sliced(2 + count);
    // Reads of a byte or two over a long stream say nothing more than a few thousand of them
    // do, and only slow the run down.
    const qsizetype reads = plan.body.size() * plan.repeat /
                            *std::min_element(plan.pieceSizes.cbegin(), plan.pieceSizes.cend());
    if (reads > kMaxReads) {
        for (qsizetype& size : plan.pieceSizes)
            size *= reads / kMaxReads + 1;
    }
    return plan;
}

struct ReadOutcome
{
    QStringList lines;
    qsizetype dropped = 0;
    qsizetype pending = 0;
};

void checkRead(const ZelReplyReader& reader, const ZelReplyReader::Result& result)
{
    if (reader.pendingSize() > ZelReplyReader::kMaxPending)
        std::abort();
    for (const QString& line : result.lines) {
        if (line.isEmpty() || line.contains(u'\r'))
            std::abort();
    }
}

ReadOutcome readInPieces(const QByteArray& stream, const QList<qsizetype>& pieceSizes)
{
    ZelReplyReader reader;
    ReadOutcome outcome;
    qsizetype at = 0;
    for (qsizetype turn = 0; at < stream.size(); ++turn) {
        const qsizetype size = qMin(pieceSizes[turn % pieceSizes.size()], stream.size() - at);
        const ZelReplyReader::Result result = reader.read(QByteArrayView(stream).sliced(at, size));
        checkRead(reader, result);
        outcome.lines += result.lines;
        outcome.dropped += result.droppedBytes;
        at += size;
    }
    outcome.pending = reader.pendingSize();
    return outcome;
}

// The lines as the stream holds them, for a reader that dropped nothing.
QStringList expectedLines(const QByteArray& stream)
{
    QStringList lines;
    const QList<QByteArray> parts = stream.split('\r');
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        if (!parts[i].isEmpty())
            lines.append(fromWindows1252(parts[i]));
    }
    return lines;
}

void checkReplies(QByteArrayView input)
{
    const ReadPlan plan = planOf(input);
    const QByteArray stream = plan.body.toByteArray().repeated(plan.repeat);
    const ReadOutcome whole = readInPieces(stream, {qMax<qsizetype>(stream.size(), 1)});
    const ReadOutcome pieces = readInPieces(stream, plan.pieceSizes);
    if (whole.dropped == 0 && whole.lines != expectedLines(stream))
        std::abort();
    if (whole.dropped == 0 && pieces.dropped == 0 &&
        (pieces.lines != whole.lines || pieces.pending != whole.pending))
        std::abort();
}

void checkFrame(const QString& message)
{
    const QByteArray framed = frameZelMessage(message);
    // One byte per character, then the carriage return.
    if (framed.size() != message.toUcs4().size() + 1 || !framed.endsWith('\r'))
        std::abort();
    for (qsizetype i = 0; i + 1 < framed.size(); ++i) {
        const auto byte = static_cast<unsigned char>(framed[i]);
        if (byte < 0x20 || byte == 0x7F)
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView input(data, qsizetype(size));
    checkReplies(input);
    checkFrame(QString::fromUtf8(input));
    checkFrame(QString::fromLatin1(input));
    return 0;
}
