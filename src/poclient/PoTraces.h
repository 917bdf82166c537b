#pragma once

#include <QByteArray>

class XmlDocument;

// Trace files are diagnostics: one that cannot be written is logged, once per request, and
// never costs a request its result, so that alarms are still forwarded while the trace folder
// is missing or full. The texts are built only while tracing is on.
class PoTraces
{
public:
    // failed: a trace of the same request could not be written earlier (and was logged).
    explicit PoTraces(bool failed = false) : m_failed(failed) {}
    bool failed() const { return m_failed; }
    void write(const QByteArray& bytes, const char* tag);
    // The document as its file would hold it: ISO-8859-1 bytes under that declaration.
    void writeDocument(const XmlDocument& document, const char* tag);

private:
    bool m_failed = false;
};
