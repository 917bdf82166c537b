#pragma once

#include <QAbstractSocket>
#include <QString>

// A socket error as the operator reads it in the log: the operating system's error number
// where Qt's error names exactly one (errno on POSIX, the WSA code on Windows), else Qt's own
// error value, and the matching text.
struct SocketErrorReport
{
    int code = 0;
    QString text;
};

// qtText is the socket's errorString(), used where no system number applies.
SocketErrorReport socketErrorReport(QAbstractSocket::SocketError error, const QString& qtText);

// The peer reset the connection: the system's number and text, which Qt does not give.
SocketErrorReport connectionResetReport();

// "<code> <text>", the form that follows the log's socket-error label.
QString socketErrorLogText(const SocketErrorReport& report);
