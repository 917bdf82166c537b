#pragma once

#include <QByteArray>

#include <optional>

// The request line of an HTTP/1.1 request; headers are read but not used.
struct PoSimRequest
{
    QByteArray method;
    QByteArray target; // as sent, query included
    QByteArray path;   // target without query
};

// The largest request head accepted; a client that sends more is not an office client.
inline constexpr qsizetype kMaxRequestHead = 64 * 1024;

// True once buffer holds the whole head (up to the blank line).
bool hasCompleteHead(const QByteArray& buffer);

// The request line of a complete head, or nothing when it is not "METHOD TARGET HTTP/x.y".
std::optional<PoSimRequest> parseRequestHead(const QByteArray& buffer);

// One complete answer.
struct PoSimReply
{
    int status = 200;
    QByteArray contentType;
    QByteArray body;
    QByteArray location; // sent as Location when not empty
};

QByteArray reasonPhrase(int status);

// The bytes on the wire: status line, Content-Length and Connection: close, then the body.
QByteArray serialize(const PoSimReply& reply);

// A plain-text answer whose body is the reason phrase.
PoSimReply statusReply(int status);
