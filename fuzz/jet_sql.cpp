// Fuzz target: the rewrite of Jet SQL for SQLite, and the checks made on its result. The first
// line lists the columns every table has for INSERT ... SELECT * (comma-separated), the rest is
// the statement.
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "JetSql.h"

namespace {

std::vector<std::string> SplitCommas(std::string_view text) {
    std::vector<std::string> parts;
    while (!text.empty()) {
        const size_t comma = text.find(',');
        parts.emplace_back(text.substr(0, comma));
        text.remove_prefix(comma == std::string_view::npos ? text.size() : comma + 1);
    }
    return parts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    terv::fuzz::FuzzInput in(data, size);
    const std::vector<std::string> columns = SplitCommas(in.Line());
    const std::string_view sql = in.Rest();
    std::string rewritten;
    try {
        rewritten = terv::RewriteJetSql(sql, [&](const std::string&) { return columns; });
    } catch (const terv::JetSqlError&) {
        return 0;
    }
    std::string table, withRowid;
    if (terv::UpdatableSource(rewritten, table, withRowid))
        terv::fuzz::Require(!table.empty() && !withRowid.empty(), "an updatable source is named");
    terv::IsTextType(sql);
    try {
        const std::string quoted = terv::QuoteName(sql);
        terv::fuzz::Require(quoted.size() >= 2 && quoted.front() == '[' && quoted.back() == ']',
                            "a quoted name stands in brackets");
    } catch (const terv::JetSqlError&) {
        // a name holding "]" is refused
    }
    return 0;
}
