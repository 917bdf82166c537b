#include "Log.h"

#include "Clock.h"
#include "TextFile.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QMutex>

namespace {

constexpr qint64 kRollOverSize = 10485760;

// The log file and the one lock that serialises every append and roll-over, whichever
// thread logs.
struct LogFile
{
    QMutex mutex;
    TTextFile tfLog;
};

LogFile& logFile()
{
    static LogFile file;
    return file;
}

QString oldLogPath(const QString& logPath)
{
    return QFileInfo(logPath).dir().filePath(QStringLiteral("OLDPO.log"));
}

// One attempt: an error ends it, the next message tries again. The log moves to its old name
// rather than being copied: a move needs no room, so a full disk cannot lose both files. The
// log is emptied in any case, so that it cannot grow without bound.
void rollOverLocked(TTextFile& log)
{
    try {
        if (log.GetSize() <= kRollOverSize) {
            return;
        }
        log.setFileOpen(false);
        const QString oldPath = oldLogPath(log.FileName());
        QFile::remove(oldPath);
        QFile::rename(log.FileName(), oldPath);
        log.Clear();
    } catch (const TextFileError&) {
    }
}

// Write opens and closes the file itself, so each line is on disk once the call returns.
void writeLineLocked(TTextFile& log, const QString& line)
{
    try {
        log.WriteLine(line);
    } catch (const TextFileError&) {
    }
}

QString frameLine(const QDateTime& local, const QString& message)
{
    const QString date = QLocale::system().toString(local.date(), QLocale::ShortFormat);
    return u'<' + date + u"><" + longTimeText(local.time()) + u"><" + message + u'>';
}

} // namespace

Log& Log::instance()
{
    static Log log;
    return log;
}

void Log::setFileName(const QString& path)
{
    LogFile& file = logFile();
    const QMutexLocker lock(&file.mutex);
    file.tfLog.setFileName(path);
}

QString Log::fileName() const
{
    LogFile& file = logFile();
    const QMutexLocker lock(&file.mutex);
    return file.tfLog.FileName();
}

void LogMessage(const QString& message, int target)
{
    const QDateTime local = currentLocalDateTime();
    // Emitted outside the lock: a directly connected receiver may log in turn.
    if (target == LogZelList || target == LogPoList) {
        Q_EMIT Log::instance().listLine(target, longTimeText(local.time()) + u' ' + message);
    }
    LogFile& file = logFile();
    const QMutexLocker lock(&file.mutex);
    rollOverLocked(file.tfLog);
    writeLineLocked(file.tfLog, frameLine(local, message));
}

void rollOverLog()
{
    LogFile& file = logFile();
    const QMutexLocker lock(&file.mutex);
    rollOverLocked(file.tfLog);
}

void writeRawLogLine(const QString& line)
{
    LogFile& file = logFile();
    const QMutexLocker lock(&file.mutex);
    writeLineLocked(file.tfLog, line);
}
