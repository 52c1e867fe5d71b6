#include "Caricamento.h"

#include <algorithm>
#include <filesystem>

#include "ProvinciaRif.h"
#include "Ricevuta.h"
#include "RientroTexts.h"
#include "data/db/mdbUtil.h"
#include "data/net/Kovicli.h"
#include "data/net/SdoDriver.h"
#include "data/net/SidSde.h"
#include "platform/FileSearch.h"
#include "platform/UiPort.h"
#include "platform/VbText.h"
#include "shell/base/modMain.h"

namespace terv {

namespace {

using enum InvioCoppia;

constexpr const char* kCartellaCarico = "/tmp/palmare/toload";

// A pair sent only when not Null, the value stripped of blanks.
CoppiaCarico T(const char* nome) {
    return {nome, SeNonNull, true};
}
// The last pair of a string that ends without a closing "|".
CoppiaCarico Ultima(CoppiaCarico c) {
    c.chiusura = false;
    return c;
}

bool DaInviare(const CoppiaCarico& c, const Variant& v) {
    switch (c.invio) {
        case Sempre:
            return true;
        case SeNonNull:
            return !v.IsNull();
        case SeNonVuoto:
            return !v.IsNull() && !(v.IsText() && v.AsText().empty());
    }
    return true;
}

// "|" separates the pairs on the wire; a value (a note typed on the handheld) must not add one.
std::string Valore(const CoppiaCarico& c, const Variant& v) {
    return Replace(c.trim ? Trim(v.AsText()) : v.AsText(), "|", "/");
}

bool GiaSulServer(const std::string& error) {
    return error.find("ORA-20001") != std::string::npos;
}

// The caption of a row and the repaint after it.
void Didascalia(const CaricaUi& ui, long k, long n, int fase, long posto, long totale) {
    if (ui.caption)
        ui.caption(std::string(texts::kCaptionCarico) + " (file:" + std::to_string(k) + "/" +
                   std::to_string(n) + ")(fase:" + std::to_string(fase) +
                   "/5)(record:" + std::to_string(posto + 1) + ")");
    if (ui.progress)
        ui.progress(posto + 1, totale);
    Ui().Repaint();
}

// The rows of one phase on their way: each row to send joins the open write batch; every
// kRigheBatch rows, and at the end, the batch goes to the server and the rows it stored are
// marked. The recordset stays on the row being read.
class InvioFase {
  public:
    InvioFase(Database& db, Recordset& rs, const FaseCarico& fase)
        : db_(db), rs_(rs), fase_(fase), campi_(IndiciCampi(rs, fase)) {
        SdoBatchStart();
    }
    // A batch still open after a failure of the local database is sent all the same: the rows
    // it stores stay unmarked and are found on the server by the next pass.
    ~InvioFase() {
        if (gBatchState == 1)
            SdoBatchEnd(true);
    }
    InvioFase(const InvioFase&) = delete;
    InvioFase& operator=(const InvioFase&) = delete;

    // Queues the current row; returns the rows that failed (a full batch is sent first).
    int32_t Riga() {
        const std::string attributi = AttributiRiga(fase_, [this](size_t i) {
            return campi_[i] >= 0 ? rs_.Field(campi_[i]) : rs_.Field(fase_.coppie[i].nome);
        });
        if (SdoWrite(fase_.server, "I", 0, "", 0, attributi, "", 1) != 0)
            return 1;  // refused before sending: not queued
        attesa_.push_back(rs_.AbsolutePosition());
        return attesa_.size() < kRigheBatch ? 0 : Spedisci(true);
    }
    // Sends what is queued, closes the batch and commits the marks; returns the rows that failed.
    int32_t Fine() {
        const int32_t errori = Spedisci(false);
        Conferma();
        return errori;
    }

  private:
    int32_t Spedisci(bool riapri) {
        const int32_t result = SdoBatchEnd(false);
        std::vector<bool> salvate(attesa_.size(), result == 0);
        // A batch refused as a whole stored nothing; otherwise only the named rows are missing.
        if (result != 0 && !SdoLastBatchFailures().empty()) {
            salvate.assign(attesa_.size(), true);
            for (const SdoWriteFailure& f : SdoLastBatchFailures()) {
                if (f.index >= 0 && f.index < static_cast<int64_t>(salvate.size()) &&
                    !GiaSulServer(f.text))
                    salvate[static_cast<size_t>(f.index)] = false;
            }
        }
        Marca(salvate);
        attesa_.clear();
        if (riapri)
            SdoBatchStart();
        return static_cast<int32_t>(std::count(salvate.begin(), salvate.end(), false));
    }

    // Walks back to the first queued row and forward again to the current one (or to the end),
    // setting CARICATO on the stored rows, inside the local transaction that gathers the marks
    // of kBatchPerCommit batches.
    void Marca(const std::vector<bool>& salvate) {
        if (std::find(salvate.begin(), salvate.end(), true) == salvate.end())
            return;
        const bool allaFine = rs_.Eof();
        if (allaFine)
            rs_.MoveLast();
        const long ora = rs_.AbsolutePosition();
        while (rs_.AbsolutePosition() > attesa_.front())
            rs_.MovePrevious();
        if (batchAperti_++ == 0)
            db_.BeginTrans();
        for (size_t i = 0; i < attesa_.size(); rs_.MoveNext()) {
            if (rs_.AbsolutePosition() != attesa_[i])
                continue;
            if (salvate[i]) {
                rs_.Edit();
                rs_.SetField("CARICATO", 1);
                rs_.Update();
            }
            if (++i == attesa_.size())
                break;
        }
        if (batchAperti_ == kBatchPerCommit)
            Conferma();
        while (!rs_.Eof() && (allaFine || rs_.AbsolutePosition() < ora))
            rs_.MoveNext();
    }

    // Commits the marks of the batches sent since the last commit.
    void Conferma() {
        if (batchAperti_ > 0)
            db_.CommitTrans();
        batchAperti_ = 0;
    }

    // The recordset's place of each pair's field (-1 when missing: reading it then fails with
    // the database's own error), found once: names compared without case cost on every row.
    static std::vector<int> IndiciCampi(const Recordset& rs, const FaseCarico& fase) {
        std::vector<int> out;
        for (const CoppiaCarico& c : fase.coppie) {
            int found = -1;
            for (int i = 0; i < rs.FieldCount() && found < 0; ++i) {
                if (EqualsNoCase(rs.FieldName(i), c.nome))
                    found = i;
            }
            out.push_back(found);
        }
        return out;
    }

    Database& db_;
    Recordset& rs_;
    const FaseCarico& fase_;
    const std::vector<int> campi_;
    std::vector<long> attesa_;  // places in the recordset of the queued rows, in order
    int batchAperti_ = 0;       // batches whose marks wait for the commit
};

bool DaSpedire(const FaseCarico& fase, const Recordset& rs) {
    if (!rs.Field("CARICATO").IsNull())
        return false;
    return std::string_view(fase.locale) != "PART_DICH" || rs.Field("FLAG_LAVO").AsText() != "N";
}

// Phase `p` of file k of n; returns the rows that failed.
int32_t CaricaFase(Database& db, int p, long k, long n, const CaricaUi& ui) {
    const FaseCarico& fase = FasiCarico()[static_cast<size_t>(p - 1)];
    Recordset rs = db.OpenRecordset(fase.locale, dbOpenDynaset);
    const long totale = rs.RecordCount();
    InvioFase invio(db, rs, fase);
    int32_t errori = 0;
    for (; !rs.Eof(); rs.MoveNext()) {
        Didascalia(ui, k, n, p, rs.AbsolutePosition(), totale);
        if (DaSpedire(fase, rs))
            errori += invio.Riga();
    }
    return errori + invio.Fine();
}

// The province check and, when it passes, the five phases and the receipt; returns the errors.
int32_t CaricaDatabase(Database& db, long k, long n, const CaricaUi& ui) {
    int32_t errori = 0;
    std::string provincia;
    const int32_t numeScar = DbGetLong(db, "SELECT FIRST(NUME_SCAR) FROM PART_DICH");
    if (numeScar > 0) {
        if (LeggiProvinciaRif(db, numeScar, provincia) == 0)
            errori = 1;
        if (provincia.empty())
            ++errori;
    }
    if (errori != 0)
        return errori;
    for (int p = 1; p <= static_cast<int>(FasiCarico().size()); ++p)
        errori += CaricaFase(db, p, k, n, ui);
    StampaRicevuta(numeScar, provincia, db);
    return errori;
}

// File k of n; true when all of it is on the server and the file is gone.
bool CaricaFile(const std::string& path, long k, long n, const CaricaUi& ui) {
    int32_t errori = 0;
    try {
        Database db = OpenDatabase(path);
        errori = CaricaDatabase(db, k, n, ui);
        db.Close();
    } catch (const std::exception& e) {
        // A damaged or unreadable staged file stays where it is for a later pass.
        HttpLog("Caricamento: " + path);
        HttpLog(e.what());
        ++errori;
    }
    if (errori > 0)
        return false;
    std::error_code ec;
    std::filesystem::remove(path, ec);
    return true;
}

}  // namespace

const std::vector<FaseCarico>& FasiCarico() {
    static const std::vector<FaseCarico> fasi = {
        {"PART_DICH",
         "PALMR_PART_DICH",
         {{"id_part", Sempre},
          T("coordx"),
          T("coordy"),
          {"tipo_lavo"},
          T("nume_scar"),
          T("nume_foto_rich"),
          {"flag_lavo"},
          {"cod_agronomo"},
          Ultima({"data_lav"})}},
        {"UTIL_RILE",
         "PALMR_UTIL_RILE",
         {{"id_part", Sempre},
          {"codi_util", Sempre},
          {"stat_colt", Sempre},
          {"data_lav"},
          {"note", SeNonVuoto},
          T("coordx"),
          Ultima(T("coordy"))}},
        {"NORME_RILE",
         "palmr_norme_rile",
         {{"id_part", Sempre}, {"codi_norma", Sempre}, {"data_lav"}, Ultima(T("violazione"))}},
        {"FAG_RILE",
         "PALMR_FAG_RILE",
         {{"id_part", Sempre},
          {"prog_poli", Sempre},
          {"data_lav"},
          {"sest_rego"},
          T("dist_tra_fila"),
          T("dist_su_fila"),
          T("nume_nocc"),
          T("nume_noce"),
          T("nume_mand"),
          T("nume_pist"),
          T("nume_carr"),
          T("nume_cast"),
          T("nume_altr"),
          {"flag_prod"},
          Ultima({"flag_erba"})}},
        {"FOTO_RILE",
         "PALMR_FOTO_RILE",
         {{"id_part", Sempre},
          {"PROG_FOTO", Sempre, true},
          {"FILENAME", Sempre},
          {"DATA_LAV", Sempre},
          T("coordx"),
          T("coordy"),
          T("ANGOLO")}},
    };
    return fasi;
}

std::string AttributiRiga(const FaseCarico& fase, const std::function<Variant(size_t)>& campo) {
    std::string s;
    s.reserve(256);
    for (size_t i = 0; i < fase.coppie.size(); ++i) {
        const CoppiaCarico& c = fase.coppie[i];
        const Variant v = campo(i);
        if (!DaInviare(c, v))
            continue;
        s += c.nome;
        s += '|';
        s += Valore(c, v);
        if (c.chiusura)
            s += '|';
    }
    return s;
}

int32_t CaricaScarichi(const CaricaUi& ui) {
    const std::string cartella = gAppPath + kCartellaCarico;
    const std::vector<FoundEntry> files = FindEntries(cartella, "*.mdb");
    std::vector<std::string> nomi;
    for (const FoundEntry& f : files) {
        if (!f.isFolder)
            nomi.push_back(JoinPath(cartella, f.name));
    }
    int32_t falliti = 0;
    const long n = static_cast<long>(nomi.size());
    for (long k = 1; k <= n; ++k) {
        if (!CaricaFile(nomi[static_cast<size_t>(k - 1)], k, n, ui))
            ++falliti;
    }
    return falliti;
}

int32_t ChiudiScarichiPrecedenti(const ChiudiUi& ui) {
    if (ui.label2)
        ui.label2(true);
    Ui().SetBusy(true);
    Ui().Repaint();
    const int32_t falliti = CaricaScarichi(ui.carica);
    if (ui.carica.caption)
        ui.carica.caption("");
    if (ui.carica.progress)
        ui.carica.progress(0, 0);
    if (ui.avviaLoadfoto)
        ui.avviaLoadfoto();
    if (ui.label2)
        ui.label2(false);
    Ui().SetBusy(false);
    Ui().Repaint();
    MessaggioFineRecupero(falliti);
    return falliti;
}

void MessaggioFineRecupero(int32_t failed) {
    if (failed > 0)
        MsgBox(texts::kMsgRecuperoErrori, vbExclamation);
    else
        MsgBox(texts::kMsgRecuperoOk, vbInformation);
}

}  // namespace terv
