// The state behind a Recordset (internal to the layer).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Connection.h"
#include "Recordset.h"

namespace terv {

struct RecordsetImpl {
    std::shared_ptr<Connection> conn;
    RecordsetType type = dbOpenForwardOnly;
    std::string source;  // as the caller gave it, for error texts
    std::string table;   // table written by Edit/AddNew; empty when read-only
    int offset = 0;      // 1 when column 0 of the statement is the row id
    std::vector<std::string> names;

    // Forward-only and table recordsets read straight from the statement.
    bool streaming = false;
    sqlite3_stmt* stmt = nullptr;
    std::string baseSql;
    bool eof = true;
    long position = -1;
    std::vector<Variant> written;  // the current row as rewritten by Update

    // Dynasets and snapshots hold their rows.
    std::vector<std::vector<Variant>> rows;
    std::vector<int64_t> rowids;
    long cur = -1;

    int mode = 0;  // 0 no change started, 1 Edit, 2 AddNew
    std::vector<Variant> buffer;
    std::vector<bool> changed;
    // The last INSERT/UPDATE, kept prepared with the fields it sets.
    std::string writeSql;
    sqlite3_stmt* writeStmt = nullptr;
    bool writeInsert = false;
    std::vector<bool> writeChanged;

    std::string indexName;
    std::vector<std::string> indexFields;
    bool noMatch = false;

    ~RecordsetImpl();
    [[noreturn]] void Fail(const std::string& message) const;
    Connection& Conn() const;
};

// Opens `source` (table, stored query or SELECT) on the connection.
std::unique_ptr<RecordsetImpl> OpenRecordsetImpl(std::shared_ptr<Connection> keep, Connection& c,
                                                 std::string_view source, RecordsetType type);

}  // namespace terv
