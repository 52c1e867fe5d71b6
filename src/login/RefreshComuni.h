// Refreshes the municipality and province tables of tabelle.mdb from the central server.
#pragma once

#include <cstdint>

namespace terv {

// Reads the municipalities and provinces into temporary tables, replaces COMUNI and PROVINCIE
// from them only when both reads succeeded, compacts the file and reopens it read-only. Shows
// the outcome; 0 on success, 1 on failure (the tables are then untouched).
uint8_t RefreshComuni();

}  // namespace terv
