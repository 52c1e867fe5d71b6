// Rewrites the Jet SQL the procedures send into SQLite SQL with the same meaning, or refuses it.
//
// The local databases are SQLite files; the statements are written in Jet's dialect and run
// unchanged. What SQLite would read differently is rewritten; what the layer cannot carry out
// with Jet's meaning is refused with a JetSqlError naming it (texts in JetErrors.h).
//  - SELECT, INSERT, UPDATE, DELETE are parsed (JetQuery.h) with Jet's operator precedence:
//    & and + join texts (Null as empty for &), / divides as reals, \ and Mod round their
//    operands, True is -1, "..." and #date# are literals, LIKE takes Jet's patterns, text
//    compares, sorts and groups without regard to case, the functions Nz, IIf, IsNull, Mid,
//    Left, Right, Len, UCase, LCase, Trim, LTrim, RTrim, CStr, CLng, CInt, CDbl, Val, Now,
//    Date, Format, StrComp, InStr and the aggregates Count, Sum, Avg, Min, Max, First, Last
//    have Jet's meaning (JetFunctions.h); any other function is "Undefined function".
//    TOP n (rows tied with the n-th included), DELETE * FROM, UPDATE ... INNER JOIN ... SET,
//    UPDATE t AS a, SELECT ... INTO newtable and INSERT INTO X SELECT * FROM Y (fields
//    matched by name) are carried out. Refused: TOP n PERCENT, TRANSFORM, PARAMETERS, Xor,
//    Eqv, Imp, UPDATE with outer joins or of two tables' fields, DELETE with a join, a column
//    number in ORDER BY / GROUP BY, SQLite-only syntax (LIMIT, ||, CASE, CAST, GLOB ...).
//  - CREATE TABLE / ALTER TABLE ADD: text fields get COLLATE NOCASE (Jet's text order); every
//    field gets a check of its width and type, which fails with Jet's text ("The field is too
//    small ...", "Data type mismatch in criteria expression.", "Numeric field overflow.");
//    COUNTER / AUTOINCREMENT fields number the rows as the primary key (one that is not the
//    primary key is refused); MEMO and NOTE become LONGTEXT.
//  - CREATE INDEX names an index of one table (Jet lets two tables have indexes of the same
//    name), so the SQLite index is named "table.index"; DROP INDEX x ON t likewise;
//    WITH PRIMARY makes the index unique, the other WITH options are dropped.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace terv {

// Names of the columns of a table, in table order; empty when there is no such table.
using ColumnLookup = std::function<std::vector<std::string>(const std::string& table)>;

// Thrown when a statement cannot be carried out with Jet's meaning; what() is Jet's text.
class JetSqlError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct RewrittenSql {
    std::string sql;
    // SELECT ... INTO: the new table, to create and fill from `sql` (the SELECT alone).
    std::string intoTable;
};

// The SQLite form of one Jet statement. `columns` is asked only for INSERT ... SELECT *.
RewrittenSql RewriteJetStatement(std::string_view sql, const ColumnLookup& columns);
// As above, for statements that are not SELECT ... INTO (refused here).
std::string RewriteJetSql(std::string_view sql, const ColumnLookup& columns);

// When `sql` (already rewritten) selects from one table without join, grouping, DISTINCT,
// aggregates or UNION, its rows can be written back: gives the table and the statement with the
// table's row id as first column. Otherwise false.
bool UpdatableSource(std::string_view sql, std::string& table, std::string& withRowid);

// The SQLite name of the Jet index `index` of `table`: "table.index".
std::string SqliteIndexName(std::string_view table, std::string_view index);

// Whether a declared column type holds text (TEXT, CHAR, VARCHAR, LONGTEXT, MEMO ...).
bool IsTextType(std::string_view declaredType);

// The name as an SQL identifier in brackets; a name holding "]" cannot be one (JetSqlError).
std::string QuoteName(std::string_view name);

// Jet's text for an SQLite error message of a field check or of a second index of the same name;
// the message itself otherwise.
std::string JetMessage(const std::string& sqliteMessage);

// What the checks the layer gives a field demand of a value that is not Null.
struct FieldCheck {
    enum class Test {
        kNone,   // no check (memo, counter, binary)
        kSize,   // a text of at most `size` characters
        kWhole,  // an integer from `low` to `high`
        kReal,   // an integer or a real number
        kDate,   // a text "YYYY-MM-DD HH:MM:SS"
        kYesNo,  // -1 or 0
    };
    Test test = Test::kNone;
    int size = 0;
    int64_t low = 0, high = 0;
};

// The checks of a field of this declared type, as the table reports it ("TEXT(16)", "LONG").
FieldCheck FieldCheckOf(std::string_view declaredType);

// Whether every CHECK of the CREATE TABLE statement `createSql` is one the layer gave the field
// `fields[i]` of type `checks[i]`, and each of those checks is there. A writer that tests the
// values itself may then leave the checks to that test.
bool OnlyFieldChecks(std::string_view createSql, const std::vector<std::string>& fields,
                     const std::vector<FieldCheck>& checks);

}  // namespace terv
