// The tables of the handheld's databases, in their three flavours: the transit database
// palmdb.mdb that the export fills from the server, the handheld's SQLite files (the main
// database with COMUNI and AGRONOMI, one municipality database with the parcel, code and
// result tables), and the local-database flavour the return stages what comes back in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace terv {

class Database;

// The statements that create the tables of palmdb.mdb, in creation order: PART_DICH,
// UTIL_DICH, CODI_DICH, CODI_RILE_UTIL, NORME, AGRONOMI, UTIL_RILE, FAG_RILE, NORME_RILE.
const std::vector<std::string>& PalmDbTableStatements();

// The indexes palmdb.mdb gets once its tables are filled.
const std::vector<std::string>& PalmDbIndexStatements();

// COMUNI and AGRONOMI. With `db` null they are sent through sqll_execute to `handle` (results
// not examined); otherwise they are executed on `db` in the local flavour, a failure throwing
// DbError.
void CreateMainTables(int32_t handle, Database* db);

// PART_DICH, UTIL_RILE, FAG_RILE, NORME_RILE, (local flavour only: FOTO_RILE and its index),
// UTIL_DICH, NORME, CODI_DICH, CODI_RILE_UTIL, CODI_RILE_VARI, in that order, as above.
void CreateComuneTables(int32_t handle, Database* db);

}  // namespace terv
