// "Rigenera ricevuta da centrale": the receipt of one of the operator's earlier exports, rebuilt
// from what the server holds of it rather than from the local transit database.
//
// Lists the operator's exports (gTmpPath/scarichi.txt), asks which one and whether to go on,
// recreates gTmpPath/ricdb.mdb with the transit tables, reads the export's parcels and their
// survey results into it from the server's PALM_* views, marks every row as loaded and prints the
// receipt from it (see Ricevuta.h for the files that leaves behind).
#pragma once

#include <string>

namespace terv {

inline constexpr const char* kRigDomanda = "Gero ricevuta dello scarico: ";
inline constexpr const char* kRigElencoFallito =
    "Impossibile leggere dal server l'elenco degli scarichi:\r";
inline constexpr const char* kRigDbFallito = "Impossibile preparare il database della ricevuta:\r";
inline constexpr const char* kRigLetturaFallita =
    "Impossibile leggere dal server i dati dello scarico ";

// The local database the receipt is rebuilt in.
std::string RicDbPath();

// Runs the command. Returns the receipt's path; "" when the operator chose nothing or answered
// No, or when the list, the database or the server's data could not be had (the operator was
// told why, and no receipt was started).
std::string RigeneraRicevuta();

}  // namespace terv
