// The open SQLite connection behind a Database and its recordsets (internal to the layer).
#pragma once

#include <sqlite3.h>

#include <string>
#include <string_view>
#include <vector>

#include "DbError.h"
#include "JetSql.h"
#include "platform/Variant.h"

namespace terv {

struct Connection {
    sqlite3* db = nullptr;
    std::string path;
    bool readOnly = false;
    long long statements = 0;

    ~Connection();
    void Close();

    // Throws DbError unless the connection is open.
    void CheckOpen(const std::string& statement) const;
    // DbError with the text of the last failure (Jet's text for a failed field check).
    [[noreturn]] void Fail(const std::string& statement) const;
    [[noreturn]] void Fail(const std::string& message, const std::string& statement) const;

    // The SQLite form of a Jet statement; DbError when it cannot be rewritten or is a
    // SELECT ... INTO (RewriteStatement gives those).
    std::string Rewrite(std::string_view jet);
    RewrittenSql RewriteStatement(std::string_view jet);
    // Prepares already rewritten SQL; `original` names the statement in errors. With
    // `single`, text after the first statement (other than blanks and ";") is an error.
    sqlite3_stmt* Prepare(const std::string& sql, const std::string& original, bool single = true);
    // Column names of a table or view; empty when there is none.
    std::vector<std::string> Columns(const std::string& table);
    // Runs SQL that returns no rows (internal statements, already SQLite).
    void Run(const std::string& sql);
};

// A prepared statement finalised on destruction.
class Statement {
  public:
    Statement(Connection& conn, const std::string& sql, const std::string& original)
        : stmt_(conn.Prepare(sql, original)) {}
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt* get() const { return stmt_; }

  private:
    sqlite3_stmt* stmt_;
};

// Column `col` of the current row of `stmt` as a Variant.
Variant ReadValue(sqlite3_stmt* stmt, int col);
// Binds a Variant to parameter `index` (1-based).
void BindValue(sqlite3_stmt* stmt, int index, const Variant& value);

}  // namespace terv
