#pragma once

#include "DocumentOwner.h"
#include "LinkLookupTable.h"

#include <optional>

// The look-up table of the link definitions as they stand now. It is made again only when the
// owner reports a change (an operator's edit, a reload), so the alarm walk finds each link
// without searching the document and still sees every edit at its next look-up.
class CurrentLinkTable
{
public:
    explicit CurrentLinkTable(const DocumentOwner& owner) : m_owner(owner) {}

    const LinkLookupTable& table();

private:
    const DocumentOwner& m_owner;
    std::optional<LinkLookupTable> m_table;
    const XmlDocument* m_document = nullptr;
    quint64 m_revision = 0;
};
