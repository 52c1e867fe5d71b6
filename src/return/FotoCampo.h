// The photo import of a return: every photo data file (".dat") of a municipality's photo folder
// becomes a FOTO_RILE row of the transit database, and the photo with its data file moves, under
// a new name unique to the return, into gAppPath/tmp/fotoc/upload/, where the photo loader finds
// them. Runs inside the merge, after the municipality's tables are filled and before the dating.
#pragma once

#include <cstdint>
#include <string>

namespace terv {

class Database;

// One photo data file, decoded: the parcel, the photo number and the four lines.
struct DatiFoto {
    std::string idPart;    // COD_NAZIONALE, sheet, parcel and sub-parcel ("_" when none)
    int32_t progFoto = 0;  // the last three characters of the name
    std::string dataLav;   // first 14 characters of line 1
    std::string coordX;    // line 2 ("Null" when it is not a number)
    std::string coordY;    // line 3 (as line 2)
    std::string angolo;    // numeric value of line 4, as a whole number, as text
};

// Splits a data file's base name (parcel key + 3-digit photo number) into `dati`. False when the
// name is shorter than 16 characters or does not end in three digits.
bool LeggiNomeFoto(const std::string& base, DatiFoto& dati);

// Descrambles the four lines of a data file's bytes into `dati`.
void LeggiRigheFoto(const std::string& bytes, DatiFoto& dati);

// Imports the photos of `folder` (ending in "/") into FOTO_RILE of `db`, naming them
// COD_NAZIONALE + `numeroRientro` + "campo" + n. Empty data files and photos already known to
// FOTO_RILE are left where they are; a data file without its picture is recorded with FOTOEFF 0
// and deleted. A file that cannot be read or moved is left in place, without a row, and logged.
void ImportaFotoCampo(Database& db, const std::string& folder, int32_t numeroRientro);

}  // namespace terv
