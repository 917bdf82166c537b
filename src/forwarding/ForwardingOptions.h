#pragma once

// The two alarm-text options. The window keeps them current (its check
// boxes); every alarm message reads them afresh.
struct ForwardingOptions
{
    bool sendPcu = true;
    bool filterPunct = false;
};
