// The reference central server: the query gateway (kovJsSQL), the spatial-data service and
// login probe (kovJsSDO), single sign-on (sso) and the map servlet (Orvexservlet) over HTTP,
// on the SQLite central database.
// Routes are matched on the last path segment, so any base path (and "//") is accepted.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Database.h"
#include "Sessions.h"
#include "Sockets.h"
#include "Themes.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace terv::central {

#ifndef TERV_CENTRAL_RESOURCES
#define TERV_CENTRAL_RESOURCES "resources"
#endif

struct ServerOptions {
    std::string host = "127.0.0.1";
    int port = 8780;                                 // 0 picks a free port
    std::string db_path;                             // created with its schema when missing
    std::string mode = "plain";                      // "plain" or "sso"
    long long clock_offset_seconds = 0;              // shifts SYSDATE
    std::string resources = TERV_CENTRAL_RESOURCES;  // themes.csv, theme_fields.csv, comuni.csv
    long long demo_parcels = -1;             // >= 0: fill the demo data when the database has none
    std::string client_name = "TERV Demo";   // installation name of the probe answer
    bool test_hooks = false;                 // enables the fault-injection request
    int threads = 256;                       // most connections served at once
    long long statement_timeout_ms = 60000;  // longest statement run without answer bytes
    long long request_timeout_ms = 30000;    // longest wait for a whole request
    long long max_body_bytes = 32LL << 20;   // request body
    long long max_value_bytes = 8LL << 20;   // one text or blob made by a statement
    long long max_answer_bytes = 1LL << 30;  // one answer
};

struct Faults;

class CentralServer {
  public:
    explicit CentralServer(ServerOptions options);
    ~CentralServer();
    CentralServer(const CentralServer&) = delete;
    CentralServer& operator=(const CentralServer&) = delete;

    // Opens the database (schema, demo data), binds the port and starts serving on a thread
    // of its own. Returns false with a text in *error.
    bool Start(std::string* error);
    int port() const { return port_; }
    // Stops accepting, ends running streams and waits for the serving thread. Idempotent.
    void Stop();
    // The number of writes of each write batch served since start, in arrival order.
    std::vector<size_t> WriteBatches() const;

  private:
    void Route(const httplib::Request& req, httplib::Response& res);
    void Probe(const httplib::Request& req, httplib::Response& res, const std::string& base);
    void SingleSignOn(const httplib::Request& req, httplib::Response& res);
    void Operation(const httplib::Request& req, httplib::Response& res, bool gateway);
    void TestFault(const httplib::Request& req, httplib::Response& res);
    // The photo store (PhotoStore.h): a session in sso mode, known Basic credentials otherwise.
    void Photos(const httplib::Request& req, httplib::Response& res);
    bool KnownCredentials(const std::string& user, const std::string& password);
    // In sso mode: the session's user, or false after answering 401.
    bool SessionUser(const httplib::Request& req, httplib::Response& res, std::string* user);

    // Who sent a request: its connection and, in sso mode, the session's user.
    struct Caller {
        std::string peer;
        std::string session_user;
    };
    // The map servlet, on connections checked like every other request's.
    void Orvex(const httplib::Request& req, httplib::Response& res);
    // A connection checked for the caller's grants, stopped when the caller leaves.
    Lease Connect(const Caller& caller, std::string* error);
    std::string AnswerTooLong() const;

    ServerOptions options_;
    FunctionContext functions_;
    ThemeList themes_;
    std::unique_ptr<ConnectionPool> pool_;
    std::unique_ptr<httplib::Server> http_;
    std::unique_ptr<Faults> faults_;
    Sessions sessions_;
    RequestDeadlines deadlines_;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    mutable std::mutex batches_mutex_;
    std::vector<size_t> write_batches_;
    int port_ = 0;
};

}  // namespace terv::central
