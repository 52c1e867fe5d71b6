// The return from the handheld ("Recupera dati dal palmare"): reserves a return number on the
// server, builds an empty transit database gTmpPath/palmdb.mdb, optionally pushes the software
// update, copies the handheld's databases and photos back under gAppPath/tmp/palmare/, merges the
// results of every municipality into the transit database (with the photo import and the dating
// pass), stages it as gAppPath/tmp/palmare/toload/<n>dbcomu.mdb, uploads the staged databases,
// starts the photo loader and reports the outcome.
//
// The procedure talks to the screen only through the UI port and the window state below. What
// goes wrong with a file from the device (a copy that fails, a damaged database, a photo that
// cannot be moved) does not stop the run: the municipality's tables stay empty and a line naming
// the file and the error goes to the return log gAppPath/log/rientro.log. Nothing on the device
// or already on the PC is deleted for such a failure. A staged copy that cannot be written stops
// the run before the upload with a message naming the file and the system error.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "RientroTexts.h"

namespace terv {

inline constexpr const char* kRientroCaption = "Rientro dati PALMARE";
inline constexpr const char* kCmdTrasfRientro = "Recupera dati dal palmare";
inline constexpr const char* kCommand1Rientro = "Chiudi";
inline constexpr const char* kCommand2Rientro = texts::kCmdChiudiScarichi;
inline constexpr const char* kCommand3Rientro = "Apri cartella Ricevute";
inline constexpr const char* kCommand4Rientro = "Rigenera ricevuta da centrale";
inline constexpr const char* kFrame3Rientro = "Palmare";
inline constexpr const char* kLabel2Rientro = texts::kLabel2Rientro;
inline constexpr const char* kMsgInizioRientro =
    "Errore in fase di inizializzazione rientro, riprovare in un secondo momento.";
inline constexpr const char* kMsgStagingFallito =
    "Impossibile preparare il database per il caricamento.\rFile: ";
inline constexpr const char* kMsgRientroInterrotto = "Recupero dati interrotto per un errore:\r";

// The upload of the staged databases: returns how many of them were not loaded completely.
using UploadFunction = std::function<int32_t()>;

// What the return window shows; the Qt window mirrors it after every change (onChange).
struct RientroState {
    int cmbmemoria = -1;  // ListIndex: -1 none, 0 compact flash, 1 SD
    bool chkAggSW = false;
    bool cmdTrasfEnabled = true;
    bool Label2Visible = false;
    std::string lblcurrop;
    long progressValue = 0;  // the bar beside lblcurrop; max 0 hides it
    long progressMax = 0;
    int memoriaFocusRequests = 0;  // times the procedure put the focus on cmbmemoria
    int32_t numeroRientro = 0;     // return number of the last run

    std::function<void()> onChange;
    void Changed() const {
        if (onChange)
            onChange();
    }
};

// cmdTrasf_Click: the whole return, in the order above. `upload` runs after the staging.
void cmdTrasf_Click(RientroState& form, const UploadFunction& upload);

// The folder of the copies and receipts: gAppPath/tmp/palmare/.
std::string CartellaPalmare();

// Appends a line (with the current date stamp) to the return log gAppPath/log/rientro.log.
void LogRientro(const std::string& line);

}  // namespace terv
