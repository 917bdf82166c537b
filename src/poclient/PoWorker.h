#pragma once

#include <memory>

class WorkerCount;
struct PoRequest;

// The work of one request on its own worker thread: fetch, put the outcome on the request,
// process the answer by its kind, and finally set done. Never throws.
void runPoRequest(PoRequest& request);

// Starts runPoRequest on a detached thread that holds only the shared request and count; the
// thread is counted from before its start until it has ended its work.
void startPoWorker(const std::shared_ptr<PoRequest>& request,
                   const std::shared_ptr<WorkerCount>& workers);
