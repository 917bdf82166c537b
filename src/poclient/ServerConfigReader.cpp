#include "ServerConfigReader.h"

#include "core/Log.h"
#include "store/Documents.h"
#include "store/LinkDefs.h"
#include "store/NodeKeyIndex.h"
#include "store/XmlNodeEdit.h"
#include "store/XmlParseError.h"
#include "store/XmlText.h"

namespace X = LinkDefsXml;

namespace {

// An alarm type announced without a number.
constexpr std::string_view kMissingNr = "-1";
// A location link just announced: present but not yet assigned.
constexpr std::string_view kNewLinkZelAlarm = "0";

template <typename Visit> void forEachEntry(pugi::xml_node list, Visit visit)
{
    for (const pugi::xml_node entry : list.children()) {
        if (entry.type() == pugi::node_element)
            visit(entry);
    }
}

void addLocations(pugi::xml_node answerList, pugi::xml_node locations)
{
    LogMessage(QStringLiteral("Start processing server config data"), LogPoList);
    // A pcu or text the server did not give, absent or empty, is stored as the placeholder
    // and matches a link stored either way (the location key rule).
    NodeKeyIndex known(locations, X::Location, {X::Pcu, X::Text}, locationKeyPart);
    forEachEntry(answerList, [&](pugi::xml_node entry) {
        const std::string_view pcu = locationKeyPart(attributeValue(entry, "pcu"));
        const std::string_view text = locationKeyPart(attributeValue(entry, "text"));
        if (known.find({pcu, text}))
            return;
        const pugi::xml_node link = locations.append_child(X::Location);
        setNodeAttribute(link, X::Pcu, pcu);
        setNodeAttribute(link, X::Text, text);
        setNodeAttribute(link, X::ZelAlarm, kNewLinkZelAlarm);
        known.add(link);
    });
    LogMessage(QStringLiteral("Finish processing server config data"), LogPoList);
}

void addAlarmTypes(pugi::xml_node answerList, pugi::xml_node alarmTypes)
{
    NodeKeyIndex known(alarmTypes, X::AlarmType, {X::Nr});
    forEachEntry(answerList, [&](pugi::xml_node entry) {
        const pugi::xml_attribute nrAttr = entry.attribute("nr");
        const std::string_view nr = nrAttr ? nrAttr.value() : kMissingNr;
        if (known.find({nr}))
            return;
        const pugi::xml_node type = alarmTypes.append_child(X::AlarmType);
        setNodeAttribute(type, X::Nr, nr);
        setNodeAttribute(type, X::Text, attributeValue(entry, "text"));
        known.add(type);
    });
}

void refreshTexts(pugi::xml_node parent, const NodeKeyIndex& alarmTypes)
{
    for (const pugi::xml_node exception : parent.children(X::Exception)) {
        const pugi::xml_attribute nr = exception.attribute(X::Nr);
        pugi::xml_attribute text = exception.attribute(X::Text);
        if (!nr || !text)
            continue;
        const pugi::xml_attribute typeText = alarmTypes.find({nr.value()}).attribute(X::Text);
        if (typeText)
            text.set_value(typeText.value());
    }
}

} // namespace

void RefreshExceptionTexts(XmlDocument& linkDefs)
{
    const pugi::xml_node root = linkDefs.root();
    const pugi::xml_node alarmTypes = FindChildNode(root, X::AlarmTypes);
    const pugi::xml_node locations = FindChildNode(root, X::Locations);
    if (!alarmTypes || !locations)
        return;
    const NodeKeyIndex types(alarmTypes, X::AlarmType, {X::Nr});
    for (const pugi::xml_node link : locations.children(X::Location))
        refreshTexts(link, types);
    refreshTexts(FindChildNode(root, X::GeneralExceptions), types);
}

bool ReadServerConfig(const XmlDocumentHandle& linkDefs, std::string_view answer)
{
    pugi::xml_document parsed;
    loadXmlText(parsed, answer);
    return ReadServerConfig(linkDefs, parsed);
}

bool ReadServerConfig(const XmlDocumentHandle& linkDefs, const pugi::xml_document& answer)
{
    return linkDefs && ReadServerConfig(*linkDefs, answer);
}

bool ReadServerConfig(XmlDocument& linkDefs, const pugi::xml_document& answer)
{
    const pugi::xml_node answerRoot = answer.document_element();
    const pugi::xml_node root = linkDefs.root();
    bool complete = true;

    const pugi::xml_node locations = findOrAppendChild(root, X::Locations);
    if (const pugi::xml_node list = FindChildNode(answerRoot, "alarmlocations"))
        addLocations(list, locations);
    else
        complete = false;

    const pugi::xml_node alarmTypes = findOrAppendChild(root, X::AlarmTypes);
    if (const pugi::xml_node list = FindChildNode(answerRoot, "alarmtypes"))
        addAlarmTypes(list, alarmTypes);
    else
        complete = false;

    if (complete)
        RefreshExceptionTexts(linkDefs);
    return complete;
}
