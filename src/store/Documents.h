#pragma once

#include "XmlDocument.h"

// The three documents of the gateway, in the office data directory.
inline constexpr const char* kZelDefsRoot = "ZelAlarmDefinitions";
inline constexpr const char* kLinkDefsRoot = "ZelPOLinkDefs";
inline constexpr const char* kAlarmStatusRoot = "POAlarmStatus";

// Paths are computed anew at every call (which creates the directory).
QString zelDefsPath();
QString linkDefsPath();
QString alarmStatusPath();

OpenResult OpenZelDefs(XmlDocumentHandle& handle);
OpenResult OpenLinkDefs(XmlDocumentHandle& handle);
OpenResult OpenAlarmStatus(XmlDocumentHandle& handle);

SaveResult SaveZelDefs(const XmlDocumentHandle& handle);
SaveResult SaveLinkDefs(const XmlDocumentHandle& handle);
SaveResult SaveAlarmStatus(const XmlDocumentHandle& handle);
