#pragma once

class XmlDocument;
struct PoRequest;

// Merges the active-alarms answer that the request read into the status document, on the
// thread that owns the document, and lets the answer go; while tracing, the status before and
// after goes to the traces 01 and 02. What the answer lacked was logged by the request's worker.
// Nothing happens when the request handed over no answer.
void applyActiveAlarms(XmlDocument& status, PoRequest& request);
