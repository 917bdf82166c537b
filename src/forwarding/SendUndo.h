#pragma once

#include <pugixml.hpp>

#include <string>
#include <utility>
#include <vector>

// What sending one status entry changes in the document before ZelMeld has the line: the
// entry's own attributes and its group's entry. Kept so that a line that never left can be
// taken back, leaving the change to be sent at the next walk exactly as it would have been.
class SendUndo
{
public:
    // groupCode: the group the send may update, empty when it updates none.
    void capture(pugi::xml_node entry, pugi::xml_node statusRoot, const std::string& groupCode);
    // Puts back what capture saw; a group entry the send created is removed again.
    void restore(pugi::xml_node statusRoot) const;
    void clear();

private:
    using Attributes = std::vector<std::pair<std::string, std::string>>;

    static Attributes attributesOf(pugi::xml_node node);
    static void setAttributes(pugi::xml_node node, const Attributes& attributes);

    pugi::xml_node m_entry;
    Attributes m_entryAttributes;
    std::string m_groupCode;
    bool m_groupExisted = false;
    Attributes m_groupAttributes;
};
