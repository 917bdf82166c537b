#include "XmlDocument.h"

#include "SearchOrder.h"

#include <QFile>
#include <QSaveFile>

#include <cstring>
#include <sstream>

namespace {

constexpr const char* kEncoding = "ISO-8859-1";

void createEmpty(pugi::xml_document& dom, std::string_view rootName)
{
    pugi::xml_node decl = dom.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("encoding") = kEncoding;
    dom.append_child(std::string(rootName).c_str());
}

OpenResult loadFile(pugi::xml_document& dom, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {OpenResult::Unreadable, file.errorString()};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {OpenResult::Unreadable, file.errorString()};
    // The parser picks the encoding from a byte-order mark or the declaration.
    const pugi::xml_parse_result result =
        dom.load_buffer(bytes.constData(), size_t(bytes.size()),
                        pugi::parse_default | pugi::parse_declaration, pugi::encoding_auto);
    if (!result) {
        dom.reset();
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
            result = loadFile(dom, path);
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

SaveResult SaveXmlDocument(const XmlDocumentHandle& handle, const QString& path)
{
    if (!handle || !handle->hasContent())
        return {QStringLiteral("the document is not open")};
    declareLatin1(handle->dom());
    std::ostringstream out;
    handle->dom().save(out, "\t", pugi::format_indent, pugi::encoding_latin1);
    const std::string bytes = out.str();

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {file.errorString()};
    if (file.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size())) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return {reason};
    }
    if (!file.commit())
        return {file.errorString()};
    return {};
}

pugi::xml_node FindChildNode(pugi::xml_node start, std::string_view name,
                             const AttributeFilter& filter)
{
    return findInSearchOrder(start, name,
                             [&filter](pugi::xml_node child) { return matches(child, filter); });
}
