#pragma once

#include <atomic>

// Process-wide link status, written by the polling worker, the socket events
// and the main state machine: -1 an error has just ended, 0 running,
// 1 office server communication error, 2 ZelMeld link error.
inline std::atomic<int> LinkStatus{0};
