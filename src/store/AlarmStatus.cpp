#include "AlarmStatus.h"

#include "Documents.h"
#include "NodeKeyIndex.h"
#include "TimestampText.h"
#include "XmlNodeEdit.h"
#include "XmlParseError.h"
#include "XmlText.h"

#include <unordered_set>

namespace X = AlarmStatusXml;

namespace {

constexpr std::string_view kAnswerRoot = "active-alarms";

// A returned alarm is stamped just after its last handled change, so that its return counts
// as a change to send. An entry never handled has no Sent and takes the current time.
std::string returnTime(pugi::xml_node entry)
{
    if (const pugi::xml_attribute sent = entry.attribute(X::Sent))
        return TimestampText(ParseTimestampText(sent.value()) + secondsToDays(8));
    return TimestampText(UtcNow());
}

void markReturned(pugi::xml_node entry)
{
    if (attributeValue(entry, X::State) != X::Active)
        return;
    setNodeAttribute(entry, X::State, X::Returned);
    setNodeAttribute(entry, X::Start, returnTime(entry));
}

void markAllReturned(pugi::xml_node root)
{
    for (const pugi::xml_node entry : root.children(X::AlarmEntry))
        markReturned(entry);
}

// The entries the answer names; every other active one has returned.
using Reported = std::unordered_set<pugi::xml_node_struct*>;

void updateEntry(pugi::xml_node entry, pugi::xml_node reported)
{
    setNodeAttribute(entry, X::Text, attributeValue(reported, X::Text));
    const pugi::xml_attribute start = reported.attribute(X::Start);
    if (start && attributeValue(entry, X::Start) != start.value())
        setNodeAttribute(entry, X::Start, start.value());
    setNodeAttribute(entry, X::State, X::Active);
}

pugi::xml_node appendEntry(pugi::xml_node root, std::string_view pcu, std::string_view location,
                           std::string_view nr, pugi::xml_node reported)
{
    const pugi::xml_node entry = root.append_child(X::AlarmEntry);
    setNodeAttribute(entry, X::Pcu, pcu);
    setNodeAttribute(entry, X::Location, location);
    setNodeAttribute(entry, X::Nr, nr);
    setNodeAttribute(entry, X::Text, attributeValue(reported, X::Text));
    const pugi::xml_attribute start = reported.attribute(X::Start);
    setNodeAttribute(entry, X::Start, start ? std::string(start.value()) : TimestampText(UtcNow()));
    setNodeAttribute(entry, X::State, X::Active);
    setNodeAttribute(entry, X::Sent, {});
    return entry;
}

// An entry is taken as returned and then as reported again, as the answer describes every
// active alarm anew. When the report carries a start and the entry its state and start, the
// first step leaves no trace, so it is skipped: it costs a time stamp per alarm and poll.
void mergeReported(pugi::xml_node root, NodeKeyIndex& entries, Reported& seen,
                   pugi::xml_node reported)
{
    const std::string_view pcu = attributeOrNotGiven(reported, X::Pcu);
    const std::string_view location = attributeOrNotGiven(reported, X::Location);
    const std::string_view nr = attributeOrNotGiven(reported, X::Nr);
    if (const pugi::xml_node entry = entries.find({pcu, location, nr})) {
        const bool overwritten =
            reported.attribute(X::Start) && entry.attribute(X::Start) && entry.attribute(X::State);
        if (seen.insert(entry.internal_object()).second && !overwritten)
            markReturned(entry);
        updateEntry(entry, reported);
        return;
    }
    const pugi::xml_node added = appendEntry(root, pcu, location, nr, reported);
    seen.insert(added.internal_object());
    entries.add(added);
}

} // namespace

pugi::xml_node findAlarmEntry(pugi::xml_node statusRoot, std::string_view pcu,
                              std::string_view location, std::string_view nr)
{
    return FindChildNode(statusRoot, X::AlarmEntry,
                         {{X::Pcu, std::string(pcu)},
                          {X::Location, std::string(location)},
                          {X::Nr, std::string(nr)}});
}

pugi::xml_node findGroupEntry(pugi::xml_node statusRoot, std::string_view zelAlarm)
{
    return FindChildNode(statusRoot, X::GroupEntry, {{X::ZelAlarm, std::string(zelAlarm)}});
}

bool MergeActiveAlarms(XmlDocument& status, std::string_view answer)
{
    pugi::xml_document parsed;
    loadXmlText(parsed, answer);
    const pugi::xml_node root = status.root();
    const pugi::xml_node alarms = parsed.document_element();
    if (kAnswerRoot != alarms.name()) {
        markAllReturned(root);
        return false;
    }
    NodeKeyIndex entries(root, X::AlarmEntry, {X::Pcu, X::Location, X::Nr});
    Reported seen;
    for (const pugi::xml_node reported : alarms.children()) {
        if (reported.type() == pugi::node_element)
            mergeReported(root, entries, seen, reported);
    }
    for (const pugi::xml_node entry : root.children(X::AlarmEntry)) {
        if (!seen.contains(entry.internal_object()))
            markReturned(entry);
    }
    return true;
}

int PurgeReturnedAlarms(XmlDocument& status)
{
    pugi::xml_node root = status.root();
    if (std::string_view(root.name()) != kAlarmStatusRoot)
        return 0;
    int removed = 0;
    pugi::xml_node entry = root.first_child();
    while (entry) {
        const pugi::xml_node next = entry.next_sibling();
        if (attributeValue(entry, X::State) == X::Returned) {
            root.remove_child(entry);
            ++removed;
        }
        entry = next;
    }
    return removed;
}
