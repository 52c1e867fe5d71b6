// Deterministic demo data for the central database: real municipalities (resources/comuni.csv),
// and, sized by the parcel count, synthetic sheets and parcels with geometry and declared uses,
// the orthophoto index covering the sheets,
// work lists, users with profiles and roles, code tables, inspectors, rules, earlier survey
// results and the server variables. The same size always gives the same rows.
#pragma once

#include <string>

#include "Database.h"
#include "Themes.h"

namespace terv::central {

inline constexpr const char* kDemoUser = "DEMO";
inline constexpr const char* kDemoPassword = "demo";
// A user whose profile names no province: no work list is offered to it.
inline constexpr const char* kNoProvinceUser = "SENZAPROV";
inline constexpr const char* kNoProvincePassword = "senzaprov";

// Fills a database without users; a database that has users is left as it is.
// Returns false with a text in *error.
bool GenerateDemoData(Connection& conn, const ThemeList& themes, const std::string& resources,
                      long long parcels, std::string* error);

}  // namespace terv::central
