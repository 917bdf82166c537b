#pragma once

#include <QObject>
#include <QString>

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

Q_SIGNALS:
    // Time of day + " " + message.
    void listLine(int target, const QString& line);

private:
    Log() = default;
};

// Appends "<date><time><message>" to the log file, after the roll-over check; targets 1 and 2
// also send the line to their list. Failures of the file are ignored.
void LogMessage(const QString& message, int target = LogFileOnly);

// The roll-over check: above 10485760 bytes copy the log to "OLDPO.log" beside it (replacing
// it) and empty the log. Also called by the polling worker after a configuration request.
void rollOverLog();

// Appends one raw line (no frame) to the log file; used by the test-send button.
void writeRawLogLine(const QString& line);
