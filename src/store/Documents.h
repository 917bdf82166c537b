#pragma once

#include "XmlDocument.h"

// The three documents of the gateway, in the office data directory.
inline constexpr const char* kZelDefsRoot = "ZelAlarmDefinitions";
inline constexpr const char* kLinkDefsRoot = "ZelPOLinkDefs";
inline constexpr const char* kAlarmStatusRoot = "POAlarmStatus";

// Paths are computed anew at every call (which creates the directory).
QString ZelDefsPath();
QString LinkDefsPath();
QString AlarmStatusPath();

bool OpenZelDefs(XmlDocumentHandle& handle);
bool OpenLinkDefs(XmlDocumentHandle& handle);
bool OpenAlarmStatus(XmlDocumentHandle& handle);

bool SaveZelDefs(const XmlDocumentHandle& handle);
bool SaveLinkDefs(const XmlDocumentHandle& handle);
bool SaveAlarmStatus(const XmlDocumentHandle& handle);
