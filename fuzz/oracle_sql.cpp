// Fuzz target: translation of the central system's SQL for SQLite. Any statement either
// translates or is refused with an "ORA-" text.
#include <string>

#include "FuzzInput.h"
#include "OracleSql.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string sql(reinterpret_cast<const char*>(data), size);
    terv::central::Translation out;
    std::string error;
    if (!terv::central::TranslateOracleSql(sql, &out, &error))
        terv::fuzz::Require(error.rfind("ORA-", 0) == 0, "a refusal carries an ORA- text");
    return 0;
}
