#include "Log.h"

#include "Clock.h"
#include "TextFile.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QMutex>

#include <cstdio>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 kRollOverSize = 10485760;

// The log file and the one lock that serialises every append and roll-over, whichever
// thread logs.
// The file is held open and its size counted, so a line costs one write, not two opens.
struct LogFile
{
    QMutex mutex;
    TTextFile tfLog;
    qint64 size = 0;              // valid while tfLog is open
    bool rollOverFailing = false; // the failure has been noted in the log once
    bool toStandardError = false;

    // Opens the file when it is not open (throws TextFileError) and learns its size.
    void ensureOpen()
    {
        if (tfLog.FileOpen())
            return;
        tfLog.setFileOpen(true);
        size = QFileInfo(tfLog.FileName()).size();
    }
    void writeLine(const QString& line)
    {
        ensureOpen();
        tfLog.WriteLine(line);
        size += line.toUtf8().size() + 2;
    }
    void close()
    {
        try {
            tfLog.setFileOpen(false);
        } catch (const TextFileError&) {
            // Every line was flushed when written; a failed close loses nothing.
        }
    }
};

LogFile& logFile()
{
    static LogFile file;
    return file;
}

// Under the log's lock, so lines of two threads never interleave.
void copyToStandardErrorLocked(const LogFile& file, const QString& text)
{
    if (!file.toStandardError)
        return;
    const QByteArray line = text.toUtf8() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

QString oldLogPath(const QString& logPath)
{
    return QFileInfo(logPath).dir().filePath(QStringLiteral("OLDPO.log"));
}

QString frameLine(const QDateTime& local, const QString& message)
{
    const QString date = QLocale::system().toString(local.date(), QLocale::ShortFormat);
    return u'<' + date + u"><" + longTimeText(local.time()) + u"><" + message + u'>';
}

// A rename that replaces the target in one step, so no moment exists without an old log, and
// that needs no room. Empty on success, else the reason.
QString renameReplacing(const QString& from, const QString& to)
{
#ifdef Q_OS_WIN
    const std::wstring source = QDir::toNativeSeparators(from).toStdWString();
    const std::wstring target = QDir::toNativeSeparators(to).toStdWString();
    if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
        return QString();
    return qt_error_string(int(GetLastError()));
#else
    std::error_code error;
    std::filesystem::rename(QFileInfo(from).filesystemFilePath(),
                            QFileInfo(to).filesystemFilePath(), error);
    return error ? QString::fromLocal8Bit(error.message()) : QString();
#endif
}

// Puts from in the place of to: a rename, or where that fails (another volume, a reader
// holding the file) a copy over the target. Empty when one of them worked, else both reasons.
QString moveReplacing(const QString& from, const QString& to)
{
    const QString renameError = renameReplacing(from, to);
    if (renameError.isEmpty())
        return QString();
    std::error_code copyError;
    std::filesystem::copy_file(QFileInfo(from).filesystemFilePath(),
                               QFileInfo(to).filesystemFilePath(),
                               std::filesystem::copy_options::overwrite_existing, copyError);
    if (!copyError)
        return QString();
    return u"rename: "_s + renameError + u", copy: "_s +
           QString::fromLocal8Bit(copyError.message());
}

// Said once per run of failures: every message retries, and each would say it again.
void noteRollOverFailure(LogFile& file, const QString& oldPath, const QString& failure)
{
    if (file.rollOverFailing)
        return;
    file.rollOverFailing = true;
    const QString note =
        u"Log roll-over to "_s + oldPath + u" failed, the log keeps growing ("_s + failure + u')';
    file.writeLine(frameLine(currentLocalDateTime(), note));
    copyToStandardErrorLocked(file, note);
}

// One attempt: an error ends it, the next message tries again. The log is emptied only once
// its content is safe under the old name; when neither move nor copy worked it keeps growing,
// and says so, rather than losing both files.
void rollOverLocked(LogFile& file)
{
    TTextFile& log = file.tfLog;
    try {
        file.ensureOpen();
        if (file.size <= kRollOverSize)
            return;
        log.setFileOpen(false);
        const QString oldPath = oldLogPath(log.FileName());
        const QString failure = moveReplacing(log.FileName(), oldPath);
        if (!failure.isEmpty()) {
            noteRollOverFailure(file, oldPath, failure);
            return;
        }
        file.rollOverFailing = false;
        log.Clear();
        file.ensureOpen();
    } catch (const TextFileError&) {
        // The log has no other place to report to; the next message tries again.
    }
}

// Each line is flushed to the system once the call returns.
void writeLineLocked(LogFile& file, const QString& line)
{
    try {
        file.writeLine(line);
    } catch (const TextFileError&) {
        // A log that cannot be written loses the line; the lists still show it.
    }
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
    file.close();
    file.tfLog.setFileName(path);
}

QString Log::fileName() const
{
    LogFile& file = logFile();
    const QMutexLocker lock(&file.mutex);
    return file.tfLog.FileName();
}

void Log::setStandardErrorCopy(bool on)
{
    LogFile& file = logFile();
    const QMutexLocker lock(&file.mutex);
    file.toStandardError = on;
}

bool Log::standardErrorCopy() const
{
    LogFile& file = logFile();
    const QMutexLocker lock(&file.mutex);
    return file.toStandardError;
}

QString escapedForLog(const QString& text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\r') {
            escaped += u"\\r"_s;
        } else if (u == u'\n') {
            escaped += u"\\n"_s;
        } else if (u == u'\t') {
            escaped += u"\\t"_s;
        } else if (u < 0x20 || (u >= 0x7F && u <= 0x9F)) {
            escaped += u"\\x"_s + QString::number(u, 16).toUpper().rightJustified(2, u'0');
        } else {
            escaped += c;
        }
    }
    return escaped;
}

void LogMessage(const QString& message, LogTarget target)
{
    const QDateTime local = currentLocalDateTime();
    const QString text = escapedForLog(message);
    // Emitted outside the lock: a directly connected receiver may log in turn.
    if (target == LogZelList || target == LogPoList) {
        Q_EMIT Log::instance().listLine(target, longTimeText(local.time()) + u' ' + text);
    }
    LogFile& file = logFile();
    const QMutexLocker lock(&file.mutex);
    rollOverLocked(file);
    writeLineLocked(file, frameLine(local, text));
    copyToStandardErrorLocked(file, text);
}

void rollOverLog()
{
    LogFile& file = logFile();
    const QMutexLocker lock(&file.mutex);
    rollOverLocked(file);
}

void writeRawLogLine(const QString& line)
{
    LogFile& file = logFile();
    const QMutexLocker lock(&file.mutex);
    const QString text = escapedForLog(line);
    writeLineLocked(file, text);
    copyToStandardErrorLocked(file, text);
}
