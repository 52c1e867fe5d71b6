// The export window's state and the export procedure.
//
// TrasfPalmState holds what the window "Trasferisci al PALMARE" shows and what the selection
// window hands to it; the Qt window mirrors it after every change (onChange). The procedures
// here talk to the screen only through the UI port, so they run and are tested without one.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace terv {

struct TrasfPalmState {
    std::string lblCodScarico;          // the export number drawn at load
    std::string txtDescr;               // the operator's description
    std::string txtQualita;             // photo quality in percent
    std::string lblelencoCaption;       // text of the chosen work list
    std::string lblelencoTag;           // its id_lav as decimal text
    std::string replicascarico;         // number of an earlier export to rebuild; "" for a new one
    std::vector<std::string> lstFatti;  // selection entries: code(4) + sheet(4) + text
    std::string lblcurrop;              // caption of the step in progress
    long progressValue = 0;             // the progress bar beside it; max 0 hides it
    long progressMax = 0;
    bool Label2Visible = false;  // "Attendere prego..."
    bool cmdSelEnabled = true;
    bool cmdScaricaEnabled = true;
    bool cmdTrasfEnabled = true;
    int descrFocusRequests = 0;  // times the procedure put the focus on txtDescr

    // Called after every change the procedures make, before they let the window repaint.
    std::function<void()> onChange;
    void Changed() const {
        if (onChange)
            onChange();
    }
};

// Form_Load: draws the export number from PALM_SCARICHI_SEQ; when the read fails (0) the
// selection and transfer buttons are disabled.
void LoadTrasfPalm(TrasfPalmState& form);

// The description as it is registered: "|" becomes "-", "," a blank, apostrophes and double
// quotes a grave accent.
std::string PulisciDescrizione(const std::string& text);

// The export procedure ("Scarica dati"): checks the description, registers the export and marks
// its parcels (not for a replica), downloads and builds the handheld data, and ends with
// "Scarico dati terminato!" once it started, also after a failed download; after a failed build
// the window is restored but only the build's failure message is shown.
void cmdScarica_Click(TrasfPalmState& form);

// The registration: the register insert and the parcel updates of `numScarico`, in write
// batches of 100. Nothing is written when lstFatti is empty.
void RegistraScarico(TrasfPalmState& form, const std::string& numScarico,
                     const std::string& descrizione);

}  // namespace terv
