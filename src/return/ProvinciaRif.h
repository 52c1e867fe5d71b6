// The reference province of a return: the province of the work list its parcels belong to, asked
// of the server first by export number, then by the first parcel of the staged database.
#pragma once

#include <cstdint>
#include <string>

#include "data/db/Database.h"

namespace terv {

// Asks the server for the province of export `numeScar`; when it has none, for the province of
// the latest work list holding the first parcel (FIRST(ID_PART) of PART_DICH in `db`). Returns
// the number of lines of the answer that gave the province (0 when both asks found nothing or
// failed); `province` receives the answer: empty when the server answered with no row, unchanged
// when asking failed.
int32_t LeggiProvinciaRif(Database& db, int32_t numeScar, std::string& province);

}  // namespace terv
