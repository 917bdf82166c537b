#include "PoSimHttp.h"

#include <QList>

namespace {

constexpr char kHeadEnd[] = "\r\n\r\n";

} // namespace

bool hasCompleteHead(const QByteArray& buffer)
{
    return buffer.contains(kHeadEnd);
}

std::optional<PoSimRequest> parseRequestHead(const QByteArray& buffer)
{
    const qsizetype lineEnd = buffer.indexOf("\r\n");
    if (lineEnd < 0)
        return std::nullopt;
    const QList<QByteArray> parts = buffer.left(lineEnd).split(' ');
    if (parts.size() != 3 || parts[0].isEmpty() || !parts[1].startsWith('/') ||
        !parts[2].startsWith("HTTP/"))
        return std::nullopt;
    PoSimRequest request{parts[0], parts[1], parts[1]};
    const qsizetype query = request.path.indexOf('?');
    if (query >= 0)
        request.path.truncate(query);
    return request;
}

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 204:
        return "No Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 500:
        return "Internal Server Error";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    default:
        return "Status " + QByteArray::number(status);
    }
}

QByteArray serialize(const PoSimReply& reply)
{
    QByteArray bytes =
        "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reasonPhrase(reply.status) + "\r\n";
    if (!reply.contentType.isEmpty())
        bytes += "Content-Type: " + reply.contentType + "\r\n";
    if (!reply.location.isEmpty())
        bytes += "Location: " + reply.location + "\r\n";
    bytes += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    bytes += "Connection: close\r\n\r\n";
    return bytes + reply.body;
}

PoSimReply statusReply(int status)
{
    return PoSimReply{status, "text/plain", reasonPhrase(status) + '\n', {}};
}
