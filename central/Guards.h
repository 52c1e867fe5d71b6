// SQLite's own protections on a server connection, and the checks made while a request runs on
// it: only reads and writes of the schema's tables and views within the request's grants, only
// the functions the server registers and a few SQLite built-ins of the dialect; no ATTACH,
// PRAGMA (but table_info), DDL, temporary or virtual tables; a time limit and a stop when the
// client leaves or the server stops. Statements the server's own functions prepare while a
// request statement runs (sequence numbers, the password look-up) are trusted.
#pragma once

#include <sqlite3.h>

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "Grants.h"
#include "OracleFunctions.h"

namespace terv::central {

// Limits of one connection, the same for every request.
struct ConnectionLimits {
    long long max_value_bytes = 8LL << 20;            // largest text or blob a statement makes
    std::chrono::milliseconds statement_time{60000};  // longest run without answer bytes
};

// What one request may do.
struct RequestScope {
    Grants grants = Grants::Plain();
    std::function<bool()> cancelled;  // the client left or the server stops
};

class Guard {
  public:
    Guard(const FunctionContext* ctx, ConnectionLimits limits) : ctx_(ctx), limits_(limits) {}
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

    // Protections and callbacks, before the server's functions are registered.
    bool Install(sqlite3* db, std::string* error);
    // After the registration: learns the server's functions and wraps the password function.
    bool Finish(std::string* error);

    // The checks apply from Arm to Disarm.
    void Arm(RequestScope scope);
    void Disarm();
    // The time limit starts again (answer bytes reached the client).
    void Extend();

    // Statements of the server itself (transaction control) run unchecked while one lives.
    class Trusted {
      public:
        explicit Trusted(Guard& g) : g_(g) { ++g_.trusted_; }
        ~Trusted() { --g_.trusted_; }
        Trusted(const Trusted&) = delete;
        Trusted& operator=(const Trusted&) = delete;

      private:
        Guard& g_;
    };

  private:
    static int Authorize(void* self, int action, const char* a, const char* b, const char* db,
                         const char* inner);
    static int Progress(void* self);
    static int Busy(void* self, int count);
    static void PasswordFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv);

    int Check(int action, const char* a, const char* b, const char* db, const char* inner) const;
    bool FunctionAllowed(const std::string& name) const;
    std::string ObjectType(const char* name) const;
    bool Checking() const;
    void LoadObjects();

    const FunctionContext* ctx_;
    ConnectionLimits limits_;
    sqlite3* db_ = nullptr;
    std::optional<RequestScope> scope_;
    std::chrono::steady_clock::time_point deadline_;
    std::chrono::steady_clock::time_point next_cancel_check_;
    int trusted_ = 0;
    std::set<std::string> builtin_before_;        // functions present before the registration
    std::set<std::string> functions_;             // the server's functions, upper case
    std::map<std::string, std::string> objects_;  // upper-case name -> table, view, trigger
    int schema_version_ = -1;
};

}  // namespace terv::central
