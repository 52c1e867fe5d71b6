#include "Database.h"

#include <cstdint>
#include <filesystem>

#include "Connection.h"
#include "JetErrors.h"
#include "JetFunctions.h"
#include "JetSql.h"
#include "RecordsetImpl.h"
#include "platform/VbText.h"

namespace terv {

namespace {

// Holds the locale string and other database-wide values; Jet's system tables carry the
// "MSys" prefix too and are left out of the table list.
constexpr const char* kPropertiesTable = "MSysDbProperties";

std::shared_ptr<Connection> Connect(const std::string& path, int flags) {
    auto conn = std::make_shared<Connection>();
    conn->path = path;
    conn->readOnly = (flags & SQLITE_OPEN_READONLY) != 0;
    sqlite3* db = nullptr;
    // A connection is used by one thread at a time (a result table's writer hands it to its row
    // thread and takes it back), so SQLite need not lock it on every call.
    int rc = sqlite3_open_v2(path.c_str(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        std::string message = db ? sqlite3_errmsg(db) : "cannot open the database";
        sqlite3_close_v2(db);
        throw DbError(message, path, "");
    }
    conn->db = db;
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, 5000);
    RegisterJetFunctions(db);
    // Reading the schema is what tells a database from any other file.
    conn->Run("SELECT count(*) FROM sqlite_master");
    return conn;
}

// The size Jet gives a field of this declared type.
int SizeOf(const std::string& type) {
    size_t open = type.find('(');
    if (open != std::string::npos)
        return std::atoi(type.c_str() + open + 1);
    std::string u;
    for (char c : type)
        u += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (IsTextType(u))
        return u == "TEXT" ? 255 : 0;
    if (u == "BYTE")
        return 1;
    if (u == "SHORT" || u == "SMALLINT")
        return 2;
    if (u == "DOUBLE" || u == "FLOAT" || u == "CURRENCY" || u == "DATETIME" || u == "DATE")
        return 8;
    if (u == "LONG" || u == "INTEGER" || u == "INT" || u == "COUNTER" || u == "SINGLE" ||
        u == "REAL")
        return 4;
    return 0;
}

std::string Text(sqlite3_stmt* st, int col) {
    const char* p = reinterpret_cast<const char*>(sqlite3_column_text(st, col));
    return p ? p : "";
}

// The CREATE TABLE statement SQLite keeps for a table, in upper case.
std::string TableSql(Connection& c, const std::string& table) {
    Statement st(c, "SELECT upper(sql) FROM sqlite_master WHERE type='table' AND name=?", table);
    BindValue(st.get(), 1, Variant(table));
    return sqlite3_step(st.get()) == SQLITE_ROW ? Text(st.get(), 0) : "";
}

}  // namespace

Database::Database() = default;
Database::~Database() {
    Close();
}
Database::Database(Database&&) noexcept = default;
Database& Database::operator=(Database&& other) noexcept {
    if (this != &other) {
        Close();
        conn_ = std::move(other.conn_);
    }
    return *this;
}
Database::Database(std::shared_ptr<Connection> conn) : conn_(std::move(conn)) {}

Connection& Database::Conn() const {
    if (!conn_ || !conn_->db)
        throw DbError("the database is closed", conn_ ? conn_->path : "", "");
    return *conn_;
}

bool Database::IsOpen() const {
    return conn_ && conn_->db;
}

const std::string& Database::Name() const {
    static const std::string kNone;
    return conn_ ? conn_->path : kNone;
}

bool Database::ReadOnly() const {
    return Conn().readOnly;
}

std::string Database::Locale() const {
    Connection& c = Conn();
    if (c.Columns(kPropertiesTable).empty())
        return "";
    Statement st(c, std::string("SELECT Value FROM ") + kPropertiesTable + " WHERE Name='Locale'",
                 "Locale");
    return sqlite3_step(st.get()) == SQLITE_ROW ? Text(st.get(), 0) : "";
}

void Database::Close() {
    if (conn_)
        conn_->Close();
}

namespace {

// Runs already rewritten SQL that returns no rows.
void Step(Connection& c, const std::string& sql, const std::string& original) {
    Statement st(c, sql, original);
    int rc;
    while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE)
        c.Fail(original);
}

// The Jet type a new table gives a column of a SELECT ... INTO: the field's own type, or after
// the first row's value for an expression.
std::string IntoType(sqlite3_stmt* st, int col, bool hasRow) {
    const char* declared = sqlite3_column_decltype(st, col);
    if (declared && *declared)
        return declared;
    switch (hasRow ? sqlite3_column_type(st, col) : SQLITE_NULL) {
        case SQLITE_INTEGER: {
            sqlite3_int64 v = sqlite3_column_int64(st, col);
            return v >= INT32_MIN && v <= INT32_MAX ? "LONG" : "DOUBLE";
        }
        case SQLITE_FLOAT:
            return "DOUBLE";
        default:
            return "TEXT(255)";
    }
}

// SELECT ... INTO: a new table with the fields of the SELECT, filled with its rows; all or
// nothing.
void SelectInto(Database& db, Connection& c, const RewrittenSql& r, const std::string& original) {
    if (db.TableExists(r.intoTable))
        c.Fail(jet_error::AlreadyExists(r.intoTable), original);
    std::string create = "CREATE TABLE " + QuoteName(r.intoTable) + " (";
    {
        Statement st(c, r.sql, original);
        bool hasRow = sqlite3_step(st.get()) == SQLITE_ROW;
        for (int i = 0; i < sqlite3_column_count(st.get()); ++i)
            create += (i ? ", " : "") + QuoteName(sqlite3_column_name(st.get(), i)) + " " +
                      IntoType(st.get(), i, hasRow);
    }
    c.Run("SAVEPOINT jet_select_into");
    try {
        Step(c, c.Rewrite(create + ")"), original);
        Step(c, "INSERT INTO " + QuoteName(r.intoTable) + " " + r.sql, original);
        c.Run("RELEASE jet_select_into");
    } catch (const DbError&) {
        c.Run("ROLLBACK TO jet_select_into");
        c.Run("RELEASE jet_select_into");
        throw;
    }
}

}  // namespace

void Database::Execute(std::string_view sql, int /*options*/) {
    Connection& c = Conn();
    std::string original(sql);
    RewrittenSql r = c.RewriteStatement(sql);
    if (!r.intoTable.empty())
        return SelectInto(*this, c, r, original);
    Statement st(c, r.sql, original);
    if (sqlite3_column_count(st.get()) > 0 && sqlite3_stmt_readonly(st.get()))
        c.Fail("Cannot execute a select query.", original);
    int rc;
    while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE)
        c.Fail(original);
}

long Database::RecordsAffected() const {
    return sqlite3_changes(Conn().db);
}

Recordset Database::OpenRecordset(std::string_view source, RecordsetType type) {
    return Recordset(OpenRecordsetImpl(conn_ ? conn_ : nullptr, Conn(), source, type));
}

void Database::BeginTrans() {
    Conn().Run("BEGIN");
}
void Database::CommitTrans() {
    Conn().Run("COMMIT");
}
void Database::Rollback() {
    Conn().Run("ROLLBACK");
}

std::vector<std::string> Database::TableNames() {
    Connection& c = Conn();
    std::vector<std::string> names;
    Statement st(c,
                 "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite%' "
                 "AND name NOT LIKE 'MSys%' ORDER BY rowid",
                 "TableDefs");
    while (sqlite3_step(st.get()) == SQLITE_ROW)
        names.push_back(Text(st.get(), 0));
    return names;
}

bool Database::TableExists(std::string_view name) {
    Connection& c = Conn();
    Statement st(c, "SELECT 1 FROM sqlite_master WHERE type='table' AND name=? COLLATE NOCASE",
                 "TableDefs");
    BindValue(st.get(), 1, Variant(std::string(name)));
    return sqlite3_step(st.get()) == SQLITE_ROW;
}

std::vector<std::string> Database::ColumnNames(std::string_view table) {
    return Conn().Columns(std::string(table));
}

TableDef Database::GetTableDef(std::string_view table) {
    Connection& c = Conn();
    std::string name(table);
    if (!TableExists(name))
        c.Fail("no such table: " + name, name);
    TableDef def;
    def.name = name;
    std::vector<std::string> keyFields;
    {
        const bool counted = TableSql(c, name).find("AUTOINCREMENT") != std::string::npos;
        Statement st(c, "PRAGMA table_info(" + QuoteName(name) + ")", name);
        while (sqlite3_step(st.get()) == SQLITE_ROW) {
            FieldDef f;
            f.name = Text(st.get(), 1);
            f.type = Text(st.get(), 2);
            f.required = sqlite3_column_int(st.get(), 3) != 0;
            f.defaultValue = Text(st.get(), 4);
            f.size = SizeOf(f.type);
            if (sqlite3_column_int(st.get(), 5) > 0) {
                keyFields.push_back(f.name);
                // The numbering field is the row id itself, declared INTEGER.
                if (counted && EqualsNoCase(f.type, "INTEGER"))
                    f.type = "COUNTER";
            }
            def.fields.push_back(f);
        }
    }
    std::vector<std::pair<std::string, IndexDef>> indexes;
    {
        Statement st(c, "PRAGMA index_list(" + QuoteName(name) + ")", name);
        while (sqlite3_step(st.get()) == SQLITE_ROW) {
            IndexDef ix;
            std::string sqliteName = Text(st.get(), 1);
            ix.unique = sqlite3_column_int(st.get(), 2) != 0;
            ix.primary = Text(st.get(), 3) == "pk";
            std::string prefix = name + ".";
            if (ix.primary)
                ix.name = "PrimaryKey";
            else if (sqliteName.size() > prefix.size() &&
                     sqliteName.compare(0, prefix.size(), prefix) == 0)
                ix.name = sqliteName.substr(prefix.size());
            else
                ix.name = sqliteName;
            indexes.emplace_back(sqliteName, ix);
        }
    }
    bool hasPrimary = false;
    for (auto& [sqliteName, ix] : indexes) {
        Statement st(c, "PRAGMA index_info(" + QuoteName(sqliteName) + ")", name);
        while (sqlite3_step(st.get()) == SQLITE_ROW)
            ix.fields.push_back(Text(st.get(), 2));
        hasPrimary = hasPrimary || ix.primary;
    }
    // A primary key that is the row id itself has no index of its own in SQLite.
    if (!hasPrimary && !keyFields.empty())
        def.indexes.push_back(IndexDef{"PrimaryKey", keyFields, true, true});
    // PRAGMA index_list lists the newest first.
    for (auto it = indexes.rbegin(); it != indexes.rend(); ++it)
        def.indexes.push_back(it->second);
    return def;
}

bool Database::QueryDefExists(std::string_view name) {
    Connection& c = Conn();
    Statement st(c, "SELECT 1 FROM sqlite_master WHERE type='view' AND name=? COLLATE NOCASE",
                 "QueryDefs");
    BindValue(st.get(), 1, Variant(std::string(name)));
    return sqlite3_step(st.get()) == SQLITE_ROW;
}

void Database::CreateQueryDef(std::string_view name, std::string_view sql) {
    Connection& c = Conn();
    std::string original(sql);
    std::string rewritten = c.Rewrite(sql);
    {
        Statement probe(c, rewritten, original);
        if (!sqlite3_stmt_readonly(probe.get()) || sqlite3_column_count(probe.get()) == 0)
            c.Fail("only select queries can be stored", original);
    }
    std::string create;
    try {
        create = "CREATE VIEW " + QuoteName(name) + " AS " + rewritten;
    } catch (const JetSqlError& e) {
        c.Fail(e.what(), original);
    }
    Statement st(c, create, original);
    if (sqlite3_step(st.get()) != SQLITE_DONE)
        c.Fail(original);
}

void Database::DeleteQueryDef(std::string_view name) {
    Connection& c = Conn();
    if (!QueryDefExists(name))
        c.Fail("no such query: " + std::string(name), std::string(name));
    c.Run("DROP VIEW " + QuoteName(name));
}

std::string Database::QueryDefSql(std::string_view name) {
    Connection& c = Conn();
    Statement st(c, "SELECT sql FROM sqlite_master WHERE type='view' AND name=? COLLATE NOCASE",
                 "QueryDefs");
    BindValue(st.get(), 1, Variant(std::string(name)));
    if (sqlite3_step(st.get()) != SQLITE_ROW)
        c.Fail("no such query: " + std::string(name), std::string(name));
    std::string sql = Text(st.get(), 0);
    size_t as = sql.find(" AS ");
    return as == std::string::npos ? sql : sql.substr(as + 4);
}

void Database::AppendRowsFrom(const std::string& file, std::string_view table) {
    Connection& c = Conn();
    if (!std::filesystem::is_regular_file(file))
        c.Fail("could not find file '" + file + "'", std::string(table));
    const std::string name = QuoteName(table);
    c.Run("ATTACH '" + Replace(file, "'", "''") + "' AS terv_origine");
    try {
        c.Run("INSERT INTO main." + name + " SELECT * FROM terv_origine." + name);
    } catch (const DbError&) {
        c.Run("DETACH terv_origine");
        throw;
    }
    c.Run("DETACH terv_origine");
}

long long Database::StatementCount() const {
    return conn_ ? conn_->statements : 0;
}

sqlite3* Database::Handle() const {
    return conn_ ? conn_->db : nullptr;
}

Database CreateDatabase(const std::string& path, const std::string& locale) {
    std::error_code ec;
    if (std::filesystem::exists(path, ec))
        throw DbError("database already exists", path, "");
    auto conn = Connect(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    conn->Run(std::string("CREATE TABLE ") + kPropertiesTable +
              " (Name TEXT PRIMARY KEY, Value TEXT)");
    Statement st(*conn, std::string("INSERT INTO ") + kPropertiesTable + " VALUES ('Locale', ?)",
                 "CreateDatabase");
    BindValue(st.get(), 1, Variant(locale));
    if (sqlite3_step(st.get()) != SQLITE_DONE)
        conn->Fail("CreateDatabase");
    return Database(conn);
}

Database OpenDatabase(const std::string& path, bool exclusive, bool readOnly) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        throw DbError("cannot find the database file", path, "");
    auto conn = Connect(path, readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE);
    if (exclusive)
        conn->Run("PRAGMA locking_mode=EXCLUSIVE");
    return Database(conn);
}

}  // namespace terv
