#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

// The workers that have been launched and have not ended, shared between the client and its
// workers, so that the client's end can wait for them without polling.
class WorkerCount
{
public:
    // Before a worker is launched, on the launching thread, so that a wait that follows at
    // once already counts it.
    void started();
    // The very last step of a worker: nothing it touches afterwards may end with the client.
    void finished();

    int running() const;

    // Waits until no worker runs or the bound has passed; true when none runs.
    bool waitForNone(std::chrono::milliseconds bound);

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_allFinished;
    int m_running = 0;
};
