#include "ZelReplyLedger.h"

namespace {

// A sender asks for the reply to its own line soon after it came; older answers are dropped.
constexpr qsizetype kAnswersKept = 64;

} // namespace

void ZelReplyLedger::lineWritten(quint64 id, Timestamp queuedAt)
{
    if (id != 0)
        m_waiting.append({id, queuedAt});
}

void ZelReplyLedger::lineGivenUp(quint64 id)
{
    m_waiting.removeIf([id](const Waiting& line) { return line.id == id; });
}

// A line whose sender has given up on it waits no more: its late reply must not be taken as
// the answer to a line written after it. The sender started its wait when it queued the line,
// so the line expires no later than the sender gives up.
void ZelReplyLedger::dropExpired()
{
    while (!m_waiting.isEmpty() &&
           !WithinSeconds(ZelReplyWaitSeconds, 0, m_waiting.first().queuedAt))
        m_waiting.removeFirst();
}

std::optional<quint64> ZelReplyLedger::replyArrived(const QString& reply)
{
    dropExpired();
    if (m_waiting.isEmpty())
        return std::nullopt;
    const quint64 id = m_waiting.takeFirst().id;
    m_answered.append({id, reply});
    if (m_answered.size() > kAnswersKept)
        m_answered.removeFirst();
    return id;
}

void ZelReplyLedger::connectionEnded()
{
    m_waiting.clear();
}

std::optional<QString> ZelReplyLedger::replyTo(quint64 id) const
{
    for (auto it = m_answered.crbegin(); it != m_answered.crend(); ++it) {
        if (it->first == id)
            return it->second;
    }
    return std::nullopt;
}
