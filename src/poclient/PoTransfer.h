#pragma once

#include <QString>

#include <string>

struct PoRequest;

// Initialises libcurl once for the process; call it on the GUI thread before the first
// worker starts.
void ensureCurlGlobalInit();

struct PoFetchResult
{
    bool ok = false;  // a 2xx answer within the size limit arrived in time
    std::string body; // empty unless ok
    QString error;    // why not ok: the transfer's own reason, the HTTP status or the size
};

// One plain HTTP/1.1 GET of the request's URL, on a transfer of its own: no proxy, no
// redirection followed, any status outside 2xx is a failure, and so is an answer larger than
// the request's limit. Returns early, as a failure, once the request is cancelled.
PoFetchResult fetchPoAnswer(PoRequest& request);
