#include "ZelCodeMerge.h"

#include "DocumentOwner.h"
#include "XmlNodeEdit.h"
#include "ZelCode.h"
#include "ZelDefs.h"

#include "core/Log.h"

#include <unordered_map>

namespace X = ZelDefsXml;

namespace {

std::optional<long long> codeOf(pugi::xml_node node)
{
    return zelCodeValue(attributeValue(node, X::Code));
}

// Merges later children named name into the first of their number; merge(first, later) takes
// what later holds before later is removed. Returns how many were merged away.
template <typename Merge> int mergeChildren(pugi::xml_node parent, const char* name, Merge merge)
{
    std::unordered_map<long long, pugi::xml_node> first;
    int merged = 0;
    for (pugi::xml_node child = parent.child(name); child;) {
        const pugi::xml_node next = child.next_sibling(name);
        if (const std::optional<long long> code = codeOf(child)) {
            const auto [found, added] = first.try_emplace(*code, child);
            if (!added) {
                setNodeAttribute(found->second, X::Code, zelCodeText(*code));
                merge(found->second, child);
                parent.remove_child(child);
                ++merged;
            }
        }
        child = next;
    }
    return merged;
}

void takeLaterName(pugi::xml_node first, pugi::xml_node later)
{
    if (const pugi::xml_attribute name = later.attribute(X::Name))
        setNodeAttribute(first, X::Name, name.value());
}

} // namespace

ZelCodeMergeCount mergeZelCodeForms(XmlDocument& zelDefs)
{
    ZelCodeMergeCount count;
    const pugi::xml_node root = zelDefs.root();
    count.locations =
        mergeChildren(root, X::Location, [](pugi::xml_node first, pugi::xml_node later) {
            takeLaterName(first, later);
            // Everything the later element holds moves along; its alarms are merged by number
            // below, with those already there.
            while (const pugi::xml_node child = later.first_child())
                first.append_move(child);
        });
    for (const pugi::xml_node location : root.children(X::Location))
        count.alarms += mergeChildren(location, X::Alarm, takeLaterName);
    return count;
}

void mergeZelCodeFormsOnRead(DocumentOwner& zelDefs)
{
    if (!zelDefs.holdsFileContent())
        return;
    ZelCodeMergeCount count;
    const bool merged = zelDefs.edit([&count](XmlDocument& document) {
        count = mergeZelCodeForms(document);
        return count.any();
    });
    if (!merged)
        return;
    LogMessage(zelDefs.fileName() + QStringLiteral(" wrote codes in more than one form: ") +
                   QString::number(count.locations) + QStringLiteral(" locations and ") +
                   QString::number(count.alarms) +
                   QStringLiteral(" alarms were merged into the first element of their number"),
               LogPoList);
    (void)zelDefs.save(); // a failure is logged and shown by the owner
}
