// Fixtures of the central server tests: a fresh central database with its schema, queries
// through the server's operations, and the record stream in a compact form.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Database.h"
#include "Operations.h"
#include "Schema.h"
#include "TestSupport.h"
#include "Themes.h"

namespace terv::central::test {

// The rows of a record stream, each "R" record as its fields joined by "|" ("Tabc|I5|N"),
// followed by the closing record ("E OK 2" or "E ERR 0 ORA-...").
inline std::vector<std::string> Compact(const std::string& records) {
    std::vector<std::string> out;
    std::istringstream in(records);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == 'C')
            continue;
        std::string row = line.substr(line[0] == 'R' ? 2 : 0);
        for (char& c : row) {
            if (c == '\t')
                c = line[0] == 'R' ? '|' : ' ';
        }
        out.push_back(row);
    }
    return out;
}

// The column names of a record stream.
inline std::string ColumnLine(const std::string& records) {
    return records.substr(0, records.find('\n'));
}

class CentralDb : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(themes_.Load(TERV_CENTRAL_RESOURCES, &error)) << error;
        functions_.users_table = themes_.Name(kThemeUsers, "TERVUTENTI");
        conn_ = Connection::Open(folder_ / "central.db", &functions_, &error);
        ASSERT_TRUE(conn_) << error;
        ASSERT_TRUE(CreateSchema(*conn_, themes_, &error)) << error;
    }

    // The records an operation writes.
    template <typename Run>
    static std::string Records(Run run) {
        std::string records;
        RecordWriter out([&records](const char* d, size_t n) {
            records.append(d, n);
            return true;
        });
        run(out);
        return records;
    }
    std::string Select(const std::string& sql) {
        return Records([&](RecordWriter& out) { StreamSelect(*conn_, sql, out, {}); });
    }
    std::vector<std::string> Rows(const std::string& sql) { return Compact(Select(sql)); }
    std::string Execute(const std::string& sql) {
        return Records([&](RecordWriter& out) { RunExecute(*conn_, sql, out); });
    }
    std::string Write(const std::vector<WriteRequest>& writes) {
        return Records([&](RecordWriter& out) { RunWrites(*conn_, writes, out); });
    }

    // Runs plain SQLite statements (test data), failing the test on error.
    void Sql(const std::string& sql) {
        std::string error;
        ASSERT_TRUE(conn_->Exec(sql, &error)) << error << " in " << sql;
    }

    terv::test::TempFolder folder_;
    ThemeList themes_;
    FunctionContext functions_;
    std::unique_ptr<Connection> conn_;
};

}  // namespace terv::central::test
