#include "ZelReplyReader.h"

#include "core/Windows1252.h"

namespace {

constexpr char kCarriageReturn = '\r';

} // namespace

ZelReplyReader::Result ZelReplyReader::read(QByteArrayView received)
{
    Result result;
    qsizetype start = 0;
    for (qsizetype end = received.indexOf(kCarriageReturn); end >= 0;
         end = received.indexOf(kCarriageReturn, start)) {
        const QByteArrayView part = received.sliced(start, end - start);
        if (m_dropping) {
            // The rest of a line already judged too long.
            result.droppedBytes += part.size() + 1;
            m_dropping = false;
        } else {
            m_pending += part;
            if (!m_pending.isEmpty())
                result.lines.append(fromWindows1252(m_pending));
            m_pending.clear();
        }
        start = end + 1;
    }
    const QByteArrayView tail = received.sliced(start);
    if (m_dropping) {
        result.droppedBytes += tail.size();
    } else if (m_pending.size() + tail.size() > kMaxPending) {
        result.droppedBytes += m_pending.size() + tail.size();
        m_pending.clear();
        m_dropping = true;
    } else {
        m_pending += tail;
    }
    return result;
}

void ZelReplyReader::reset()
{
    m_pending.clear();
    m_dropping = false;
}
