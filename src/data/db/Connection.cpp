#include "Connection.h"

namespace terv {

namespace {

// SQLite's memory statistics take one global lock on every allocation of every connection. The
// program never reads them, and its readers and writers on other threads would queue on that
// lock, so they are off; this runs before the first connection, when SQLite still accepts it.
[[maybe_unused]] const int kNoMemoryStatistics = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);

}  // namespace

Connection::~Connection() {
    Close();
}

void Connection::Close() {
    if (db)
        sqlite3_close_v2(db);
    db = nullptr;
}

void Connection::CheckOpen(const std::string& statement) const {
    if (!db)
        throw DbError("the database is closed", path, statement);
}

void Connection::Fail(const std::string& statement) const {
    Fail(db ? JetMessage(sqlite3_errmsg(db)) : "the database is closed", statement);
}

void Connection::Fail(const std::string& message, const std::string& statement) const {
    throw DbError(message, path, statement);
}

std::string Connection::Rewrite(std::string_view jet) {
    try {
        return RewriteJetSql(jet, [this](const std::string& t) { return Columns(t); });
    } catch (const JetSqlError& e) {
        Fail(e.what(), std::string(jet));
    }
}

RewrittenSql Connection::RewriteStatement(std::string_view jet) {
    try {
        return RewriteJetStatement(jet, [this](const std::string& t) { return Columns(t); });
    } catch (const JetSqlError& e) {
        Fail(e.what(), std::string(jet));
    }
}

sqlite3_stmt* Connection::Prepare(const std::string& sql, const std::string& original,
                                  bool single) {
    CheckOpen(original);
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    ++statements;
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &stmt, &tail) !=
        SQLITE_OK) {
        std::string message = JetMessage(sqlite3_errmsg(db));
        sqlite3_finalize(stmt);
        Fail(message, original);
    }
    if (!stmt)
        Fail("empty statement", original);
    if (single && tail) {
        for (const char* p = tail; *p; ++p) {
            if (*p != ';' && *p != ' ' && *p != '\t' && *p != '\r' && *p != '\n') {
                sqlite3_finalize(stmt);
                Fail("characters found after end of SQL statement", original);
            }
        }
    }
    return stmt;
}

std::vector<std::string> Connection::Columns(const std::string& table) {
    std::vector<std::string> names;
    if (table.find(']') != std::string::npos)
        return names;
    Statement st(*this, "PRAGMA table_info([" + table + "])", table);
    while (sqlite3_step(st.get()) == SQLITE_ROW)
        names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 1)));
    return names;
}

void Connection::Run(const std::string& sql) {
    Statement st(*this, sql, sql);
    int rc;
    while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE)
        Fail(sql);
}

Variant ReadValue(sqlite3_stmt* stmt, int col) {
    switch (sqlite3_column_type(stmt, col)) {
        case SQLITE_INTEGER:
            return Variant(static_cast<int64_t>(sqlite3_column_int64(stmt, col)));
        case SQLITE_FLOAT:
            return Variant(sqlite3_column_double(stmt, col));
        case SQLITE_NULL:
            return Variant();
        default: {
            const char* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, col));
            return Variant(std::string(text ? text : "",
                                       static_cast<size_t>(sqlite3_column_bytes(stmt, col))));
        }
    }
}

void BindValue(sqlite3_stmt* stmt, int index, const Variant& value) {
    if (value.IsNull()) {
        sqlite3_bind_null(stmt, index);
    } else if (value.IsInteger()) {
        sqlite3_bind_int64(stmt, index, static_cast<sqlite3_int64>(value.AsDouble()));
    } else if (value.IsDouble()) {
        sqlite3_bind_double(stmt, index, value.AsDouble());
    } else {
        std::string text = value.AsText();
        sqlite3_bind_text(stmt, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
    }
}

}  // namespace terv
