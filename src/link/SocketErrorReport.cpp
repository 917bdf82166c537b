#include "SocketErrorReport.h"

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <cerrno>
#endif

#include <array>
#include <optional>
#include <utility>

namespace {

using SocketError = QAbstractSocket::SocketError;

// Only the errors that stand for one system error; the others (network error, resources,
// unsupported operation ...) each cover several system errors that Qt does not tell apart. Qt
// reports a reset and an orderly close alike as RemoteHostClosedError: not one of these.
#ifdef Q_OS_WIN
constexpr int kConnectionReset = WSAECONNRESET;
constexpr std::array kSystemErrors = {
    std::pair{QAbstractSocket::ConnectionRefusedError, WSAECONNREFUSED},
    std::pair{QAbstractSocket::SocketTimeoutError, WSAETIMEDOUT},
    std::pair{QAbstractSocket::SocketAccessError, WSAEACCES},
    std::pair{QAbstractSocket::AddressInUseError, WSAEADDRINUSE},
    std::pair{QAbstractSocket::SocketAddressNotAvailableError, WSAEADDRNOTAVAIL},
    // Name resolution has a WSA code of its own; POSIX reports it outside errno.
    std::pair{QAbstractSocket::HostNotFoundError, WSAHOST_NOT_FOUND},
};
#else
constexpr int kConnectionReset = ECONNRESET;
constexpr std::array kSystemErrors = {
    std::pair{QAbstractSocket::ConnectionRefusedError, ECONNREFUSED},
    std::pair{QAbstractSocket::SocketTimeoutError, ETIMEDOUT},
    std::pair{QAbstractSocket::SocketAccessError, EACCES},
    std::pair{QAbstractSocket::AddressInUseError, EADDRINUSE},
    std::pair{QAbstractSocket::SocketAddressNotAvailableError, EADDRNOTAVAIL},
};
#endif

std::optional<int> systemErrorNumber(SocketError error)
{
    for (const auto& [qtError, number] : kSystemErrors) {
        if (qtError == error)
            return number;
    }
    return std::nullopt;
}

} // namespace

SocketErrorReport socketErrorReport(SocketError error, const QString& qtText)
{
    // The system's own wording; Windows ends its texts with a line break.
    if (const std::optional<int> number = systemErrorNumber(error))
        return {*number, qt_error_string(*number).trimmed()};
    return {int(error), qtText};
}

SocketErrorReport connectionResetReport()
{
    return {kConnectionReset, qt_error_string(kConnectionReset).trimmed()};
}

QString socketErrorLogText(const SocketErrorReport& report)
{
    return QString::number(report.code) + u' ' + report.text;
}
