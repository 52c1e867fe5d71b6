// The merge of a return: the survey results of each municipality's db_comu.db gathered into the
// transit database, every result record dated, and the transit database staged for the upload.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace terv {

class Database;

// Shows a step's caption and lets the window repaint.
using Didascalia = std::function<void(const std::string&)>;

// Creates `file` anew, empty, with the tables of the transit database (both flavours' tables in
// their local form). Throws on failure.
void CreaDbTransito(const std::string& file);

// Merges municipality `code`: its four result tables appended to `db` from
// gAppPath/tmp/palmare/<code>/db_comu.db (skipped when `copiato` is false: the file on the PC is
// not the device's), its photos imported, then the dating pass. A table that cannot be read is
// logged and left unmerged.
void FondiComune(Database& db, const std::string& code, int32_t numeroRientro, bool copiato,
                 const Didascalia& caption);

// Dating pass: every record of the four result tables gets as DATA_LAV the time of its parcel's
// latest photo, else the date it has, else the current time.
void DataRilevazioni(Database& db);

// The staged file of a return: gAppPath/tmp/palmare/toload/<n>dbcomu.mdb.
std::string NomeStaged(int32_t numeroRientro);

// Copies the closed transit database gTmpPath/palmdb.mdb to the staged file, through a temporary
// name in the same folder. False with `error` set (the system's text) when it could not be
// written; then the staged folder holds nothing new.
bool PreparaCaricamento(int32_t numeroRientro, const Didascalia& caption, std::string& error);

}  // namespace terv
