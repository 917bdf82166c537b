#pragma once

// The link status the status display shows, with the numbers the status images and the log
// use. Each link keeps its own state (the ZelMeld link, the office client); this is only what
// the two together come to.
enum class LinkState : int
{
    Running = 0,      // both links work
    OfficeError = 1,  // the office server could not be reached
    ZelMeldError = 2, // the ZelMeld link failed and has not answered since
};

// A ZelMeld error goes first: while it lasts no alarm reaches ZelMeld, whatever the office
// server does, and the office's recovery must not hide it.
constexpr LinkState combinedLinkState(bool zelMeldFailed, bool officeFailed)
{
    if (zelMeldFailed)
        return LinkState::ZelMeldError;
    return officeFailed ? LinkState::OfficeError : LinkState::Running;
}
