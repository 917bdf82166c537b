#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// How the simulator answers one received line.
enum class SimReply
{
    Ok,      // "OK"
    Nak,     // "NAK"
    Silent,  // no answer at all
    Garbage, // a line that is neither accepted nor refused
};

// The bytes that go back for a reply, carriage return included; empty for Silent.
QByteArray replyBytes(SimReply reply);
QString replyName(SimReply reply);

// The answer rule of the command line: one of ok, nak, silent, garbage, or several of them
// separated by commas, which are used in turn and then from the start again ("NAK,OK").
// Case does not matter.
class ReplyScript
{
public:
    // Empty when the rule names anything else or is empty.
    static std::optional<ReplyScript> parse(const QString& rule);

    // The answer to the next line; the position is shared by all connections.
    SimReply next();

    // The rule written back in upper case, for the start-up line.
    QString text() const;

private:
    explicit ReplyScript(QList<SimReply> replies) : m_replies(std::move(replies)) {}

    QList<SimReply> m_replies;
    qsizetype m_next = 0;
};
