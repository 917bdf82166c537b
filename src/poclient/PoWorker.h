#pragma once

#include <memory>

class PoStatusSink;
struct PoRequest;

// The work of one request on its own worker thread: fetch, report the link state, process
// the answer by its kind, and finally set done. Never throws.
void RunPoRequest(PoRequest& request, PoStatusSink& sink);

// Starts RunPoRequest on a detached thread that holds only the shared request and sink.
void StartPoWorker(const std::shared_ptr<PoRequest>& request,
                   const std::shared_ptr<PoStatusSink>& sink);
