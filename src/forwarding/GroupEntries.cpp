#include "GroupEntries.h"

#include "store/AlarmStatus.h"
#include "store/TimestampText.h"
#include "store/XmlNodeEdit.h"
#include "store/ZelDefs.h"

namespace X = AlarmStatusXml;

namespace {

std::string nowPlusSeconds(int seconds)
{
    return TimestampText(UtcNow() + secondsToDays(seconds));
}

void appendGroup(pugi::xml_node root, const std::string& code, bool returned, int delay, int rep,
                 std::string_view alarmText)
{
    pugi::xml_node group = root.append_child(X::GroupEntry);
    setNodeAttribute(group, X::ZelAlarm, code);
    if (returned) {
        setNodeAttribute(group, X::State, X::Returned);
        return;
    }
    setNodeAttribute(group, X::Timeout, nowPlusSeconds(delay));
    setNodeAttribute(group, X::GroupRepeat, std::to_string(rep));
    setNodeAttribute(group, X::GroupText, alarmText);
    setNodeAttribute(group, X::State, X::Active);
}

void memberBecameActive(pugi::xml_node group, int delay, int rep, std::string_view alarmText)
{
    if (pugi::xml_attribute state = group.attribute(X::State)) {
        if (std::string_view(state.value()) == X::Returned) {
            setNodeAttribute(group, X::Timeout, nowPlusSeconds(delay));
            setNodeAttribute(group, X::GroupText, alarmText);
            setNodeAttribute(group, X::State, X::Active);
        } else if (!group.attribute(X::Sent)) {
            // A second member joined a group that has not gone out yet.
            setNodeAttribute(group, X::GroupText, "");
        }
        group.remove_attribute(X::Sent);
    }
    setNodeAttribute(group, X::GroupRepeat, std::to_string(rep));
}

void memberReturned(const XmlDocument& status, pugi::xml_node group, const std::string& code)
{
    if (attributeValue(group, X::State) != X::Active || GroupHasActiveAlarm(status, code))
        return;
    setNodeAttribute(group, X::State, X::Returned);
    if (group.attribute(X::Sent))
        group.remove_attribute(X::Sent); // its return goes out at the next walk
    else
        setNodeAttribute(group, X::Sent, TimestampText(UtcNow())); // never sent: nor is its return
}

} // namespace

void UpdateGroupEntry(XmlDocument& status, const XmlDocument& zelDefs, const ZelAlarmRef& group,
                      bool returned, std::string_view alarmText)
{
    const std::string code = group.text();
    const int delay = GetGroupDelay(zelDefs, group);
    const int rep = GetRepeat(zelDefs, group);
    const pugi::xml_node root = status.root();
    pugi::xml_node entry = FindChildNode(root, X::GroupEntry, {{X::ZelAlarm, code}});
    if (!entry)
        appendGroup(root, code, returned, delay, rep, alarmText);
    else if (!returned)
        memberBecameActive(entry, delay, rep, alarmText);
    else
        memberReturned(status, entry, code);
}

bool GroupHasActiveAlarm(const XmlDocument& status, std::string_view groupCode)
{
    for (pugi::xml_node child : status.root().children(X::AlarmEntry)) {
        if (attributeValue(child, X::Group) == groupCode &&
            attributeValue(child, X::State) == X::Active)
            return true;
    }
    return false;
}
