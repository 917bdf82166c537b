#pragma once

#include "XmlDocument.h"

#include <string>
#include <vector>

// The office alarm types that the link document lists: what exceptions can be made for.

struct OfficeAlarmType
{
    std::string nr;   // as stored: empty when absent, the placeholder when not given
    std::string text; // empty when absent
};

// Every element under PO_AlarmTypes, in document order; none when the section is missing.
std::vector<OfficeAlarmType> officeAlarmTypes(const XmlDocument& linkDefs);
