#pragma once

#include "XmlText.h"

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
    void clear()
    {
        m_dom.reset();
        m_text.reset();
    }
    // Parses text as the content, in place: the tree's strings point into the text kept here
    // rather than into a copy of it, so that a large file is not held twice. Cleared when the
    // text is no well-formed XML.
    pugi::xml_parse_result parse(std::string text);

    // The root element: the document element of the tree.
    pugi::xml_node root() const { return m_dom.document_element(); }
    // The element that name checks look at: the first child node, or its next
    // sibling when the first is the XML declaration.
    pugi::xml_node rootForNameCheck() const;

private:
    // The text that parse() left the tree's strings in; on the heap of its own, so that
    // moving the document moves no character the tree points to. Outlives the tree.
    std::unique_ptr<std::string> m_text;
    pugi::xml_document m_dom;
};

// A handle may be empty; opening creates the instance.
using XmlDocumentHandle = std::unique_ptr<XmlDocument>;

// Ordered (attribute name, required value) pairs.
using AttributeFilter = std::vector<std::pair<std::string, std::string>>;

// How an open ended. Only Loaded, Created and Kept leave a document whose root bears the
// expected name; every other outcome carries the reason in words.
struct [[nodiscard]] OpenResult
{
    enum Outcome
    {
        Loaded,     // read from the file
        Created,    // the file is missing: an empty document with the root, not yet saved
        Kept,       // the instance already had content; nothing was read
        WrongRoot,  // read, but its root bears another name; the content stays open
        Unreadable, // the file exists but cannot be read; the instance stays empty
        Malformed,  // the file is no well-formed XML; the instance stays empty
    };
    Outcome outcome = Loaded;
    QString reason;

    bool ok() const { return outcome == Loaded || outcome == Created || outcome == Kept; }
    explicit operator bool() const { return ok(); }
};

// The outcome of a save: empty reason when the file was written.
struct [[nodiscard]] SaveResult
{
    QString reason;

    bool ok() const { return reason.isEmpty(); }
    explicit operator bool() const { return ok(); }
};

// Opens the document behind the handle: keeps content that is already there,
// else loads the file, or creates an empty document with the given root when
// the file is missing.
OpenResult OpenXmlDocument(XmlDocumentHandle& handle, const QString& path,
                           std::string_view rootName);

// Writes the document in ISO-8859-1, with TAB indentation unless asked otherwise, atomically
// (a crash leaves the old or the new file, never half of one).
SaveResult SaveXmlDocument(const XmlDocumentHandle& handle, const QString& path,
                           XmlLayout layout = XmlLayout::Indented);

// The first child of start named name whose attributes match the filter;
// descends only through elements of that same name.
pugi::xml_node FindChildNode(pugi::xml_node start, std::string_view name,
                             const AttributeFilter& filter = {});
