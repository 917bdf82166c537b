#include "Trace.h"

#include "Clock.h"
#include "Directories.h"
#include "TextFile.h"

#include <QDir>
#include <QFile>

std::atomic<bool> TraceEnabled{false};

namespace {

QString tracePath(const QString& tag)
{
    const QString stamp = currentLocalDateTime().toString(QStringLiteral("yyyyMMdd_HHmmss"));
    const QDir traceDir(QDir(PoDataDirectory()).filePath(QStringLiteral("trace")));
    return traceDir.filePath(stamp + u'_' + tag + u".trc");
}

[[noreturn]] void throwError(const QFile& file)
{
    const QString text = u"cannot write " + file.fileName() + u": " + file.errorString();
    throw TextFileError(text.toStdString());
}

} // namespace

void WriteTraceFile(const QString& text, const QString& tag)
{
    if (TraceEnabled.load())
        WriteTraceFile(text.toUtf8(), tag);
}

void WriteTraceFile(const QByteArray& bytes, const QString& tag)
{
    if (!TraceEnabled.load()) {
        return;
    }
    QFile file(tracePath(tag));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        throwError(file);
    }
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        throwError(file);
    }
    file.close();
}
