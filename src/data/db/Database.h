// A local database in the manner of a DAO Database: an SQLite file that keeps its ".mdb" name.
//
// Statements are Jet SQL with Jet's meaning (see JetSql.h); what cannot run with that meaning is
// refused. Every failure - missing file, a file that is not a database or is damaged, a statement
// SQLite cannot run, a write to a read-only database - throws DbError naming the file and the
// statement. A Database is movable, not copyable; recordsets opened on it keep the connection
// alive, but fail with DbError once the Database is closed.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "DbError.h"
#include "Recordset.h"
#include "TableDef.h"

struct sqlite3;

namespace terv {

// The locale string every database of the program is created with.
inline constexpr const char* dbLangGeneral = ";LANGID=0x0409;CP=1252;COUNTRY=0";

// Execute option: a failing statement raises an error (every statement does here; kept so that
// callers read as they were written).
inline constexpr int dbFailOnError = 128;

struct Connection;

class Database {
  public:
    // A closed database; every operation but IsOpen/Close throws.
    Database();
    ~Database();
    Database(Database&&) noexcept;
    Database& operator=(Database&&) noexcept;
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    bool IsOpen() const;
    // The file path given when opening.
    const std::string& Name() const;
    bool ReadOnly() const;
    // The locale string given to CreateDatabase ("" for a file made elsewhere).
    std::string Locale() const;
    // Closes the file; open recordsets become unusable. Closing twice is harmless.
    void Close();

    // Runs one statement (a trailing ";" is allowed, a second statement is an error). SELECT ...
    // INTO creates and fills the new table, all or nothing.
    void Execute(std::string_view sql, int options = 0);
    // Rows changed by the last Execute.
    long RecordsAffected() const;

    // `source` is a table name, a stored query name or a SELECT statement. Table-type
    // recordsets need a table name. Default: dynaset.
    Recordset OpenRecordset(std::string_view source, RecordsetType type = dbOpenDynaset);

    void BeginTrans();
    void CommitTrans();
    void Rollback();

    // Names of the user tables (system tables left out), in creation order.
    std::vector<std::string> TableNames();
    bool TableExists(std::string_view name);
    // Fields (name, Jet type, size) and indexes of a table; DbError when there is none.
    TableDef GetTableDef(std::string_view table);
    // Columns of a table or stored query, in order; empty when there is none.
    std::vector<std::string> ColumnNames(std::string_view table);

    // Stored queries: SELECT statements kept in the file under a name (as SQLite views).
    bool QueryDefExists(std::string_view name);
    void CreateQueryDef(std::string_view name, std::string_view sql);
    // Deletes the stored query; DbError when it does not exist.
    void DeleteQueryDef(std::string_view name);
    // The SQL a stored query was created with; DbError when it does not exist.
    std::string QueryDefSql(std::string_view name);

    // Adds every row of `table` in the database file `file` to the same table here, whose fields
    // are the same and in the same order, in one statement: all rows or none. DbError when the
    // file or its table is missing or a row is refused.
    void AppendRowsFrom(const std::string& file, std::string_view table);

    // Statements prepared on this connection since it was opened (lets tests prove that a
    // cached lookup did not touch the database).
    long long StatementCount() const;
    // The SQLite handle, for code that needs the raw API (benchmarks); null when closed.
    sqlite3* Handle() const;

  private:
    friend Database CreateDatabase(const std::string&, const std::string&);
    friend Database OpenDatabase(const std::string&, bool, bool);
    explicit Database(std::shared_ptr<Connection> conn);
    Connection& Conn() const;

    std::shared_ptr<Connection> conn_;
};

// Creates a new, empty database file with the locale string and opens it for writing. DbError
// when the file exists already or cannot be made.
Database CreateDatabase(const std::string& path, const std::string& locale);
// Opens an existing database file: shared (or exclusive) and writable (or read-only). DbError
// when the file is missing, is not a database, or is damaged.
Database OpenDatabase(const std::string& path, bool exclusive = false, bool readOnly = false);

}  // namespace terv
