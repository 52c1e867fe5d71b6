#include "HttpSession.h"

#include <curl/curl.h>

#include <array>
#include <chrono>
#include <mutex>

namespace terv::net {
namespace {

// An error answer's body is only read for its text; longer bodies are cut.
constexpr size_t kMaxErrorBody = 2048;

using Clock = std::chrono::steady_clock;

// What every thread shares: the cookies (the single sign-on cookie reaches every request,
// whichever thread sends it) and the time limits.
struct Session {
    CURLSH* cookies = nullptr;  // outlives the handles, so that a disconnect keeps the cookies
    TimeLimits limits;
    std::array<std::mutex, CURL_LOCK_DATA_LAST> locks;  // one per kind of data the share holds
    std::mutex making;                                  // held while the share is made

    ~Session() {
        if (cookies)
            curl_share_cleanup(cookies);
    }
};

Session& TheSession() {
    static Session session;
    return session;
}

// What each thread keeps of its own: its connection and its last-error text, so that two
// requests can run at once on two threads.
struct ThreadSession {
    CURL* curl = nullptr;
    std::string lastError;

    ~ThreadSession() { Close(); }
    void Close() {
        if (curl)
            curl_easy_cleanup(curl);
        curl = nullptr;
    }
};

ThreadSession& ThisThread() {
    thread_local ThreadSession session;
    return session;
}

void LockShare(CURL*, curl_lock_data data, curl_lock_access, void* user) {
    static_cast<Session*>(user)->locks[static_cast<size_t>(data)].lock();
}

void UnlockShare(CURL*, curl_lock_data data, void* user) {
    static_cast<Session*>(user)->locks[static_cast<size_t>(data)].unlock();
}

// The cookie share, made on first use by whichever thread sends the first request.
CURLSH* Cookies() {
    Session& s = TheSession();
    std::lock_guard lock(s.making);
    if (!s.cookies) {
        static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
        (void)initialised;
        s.cookies = curl_share_init();
        curl_share_setopt(s.cookies, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
        curl_share_setopt(s.cookies, CURLSHOPT_LOCKFUNC, LockShare);
        curl_share_setopt(s.cookies, CURLSHOPT_UNLOCKFUNC, UnlockShare);
        curl_share_setopt(s.cookies, CURLSHOPT_USERDATA, &s);
    }
    return s.cookies;
}

CURL* Handle() {
    ThreadSession& t = ThisThread();
    if (!t.curl) {
        Cookies();
        t.curl = curl_easy_init();
    }
    return t.curl;
}

// Everything one transfer's callbacks need.
struct Transfer {
    Transfer(CURL* c, const BodySink* s, const TimeLimits& l) : curl(c), sink(s), limits(l) {}
    CURL* curl;
    const BodySink* sink;
    TimeLimits limits;
    long status = 0;
    bool stopped = false;
    std::string timeout;  // why a time limit ended the transfer
    std::string errorBody;
    curl_off_t lastDown = -1, lastUp = -1;
    const Clock::time_point start = Clock::now();
    Clock::time_point lastActivity = start;
    Clock::time_point windowStart{};  // the low-speed window; unset until the answer begins
    curl_off_t windowBytes = 0;
};

long MillisSince(Clock::time_point then, Clock::time_point now) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now - then).count());
}

// The text of the time limit the transfer has passed, or empty.
std::string PassedLimit(Transfer& t, curl_off_t dlnow, Clock::time_point now) {
    const TimeLimits& l = t.limits;
    if (MillisSince(t.start, now) > l.totalMillis)
        return "the request took longer than " + std::to_string(l.totalMillis) + " ms";
    if (MillisSince(t.lastActivity, now) > l.idleMillis)
        return "no answer from the server for " + std::to_string(l.idleMillis) + " ms";
    if (dlnow == 0)
        return {};
    if (t.windowStart == Clock::time_point{}) {
        t.windowStart = now;
        t.windowBytes = dlnow;
    } else if (MillisSince(t.windowStart, now) >= l.lowSpeedMillis) {
        if (dlnow - t.windowBytes < l.lowSpeedBytes) {
            return "the server sent fewer than " + std::to_string(l.lowSpeedBytes) + " bytes in " +
                   std::to_string(l.lowSpeedMillis) + " ms";
        }
        t.windowStart = now;
        t.windowBytes = dlnow;
    }
    return {};
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    if (t->status == 0)
        curl_easy_getinfo(t->curl, CURLINFO_RESPONSE_CODE, &t->status);
    if (t->status != 200) {
        const size_t room = kMaxErrorBody - std::min(kMaxErrorBody, t->errorBody.size());
        t->errorBody.append(data, std::min(room, bytes));
        return bytes;
    }
    if (!(*t->sink)(std::string_view(data, bytes))) {
        t->stopped = true;
        return 0;  // makes libcurl stop with a write error
    }
    return bytes;
}

int OnProgress(void* user, curl_off_t, curl_off_t dlnow, curl_off_t, curl_off_t ulnow) {
    auto* t = static_cast<Transfer*>(user);
    const auto now = Clock::now();
    if (dlnow != t->lastDown || ulnow != t->lastUp) {
        t->lastDown = dlnow;
        t->lastUp = ulnow;
        t->lastActivity = now;
    }
    t->timeout = PassedLimit(*t, dlnow, now);
    return t->timeout.empty() ? 0 : 1;
}

bool IsTransient(CURLcode code) {
    switch (code) {
        case CURLE_COULDNT_CONNECT:
        case CURLE_OPERATION_TIMEDOUT:
        case CURLE_SEND_ERROR:
        case CURLE_RECV_ERROR:
        case CURLE_GOT_NOTHING:
        case CURLE_PARTIAL_FILE:
        case CURLE_HTTP2_STREAM:
            return true;
        default:
            return false;
    }
}

// The body text of an error answer without its trailing line ends.
std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

void Configure(CURL* curl, const HttpRequest& request, Transfer& transfer, char* errorBuffer,
               curl_slist*& headers) {
    const Session& s = TheSession();
    curl_easy_reset(curl);  // keeps connections and cookies
    curl_easy_setopt(curl, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(curl, CURLOPT_SHARE, s.cookies);
    curl_easy_setopt(curl, CURLOPT_COOKIEFILE, "");  // cookie engine on, nothing read
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_TCP_KEEPALIVE, 1L);
    // No compressed answers: record streams are made as the rows are read, and compressing
    // them costs the server far more than the bytes it saves.
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, nullptr);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, s.limits.connectMillis);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, OnProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
    if (request.basicAuth) {
        curl_easy_setopt(curl, CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
        curl_easy_setopt(curl, CURLOPT_USERNAME, request.user.c_str());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, request.password.c_str());
    }
    if (request.post) {
        headers = curl_slist_append(headers, ("Content-Type: " + request.contentType).c_str());
        headers = curl_slist_append(headers, "Expect:");
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(curl, CURLOPT_POST, 1L);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.data());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(request.body.size()));
    }
}

HttpOutcome Classify(CURLcode code, const Transfer& t, const char* errorBuffer) {
    HttpOutcome out;
    out.status = t.status;
    out.stopped = t.stopped;
    if (t.stopped) {
        out.code = kFailed;  // the sink knows why
        return out;
    }
    if (!t.timeout.empty()) {
        out.code = kTransient;
        out.timedOut = true;
        out.error = "Timeout: " + t.timeout;
        return out;
    }
    if (code != CURLE_OK) {
        out.code = IsTransient(code) ? kTransient : kFailed;
        out.error = *errorBuffer ? errorBuffer : curl_easy_strerror(code);
        return out;
    }
    if (t.status != 200) {
        out.code = (t.status == 502 || t.status == 503 || t.status == 504)
                       ? kTransient
                       : -static_cast<int32_t>(t.status);
        out.error = "HTTP error " + std::to_string(t.status) + ": " + Trimmed(t.errorBody);
        return out;
    }
    out.code = kOk;
    return out;
}

}  // namespace

HttpOutcome Perform(const HttpRequest& request, const BodySink& sink) {
    CURL* curl = Handle();
    if (!curl)
        return {kFailed, 0, false, false, "The HTTP client could not be started"};
    Transfer transfer(curl, &sink, TheSession().limits);
    char errorBuffer[CURL_ERROR_SIZE] = {0};
    curl_slist* headers = nullptr;
    Configure(curl, request, transfer, errorBuffer, headers);
    const CURLcode code = curl_easy_perform(curl);
    if (transfer.status == 0)
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &transfer.status);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
    curl_slist_free_all(headers);
    return Classify(code, transfer, errorBuffer);
}

const std::string& LastErrorText() {
    return ThisThread().lastError;
}

void SetLastErrorText(std::string text) {
    ThisThread().lastError = std::move(text);
}

void Disconnect() {
    // The handle owns the connections; the cookies live in the share and stay.
    ThisThread().Close();
}

void SetTimeLimits(const TimeLimits& limits) {
    TheSession().limits = limits;
}

void ResetSession() {
    ThreadSession& t = ThisThread();
    t.Close();
    t.lastError.clear();
    Session& s = TheSession();
    std::lock_guard lock(s.making);
    if (s.cookies)
        curl_share_cleanup(s.cookies);
    s.cookies = nullptr;
    s.limits = TimeLimits();
}

}  // namespace terv::net
