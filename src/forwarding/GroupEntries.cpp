#include "GroupEntries.h"

#include "store/TimestampText.h"
#include "store/XmlNodeEdit.h"
#include "store/ZelDefs.h"

#include <charconv>
#include <cstdio>

namespace {

int toInt(std::string_view text)
{
    int value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

std::string nowPlusSeconds(int seconds)
{
    return TimestampText(UtcNow() + secondsToDays(seconds));
}

void appendGroup(pugi::xml_node root, const std::string& code, bool returned, int delay, int rep,
                 std::string_view alarmText)
{
    pugi::xml_node group = root.append_child("Group");
    setNodeAttribute(group, "ZelAlarm", code);
    if (returned) {
        setNodeAttribute(group, "State", "R");
        return;
    }
    setNodeAttribute(group, "Timeout", nowPlusSeconds(delay));
    setNodeAttribute(group, "repeat", std::to_string(rep));
    setNodeAttribute(group, "Text", alarmText);
    setNodeAttribute(group, "State", "A");
}

void memberBecameActive(pugi::xml_node group, int delay, int rep, std::string_view alarmText)
{
    if (pugi::xml_attribute state = group.attribute("State")) {
        if (std::string_view(state.value()) == "R") {
            setNodeAttribute(group, "Timeout", nowPlusSeconds(delay));
            setNodeAttribute(group, "Text", alarmText);
            setNodeAttribute(group, "State", "A");
        } else if (!group.attribute("Sent")) {
            // A second member joined a group that has not gone out yet.
            setNodeAttribute(group, "Text", "");
        }
        group.remove_attribute("Sent");
    }
    setNodeAttribute(group, "repeat", std::to_string(rep));
}

void memberReturned(const XmlDocument& status, pugi::xml_node group, const std::string& code)
{
    if (attributeValue(group, "State") != "A" || GroupHasActiveAlarm(status, code))
        return;
    setNodeAttribute(group, "State", "R");
    if (group.attribute("Sent"))
        group.remove_attribute("Sent"); // its return goes out at the next walk
    else
        setNodeAttribute(group, "Sent", TimestampText(UtcNow())); // never sent: nor is its return
}

} // namespace

std::string formatGroupCode(std::string_view groupLocation, std::string_view groupAlarm)
{
    char code[32];
    std::snprintf(code, sizeof code, "%.4d - %.2d", toInt(groupLocation), toInt(groupAlarm));
    return code;
}

void UpdateGroupEntry(XmlDocument& status, const XmlDocument& zelDefs,
                      std::string_view groupLocation, std::string_view groupAlarm, bool returned,
                      std::string_view alarmText)
{
    if (QString::fromUtf8(groupLocation.data(), qsizetype(groupLocation.size())).size() != 4)
        return;
    const std::string code = formatGroupCode(groupLocation, groupAlarm);
    const int delay = GetGroupDelay(zelDefs, code);
    const int rep = GetRepeat(zelDefs, code);
    const pugi::xml_node root = status.root();
    pugi::xml_node group = FindChildNode(root, "Group", {{"ZelAlarm", code}});
    if (!group)
        appendGroup(root, code, returned, delay, rep, alarmText);
    else if (!returned)
        memberBecameActive(group, delay, rep, alarmText);
    else
        memberReturned(status, group, code);
}

bool GroupHasActiveAlarm(const XmlDocument& status, std::string_view groupCode)
{
    for (pugi::xml_node child : status.root().children("Alarm")) {
        if (attributeValue(child, "Group") == groupCode && attributeValue(child, "State") == "A")
            return true;
    }
    return false;
}
