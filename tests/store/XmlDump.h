#pragma once

#include "store/XmlDocument.h"

#include <QString>

#include <memory>

// A compact text of elements for comparing trees in tests: name(attr=value|...){children},
// siblings separated by ";". Attribute order is part of the text on purpose: the documents
// are written in the order their attributes were created.
inline QString DumpNode(pugi::xml_node node);

inline QString DumpChildren(pugi::xml_node parent)
{
    QString text;
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element)
            continue;
        if (!text.isEmpty())
            text += u';';
        text += DumpNode(child);
    }
    return text;
}

inline QString DumpAttributes(pugi::xml_node node)
{
    QString text;
    for (const pugi::xml_attribute attr : node.attributes()) {
        if (!text.isEmpty())
            text += u'|';
        text += QString::fromUtf8(attr.name()) + u'=' + QString::fromUtf8(attr.value());
    }
    return text;
}

inline QString DumpNode(pugi::xml_node node)
{
    QString text = QString::fromUtf8(node.name()) + u'(' + DumpAttributes(node) + u')';
    const QString children = DumpChildren(node);
    if (!children.isEmpty())
        text += u'{' + children + u'}';
    return text;
}

// A document from inline XML; an empty text gives a document without content.
inline std::unique_ptr<XmlDocument> ParseDocument(const QByteArray& xml)
{
    auto doc = std::make_unique<XmlDocument>();
    if (!xml.isEmpty() && !doc->dom().load_buffer(xml.constData(), size_t(xml.size())))
        doc->clear();
    return doc;
}

inline std::unique_ptr<XmlDocument> LoadFixture(const char* name)
{
    XmlDocumentHandle doc;
    // No root name is asked for: only a fixture that cannot be read is a failure.
    const OpenResult opened =
        OpenXmlDocument(doc, QStringLiteral(ZELPO_FIXTURES "/store/") + QLatin1String(name), {});
    if (!doc->hasContent())
        qWarning("fixture %s: %s", name, qPrintable(opened.reason));
    return doc;
}

inline int ElementCount(pugi::xml_node node)
{
    int count = 0;
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element)
            count += 1 + ElementCount(child);
    }
    return count;
}
