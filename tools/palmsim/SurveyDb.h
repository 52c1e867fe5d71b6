// The survey rows the simulated inspector writes into one municipality database.
#pragma once

#include <sqlite3.h>

#include <ctime>
#include <string>
#include <vector>

#include "SimRandom.h"
#include "Simulation.h"

namespace terv::palmsim {

// A parcel marked surveyed: what its photos need.
struct SurveyedParcel {
    std::string idPart;
    double x = 0, y = 0;
    std::time_t when = 0;  // survey time
    int photosRequested = 0;
};

// Marks parcels of `db` surveyed and records their uses, tree counts and violations, all in one
// transaction. `clock` is the field day's running time and advances parcel by parcel. False with
// a text in *error (the transaction is rolled back).
bool SurveyComune(sqlite3* db, const SimOptions& options, const std::string& inspector,
                  SimRandom& rng, std::time_t& clock, ComuneResult& result,
                  std::vector<SurveyedParcel>& surveyed, std::string* error);

// The first COD_AGRONOMO of AGRONOMI in the main database; "" when there is none.
std::string FirstInspector(sqlite3* mainDb);

// Runs `sql` and returns the first column of every row as text; false with SQLite's text.
bool ColumnValues(sqlite3* db, const std::string& sql, std::vector<std::string>& values,
                  std::string* error);

}  // namespace terv::palmsim
