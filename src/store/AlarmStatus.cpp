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

void updateEntry(pugi::xml_node entry, const ReportedAlarm& reported)
{
    setNodeAttribute(entry, X::Text, reported.text);
    if (reported.start && attributeValue(entry, X::Start) != *reported.start)
        setNodeAttribute(entry, X::Start, *reported.start);
    setNodeAttribute(entry, X::State, X::Active);
}

pugi::xml_node appendEntry(pugi::xml_node root, const ReportedAlarm& reported)
{
    const pugi::xml_node entry = root.append_child(X::AlarmEntry);
    setNodeAttribute(entry, X::Pcu, reported.pcu);
    setNodeAttribute(entry, X::Location, reported.location);
    setNodeAttribute(entry, X::Nr, reported.nr);
    setNodeAttribute(entry, X::Text, reported.text);
    setNodeAttribute(entry, X::Start, reported.start ? *reported.start : TimestampText(UtcNow()));
    setNodeAttribute(entry, X::State, X::Active);
    setNodeAttribute(entry, X::Sent, {});
    return entry;
}

// An entry is taken as returned and then as reported again, as the answer describes every
// active alarm anew. When the report carries a start and the entry its state and start, the
// first step leaves no trace, so it is skipped: it costs a time stamp per alarm and poll.
void mergeReported(pugi::xml_node root, NodeKeyIndex& entries, Reported& seen,
                   const ReportedAlarm& reported)
{
    if (const pugi::xml_node entry = entries.find({reported.pcu, reported.location, reported.nr})) {
        const bool overwritten =
            reported.start && entry.attribute(X::Start) && entry.attribute(X::State);
        if (seen.insert(entry.internal_object()).second && !overwritten)
            markReturned(entry);
        updateEntry(entry, reported);
        return;
    }
    const pugi::xml_node added = appendEntry(root, reported);
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
    DecodedXml decoded = decodeXmlBytes(answer);
    if (!decoded.ok())
        throw XmlParseError(decoded.error);
    return MergeActiveAlarms(status, ReadActiveAlarms(std::move(decoded.text)));
}

bool MergeActiveAlarms(XmlDocument& status, const ActiveAlarmsAnswer& answer)
{
    const pugi::xml_node root = status.dom().document_element();
    if (!answer.listed) {
        markAllReturned(root);
        return false;
    }
    NodeKeyIndex entries(root, X::AlarmEntry, {X::Pcu, X::Location, X::Nr});
    Reported seen;
    seen.reserve(answer.alarms.size());
    for (const ReportedAlarm& reported : answer.alarms)
        mergeReported(root, entries, seen, reported);
    for (const pugi::xml_node entry : root.children(X::AlarmEntry)) {
        if (!seen.contains(entry.internal_object()))
            markReturned(entry);
    }
    return true;
}

int PurgeReturnedAlarms(XmlDocument& status)
{
    pugi::xml_node root = status.dom().document_element();
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
