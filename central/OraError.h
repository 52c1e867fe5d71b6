// Error texts of the central system ("ORA-nnnnn: text") for SQLite failures.
#pragma once

#include <string>

namespace terv::central {

// Owner of the central tables, as error texts name it ("TERV"."TABLE"."COLUMN").
inline constexpr const char* kSchemaOwner = "TERV";

struct OraError {
    std::string text;        // "ORA-nnnnn: ..."
    bool transient = false;  // one retry is worth it (database busy)
};

// Maps the SQLite result code and message of a failed statement. Texts that already are "ORA-"
// errors (raised by the server's own functions) pass unchanged. A duplicate key on a return
// table (PALMR_*) becomes "ORA-20001: ...".
OraError MapSqliteError(int code, const std::string& message);

}  // namespace terv::central
