#include "modTrasfPalm.h"

#include "ExportSteps.h"
#include "ExportTexts.h"
#include "data/net/SidSde.h"
#include "platform/UiPort.h"
#include "platform/VbText.h"
#include "shell/base/modMain.h"
#include "shell/config/clsTervcli.h"

namespace terv {

namespace {

constexpr int kBatchSize = 100;

// Shows the step's caption and the bar's position, then lets the windows repaint.
void Step(TrasfPalmState& form, const std::string& caption, long value) {
    form.lblcurrop = caption;
    form.progressValue = value;
    form.Changed();
    Ui().Progress(caption);
    Ui().ProgressValue(value, form.progressMax);
    Ui().Repaint();
}

// Step 2: the busy pointer, "Attendere prego..." and no second start.
void SetBusy(TrasfPalmState& form) {
    form.Label2Visible = true;
    form.cmdScaricaEnabled = false;
    form.Changed();
    Ui().SetBusy(true);
    Ui().Repaint();
}

// The update condition that claims the entry's parcels still free.
std::string MarkCondition(const std::string& entry, const std::string& idLav) {
    const std::string code = Mid(entry, 1, 4);
    const std::string sheet = Mid(entry, 5, 4);
    std::string where = "COD_NAZIONALE='" + code + "'";
    if (sheet != "0000")
        where += " and FOGLIO=" + sheet;
    return where + " AND ID_LAV=" + idLav + " AND NUME_SCAR_PALM IS NULL";
}

// Step 8: the window back at rest, on every path once the procedure started.
void RestoreWindow(TrasfPalmState& form) {
    form.progressMax = 0;
    form.progressValue = 0;
    form.lblcurrop.clear();
    form.Label2Visible = false;
    form.cmdScaricaEnabled = true;
    form.Changed();
    Ui().SetBusy(false);
    Ui().Progress("");
    Ui().ProgressValue(0, 0);
    Ui().Repaint();
}

}  // namespace

void LoadTrasfPalm(TrasfPalmState& form) {
    const int32_t number = gTervcli().GetSequence("PALM_SCARICHI_SEQ");
    form.lblCodScarico = std::to_string(number);
    if (number == 0) {
        form.cmdSelEnabled = false;
        form.cmdTrasfEnabled = false;
    }
    form.Changed();
}

std::string PulisciDescrizione(const std::string& text) {
    std::string out = Replace(text, "|", "-");
    out = Replace(out, ",", " ");
    out = Replace(out, "'", "`");
    return Replace(out, "\"", "`");
}

void RegistraScarico(TrasfPalmState& form, const std::string& numScarico,
                     const std::string& descrizione) {
    int counter = 0;
    if (!form.lstFatti.empty()) {
        SdoBatchStart();
        SdoWrite("PALM_SCARICHI", "I", 0, "", 0,
                 "NUME_SCAR|" + numScarico + "|UTENTE_SCARICO|" + gUserName + "|DESCRIZIONE|" +
                     descrizione,
                 "", 0);
        counter = 1;
    }
    Step(form, texts::kCaptionAssegno, 0);
    long done = 0;
    for (const std::string& entry : form.lstFatti) {
        if (counter == 0)
            SdoBatchStart();
        SdoWrite("TERVPLAV", "U", 0, "", 0, "NUME_SCAR_PALM|" + numScarico,
                 MarkCondition(entry, form.lblelencoTag), 0);
        if (++counter == kBatchSize) {
            SdoBatchEnd(false);
            counter = 0;
        }
        Step(form, texts::kCaptionAssegno, ++done);
    }
    if (counter > 0)
        SdoBatchEnd(false);
}

void cmdScarica_Click(TrasfPalmState& form) {
    if (form.txtDescr.empty()) {
        MsgBox(texts::kMsgDescrizione, vbExclamation);
        ++form.descrFocusRequests;
        form.Changed();
        return;
    }
    SetBusy(form);
    form.txtDescr = PulisciDescrizione(form.txtDescr);
    const bool replica = !form.replicascarico.empty();
    const std::string numScarico = replica ? form.replicascarico : form.lblCodScarico;
    const long entries = replica ? 0 : static_cast<long>(form.lstFatti.size());
    form.progressMax = entries + 2;
    if (!replica)
        RegistraScarico(form, numScarico, form.txtDescr);
    const ExportJob job{numScarico, form.txtQualita, [&form](const std::string& c, long v, long m) {
                            form.progressMax = m;
                            Step(form, c, v);
                        }};
    Step(form, texts::kCaptionDownload, entries + 1);
    const DownloadResult download = ScaricaDatiExport(job);
    // A failed download still ends as usual; a failed build has shown its own message, and
    // the end message would tell the operator that files are ready when they are not.
    bool built = true;
    if (download.code == 0) {
        Step(form, texts::kCaptionBuild, entries + 2);
        built = CostruisciPalmare(job, download) == 0;
    }
    RestoreWindow(form);
    if (built)
        MsgBox(texts::kMsgTerminato, vbInformation);
}

}  // namespace terv
