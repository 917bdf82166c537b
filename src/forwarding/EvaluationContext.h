#pragma once

#include "ForwardingOptions.h"

#include "store/DocumentOwner.h"

class ZelLink;

// What the alarm evaluation works on: the owners of the engine's shared documents, the link to
// ZelMeld and the options. All of it lives on the GUI thread.
struct EvaluationContext
{
    DocumentOwner& status;
    DocumentOwner& linkDefs;
    DocumentOwner& zelDefs;
    ZelLink& link;
    const ForwardingOptions& options;
};
