#include "XmlDocument.h"

#include "SearchOrder.h"
#include "XmlText.h"

#include "core/AtomicFile.h"
#include "core/Log.h"

#include <QFile>

using namespace Qt::StringLiterals;

namespace {

constexpr const char* kEncoding = "ISO-8859-1";

void createEmpty(pugi::xml_document& dom, std::string_view rootName)
{
    pugi::xml_node decl = dom.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("encoding") = kEncoding;
    dom.append_child(std::string(rootName).c_str());
}

// The file in the encoding that the byte-order mark or the declaration names; the bytes are let
// go as soon as they are decoded, so that a large file is never held three times.
DecodedXml readDecoded(const QString& path, QString& problem)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        problem = file.errorString();
        return {};
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        problem = file.errorString();
        return {};
    }
    return decodeXmlBytes(std::string_view(bytes.constData(), bytes.size()));
}

OpenResult loadFile(XmlDocument& document, const QString& path)
{
    QString problem;
    DecodedXml decoded = readDecoded(path, problem);
    if (!problem.isEmpty())
        return {OpenResult::Unreadable, problem};
    if (!decoded.ok())
        return {OpenResult::Malformed, QString::fromStdString(decoded.error)};
    if (decoded.replaced > 0)
        LogMessage(u"Reading "_s + path + u": "_s + QString::number(decoded.replaced) +
                   u" invalid characters replaced by U+FFFD"_s);
    const pugi::xml_parse_result result = document.parse(std::move(decoded.text));
    if (!result) {
        return {OpenResult::Malformed, QString::fromUtf8(result.description()) +
                                           QStringLiteral(" at offset ") +
                                           QString::number(result.offset)};
    }
    return {OpenResult::Loaded, {}};
}

// The bytes written are ISO-8859-1, so the declaration must say so.
void declareLatin1(pugi::xml_document& dom)
{
    pugi::xml_node decl = dom.first_child();
    if (decl.type() != pugi::node_declaration) {
        decl = dom.prepend_child(pugi::node_declaration);
        decl.append_attribute("version") = "1.0";
    }
    pugi::xml_attribute encoding = decl.attribute("encoding");
    if (!encoding)
        encoding = decl.append_attribute("encoding");
    encoding = kEncoding;
}

bool matches(pugi::xml_node node, const AttributeFilter& filter)
{
    for (const auto& [name, value] : filter) {
        const pugi::xml_attribute attr = node.attribute(name.c_str());
        if (!attr || value != attr.value())
            return false;
    }
    return true;
}

} // namespace

pugi::xml_parse_result XmlDocument::parse(std::string text)
{
    m_dom.reset();
    m_text = std::make_unique<std::string>(std::move(text));
    const pugi::xml_parse_result result = m_dom.load_buffer_inplace(
        m_text->data(), m_text->size(), pugi::parse_default | pugi::parse_declaration,
        pugi::encoding_utf8);
    if (!result)
        clear();
    return result;
}

pugi::xml_node XmlDocument::rootForNameCheck() const
{
    pugi::xml_node first = m_dom.first_child();
    if (first && QString::fromUtf8(first.name()).toUpper() == QLatin1String("XML"))
        return first.next_sibling();
    return first;
}

OpenResult OpenXmlDocument(XmlDocumentHandle& handle, const QString& path,
                           std::string_view rootName)
{
    if (!handle)
        handle = std::make_unique<XmlDocument>();
    pugi::xml_document& dom = handle->dom();
    OpenResult result{OpenResult::Kept, {}};
    if (!handle->hasContent()) {
        if (QFile::exists(path)) {
            result = loadFile(*handle, path);
            if (!result.ok())
                return result;
        } else {
            createEmpty(dom, rootName);
            result.outcome = OpenResult::Created;
        }
    }
    if (rootName != handle->root().name()) {
        return {OpenResult::WrongRoot,
                QStringLiteral("root element is not ") +
                    QString::fromUtf8(rootName.data(), qsizetype(rootName.size()))};
    }
    return result;
}

SaveResult SaveXmlDocument(const XmlDocumentHandle& handle, const QString& path, XmlLayout layout)
{
    if (!handle || !handle->hasContent())
        return {QStringLiteral("cannot write ") + path +
                QStringLiteral(": the document is not open")};
    declareLatin1(handle->dom());
    const Latin1Xml latin1 = serializeLatin1(handle->dom(), layout);
    if (latin1.dropped > 0)
        LogMessage(u"Saving "_s + path + u": "_s + QString::number(latin1.dropped) +
                   u" characters that XML cannot hold were left out"_s);
    const WriteResult written = writeFileAtomically(
        path, QByteArrayView(latin1.bytes.data(), qsizetype(latin1.bytes.size())));
    return {written.reason()};
}

pugi::xml_node FindChildNode(pugi::xml_node start, std::string_view name,
                             const AttributeFilter& filter)
{
    return findInSearchOrder(start, name,
                             [&filter](pugi::xml_node child) { return matches(child, filter); });
}
