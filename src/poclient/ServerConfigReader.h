#pragma once

#include "store/XmlDocument.h"

#include <string_view>

// Adds the locations and alarm types that an alarm configuration answer of the office
// server announces, and that the link definitions do not know yet, unassigned. True when
// the answer has both lists; only then are the exception texts refreshed. Saving is the
// business of the document's owner, whatever the answer held. Throws XmlParseError, changing
// nothing, when the answer is not well-formed.
bool ReadServerConfig(const XmlDocumentHandle& linkDefs, std::string_view answer);
// The same for an answer parsed already.
bool ReadServerConfig(const XmlDocumentHandle& linkDefs, const pugi::xml_document& answer);
// The same into an open document (run through its owner's edit).
bool ReadServerConfig(XmlDocument& linkDefs, const pugi::xml_document& answer);

// Copies the text of each alarm type to the exceptions for that alarm type that carry a
// text, at every location and among the general exceptions.
void RefreshExceptionTexts(XmlDocument& linkDefs);
