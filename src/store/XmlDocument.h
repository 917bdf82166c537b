#pragma once

#include <QString>

#include <pugixml.hpp>

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// One instance of an XML document. Empty (no content) until opened; a
// document that failed to parse stays empty, because the parser keeps a
// partial tree that must never be taken for the file's content.
class XmlDocument
{
public:
    pugi::xml_document& dom() { return m_dom; }
    const pugi::xml_document& dom() const { return m_dom; }

    bool hasContent() const { return bool(m_dom.first_child()); }
    // Discards the content so that the next open reads the file again.
    void clear() { m_dom.reset(); }

    // The root element: the document element of the tree.
    pugi::xml_node root() const { return m_dom.document_element(); }
    // The element that name checks look at: the first child node, or its next
    // sibling when the first is the XML declaration.
    pugi::xml_node rootForNameCheck() const;

private:
    pugi::xml_document m_dom;
};

// A handle may be empty; opening creates the instance.
using XmlDocumentHandle = std::unique_ptr<XmlDocument>;

// Ordered (attribute name, required value) pairs.
using AttributeFilter = std::vector<std::pair<std::string, std::string>>;

// Opens the document behind the handle: keeps content that is already there,
// else loads the file, or creates an empty document with the given root when
// the file is missing. True when the root bears rootName.
bool OpenXmlDocument(XmlDocumentHandle& handle, const QString& path, std::string_view rootName);

// Writes the document in ISO-8859-1 with TAB indentation, atomically (a crash
// leaves the old or the new file, never half of one). False on any failure.
bool SaveXmlDocument(const XmlDocumentHandle& handle, const QString& path);

// The first child of start named name whose attributes match the filter;
// descends only through elements of that same name.
pugi::xml_node FindChildNode(pugi::xml_node start, std::string_view name,
                             const AttributeFilter& filter = {});
