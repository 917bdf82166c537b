#pragma once

#include <QFile>
#include <QString>
#include <QTime>

#include <functional>
#include <memory>
#include <stdexcept>

// An input/output error of a text file: opening, writing, truncating or closing failed.
class TextFileError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The time of day in the system locale's long time format, as log lines and time stamps show it.
QString longTimeText(const QTime& time);

// A UTF-8 text file that is appended to, either held open or opened for each call.
class TTextFile
{
public:
    TTextFile() = default;
    TTextFile(const TTextFile&) = delete;
    TTextFile& operator=(const TTextFile&) = delete;

    QString FileName() const { return m_fileName; }
    void setFileName(const QString& fileName) { m_fileName = fileName; }

    bool FileOpen() const { return m_file != nullptr; }
    // true opens for appending (creating a missing file), false closes; throws TextFileError.
    void setFileOpen(bool open);

    // Prefixes each new line with the local time of day and ";".
    bool TimeStamp() const { return m_timeStamp; }
    void setTimeStamp(bool timeStamp) { m_timeStamp = timeStamp; }

    // Completes a line that ended with a bare carriage return before the next text.
    bool AutoLineFeed() const { return m_autoLineFeed; }
    void setAutoLineFeed(bool autoLineFeed) { m_autoLineFeed = autoLineFeed; }

    void WriteLine(const QString& text);
    void Write(const QString& text);
    void Clear();
    // The size on disk; 0 when the file is missing or cannot be opened for writing.
    qint64 GetSize();

private:
    void open();
    void close();
    void withFileOpen(const std::function<void()>& action);
    void writeOpen(const QString& text);
    void put(const QString& text);
    void putTimeStamp();

    QString m_fileName;
    std::unique_ptr<QFile> m_file;
    bool m_timeStamp = false;
    bool m_autoLineFeed = false;
    bool m_atLineStart = true;
    bool m_pendingCR = false;
};
