#include "TextFile.h"

#include "Clock.h"

#include <QLocale>

namespace {

[[noreturn]] void throwError(const QString& what, const QFile& file)
{
    const QString text = what + u' ' + file.fileName() + u": " + file.errorString();
    throw TextFileError(text.toStdString());
}

} // namespace

QString longTimeText(const QTime& time)
{
    // The locale's long time format names the time zone on some systems; a
    // time of day has none, and a zone name would only lengthen every line.
    QString format = QLocale::system().timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return QLocale::system().toString(time, format.trimmed());
}

void TTextFile::setFileOpen(bool open)
{
    if (open) {
        this->open();
    } else {
        close();
    }
}

void TTextFile::open()
{
    if (m_file || m_fileName.isEmpty()) {
        return;
    }
    auto file = std::make_unique<QFile>(m_fileName);
    // Append keeps an existing file's content and creates a missing file empty.
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append)) {
        throwError(QStringLiteral("cannot open"), *file);
    }
    m_file = std::move(file);
}

void TTextFile::close()
{
    if (!m_file) {
        return;
    }
    const std::unique_ptr<QFile> file = std::move(m_file);
    const bool flushed = file->flush();
    file->close();
    if (!flushed) {
        throwError(QStringLiteral("cannot close"), *file);
    }
}

// Runs action with the file open and restores the closed state afterwards when the file
// was closed before, also when action throws.
void TTextFile::withFileOpen(const std::function<void()>& action)
{
    const bool wasOpen = FileOpen();
    open();
    if (!FileOpen()) {
        return;
    }
    try {
        action();
    } catch (const TextFileError&) {
        if (!wasOpen) {
            m_file.reset();
        }
        throw;
    }
    if (!wasOpen) {
        close();
    }
}

void TTextFile::WriteLine(const QString& text)
{
    Write(text + u"\r\n");
}

void TTextFile::Write(const QString& text)
{
    withFileOpen([&] { writeOpen(text); });
}

void TTextFile::writeOpen(const QString& text)
{
    if (m_atLineStart && m_timeStamp) {
        m_atLineStart = false;
        putTimeStamp();
    }
    if (text.contains(u"\r\n")) {
        m_atLineStart = true;
        m_pendingCR = true;
    } else if (text.contains(u'\n')) {
        m_atLineStart = true;
    } else {
        m_atLineStart = false;
        if (text.contains(u'\r')) {
            m_pendingCR = true;
        } else {
            if (m_pendingCR && m_autoLineFeed) {
                put(QStringLiteral("\n"));
                if (m_timeStamp) {
                    putTimeStamp();
                }
            }
            m_pendingCR = false;
        }
    }
    put(text);
    if (!m_file->flush()) {
        throwError(QStringLiteral("cannot flush"), *m_file);
    }
}

void TTextFile::put(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    if (m_file->write(bytes) != bytes.size()) {
        throwError(QStringLiteral("cannot write"), *m_file);
    }
}

void TTextFile::putTimeStamp()
{
    put(longTimeText(currentLocalDateTime().time()) + u';');
}

void TTextFile::Clear()
{
    withFileOpen([&] {
        if (!m_file->resize(0)) {
            throwError(QStringLiteral("cannot truncate"), *m_file);
        }
    });
}

qint64 TTextFile::GetSize()
{
    // The file is measured through a handle of its own, so a held handle is let go first.
    const bool wasOpen = FileOpen();
    close();
    qint64 size = 0;
    QFile probe(m_fileName);
    if (!m_fileName.isEmpty() &&
        probe.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::ExistingOnly)) {
        size = probe.size();
    }
    if (wasOpen) {
        open();
    }
    return size;
}
