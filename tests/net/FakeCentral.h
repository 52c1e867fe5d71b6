// A small central server for the client-library tests: real HTTP on a loopback port that speaks
// the wire protocol of the gateway, the spatial-data service, the login probe and single sign-on,
// with answers scripted by each test (rows, server errors, HTTP failures, a stream cut mid-way,
// a slow answer). It records every request it receives.
#pragma once

#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

namespace httplib {
class Server;
}

namespace terv::test {

// One scripted answer.
struct FakeAnswer {
    int status = 200;
    // Record lines ("C\t...", "R\t...", "E\tOK\t1"), each sent with its "\n", chunked.
    std::vector<std::string> records;
    // Body of a non-200 answer.
    std::string body;
    // Drop the connection after the records, in the middle of the chunked body.
    bool cut = false;
    // Wait this long before answering.
    int delayMillis = 0;
    // Send the records one byte at a time, this long apart.
    int dripMillis = 0;
};

// What the server received.
struct FakeRequest {
    std::string method;
    std::string path;           // e.g. "/terv/kovJsSQL"
    std::string function;       // the "function" query parameter
    nlohmann::json body;        // null when the body was not JSON
    std::string cookie;         // the Cookie header
    std::string authorization;  // the Authorization header
    int remotePort = 0;
};

class FakeCentral {
  public:
    FakeCentral();  // starts listening on a free loopback port
    ~FakeCentral();
    FakeCentral(const FakeCentral&) = delete;
    FakeCentral& operator=(const FakeCentral&) = delete;

    int port() const { return port_; }
    // "http://127.0.0.1:PORT/terv/"
    std::string base() const;

    // Answers of the next operation requests, in order; when none is queued an operation
    // request gets "E\tOK\t0".
    void Enqueue(FakeAnswer answer);
    std::vector<FakeRequest> Requests() const;
    // Operation requests (gateway and spatial-data service) only.
    std::vector<FakeRequest> OperationRequests() const;

    // The login probe: these credentials get 200 with "riga\n" + client name; others get 401.
    std::string probeUser = "mario", probePassword = "segreta", clientName = "Regione Demo";
    // Single sign-on: the password accepted by sso?function=login.
    std::string ssoPassword = "segreta";

  private:
    void Handle(const void* request, void* response);
    FakeAnswer NextAnswer();

    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = 0;
    mutable std::mutex mutex_;
    std::deque<FakeAnswer> answers_;
    std::vector<FakeRequest> requests_;
};

// Record lines of a good answer: "C" with the columns, one "R" per row (values already typed,
// e.g. "T12", "I5", "N"), then "E\tOK\t" + the row count.
std::vector<std::string> RowsAnswer(const std::vector<std::string>& columns,
                                    const std::vector<std::vector<std::string>>& rows);
// A failed answer: "E\tERR\t" + transient + "\t" + text.
FakeAnswer ServerError(const std::string& text, bool transient = false);
// A good answer with those records.
FakeAnswer Records(std::vector<std::string> records);
// An HTTP failure with that status and body.
FakeAnswer HttpFailure(int status, const std::string& body);

// A loopback port nobody listens on.
int ClosedPort();

}  // namespace terv::test
