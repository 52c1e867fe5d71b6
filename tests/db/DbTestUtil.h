// Helpers of the database tests: fresh databases in a temporary folder, and the names of the
// shared test support they use.
#pragma once

#include <string>

#include "TestSupport.h"
#include "data/db/Database.h"

namespace terv::test {

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

namespace terv {
using test::MakeDb;
using test::Sqlite3Shell;
using test::TempFolder;
}  // namespace terv
