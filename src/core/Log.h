#pragma once

#include <QObject>
#include <QString>

// Where a log line goes besides the file; the numbers are the diagnostic lists' own.
enum LogTarget : int
{
    LogFileOnly = 0,
    LogZelList = 1,
    LogPoList = 2
};

// The process-wide log. Lives on the GUI thread (create it there first); lines for the two
// diagnostic lists leave through listLine, which reaches receivers on the GUI thread queued
// when LogMessage runs on a worker thread.
class Log : public QObject
{
    Q_OBJECT
public:
    static Log& instance();

    // The log file; "OLDPO.log" lies beside it.
    void setFileName(const QString& path);
    QString fileName() const;

    // Also writes every log line to standard error, one line each without the file's frame
    // (a service manager's journal stamps its own time). Off unless switched on.
    void setStandardErrorCopy(bool on);
    bool standardErrorCopy() const;

Q_SIGNALS:
    // Time of day + " " + message.
    void listLine(LogTarget target, const QString& line);

private:
    Log() = default;
};

// Appends "<date><time><message>" to the log file, after the roll-over check; targets 1 and 2
// also send the line to their list. Control characters of the message are escaped in both
// (escapedForLog). Failures of the file are ignored.
void LogMessage(const QString& message, LogTarget target = LogFileOnly);

// The roll-over check: above 10485760 bytes move the log to "OLDPO.log" beside it (replacing
// it; a copy where a move is impossible) and start an empty log. When neither works the log
// is kept whole and the failure is noted in it once, until a roll-over succeeds again. Also
// called by the main state machine once it has taken over a definitions answer.
void rollOverLog();

// Appends one line (no frame, control characters escaped) to the log file; used by the
// test-send button.
void writeRawLogLine(const QString& line);

// Log text keeps one line per message and no raw bytes, whatever a peer sent: carriage
// return, line feed and tab become "\r", "\n" and "\t"; every other C0 character, DEL and
// the C1 characters U+0080-U+009F become "\x" and two upper-case hexadecimal digits of the
// code point ("\x00", "\x7F", "\x9B"). Everything else, a backslash too, stays as it is, so
// paths read naturally: the form is for reading, not for decoding back.
QString escapedForLog(const QString& text);
