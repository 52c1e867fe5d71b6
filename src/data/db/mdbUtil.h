// Helpers the procedures share on local databases: single-value reads, a column read into a
// list, stored queries, table-structure copies and compaction.
//
// The readers and SetQueryDef let the errors of the SQL itself reach the caller (DbError).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "Database.h"
#include "TableDef.h"

namespace terv {

// First column of the first row as Long (rounded half to even; text through its numeric
// value); 0 when there is no row or the value is Null.
int32_t DbGetLong(Database& db, std::string_view sql);
// First column of the first row as text; "" when there is no row or the value is Null.
std::string DbGetText(Database& db, std::string_view sql);
// As DbGetText, but `fallback` when there is no row or the value is Null.
std::string DbGetTextOr(Database& db, std::string_view sql, std::string_view fallback);
// Empties `list`, then appends the first column of every row as text (Null as ""). Returns the
// number of rows.
long DbReadColumn(Database& db, std::string_view sql, std::vector<std::string>& list);

// Replaces the stored query `name` (a missing one is simply created) with `sql`.
void SetQueryDef(Database& db, std::string_view name, std::string_view sql);

// Creates in `target` an empty table `newName` with the fields (names, types, sizes, NOT NULL,
// defaults, numbering) and indexes (names, fields, unique, primary) of `source`. Returns true;
// failures to create the table or an index throw DbError.
bool CopyTableDef(const TableDef& source, Database& target, const std::string& newName);

// Compacts the closed database file in place: deletes leftover path+"cmp" and path+"bak",
// copies the file to path+"bak", compacts it into path+"cmp", copies that over the file and
// deletes it, then deletes path+"bak". True on success; on any failure false, and the backup
// may remain.
bool CompactDb(const std::string& path);

}  // namespace terv
