// Helpers of the database tests: fresh databases in a temporary folder, and the names of the
// shared test support they use.
#pragma once

#include <gtest/gtest.h>

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

// The DbError that `run` throws; a test failure and an empty error when it throws none.
template <typename Run>
DbError ThrownDbError(Run run) {
    try {
        run();
    } catch (const DbError& e) {
        return e;
    }
    ADD_FAILURE() << "no DbError thrown";
    return DbError("", "", "");
}

}  // namespace terv::test

namespace terv {
using test::MakeDb;
using test::Sqlite3Shell;
using test::TempFolder;
using test::ThrownDbError;
}  // namespace terv
