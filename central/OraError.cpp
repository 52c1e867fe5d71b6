// SQLite failures as the central system's error texts.
#include "OraError.h"

#include <sqlite3.h>

#include <cstdio>
#include <string>

#include "SqlTokens.h"

namespace terv::central {

namespace {

bool StartsWith(const std::string& s, const char* prefix) {
    return s.rfind(prefix, 0) == 0;
}

std::string After(const std::string& s, const char* prefix) {
    return s.substr(std::string(prefix).size());
}

// SQLite's "N values for M columns" and "has M columns but N values were supplied": 1 when
// there are more values than columns, -1 when fewer, 0 for other messages.
int MoreValuesThanColumns(const std::string& message) {
    int values = 0, columns = 0;
    const size_t has = message.find(" has ");
    const char* rest = message.c_str() + (has == std::string::npos ? 0 : has + 5);
    if (std::sscanf(rest, "%d values for %d columns", &values, &columns) != 2 &&
        std::sscanf(rest, "%d columns but %d values", &columns, &values) != 2) {
        return 0;
    }
    return values > columns ? 1 : (values < columns ? -1 : 0);
}

// A subquery compared with a row value (or a single value) selects more columns than compared
// (1), fewer (-1), or the message is not about that (0): "sub-select returns 1 columns - expected
// 2".
int MoreSelectedThanCompared(const std::string& message) {
    const size_t at = message.find("sub-select returns ");
    int selected = 0, expected = 0;
    if (at == std::string::npos ||
        std::sscanf(message.c_str() + at + 19, "%d columns - expected %d", &selected, &expected) !=
            2) {
        return message.find("sub-select returns") != std::string::npos ? 1 : 0;
    }
    return selected > expected ? 1 : (selected < expected ? -1 : 0);
}

}  // namespace

OraError MapSqliteError(int code, const std::string& message) {
    const int primary = code & 0xFF;
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) {
        return {"ORA-00054: resource busy and acquire with NOWAIT specified or timeout expired",
                true};
    }
    if (StartsWith(message, "ORA-"))
        return {message, false};
    if (StartsWith(message, "not authorized to use function: ")) {
        return {"ORA-00904: \"" + UpperAscii(After(message, "not authorized to use function: ")) +
                    "\": invalid identifier",
                false};
    }
    if (primary == SQLITE_AUTH || message == "not authorized" ||
        StartsWith(message, "vtable constructor failed"))
        return {"ORA-01031: insufficient privileges", false};
    if (primary == SQLITE_INTERRUPT)
        return {"ORA-01013: user requested cancel of current operation", false};
    if (primary == SQLITE_TOOBIG)
        return {"ORA-01706: user function result value was too large", false};
    if (StartsWith(message, "no such table: ")) {
        return {"ORA-00942: table or view does not exist", false};
    }
    if (StartsWith(message, "no such column: ")) {
        std::string name = UpperAscii(After(message, "no such column: "));
        for (size_t dot = name.find('.'); dot != std::string::npos; dot = name.find('.', dot + 3))
            name.replace(dot, 1, "\".\"");
        return {"ORA-00904: \"" + name + "\": invalid identifier", false};
    }
    if (StartsWith(message, "no such function: ")) {
        return {"ORA-00904: \"" + UpperAscii(After(message, "no such function: ")) +
                    "\": invalid identifier",
                false};
    }
    if (StartsWith(message, "wrong number of arguments")) {
        return {"ORA-00909: invalid number of arguments", false};
    }
    if (StartsWith(message, "UNIQUE constraint failed: ")) {
        // "T.C, T.D" for a key of columns (named T_PK in the schema), "index 'NAME'" for an
        // index on expressions.
        std::string what = After(message, "UNIQUE constraint failed: ");
        what = UpperAscii(StartsWith(what, "index '") ? what.substr(7, what.find('\'', 7) - 7)
                                                      : what.substr(0, what.find('.')) + "_PK");
        if (StartsWith(what, "PALMR_")) {
            return {"ORA-20001: record already loaded (" + what + ")", false};
        }
        return {"ORA-00001: unique constraint (" + std::string(kSchemaOwner) + "." + what +
                    ") violated",
                false};
    }
    if (StartsWith(message, "NOT NULL constraint failed: ")) {
        const std::string column = UpperAscii(After(message, "NOT NULL constraint failed: "));
        const size_t dot = column.find('.');
        return {"ORA-01400: cannot insert NULL into (\"" + std::string(kSchemaOwner) + "\".\"" +
                    column.substr(0, dot) + "\".\"" + column.substr(dot + 1) + "\")",
                false};
    }
    if (StartsWith(message, "ambiguous column name: ")) {
        return {"ORA-00918: column ambiguously defined", false};
    }
    if (message.find("already exists") != std::string::npos) {
        return {"ORA-00955: name is already used by an existing object", false};
    }
    if (message == "incomplete input") {
        return {"ORA-00921: unexpected end of SQL command", false};
    }
    if (message.find("syntax error") != std::string::npos) {
        return {"ORA-00933: SQL command not properly ended", false};
    }
    if (StartsWith(message, "misuse of aggregate")) {
        return {"ORA-00934: group function is not allowed here", false};
    }
    if (const int more = MoreValuesThanColumns(message)) {
        return {more > 0 ? "ORA-00913: too many values" : "ORA-00947: not enough values", false};
    }
    if (message.find("do not have the same number of result columns") != std::string::npos) {
        return {"ORA-01789: query block has incorrect number of result columns", false};
    }
    if (const int more = MoreSelectedThanCompared(message)) {
        return {more > 0 ? "ORA-00913: too many values" : "ORA-00947: not enough values", false};
    }
    if (message.find("row value misused") != std::string::npos) {
        return {"ORA-00913: too many values", false};
    }
    if (message.find("has no column named") != std::string::npos) {
        const size_t at = message.find("has no column named ");
        return {"ORA-00904: \"" + UpperAscii(message.substr(at + 20)) + "\": invalid identifier",
                false};
    }
    if (primary == SQLITE_MISMATCH || message == "datatype mismatch") {
        return {"ORA-01722: invalid number", false};
    }
    if (message.find("because it is a view") != std::string::npos) {
        return {"ORA-01732: data manipulation operation not legal on this view", false};
    }
    if (primary == SQLITE_READONLY) {
        return {
            "ORA-01456: may not perform insert/delete/update operation inside a READ ONLY "
            "transaction",
            false};
    }
    if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB) {
        return {"ORA-01578: ORACLE data block corrupted", false};
    }
    if (primary == SQLITE_IOERR || primary == SQLITE_FULL || primary == SQLITE_CANTOPEN) {
        return {"ORA-01114: IO error writing block to file", false};
    }
    if (primary == SQLITE_INTERRUPT) {
        return {"ORA-01013: user requested cancel of current operation", false};
    }
    if (primary == SQLITE_TOOBIG) {
        return {"ORA-01489: result of string concatenation is too large", false};
    }
    return {"ORA-00600: internal error code, arguments: [" + std::to_string(code) + "]", false};
}

}  // namespace terv::central
