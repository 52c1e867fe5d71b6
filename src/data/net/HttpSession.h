// The one HTTP session every client library of the program shares.
//
// The gateway client, the HTTP client, the spatial-data driver and the single sign-on client all
// talk to the central server through this session: libcurl with its cookie engine on (the single
// sign-on cookie reaches every later request) and keep-alive connection reuse. Each thread that
// sends requests has its own connection and its own last-error text, the one KOVICLIGetLastError
// hands out to that thread; the cookies and the time limits are shared. Log in, set the limits
// and reset the session from one thread while no other thread sends requests.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace terv::net {

// Result codes shared by the client libraries.
constexpr int32_t kOk = 0;
constexpr int32_t kTransient = -10000;  // worth one immediate retry
constexpr int32_t kFailed = -1;

struct HttpRequest {
    std::string url;
    bool post = false;
    std::string body;         // POST body
    std::string contentType;  // POST content type
    bool basicAuth = false;   // send user and password as HTTP Basic credentials
    std::string user;
    std::string password;
};

// Receives the body of a 200 answer as it arrives; returns false to stop the transfer.
using BodySink = std::function<bool(std::string_view bytes)>;

struct HttpOutcome {
    // kOk when a 200 answer arrived whole; kTransient or another nonzero code otherwise.
    int32_t code = kOk;
    long status = 0;        // HTTP status, 0 when none arrived
    bool stopped = false;   // the sink asked to stop
    bool timedOut = false;  // one of the time limits ended the request
    std::string error;      // failure text (transport error or "HTTP error N: body")
};

// Runs one request on the shared session, on this thread's connection. The body of a 200 answer
// goes to `sink`; any other status fails with the text "HTTP error " + status + ": " + the answer's
// body, code -10000 for 502/503/504 and -(status) otherwise. Connection refused or reset, time-outs
// and answers cut short are -10000; other transport failures are -1. Does not touch the last-error
// text.
HttpOutcome Perform(const HttpRequest& request, const BodySink& sink);

// This thread's last-error text of the client libraries (bytes, may hold NUL characters).
const std::string& LastErrorText();
void SetLastErrorText(std::string text);

// Closes this thread's open connection; cookies are kept. Safe when nothing is open.
void Disconnect();

// Time limits of every request. A request that passes one is a transient failure whose text
// starts with "Timeout: ". The defaults let a 1 000 000-row answer arrive over a slow line while
// a server that falls silent or drips its answer does not hold the program for ever.
struct TimeLimits {
    long connectMillis = 15000;    // connecting
    long idleMillis = 600000;      // no byte arriving (the server may think this long)
    long totalMillis = 3600000;    // the whole request, from its start to the last byte
    long lowSpeedBytes = 1024;     // once the answer has begun: at least this many bytes
    long lowSpeedMillis = 600000;  // ... in every window of this length
};
void SetTimeLimits(const TimeLimits& limits);

// Drops the session: this thread's connection and last-error text, the cookies and the time
// limits.
void ResetSession();

}  // namespace terv::net
