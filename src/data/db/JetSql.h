// Rewrites the Jet SQL the procedures send into SQL that SQLite runs with the same meaning.
//
// The local databases are SQLite files; the statements are written in Jet's dialect. Most of it
// SQLite accepts as it stands ([NAME] brackets, TEXT(n), LONG, DOUBLE, nested INNER JOINs in
// parentheses, FIRST()/LAST() once registered as aggregates). What differs is rewritten here, on
// tokens, wherever it appears:
//  - text columns of CREATE TABLE / ALTER TABLE ADD get COLLATE NOCASE, because Jet compares,
//    groups and indexes text without regard to letter case; MEMO and NOTE become LONGTEXT;
//  - "..." is a text literal in Jet, so it becomes '...';
//  - LIKE patterns use * and ?, which become % and _;
//  - DISTINCTROW is dropped (it only matters for Jet's joins);
//  - CREATE INDEX names an index of one table (Jet lets two tables have indexes of the same
//    name), so the SQLite index is named "table.index"; DROP INDEX x ON t likewise;
//    WITH PRIMARY makes the index unique, the other WITH options are dropped;
//  - INSERT INTO X SELECT * FROM Y matches the columns by name, as Jet does, and fails when Y has
//    a column X lacks.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace terv {

// Names of the columns of a table, in table order; empty when there is no such table.
using ColumnLookup = std::function<std::vector<std::string>(const std::string& table)>;

// Thrown when a statement cannot be rewritten (unknown column of an INSERT ... SELECT *).
class JetSqlError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The SQLite form of one Jet statement. `columns` is asked only for INSERT ... SELECT *.
std::string RewriteJetSql(std::string_view sql, const ColumnLookup& columns);

// When `sql` (already rewritten) selects from one table without join, grouping, DISTINCT,
// aggregates or UNION, its rows can be written back: gives the table and the statement with the
// table's row id as first column. Otherwise false.
bool UpdatableSource(std::string_view sql, std::string& table, std::string& withRowid);

// The SQLite name of the Jet index `index` of `table`: "table.index".
std::string SqliteIndexName(std::string_view table, std::string_view index);

// Whether a declared column type holds text (TEXT, CHAR, VARCHAR, LONGTEXT, MEMO ...).
bool IsTextType(std::string_view declaredType);

// The name as an SQL identifier in brackets (a "]" inside is doubled).
std::string QuoteName(std::string_view name);

}  // namespace terv
