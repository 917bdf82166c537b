#include "ActiveAlarms.h"

#include "AlarmStatus.h"
#include "XmlNodeEdit.h"
#include "XmlParseError.h"

#include <pugixml.hpp>

namespace X = AlarmStatusXml;

namespace {

constexpr std::string_view kAnswerRoot = "active-alarms";

ReportedAlarm reportedAlarm(pugi::xml_node reported)
{
    ReportedAlarm alarm;
    alarm.pcu = attributeOrNotGiven(reported, X::Pcu);
    alarm.location = attributeOrNotGiven(reported, X::Location);
    alarm.nr = attributeOrNotGiven(reported, X::Nr);
    alarm.text = attributeValue(reported, X::Text);
    if (const pugi::xml_attribute start = reported.attribute(X::Start))
        alarm.start = start.value();
    return alarm;
}

} // namespace

ActiveAlarmsAnswer ReadActiveAlarms(std::string utf8Text)
{
    pugi::xml_document parsed;
    const pugi::xml_parse_result result = parsed.load_buffer_inplace(
        utf8Text.data(), utf8Text.size(), pugi::parse_default, pugi::encoding_utf8);
    if (!result) {
        throw XmlParseError(std::string("XML parse error: ") + result.description() +
                            " at offset " + std::to_string(result.offset));
    }
    ActiveAlarmsAnswer answer;
    const pugi::xml_node alarms = parsed.document_element();
    answer.listed = kAnswerRoot == alarms.name();
    if (!answer.listed)
        return answer;
    for (const pugi::xml_node reported : alarms.children()) {
        if (reported.type() == pugi::node_element)
            answer.alarms.push_back(reportedAlarm(reported));
    }
    return answer;
}
