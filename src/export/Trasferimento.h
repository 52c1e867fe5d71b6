// The transfer to the device ("Invia dati al palmare"): after the questions and the size
// confirmation it copies the prepared main database and, for every municipality of the current
// palmdb.mdb, its map files, database and photo folder onto the chosen memory card, and
// optionally the handheld software update, by running the device copy tool once per group of
// files. The tool's exit status is not looked at; its failures show on its standard error.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "modTrasfPalm.h"

namespace terv {

inline constexpr const char* kChkAggSW = "Aggiorna il software sul palmare";
inline constexpr const char* kMemoriaPrincipale = "Memoria principale (compact flash)";
inline constexpr const char* kSecondaMemoria = "Seconda memoria (SD)";
inline constexpr const char* kMsgRientro =
    "Attenzione, assicurarsi di aver fatto rientrare gli eventuali dati già presenti sul "
    "palmare!\rPremere NO per terminare lo scarico.";
inline constexpr const char* kMsgScheda = "Selezionare la scheda di memoria da utilizzare.";
inline constexpr const char* kMsgInvioTerminato = "Invio dati terminato!";

// The controls of the frame "Trasferimento".
struct TrasferimentoControls {
    bool chkAggSW = false;
    int cmbmemoria = -1;  // ListIndex: -1 none, 0 compact flash, 1 SD
    int memoriaFocusRequests = 0;
};

// "\Scheda di memoria\" for index 0, "\Scheda di memoria2\" for any other.
std::string CardRoot(int cmbmemoria);

// Switches of the device copy tool: into a folder, or onto the named destination.
inline constexpr const char* kCopiaCartella = "/d /q /s=65536";
inline constexpr const char* kCopiaFile = "/q /s=65536";

// Runs gAppPath/RAPIFileCopy with `switches` and the quoted source and destination, waiting
// for it to end; returns its exit code (-1 when it could not be started).
int RunDeviceCopy(const std::string& switches, const std::string& source,
                  const std::string& destination);

// The handheld software update: gAppPath/aggpalm.zip unpacked flat (overwriting) into the
// emptied gTmpPath/aggpalm/, whose files then go to card + "Terv34bis\\". An unzip failure is
// shown as its number. `caption` gets "Aggiornamento SW palmare" before the copy.
void AggiornaSoftwarePalmare(const std::string& card,
                             const std::function<void(const std::string&)>& caption);

// The municipalities of the current export: COD_NAZIONALE of PART_DICH in palmdb.mdb.
std::vector<std::string> ComuniDaTrasferire();

// The size of what will be copied, in megabytes rounded up, and the operator's confirmation.
bool ConfirmSize();

// The transfer; ends with "Invio dati terminato!" once it started copying.
void cmdTrasf_Click(TrasfPalmState& form, TrasferimentoControls& controls);

}  // namespace terv
