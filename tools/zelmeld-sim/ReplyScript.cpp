#include "ReplyScript.h"

#include <QStringList>

#include <array>
#include <utility>

namespace {

constexpr std::array kReplies = {
    std::pair{SimReply::Ok, "OK"},
    std::pair{SimReply::Nak, "NAK"},
    std::pair{SimReply::Silent, "SILENT"},
    std::pair{SimReply::Garbage, "GARBAGE"},
};

// Not "OK" and not "NAK" at its start, so the gateway must take it for an invalid answer.
constexpr char kGarbageLine[] = "#GARBAGE#";

std::optional<SimReply> replyFromName(const QString& name)
{
    for (const auto& [reply, replyText] : kReplies) {
        if (name.compare(QLatin1String(replyText), Qt::CaseInsensitive) == 0)
            return reply;
    }
    return std::nullopt;
}

} // namespace

QByteArray replyBytes(SimReply reply)
{
    switch (reply) {
    case SimReply::Ok:
        return QByteArrayLiteral("OK\r");
    case SimReply::Nak:
        return QByteArrayLiteral("NAK\r");
    case SimReply::Silent:
        return QByteArray();
    case SimReply::Garbage:
        return QByteArray(kGarbageLine) + '\r';
    }
    return QByteArray();
}

QString replyName(SimReply reply)
{
    for (const auto& [candidate, replyText] : kReplies) {
        if (candidate == reply)
            return QLatin1String(replyText);
    }
    return QString();
}

std::optional<ReplyScript> ReplyScript::parse(const QString& rule)
{
    QList<SimReply> replies;
    for (const QString& name : rule.split(u',')) {
        const std::optional<SimReply> reply = replyFromName(name.trimmed());
        if (!reply)
            return std::nullopt;
        replies.append(*reply);
    }
    return ReplyScript(std::move(replies));
}

SimReply ReplyScript::next()
{
    const SimReply reply = m_replies.at(m_next);
    m_next = (m_next + 1) % m_replies.size();
    return reply;
}

QString ReplyScript::text() const
{
    QStringList names;
    for (const SimReply reply : m_replies)
        names.append(replyName(reply));
    return names.join(u',');
}
