#pragma once

#include <memory>

class PoStatusSink;
class WorkerCount;
struct PoRequest;

// The work of one request on its own worker thread: fetch, report the link state, process
// the answer by its kind, and finally set done. Never throws.
void runPoRequest(PoRequest& request, PoStatusSink& sink);

// Starts runPoRequest on a detached thread that holds only the shared request, sink and
// count; the thread is counted from before its start until it has ended its work.
void startPoWorker(const std::shared_ptr<PoRequest>& request,
                   const std::shared_ptr<PoStatusSink>& sink,
                   const std::shared_ptr<WorkerCount>& workers);
