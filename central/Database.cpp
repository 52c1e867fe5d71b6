// SQLite connections and their pool.
#include "Database.h"

namespace terv::central {

std::unique_ptr<Connection> Connection::Open(const std::string& path, const FunctionContext* ctx,
                                             std::string* error, ConnectionLimits limits) {
    sqlite3* db = nullptr;
    int rc =
        sqlite3_open_v2(path.c_str(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        *error =
            "cannot open database " + path + ": " + (db ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close(db);
        return nullptr;
    }
    std::unique_ptr<Connection> conn(new Connection(db, ctx, limits));
    sqlite3_extended_result_codes(db, 1);
    std::string message;
    // LIKE tells letter case apart, as on the central system; WAL lets readers run beside a writer.
    if (!conn->guard_.Install(db, &message) || RegisterOracleFunctions(db, ctx) != SQLITE_OK ||
        !conn->guard_.Finish(&message) ||
        !conn->Exec(
            "PRAGMA trusted_schema=ON; PRAGMA case_sensitive_like=ON; PRAGMA journal_mode=WAL; "
            "PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=OFF",
            &message)) {
        *error = "cannot prepare database " + path + ": " +
                 (message.empty() ? sqlite3_errmsg(db) : message);
        return nullptr;
    }
    return conn;
}

Connection::~Connection() {
    sqlite3_close_v2(db_);
}

bool Connection::Exec(const std::string& sql, std::string* error) {
    Guard::Trusted trusted(guard_);
    char* message = nullptr;
    int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        if (error)
            *error = message ? message : sqlite3_errstr(rc);
        sqlite3_free(message);
        return false;
    }
    return true;
}

bool Connection::Reset() {
    guard_.Disarm();
    while (sqlite3_stmt* stmt = sqlite3_next_stmt(db_, nullptr))
        sqlite3_finalize(stmt);
    // A connection left inside a transaction by a cut stream is cleaned before reuse.
    if (!sqlite3_get_autocommit(db_))
        Exec("ROLLBACK");
    sqlite3_stmt* stmt = nullptr;
    bool clean = sqlite3_prepare_v2(db_, "SELECT 1 FROM temp.sqlite_master LIMIT 1", -1, &stmt,
                                    nullptr) == SQLITE_OK &&
                 sqlite3_step(stmt) == SQLITE_DONE;
    sqlite3_finalize(stmt);
    return clean;
}

Lease::~Lease() {
    if (conn_ && pool_)
        pool_->Release(std::move(conn_));
}

Lease ConnectionPool::Acquire(std::string* error) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!idle_.empty()) {
            std::unique_ptr<Connection> conn = std::move(idle_.back());
            idle_.pop_back();
            return Lease(this, std::move(conn));
        }
    }
    return Lease(this, Connection::Open(path_, ctx_, error, limits_));
}

void ConnectionPool::Release(std::unique_ptr<Connection> conn) {
    if (!conn->Reset())
        return;
    std::lock_guard<std::mutex> lock(mutex_);
    idle_.push_back(std::move(conn));
}

}  // namespace terv::central
