#pragma once

#include <string>

struct PoRequest;

// Initialises libcurl once for the process; call it on the GUI thread before the first
// worker starts.
void EnsureCurlGlobalInit();

struct PoFetchResult
{
    bool ok = false;  // a 2xx answer arrived in time
    std::string body; // empty unless ok
};

// One plain HTTP/1.1 GET of the request's URL, on a transfer of its own: no proxy, no
// redirection followed, any status outside 2xx is a failure. Returns early, as a failure,
// once the request is cancelled.
PoFetchResult FetchPoAnswer(PoRequest& request);
