// Helpers of the database tests: fresh databases in a temporary folder and sqlite3 shell reads.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "TestSupport.h"
#include "data/db/Database.h"

namespace terv::test {

// Output of the sqlite3 shell run on `file` with `sql` (list mode, "|" between columns).
inline std::string Sqlite3Shell(const std::string& file, const std::string& sql) {
    std::string cmd = "sqlite3 '" + file + "' \"" + sql + "\" 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(cmd.c_str(), "r"), pclose);
    std::string out;
    char buf[4096];
    size_t n;
    while (pipe && (n = fread(buf, 1, sizeof buf, pipe.get())) > 0)
        out.append(buf, n);
    return out;
}

// A new database file `name` in `folder`, created with the program's locale string, with the
// given statements run on it.
inline Database MakeDb(const TempFolder& folder, const std::string& name,
                       std::initializer_list<const char*> statements) {
    Database db = CreateDatabase(folder / name, dbLangGeneral);
    for (const char* sql : statements)
        db.Execute(sql, dbFailOnError);
    return db;
}

}  // namespace terv::test
