// Fixed Italian texts of the return window (frmRientraDati) shared by its procedures: the upload's
// caption and the closing messages of a return and of "Chiudi scarichi precedenti".
#pragma once

namespace terv::texts {

inline constexpr const char* kCmdChiudiScarichi = "Chiudi scarichi precedenti";
inline constexpr const char* kLabel2Rientro = "Attendere prego...";
inline constexpr const char* kCaptionCarico = "Carico dati in remoto";

// Closing message when the upload left data behind: exclamation icon.
inline constexpr const char* kMsgRecuperoErrori =
    "Recupero dati terminato con errori.\r\rUtilizzare il comando --> 'Chiudi scarichi "
    "precedenti'\rfinchè i dati non saranno tutti trasferiti sul server centrale.";
// Closing message when everything reached the server: information icon.
inline constexpr const char* kMsgRecuperoOk = "Recupero dati terminato, senza avveritmenti.";

}  // namespace terv::texts
