#include "PoTraces.h"

#include "core/Log.h"
#include "core/TextFile.h"
#include "core/Trace.h"
#include "store/XmlDocument.h"
#include "store/XmlText.h"

using namespace Qt::StringLiterals;

void PoTraces::write(const QByteArray& bytes, const char* tag)
{
    if (!TraceEnabled.load())
        return;
    try {
        WriteTraceFile(bytes, QLatin1String(tag));
    } catch (const TextFileError& error) {
        if (!m_failed)
            LogMessage(u"Trace not written: "_s + QString::fromUtf8(error.what()), LogPoList);
        m_failed = true;
    }
}

void PoTraces::writeDocument(const XmlDocument& document, const char* tag)
{
    if (TraceEnabled.load())
        write(QByteArray::fromStdString(serializeLatin1(document.dom()).bytes), tag);
}
