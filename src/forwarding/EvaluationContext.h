#pragma once

#include "ForwardingOptions.h"

#include "store/XmlDocument.h"

class ZelLink;

// What the alarm evaluation works on: the engine's shared documents, the link
// to ZelMeld and the options. All of it lives on the GUI thread.
struct EvaluationContext
{
    XmlDocumentHandle& status;
    XmlDocumentHandle& linkDefs;
    XmlDocumentHandle& zelDefs;
    ZelLink& link;
    const ForwardingOptions& options;
    // Set by every change of the status document; cleared by a successful save.
    bool& statusDirty;
};
