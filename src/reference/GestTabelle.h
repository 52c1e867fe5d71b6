// The reference database tabelle.mdb of the program folder: the municipalities (COMUNI) and
// provinces (PROVINCIE, and the stored query TABCOM joining the two), opened read-only, and the
// name and code lookups on them.
//
// Every lookup keeps its answers in a cache for the rest of the run, missing keys included, so
// asking again never touches the database. The caches survive CloseTabelle/OpenTabelle (the
// refresh from the server reopens the file); ResetGestTabelle empties them for tests.
// A lookup with no database open, and a database that cannot be opened or read, throw DbError.
#pragma once

#include <string>

#include "data/db/Database.h"

namespace terv {

// Name of the reference database file.
inline constexpr const char* kTabelleFile = "tabelle.mdb";

// Opens folder + "tabelle.mdb" shared and read-only, with a table recordset on COMUNI, unless
// that folder (compared ignoring letter case and a trailing "/") is already open; another open
// folder is closed first. DbError when the file is missing, not a database, or lacks COMUNI.
void OpenTabelle(const std::string& folder);
// Closes the recordset and the database and forgets the folder; nothing when none is open.
void CloseTabelle();
// The open reference database (DbTabelle of the configuration object). DbError when closed.
Database& DbTabelle();
// The folder given to the last successful OpenTabelle; "" when closed.
std::string TabelleFolder();
// Closes the database and empties every cache (tests).
void ResetGestTabelle();

// NOME of the municipality with this national code, followed by " Sez. " and ID_SEZC when the
// section is not empty; "" when there is no such municipality.
std::string NomeComune(const std::string& code);
// Province abbreviation: a 4-character code is a national code, anything else an ISTAT province
// code (an empty code asks for province 0); "" when there is no row.
std::string SiglaProvincia(const std::string& code);
// DENO_PROV of the ISTAT province code; "" when there is no row.
std::string NomeProvincia(const std::string& istatp);

// For the return receipt, by national code:
// ISTATP and ISTATC as "000" each, " - ", the name, and " Sez. " + ID_SEZC when there is a
// section (e.g. "015146 - Milano"); the code followed by " - Comune non torvato in tab." when the
// municipality is missing.
std::string DescrizioneComune(const std::string& code);
// ISTATP as three digits ("015"); "" when the municipality is missing.
std::string IstatProvincia(const std::string& code);
// ISTATC as three digits ("146"); "" when the municipality is missing.
std::string IstatComune(const std::string& code);

}  // namespace terv
