#include "Trasferimento.h"

#include <filesystem>

#include "Unzip.h"
#include "data/FileUtil.h"
#include "data/db/Database.h"
#include "data/db/DbError.h"
#include "platform/Process.h"
#include "platform/UiPort.h"
#include "shell/base/modMain.h"

namespace terv {
namespace {

struct Group {
    const char* caption;
    const char* pattern;
};

// The copies of one municipality, in this order.
constexpr Group kGroups[] = {
    {"Trasferimento Project", "*.orvex_project"},
    {"Trasferimento dati vettoriali", "*.orvex"},
    {"Trasferimento Elenchi particelle", "*.db"},
    {"Trasferimento Quadri unione", "*.orvex_union"},
    {"Trasferimento file di proprietà", "*.orvex_props"},
    {"Trasferimento Ortofoto", "*.orvex_jpeg"},
    {"Trasferimento utilità", "leggimi.txt"},
};

std::string Palmare() {
    return gAppPath + "/tmp/palmare/";
}

void Caption(TrasfPalmState& form, const std::string& caption) {
    form.lblcurrop = caption;
    form.Changed();
    Ui().Progress(caption);
    Ui().Repaint();
}

void SetBusy(TrasfPalmState& form, bool busy) {
    form.cmdTrasfEnabled = !busy;
    form.Label2Visible = busy;
    if (!busy)
        form.lblcurrop.clear();
    form.Changed();
    Ui().SetBusy(busy);
    Ui().Repaint();
}

void DeviceCopy(const std::string& source, const std::string& destination) {
    RunDeviceCopy(kCopiaCartella, source, destination);
}

}  // namespace

int RunDeviceCopy(const std::string& switches, const std::string& source,
                  const std::string& destination) {
    return RunAndWait(gAppPath + "/RAPIFileCopy " + switches + " \"" + source + "\" \"" +
                      destination + "\"");
}

void AggiornaSoftwarePalmare(const std::string& card,
                             const std::function<void(const std::string&)>& caption) {
    const std::string folder = gTmpPath + "/aggpalm/";
    PrepareWorkFolder(folder, false);
    if (const int rc = Unzip(gAppPath + "/aggpalm.zip", folder, false, "", true); rc != 0)
        MsgBox(std::to_string(rc));
    caption("Aggiornamento SW palmare");
    DeviceCopy(folder + "*.*", card + "Terv34bis\\");
}

std::string CardRoot(int cmbmemoria) {
    return cmbmemoria == 0 ? "\\Scheda di memoria\\" : "\\Scheda di memoria2\\";
}

std::vector<std::string> ComuniDaTrasferire() {
    std::vector<std::string> comuni;
    try {
        Database db = OpenDatabase(gTmpPath + "/palmdb.mdb", false, true);
        Recordset rs =
            db.OpenRecordset("SELECT COD_NAZIONALE FROM PART_DICH GROUP BY COD_NAZIONALE");
        for (; !rs.Eof(); rs.MoveNext())
            comuni.push_back(rs.Field(0).AsText());
    } catch (const DbError&) {
        // No prepared export: only the main database is offered.
    }
    return comuni;
}

bool ConfirmSize() {
    long long total = FileSizeOf(Palmare() + "terv34bis_ppc.db");
    for (const std::string& c : ComuniDaTrasferire())
        for (const Group& g : kGroups)
            if (std::string_view(g.pattern) != "leggimi.txt")
                total += SumFileSizes(Palmare() + c + "/", g.pattern);
    const long long mb = (total + (1 << 20) - 1) >> 20;
    return MsgBox("I dati preparati hanno una dimensione di " + std::to_string(mb) +
                      " Mb\rConfermi la copia sul palmare?",
                  vbYesNo + vbQuestion) == vbYes;
}

void cmdTrasf_Click(TrasfPalmState& form, TrasferimentoControls& controls) {
    if (MsgBox(kMsgRientro, vbYesNo + vbQuestion) != vbYes)
        return;
    if (controls.cmbmemoria < 0) {
        MsgBox(kMsgScheda, vbExclamation);
        ++controls.memoriaFocusRequests;
        return;
    }
    if (!ConfirmSize())
        return;
    SetBusy(form, true);
    const std::vector<std::string> comuni = ComuniDaTrasferire();
    const std::string card = CardRoot(controls.cmbmemoria);
    const std::string data = card + "orvex\\";
    if (controls.chkAggSW && std::filesystem::exists(gAppPath + "/aggpalm.zip"))
        AggiornaSoftwarePalmare(card, [&form](const std::string& c) { Caption(form, c); });
    Caption(form, "Trasferimento Db Principale");
    DeviceCopy(Palmare() + "terv34bis_ppc.db", data);
    for (const std::string& c : comuni) {
        for (const Group& g : kGroups) {
            Caption(form, std::string(g.caption) + " [" + c + "]");
            const bool photo = std::string_view(g.pattern) == "leggimi.txt";
            DeviceCopy(Palmare() + c + "/" + g.pattern, data + c + "\\" + (photo ? "photo\\" : ""));
        }
    }
    SetBusy(form, false);
    MsgBox(kMsgInvioTerminato, vbInformation);
}

}  // namespace terv
