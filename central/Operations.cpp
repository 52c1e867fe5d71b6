// Gateway and spatial-data operations on the SQLite database.
#include "Operations.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <map>

#include "OraError.h"
#include "OracleSql.h"
#include "Schema.h"
#include "SqlTokens.h"
#include "SqlValues.h"

namespace terv::central {

namespace {

OraError LastError(Connection& conn, int rc) {
    return MapSqliteError(rc, sqlite3_errmsg(conn.db()));
}

bool BlankTail(const char* tail) {
    for (; tail != nullptr && *tail != '\0'; ++tail) {
        if (!std::isspace(static_cast<unsigned char>(*tail)))
            return false;
    }
    return true;
}

// Prepares one translated statement. Returns null and fills *err on failure.
sqlite3_stmt* Prepare(Connection& conn, const std::string& sql, OraError* err) {
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    int rc = sqlite3_prepare_v2(conn.db(), sql.c_str(), static_cast<int>(sql.size()), &stmt, &tail);
    if (rc != SQLITE_OK) {
        *err = LastError(conn, rc);
        return nullptr;
    }
    if (stmt == nullptr) {
        *err = {"ORA-00900: invalid SQL statement", false};
        return nullptr;
    }
    if (!BlankTail(tail)) {
        sqlite3_finalize(stmt);
        *err = {"ORA-00911: invalid character", false};
        return nullptr;
    }
    return stmt;
}

// Columns sent as dates: those of a date column and the SYSDATE and TO_DATE items.
std::vector<bool> DateColumns(sqlite3_stmt* stmt, const std::vector<bool>& date_items) {
    const int n = sqlite3_column_count(stmt);
    std::vector<bool> dates(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const char* decl = sqlite3_column_decltype(stmt, i);
        const size_t k = static_cast<size_t>(i);
        dates[k] = (decl != nullptr && UpperAscii(decl).find("DATE") != std::string::npos) ||
                   (k < date_items.size() && date_items[k]);
    }
    return dates;
}

bool IsIdentifier(const std::string& s) {
    if (s.empty() || !(std::isalpha(static_cast<unsigned char>(s[0])) || s[0] == '_'))
        return false;
    for (char c : s) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '$' && c != '#' &&
            c != '.') {
            return false;
        }
    }
    return true;
}

// Declared types of a table's columns by upper-case name; empty when there is no such table.
std::map<std::string, std::string> ColumnTypes(Connection& conn, const std::string& table) {
    std::map<std::string, std::string> out;
    sqlite3_stmt* stmt = nullptr;
    const std::string sql = "PRAGMA table_info(\"" + table + "\")";
    if (sqlite3_prepare_v2(conn.db(), sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
        return out;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        const char* type = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 2));
        out[UpperAscii(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1)))] =
            UpperAscii(type ? type : "");
    }
    sqlite3_finalize(stmt);
    return out;
}

// Binds one attribute value converted to its column's type; empty text is NULL.
bool BindValue(sqlite3_stmt* stmt, int index, const std::string& type, const std::string& value,
               std::string* error) {
    if (value.empty())
        return sqlite3_bind_null(stmt, index) == SQLITE_OK;
    if (type.find("DATE") != std::string::npos) {
        std::string d = value;
        bool digits = !d.empty();
        for (char c : d)
            digits = digits && std::isdigit(static_cast<unsigned char>(c));
        if (digits && d.size() == 8)
            d += "000000";
        if (!digits || d.size() != 14) {
            *error = "ORA-01861: literal does not match format string";
            return false;
        }
        return sqlite3_bind_text(stmt, index, d.c_str(), -1, SQLITE_TRANSIENT) == SQLITE_OK;
    }
    if (type.find("INT") != std::string::npos || type.find("REAL") != std::string::npos ||
        type.find("NUM") != std::string::npos || type.find("DOUB") != std::string::npos) {
        const size_t b = value.find_first_not_of(' ');
        const size_t e = value.find_last_not_of(' ');
        const std::string v = b == std::string::npos ? "" : value.substr(b, e - b + 1);
        char* end = nullptr;
        const double x = sqlvalue::ParseDouble(v.c_str(), &end);
        if (v.empty() || end == nullptr || *end != '\0') {
            *error = "ORA-01722: invalid number";
            return false;
        }
        if (type.find("INT") != std::string::npos && x == std::floor(x) && std::fabs(x) < 9e15) {
            return sqlite3_bind_int64(stmt, index, static_cast<sqlite3_int64>(x)) == SQLITE_OK;
        }
        return sqlite3_bind_double(stmt, index, x) == SQLITE_OK;
    }
    return sqlite3_bind_text(stmt, index, value.c_str(), static_cast<int>(value.size()),
                             SQLITE_TRANSIENT) == SQLITE_OK;
}

// Splits the attribute list "col|value|col|value|" into its parts. The closing "|" of the last
// pair may be missing, so "a|1|b|" sets b to the empty text and "a|1|b||" does the same.
std::vector<std::string> SplitAttributes(const std::string& text) {
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == '|') {
            parts.emplace_back();
        } else {
            parts.back().push_back(c);
        }
    }
    if (parts.size() % 2 == 1 && parts.back().empty())
        parts.pop_back();
    return parts;
}

// Runs one write; returns the rows changed or -1 with *err.
long long ApplyWrite(Connection& conn, const WriteRequest& w, OraError* err) {
    if (!IsIdentifier(w.table)) {
        *err = {"ORA-00903: invalid table name", false};
        return -1;
    }
    const std::map<std::string, std::string> types = ColumnTypes(conn, w.table);
    if (types.empty()) {
        *err = {"ORA-00942: table or view does not exist", false};
        return -1;
    }
    const std::vector<std::string> parts = SplitAttributes(w.attributes);
    if (parts.size() % 2 != 0 || parts.empty()) {
        *err = {"ORA-00947: not enough values", false};
        return -1;
    }
    std::vector<std::string> columns, values;
    for (size_t i = 0; i < parts.size(); i += 2) {
        const std::string col = UpperAscii(parts[i]);
        if (!IsIdentifier(col) || !types.count(col)) {
            *err = {"ORA-00904: \"" + col + "\": invalid identifier", false};
            return -1;
        }
        columns.push_back(col);
        values.push_back(parts[i + 1]);
    }
    std::string sql;
    if (w.op == "I" || w.op == "i") {
        std::string names, marks;
        for (size_t i = 0; i < columns.size(); ++i) {
            names += (i ? "," : "") + ("\"" + columns[i] + "\"");
            marks += (i ? ",?" : "?") + std::to_string(i + 1);
        }
        sql = "INSERT INTO " + w.table + " (" + names + ") VALUES (" + marks + ")";
    } else if (w.op == "U" || w.op == "u") {
        std::string sets;
        for (size_t i = 0; i < columns.size(); ++i) {
            sets += (i ? "," : "") + ("\"" + columns[i] + "\"=?" + std::to_string(i + 1));
        }
        sql = "UPDATE " + w.table + " SET " + sets;
        if (w.where.find_first_not_of(' ') != std::string::npos)
            sql += " WHERE " + w.where;
    } else {
        *err = {"ORA-00900: invalid SQL statement (operation " + w.op + ")", false};
        return -1;
    }
    Translation t;
    std::string terr;
    if (!TranslateOracleSql(sql, &t, &terr)) {
        *err = {terr, false};
        return -1;
    }
    sqlite3_stmt* stmt = Prepare(conn, t.sql, err);
    if (stmt == nullptr)
        return -1;
    for (size_t i = 0; i < columns.size(); ++i) {
        std::string berr;
        if (!BindValue(stmt, static_cast<int>(i + 1), types.at(columns[i]), values[i], &berr)) {
            sqlite3_finalize(stmt);
            *err = {berr, false};
            return -1;
        }
    }
    int rc = sqlite3_step(stmt);
    if (rc != SQLITE_DONE) {
        *err = LastError(conn, rc);
        sqlite3_finalize(stmt);
        return -1;
    }
    sqlite3_finalize(stmt);
    return sqlite3_changes(conn.db());
}

bool Begin(Connection& conn, RecordWriter& out) {
    std::string message;
    if (conn.Exec("BEGIN IMMEDIATE", &message))
        return true;
    OraError e = LastError(conn, sqlite3_extended_errcode(conn.db()));
    out.EndError(e.transient, e.text);
    return false;
}

bool Commit(Connection& conn, RecordWriter& out) {
    if (conn.Exec("COMMIT"))
        return true;
    OraError e = LastError(conn, sqlite3_extended_errcode(conn.db()));
    conn.Exec("ROLLBACK");
    out.EndError(e.transient, e.text);
    return false;
}

}  // namespace

StreamEnd StreamSelect(Connection& conn, const std::string& oracle_sql, RecordWriter& out,
                       const StreamControl& control) {
    auto finish = [&](bool ok) { return ok ? StreamEnd::kComplete : StreamEnd::kAborted; };
    Translation t;
    std::string terr;
    if (!TranslateOracleSql(oracle_sql, &t, &terr))
        return finish(out.EndError(false, terr));
    OraError err;
    sqlite3_stmt* stmt = Prepare(conn, t.sql, &err);
    if (stmt == nullptr)
        return finish(out.EndError(err.transient, err.text));
    if (!sqlite3_stmt_readonly(stmt)) {
        sqlite3_finalize(stmt);
        return finish(out.EndError(false,
                                   "ORA-01456: may not perform insert/delete/update "
                                   "operation inside a READ ONLY transaction"));
    }
    // Sequence numbers are drawn inside a write transaction of their own.
    if (t.uses_sequence && !Begin(conn, out)) {
        sqlite3_finalize(stmt);
        return StreamEnd::kComplete;
    }
    std::vector<std::string> names;
    for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
        names.push_back(UpperAscii(sqlite3_column_name(stmt, i)));
    }
    const std::vector<bool> dates = DateColumns(stmt, t.date_columns);
    long long rows = 0;
    bool alive = out.Columns(names);
    int rc = SQLITE_DONE;
    while (alive && (rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        if (control.cut_after_rows >= 0 && rows >= control.cut_after_rows) {
            sqlite3_finalize(stmt);
            out.Flush();
            return StreamEnd::kCut;
        }
        alive = out.Row(stmt, dates);
        ++rows;
        if ((rows & 255) == 0 && control.should_stop && control.should_stop())
            alive = false;
    }
    if (!alive) {
        sqlite3_finalize(stmt);
        return StreamEnd::kAborted;
    }
    if (control.cut_after_rows >= 0 && rows >= control.cut_after_rows) {
        sqlite3_finalize(stmt);
        out.Flush();
        return StreamEnd::kCut;
    }
    if (rc != SQLITE_DONE) {
        err = LastError(conn, rc);
        sqlite3_finalize(stmt);
        if (t.uses_sequence)
            conn.Exec("ROLLBACK");
        return finish(out.EndError(err.transient, err.text));
    }
    sqlite3_finalize(stmt);
    if (t.uses_sequence && !Commit(conn, out))
        return StreamEnd::kComplete;
    return finish(out.EndOk(rows));
}

void RunExecute(Connection& conn, const std::string& sql, RecordWriter& out) {
    const std::vector<std::string> statements = SplitStatements(sql);
    if (statements.empty()) {
        out.EndError(false, "ORA-00900: invalid SQL statement");
        return;
    }
    if (!Begin(conn, out))
        return;
    long long changed = 0;
    for (const std::string& s : statements) {
        Translation t;
        std::string terr;
        OraError err;
        if (!TranslateOracleSql(s, &t, &terr)) {
            err = {terr, false};
        } else if (sqlite3_stmt* stmt = Prepare(conn, t.sql, &err)) {
            int rc;
            while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            }
            if (rc != SQLITE_DONE)
                err = LastError(conn, rc);
            const bool counts = !sqlite3_stmt_readonly(stmt);
            sqlite3_finalize(stmt);
            if (rc == SQLITE_DONE) {
                if (counts)
                    changed += sqlite3_changes(conn.db());
                continue;
            }
        }
        conn.Exec("ROLLBACK");
        out.EndError(err.transient, err.text);
        return;
    }
    if (Commit(conn, out))
        out.EndOk(changed);
}

bool DescriptorSelect(const std::string& descriptor, std::string* select, std::string* error) {
    // Fields separated by "|" outside quotes; "||" is the concatenation operator.
    std::vector<std::string> parts(1);
    char quote = 0;
    for (size_t i = 0; i < descriptor.size(); ++i) {
        const char c = descriptor[i];
        if (quote == 0 && c == '|' && parts.size() < 4) {
            if (i + 1 < descriptor.size() && descriptor[i + 1] == '|' && parts.size() >= 3) {
                parts.back() += "||";
                ++i;
                continue;
            }
            parts.emplace_back();
            continue;
        }
        if (quote == 0 && (c == '\'' || c == '"')) {
            quote = c;
        } else if (quote == c) {
            quote = 0;
        }
        parts.back().push_back(c);
    }
    auto trim = [](std::string s) {
        const size_t b = s.find_first_not_of(" \t\r\n");
        if (b == std::string::npos)
            return std::string();
        return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
    };
    if (parts.size() < 3) {
        *error = "ORA-00936: missing expression (descriptor \"" + descriptor + "\")";
        return false;
    }
    const std::string table = trim(parts[0]);
    const std::string fields = trim(parts[2]);
    if (!IsIdentifier(table)) {
        *error = "ORA-00903: invalid table name";
        return false;
    }
    if (fields.empty()) {
        *error = "ORA-00936: missing expression";
        return false;
    }
    *select = "SELECT " + fields + " FROM " + table;
    if (parts.size() > 3 && !trim(parts[3]).empty())
        *select += " WHERE " + parts[3];
    return true;
}

namespace {

// One failed write of a batch: its place in the request and its error.
struct FailedWrite {
    size_t index;
    OraError error;
};

// The end record's error: the first failure that is not a duplicate return row ("ORA-20001",
// the row is already stored), else the first one; transient only when every failure was.
OraError BatchError(const std::vector<FailedWrite>& failed) {
    OraError end = failed.front().error;
    for (const FailedWrite& f : failed) {
        if (f.error.text.rfind("ORA-20001", 0) != 0) {
            end = f.error;
            break;
        }
    }
    end.transient = true;
    for (const FailedWrite& f : failed)
        end.transient = end.transient && f.error.transient;
    return end;
}

// Runs one write inside its own savepoint, so that its failure undoes only its own changes.
// Returns the rows changed, or -1 with *err; *whole is set when the failure ended the whole
// transaction (SQLite rolls it back itself on some errors, e.g. an interrupted statement).
long long ApplyWriteAlone(Connection& conn, const WriteRequest& w, OraError* err, bool* whole) {
    if (!conn.Exec("SAVEPOINT terv_write")) {
        *err = LastError(conn, sqlite3_extended_errcode(conn.db()));
        *whole = true;
        return -1;
    }
    const long long n = ApplyWrite(conn, w, err);
    if (n >= 0) {
        conn.Exec("RELEASE terv_write");
        return n;
    }
    *whole = sqlite3_get_autocommit(conn.db()) != 0;
    if (!*whole) {
        conn.Exec("ROLLBACK TO terv_write");
        conn.Exec("RELEASE terv_write");
    }
    return -1;
}

}  // namespace

void RunWrites(Connection& conn, const std::vector<WriteRequest>& writes, RecordWriter& out) {
    if (writes.empty()) {
        out.EndOk(0);
        return;
    }
    if (!Begin(conn, out))
        return;
    long long changed = 0;
    std::vector<FailedWrite> failed;
    for (size_t i = 0; i < writes.size(); ++i) {
        OraError err;
        bool whole = false;
        const long long n = ApplyWriteAlone(conn, writes[i], &err, &whole);
        if (whole) {
            conn.Exec("ROLLBACK");
            out.EndError(err.transient, err.text);
            return;
        }
        if (n < 0)
            failed.push_back({i, err});
        else
            changed += n;
    }
    if (!Commit(conn, out))
        return;
    for (const FailedWrite& f : failed)
        out.WriteFailure(f.index, f.error.transient, f.error.text);
    if (failed.empty()) {
        out.EndOk(changed);
        return;
    }
    const OraError end = BatchError(failed);
    out.EndError(end.transient, end.text);
}

}  // namespace terv::central
