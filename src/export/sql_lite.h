// The SQLite writer that builds the handheld's databases, and the reader that brings a handheld
// table back into a local database.
//
// A database is written inside one transaction that sqll_closeDb commits. Until then it lives
// under a temporary name beside its final one (the final name + ".parziale"); sqll_closeDb
// renames it only after the commit has reached the disk. A crash, a full disk or any failure
// before a successful close therefore never leaves a file under the final name that looks
// finished.
//
// Results: 0 for success, nonzero for a failure (an SQLite result code, or -1 for a handle that
// is not open); sqll_errmsg() gives the text of the calling thread's last failure. Several
// threads may write databases at once, each database on one thread at a time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace terv {

class Database;

// Opens a new, empty database that will be `path` once closed; a leftover file under the
// temporary name is replaced. Returns a handle > 0, or 0 when the file cannot be made.
int32_t sqll_createdb(const std::string& path);

// Opens a database that will be `path` once closed and starts as a copy of the finished SQLite
// file `templatePath` (its tables, indexes and rows), so that what many databases share is
// written once. As sqll_createdb otherwise; 0 also when the template cannot be copied.
int32_t sqll_createdb_from(const std::string& path, const std::string& templatePath);

// Executes one complete statement at once. A statement that fails is not kept and the others
// go on; a failure of the file itself (disk full, I/O error) makes the database unusable: every
// later statement fails and sqll_closeDb discards the file.
int32_t sqll_execute(int32_t handle, const std::string& statement);

// One value of a row for sqll_insert: NULL, a text, or a number given as the number text a
// statement would hold (".5", "12", "1E+16").
struct SqllValue {
    enum Kind { kNull, kText, kNumber };
    Kind kind = kNull;
    std::string text;
};

// Inserts one row into `table` as "INSERT INTO table VALUES(...)" with the row's values would,
// through a statement prepared once per table and row width and kept until the database is
// closed. The stored values are those of the statement text: a whole number goes in as an
// integer, any other number as its text, which a column of numeric affinity (every number column
// of the handheld) turns into the value of the literal. Failures behave as for sqll_execute.
int32_t sqll_insert(int32_t handle, const std::string& table, const std::vector<SqllValue>& row);

// Appends every row of table `table` of the finished SQLite file `sqlitePath` to the table of
// the same name and the same columns, values as they are stored there. Tables that several
// databases hold whole are thus written once and copied; the database stays inside its
// temporary file until closed, as with any other statement. Failures behave as for sqll_execute.
int32_t sqll_copy_table(int32_t handle, const std::string& sqlitePath, const std::string& table);

// Commits and closes the database and gives it its final name, replacing a file of that name.
// On failure the temporary file is deleted and no file is left under the final name either.
// The handle is released in every case.
int32_t sqll_closeDb(int32_t handle);

// Closes the database without keeping it: the temporary file is deleted and nothing appears
// under the final name. The handle is released.
int32_t sqll_discard(int32_t handle);

// Copies every row of table `table` of the SQLite file `sqlitePath` into table `mdbTable` of the
// open local database `mdb`, matching columns by name (columns the target lacks are dropped),
// all in one transaction. The source file is opened read-only.
int32_t sqll_fill_mdbtable(const std::string& sqlitePath, const std::string& table, Database& mdb,
                           const std::string& mdbTable);

// Text of the last failure of any of the calls above on this thread ("" after a success).
const std::string& sqll_errmsg();

// The temporary name under which `path` is written until it is closed.
std::string SqllTemporaryName(const std::string& path);

}  // namespace terv
