#include "sql_lite.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "HandheldValues.h"
#include "data/db/Database.h"
#include "data/db/JetSql.h"

namespace terv {

namespace {

namespace fs = std::filesystem;

struct StatementCloser {
    void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
};
using StatementPtr = std::unique_ptr<sqlite3_stmt, StatementCloser>;

struct Writer {
    sqlite3* db = nullptr;
    std::string path;
    std::string temporary;
    bool broken = false;   // the file failed: nothing of it may become the final file
    std::string attached;  // the file attached as kSource, if any
    std::map<std::string, StatementPtr> inserts;  // prepared INSERTs by table and width
    std::string lastTable;                        // the table and width of the INSERT used last,
    size_t lastWidth = 0;
    sqlite3_stmt* last = nullptr;  // and that INSERT, for runs of rows of one table
};

// The open writers. Several threads may each write databases of their own, so the table is
// kept under a lock; a writer itself is used by one thread at a time, and stays where it is in
// the table while others come and go.
std::mutex& WritersLock() {
    static std::mutex lock;
    return lock;
}

std::map<int32_t, Writer>& Writers() {
    static std::map<int32_t, Writer> writers;
    return writers;
}

// The writer of `handle`, or null.
Writer* Find(int32_t handle) {
    std::lock_guard lock(WritersLock());
    auto it = Writers().find(handle);
    return it == Writers().end() ? nullptr : &it->second;
}

// The writer of `handle` taken out of the table, or nothing.
std::optional<Writer> Take(int32_t handle) {
    std::lock_guard lock(WritersLock());
    auto it = Writers().find(handle);
    if (it == Writers().end())
        return std::nullopt;
    std::optional<Writer> w(std::move(it->second));
    Writers().erase(it);
    return w;
}

// The last failure of the calling thread, as errno is.
std::string& LastError() {
    thread_local std::string text;
    return text;
}

int32_t Fail(int32_t code, const std::string& text) {
    LastError() = text;
    return code;
}

int32_t Succeed() {
    LastError().clear();
    return 0;
}

// Failures of the file rather than of the statement.
bool FileFailure(int code) {
    const int primary = code & 0xff;
    return primary == SQLITE_FULL || primary == SQLITE_IOERR || primary == SQLITE_CORRUPT ||
           primary == SQLITE_CANTOPEN || primary == SQLITE_NOMEM || primary == SQLITE_READONLY;
}

void RemoveQuietly(const std::string& file) {
    std::error_code ignored;
    fs::remove(file, ignored);
}

// The result of SQL on a writer's connection; a file failure breaks the writer.
int32_t Outcome(Writer& w, int rc, const std::string& text) {
    if (rc == SQLITE_OK || rc == SQLITE_DONE)
        return Succeed();
    if (FileFailure(rc))
        w.broken = true;
    return Fail(rc, w.path + ": " + text);
}

int32_t FailBroken(const Writer& w) {
    return Fail(SQLITE_IOERR, w.path + ": il file non è più scrivibile");
}

// The writer behind `handle` while statements may still run on it; otherwise null, with the
// failure recorded and its code in `rc`.
Writer* Usable(int32_t handle, int32_t& rc) {
    Writer* w = Find(handle);
    if (!w) {
        rc = Fail(-1, "database non aperto");
        return nullptr;
    }
    if (w->broken) {
        rc = FailBroken(*w);
        return nullptr;
    }
    return w;
}

int32_t Run(Writer& w, const std::string& sql) {
    char* message = nullptr;
    const int rc = sqlite3_exec(w.db, sql.c_str(), nullptr, nullptr, &message);
    const std::string text = message ? message : sqlite3_errstr(rc);
    sqlite3_free(message);
    return Outcome(w, rc, text);
}

constexpr const char* kSource = "sqll_origine";

// Attaches `file` as kSource in place of any earlier one. ATTACH and DETACH cannot run inside a
// transaction, so the rows so far are committed first: they are still in the temporary file,
// which any later failure throws away.
int32_t AttachSource(Writer& w, const std::string& file) {
    if (w.attached == file)
        return Succeed();
    std::error_code error;
    if (!fs::is_regular_file(file, error))
        return Fail(SQLITE_CANTOPEN, file + ": file non trovato");
    int32_t rc = Run(w, "COMMIT");
    if (rc == 0 && !w.attached.empty())
        rc = Run(w, std::string("DETACH ") + kSource);
    if (rc == 0) {
        w.attached.clear();
        rc = Run(w, "ATTACH " + SqlQuoted(file) + " AS " + kSource);
    }
    if (rc == 0)
        w.attached = file;
    const std::string text = LastError();
    if (sqlite3_get_autocommit(w.db) && Run(w, "BEGIN") != 0) {
        w.broken = true;  // rows would no longer wait for the close
        return FailBroken(w);
    }
    return rc == 0 ? Succeed() : Fail(rc, text);
}

// The writer's INSERT for `width` values into `table`, prepared on first use; null on failure.
sqlite3_stmt* InsertStatement(Writer& w, const std::string& table, size_t width) {
    if (w.last && width == w.lastWidth && table == w.lastTable)
        return w.last;
    StatementPtr& stmt = w.inserts[table + "/" + std::to_string(width)];
    if (!stmt) {
        std::string sql = "INSERT INTO " + table + " VALUES(";
        for (size_t i = 0; i < width; ++i)
            sql += i ? ",?" : "?";
        sqlite3_stmt* raw = nullptr;
        sqlite3_prepare_v2(w.db, (sql + ")").c_str(), -1, &raw, nullptr);
        stmt.reset(raw);
    }
    w.last = stmt.get();
    w.lastTable = table;
    w.lastWidth = width;
    return w.last;
}

// The row outlives the statement's step, so texts are bound where they are, without a copy.
// Whole numbers go in as integers, as their literal would; any other number goes in as its
// text, which the column's numeric affinity turns into the value SQLite gives the literal.
void BindNumber(sqlite3_stmt* stmt, int index, const std::string& text) {
    char* end = nullptr;
    errno = 0;
    const long long whole = std::strtoll(text.c_str(), &end, 10);
    if (!text.empty() && *end == '\0' && errno == 0)
        sqlite3_bind_int64(stmt, index, whole);
    else
        sqlite3_bind_text(stmt, index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
}

void Bind(sqlite3_stmt* stmt, int index, const SqllValue& value) {
    switch (value.kind) {
        case SqllValue::kNull:
            sqlite3_bind_null(stmt, index);
            break;
        case SqllValue::kText:
            sqlite3_bind_text(stmt, index, value.text.data(), static_cast<int>(value.text.size()),
                              SQLITE_STATIC);
            break;
        case SqllValue::kNumber:
            BindNumber(stmt, index, value.text);
            break;
    }
}

// Closes the connection and deletes the temporary file.
void Discard(Writer& w) {
    w.last = nullptr;
    w.inserts.clear();
    sqlite3_close_v2(w.db);
    w.db = nullptr;
    RemoveQuietly(w.temporary);
    RemoveQuietly(w.temporary + "-journal");
}

// Puts the writer in the table under a handle no open writer has.
int32_t Register(Writer&& w) {
    std::lock_guard lock(WritersLock());
    static int32_t last = 0;
    do {
        last = last == INT32_MAX ? 1 : last + 1;
    } while (Writers().count(last));
    Writers().emplace(last, std::move(w));
    return last;
}

struct SqliteCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};

StatementPtr Prepare(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr);
    return StatementPtr(stmt);
}

// The columns of `table` in `src` that `mdbColumns` also has, matched without regard to case.
std::vector<std::pair<std::string, std::string>> CommonColumns(
    sqlite3* src, const std::string& table, const std::vector<std::string>& mdbColumns) {
    std::vector<std::pair<std::string, std::string>> out;
    StatementPtr info = Prepare(src, "PRAGMA table_info(" + QuoteName(table) + ")");
    while (info && sqlite3_step(info.get()) == SQLITE_ROW) {
        const std::string name = reinterpret_cast<const char*>(sqlite3_column_text(info.get(), 1));
        for (const std::string& target : mdbColumns) {
            if (sqlite3_stricmp(name.c_str(), target.c_str()) == 0)
                out.emplace_back(name, target);
        }
    }
    return out;
}

// Copies the rows of the open source into the target table, inside the caller's transaction.
int32_t CopyRows(sqlite3* src, sqlite3* dst, const std::string& table,
                 const std::vector<std::pair<std::string, std::string>>& columns,
                 const std::string& mdbTable) {
    std::string select = "SELECT ";
    std::string insert = "INSERT INTO " + QuoteName(mdbTable) + " (";
    std::string marks;
    for (size_t i = 0; i < columns.size(); ++i) {
        const char* sep = i ? "," : "";
        select += sep + QuoteName(columns[i].first);
        insert += sep + QuoteName(columns[i].second);
        marks += i ? ",?" : "?";
    }
    StatementPtr read = Prepare(src, select + " FROM " + QuoteName(table));
    StatementPtr write = Prepare(dst, insert + ") VALUES (" + marks + ")");
    if (!read)
        return Fail(sqlite3_errcode(src), table + ": " + sqlite3_errmsg(src));
    if (!write)
        return Fail(sqlite3_errcode(dst), mdbTable + ": " + sqlite3_errmsg(dst));
    int rc = SQLITE_OK;
    while ((rc = sqlite3_step(read.get())) == SQLITE_ROW) {
        for (int i = 0; i < static_cast<int>(columns.size()); ++i)
            sqlite3_bind_value(write.get(), i + 1, sqlite3_column_value(read.get(), i));
        if (sqlite3_step(write.get()) != SQLITE_DONE)
            return Fail(sqlite3_errcode(dst), mdbTable + ": " + sqlite3_errmsg(dst));
        sqlite3_reset(write.get());
    }
    if (rc != SQLITE_DONE)
        return Fail(rc, table + ": " + sqlite3_errmsg(src));
    return Succeed();
}

}  // namespace

std::string SqllTemporaryName(const std::string& path) {
    return path + ".parziale";
}

namespace {

// Opens the writer's temporary file, a copy of `templatePath` when one is given, inside one
// transaction; a handle > 0, or 0 with the failure recorded.
int32_t OpenWriter(const std::string& path, const std::string* templatePath) {
    Writer w;
    w.path = path;
    w.temporary = SqllTemporaryName(path);
    RemoveQuietly(w.temporary);
    if (templatePath) {
        std::error_code error;
        fs::copy_file(*templatePath, w.temporary, error);
        if (error) {
            Fail(SQLITE_CANTOPEN, path + ": " + *templatePath + ": " + error.message());
            RemoveQuietly(w.temporary);
            return 0;
        }
    }
    const int rc = sqlite3_open_v2(w.temporary.c_str(), &w.db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        Fail(rc, path + ": " + (w.db ? sqlite3_errmsg(w.db) : sqlite3_errstr(rc)));
        Discard(w);
        return 0;
    }
    // The temporary file is thrown away on any failure, so it needs no rollback journal; the
    // commit at close still reaches the disk before the rename.
    if (Run(w, "PRAGMA journal_mode=OFF") != 0 || Run(w, "PRAGMA synchronous=NORMAL") != 0 ||
        Run(w, "BEGIN") != 0) {
        const std::string text = LastError();
        Discard(w);
        Fail(-1, text);
        return 0;
    }
    const int32_t handle = Register(std::move(w));
    Succeed();
    return handle;
}

}  // namespace

int32_t sqll_createdb(const std::string& path) {
    return OpenWriter(path, nullptr);
}

int32_t sqll_createdb_from(const std::string& path, const std::string& templatePath) {
    return OpenWriter(path, &templatePath);
}

int32_t sqll_execute(int32_t handle, const std::string& statement) {
    int32_t refused = 0;
    Writer* const w = Usable(handle, refused);
    return w ? Run(*w, statement) : refused;
}

int32_t sqll_insert(int32_t handle, const std::string& table, const std::vector<SqllValue>& row) {
    int32_t refused = 0;
    Writer* const usable = Usable(handle, refused);
    if (!usable)
        return refused;
    Writer& w = *usable;
    sqlite3_stmt* stmt = InsertStatement(w, table, row.size());
    if (!stmt)
        return Outcome(w, sqlite3_errcode(w.db), sqlite3_errmsg(w.db));
    for (size_t i = 0; i < row.size(); ++i)
        Bind(stmt, static_cast<int>(i) + 1, row[i]);
    const int rc = sqlite3_step(stmt);
    const std::string text = rc == SQLITE_DONE ? "" : sqlite3_errmsg(w.db);
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    return Outcome(w, rc, text);
}

int32_t sqll_copy_table(int32_t handle, const std::string& sqlitePath, const std::string& table) {
    int32_t rc = 0;
    Writer* const w = Usable(handle, rc);
    if (!w || (rc = AttachSource(*w, sqlitePath)) != 0)
        return rc;
    // The same columns on both sides let SQLite move the stored records as they are.
    return Run(*w, "INSERT INTO main." + QuoteName(table) + " SELECT * FROM " + kSource + "." +
                       QuoteName(table));
}

int32_t sqll_closeDb(int32_t handle) {
    std::optional<Writer> taken = Take(handle);
    if (!taken)
        return Fail(-1, "database non aperto");
    Writer& w = *taken;
    w.last = nullptr;
    w.inserts.clear();
    int32_t rc = w.broken ? FailBroken(w) : Run(w, "COMMIT");
    if (rc != 0) {
        const std::string text = LastError();
        Discard(w);
        return Fail(rc, text);
    }
    if (const int closed = sqlite3_close(w.db); closed != SQLITE_OK) {
        Discard(w);
        return Fail(closed, w.path + ": " + sqlite3_errstr(closed));
    }
    w.db = nullptr;
    std::error_code error;
    fs::rename(w.temporary, w.path, error);
    if (error) {
        Discard(w);
        return Fail(-1, w.path + ": " + error.message());
    }
    return Succeed();
}

int32_t sqll_discard(int32_t handle) {
    std::optional<Writer> taken = Take(handle);
    if (!taken)
        return Fail(-1, "database non aperto");
    Discard(*taken);
    return Succeed();
}

int32_t sqll_fill_mdbtable(const std::string& sqlitePath, const std::string& table, Database& mdb,
                           const std::string& mdbTable) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(sqlitePath.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
    std::unique_ptr<sqlite3, SqliteCloser> src(raw);
    if (rc != SQLITE_OK)
        return Fail(rc, sqlitePath + ": " + (raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc)));
    try {
        const auto columns = CommonColumns(src.get(), table, mdb.ColumnNames(mdbTable));
        if (columns.empty())
            return Fail(-1, sqlitePath + ": nessuna colonna di " + table + " in " + mdbTable);
        mdb.BeginTrans();
        const int32_t copied = CopyRows(src.get(), mdb.Handle(), table, columns, mdbTable);
        if (copied != 0) {
            const std::string text = LastError();
            mdb.Rollback();
            return Fail(copied, text);
        }
        mdb.CommitTrans();
    } catch (const DbError& e) {
        return Fail(-1, e.what());
    }
    return Succeed();
}

const std::string& sqll_errmsg() {
    return LastError();
}

}  // namespace terv
