// Translation of the central system's SQL (Oracle dialect) into SQLite SQL.
//
// Functions such as NVL, DECODE, TO_CHAR or SUBSTR keep their names and are registered on the
// connection (OracleFunctions.h); this translator rewrites what a function cannot express:
// "(+)" outer joins into LEFT JOINs, ROWNUM conditions into LIMIT, seq.NEXTVAL, SYSDATE,
// CURRENT_DATE, DATE literals, SDO_TOOLS.get_point_x/Y, the arithmetic operators and "||" (into
// calls that treat numbers, texts and dates as the central system does), a column compared
// with a number (compared as numbers), MINUS, and the empty text literal, which is NULL there.
// It refuses what the central system refuses: a grouped query reading ungrouped columns
// (ORA-00979, ORA-00937), and a subquery used as a value that gives two rows (ORA-01427, at run
// time). It works on the parenthesis tree of the statement, so every construct is handled
// wherever it appears; a use it cannot translate faithfully is refused with an "ORA-" error
// instead of running with a different meaning.
#pragma once

#include <string>
#include <vector>

namespace terv::central {

struct Translation {
    std::string sql;                 // the SQLite statement
    bool uses_sequence = false;      // draws sequence numbers: must run inside a write transaction
    std::vector<bool> date_columns;  // result columns that are dates when they are texts
};

// Translates one statement. Returns false with an "ORA-nnnnn: ..." text in *error when the
// statement cannot be translated.
bool TranslateOracleSql(const std::string& oracle_sql, Translation* out, std::string* error);

}  // namespace terv::central
