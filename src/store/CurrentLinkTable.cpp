#include "CurrentLinkTable.h"

const LinkLookupTable& CurrentLinkTable::table()
{
    const XmlDocument* document = m_owner.document();
    if (m_table && document == m_document && m_owner.revision() == m_revision)
        return *m_table;
    // A document not opened yet reads as empty: nothing is found in it.
    static const XmlDocument empty;
    m_table.emplace(document ? *document : empty);
    m_document = document;
    m_revision = m_owner.revision();
    return *m_table;
}
