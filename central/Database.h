// SQLite connections of the central server: each one opened with the central system's functions
// registered, write-ahead logging for concurrent readers, a bounded busy wait and the guards of
// Guards.h; a pool hands one connection to each request and cleans it before the next.
#pragma once

#include <sqlite3.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Guards.h"
#include "OracleFunctions.h"

namespace terv::central {

class Connection {
  public:
    // Opens (creating when missing) the database file. Returns null with a text in *error.
    static std::unique_ptr<Connection> Open(const std::string& path, const FunctionContext* ctx,
                                            std::string* error, ConnectionLimits limits = {});
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    sqlite3* db() const { return db_; }
    Guard& guard() { return guard_; }
    // Runs the server's own statements without results, unchecked by the guard. Returns false
    // with SQLite's message in *error.
    bool Exec(const std::string& sql, std::string* error = nullptr);
    // Ends whatever a request left: statements, transaction, checks. False when the connection
    // holds temporary objects and must not serve again.
    bool Reset();

  private:
    Connection(sqlite3* db, const FunctionContext* ctx, ConnectionLimits limits)
        : db_(db), guard_(ctx, limits) {}
    sqlite3* db_;
    Guard guard_;
};

class ConnectionPool;

// A connection borrowed from the pool; goes back when destroyed.
class Lease {
  public:
    Lease(ConnectionPool* pool, std::unique_ptr<Connection> conn)
        : pool_(pool), conn_(std::move(conn)) {}
    Lease(Lease&&) = default;
    ~Lease();
    Connection* operator->() const { return conn_.get(); }
    Connection& operator*() const { return *conn_; }
    // Applies the checks of `scope` to the statements run until the lease ends.
    void Arm(RequestScope scope) { conn_->guard().Arm(std::move(scope)); }
    explicit operator bool() const { return conn_ != nullptr; }

  private:
    ConnectionPool* pool_;
    std::unique_ptr<Connection> conn_;
};

class ConnectionPool {
  public:
    ConnectionPool(std::string path, const FunctionContext* ctx, ConnectionLimits limits = {})
        : path_(std::move(path)), ctx_(ctx), limits_(limits) {}
    // A free connection, opening a new one when none is idle. An empty lease and *error on failure.
    Lease Acquire(std::string* error);
    void Release(std::unique_ptr<Connection> conn);

  private:
    std::string path_;
    const FunctionContext* ctx_;
    ConnectionLimits limits_;
    std::mutex mutex_;
    std::vector<std::unique_ptr<Connection>> idle_;
};

}  // namespace terv::central
