// The theme catalogue: the central server's table names and field lists by theme number, read
// once from the TEMATISMI and CAMPIGENERALI tables of the reference database.
//
// Theme IDs run from 0 up to the row count of TEMATISMI; each theme keeps up to 16 field
// records (more grow the list). A row whose ID falls outside that range is skipped and logged.
// Readers of an ID or field index that was never loaded get empty values.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Database.h"

namespace terv {

// One field record of a theme.
struct CampoTemaRecord {
    int32_t IdTema = 0;     // theme ID (IDREF)
    std::string NomeCampo;  // NOMECAMPO
    int32_t TipoDati = 0;   // TIPODATI
    std::string Formato;    // FORMATO
    uint8_t Visibile = 0;   // VISIBILE
    uint8_t NonIntero = 0;  // 0 when TIPODATI is 2 or 3 (integer types), else 1
};

// Loads the catalogue from the reference database, replacing what was loaded before. Errors of
// the reads propagate (DbError).
void LoadTabelleFieldTerv(Database& db);
// Forgets the catalogue (tests).
void ResetTabelleFieldTerv();

// Server table name of a theme ("" when unknown).
std::string NomeTabella(long id);
// Theme type (column TIPO); 0 when unknown.
int32_t TipoTema(long id);
// Number of field records of the theme.
int32_t NumCampi(long id);
// Names of the fields whose VISIBILE is below 2, joined with ",".
std::string CampiTema(long id);
// Field record `index` (0-based) of the theme; an empty record when there is none.
CampoTemaRecord CampoTema(long id, long index);
// The highest theme ID the arrays hold (the row count of TEMATISMI); -1 before loading.
long UpperTema();
// IDs of rows that were skipped because they fell outside 0 .. row count (last load).
const std::vector<long>& SkippedThemeIds();

}  // namespace terv
