// Jet's functions that SQLite lacks, registered on every connection the layer opens.
#pragma once

struct sqlite3;

namespace terv {

// FIRST(x) and LAST(x): the value of the first / last row the aggregate reads, Null included;
// Null for no rows.
void RegisterJetFunctions(sqlite3* db);

}  // namespace terv
