#pragma once

#include "core/Clock.h"

#include <QList>
#include <QPair>
#include <QString>

#include <optional>

// How long a line queued for ZelMeld waits for its reply, counted from its queueing. Its
// sender gives up then; a reply that comes later answers nothing.
inline constexpr int ZelReplyWaitSeconds = 10;

// Which line each ZelMeld reply answers. ZelMeld answers the lines of one connection in the
// order they came, so a reply belongs to the oldest line written on that connection that is
// not answered yet and still within its reply wait. A reply with no such line belongs to
// nobody; a connection that ends takes its unanswered lines with it. Lines are known by the
// id SendIPString gave them.
class ZelReplyLedger
{
public:
    // The line's bytes were handed to the connection; queuedAt is when it was queued.
    void lineWritten(quint64 id, Timestamp queuedAt);
    // The line was thrown away before it left (the connection was aborted with it unsent).
    void lineGivenUp(quint64 id);
    // A reply arrived: the id of the line it answers, or nothing when no line waits.
    std::optional<quint64> replyArrived(const QString& reply);
    // The connection is gone: its unanswered lines will never get a reply.
    void connectionEnded();

    // The reply to the line of this id, once it has come.
    std::optional<QString> replyTo(quint64 id) const;
    qsizetype waitingCount() const { return m_waiting.size(); }

private:
    struct Waiting
    {
        quint64 id = 0;
        Timestamp queuedAt = 0.0;
    };
    void dropExpired();

    QList<Waiting> m_waiting;                  // oldest first
    QList<QPair<quint64, QString>> m_answered; // the most recent answers, oldest first
};
