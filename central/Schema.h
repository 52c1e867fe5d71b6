// The central database's tables, views, sequences and triggers, created on first start.
// Table names come from the shared theme list; every field the list names for a theme exists
// in its table.
#pragma once

#include <string>

#include "Database.h"
#include "Themes.h"

namespace terv::central {

// Column type of date values: stored as text "YYYYMMDDHHNNSS" (TEXT affinity), sent as dates.
inline constexpr const char* kDateType = "DATE_TEXT";

// Creates what is missing (safe on an existing database). Returns false with a text in *error.
bool CreateSchema(Connection& conn, const ThemeList& themes, std::string* error);

}  // namespace terv::central
