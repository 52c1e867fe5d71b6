#include "FusioneTransito.h"

#include <filesystem>

#include "FotoCampo.h"
#include "RientroDati.h"
#include "data/FileUtil.h"
#include "data/TextUtil.h"
#include "data/db/Database.h"
#include "data/db/mdbUtil.h"
#include "export/HandheldSchema.h"
#include "export/sql_lite.h"
#include "platform/VbText.h"
#include "shell/base/modMain.h"

namespace terv {
namespace {

namespace fs = std::filesystem;

struct Passo {
    const char* caption;
    const char* table;
};

// The result tables with their merge captions, in merge and dating order.
constexpr Passo kPassi[] = {
    {"Elaboro particelle dichiarate", "PART_DICH"},
    {"Elaboro utilizzi rilevati", "UTIL_RILE"},
    {"Elaboro fag rilevate", "FAG_RILE"},
    {"Elaboro norme rilevate", "NORME_RILE"},
};

void DataTabella(Database& db, const char* table) {
    Recordset rs = db.OpenRecordset(table, dbOpenDynaset);
    for (; !rs.Eof(); rs.MoveNext()) {
        const std::string id = Replace(rs.Field("ID_PART").AsText(), "'", "''");
        std::string d =
            DbGetText(db, "SELECT MAX(DATA_LAV) FROM FOTO_RILE where ID_PART='" + id + "'");
        if (d.empty())
            d = rs.Field("DATA_LAV").IsNull() ? "" : rs.Field("DATA_LAV").AsText();
        if (d.empty())
            d = NowStamp();
        rs.Edit();
        rs.SetField("DATA_LAV", d);
        rs.Update();
    }
}

}  // namespace

void CreaDbTransito(const std::string& file) {
    DeleteIfExists(file);
    Database db = CreateDatabase(file, dbLangGeneral);
    CreateMainTables(0, &db);
    CreateComuneTables(0, &db);
    db.Close();
}

void FondiComune(Database& db, const std::string& code, int32_t numeroRientro, bool copiato,
                 const Didascalia& caption) {
    const std::string folder = CartellaPalmare() + code + "/";
    const std::string sqlite = folder + "db_comu.db";
    const std::string tag = " [" + code + "]";
    for (const Passo& p : kPassi) {
        caption(p.caption + tag);
        if (copiato && sqll_fill_mdbtable(sqlite, p.table, db, p.table) != 0)
            LogRientro(sqlite + " (" + p.table + "): " + sqll_errmsg());
    }
    if (!copiato)
        LogRientro(sqlite + ": non copiato dal palmare, dati del comune non elaborati");
    ImportaFotoCampo(db, folder + "photo/", numeroRientro);
    caption("Incrocio FOTO-RILEVAZIONI" + tag);
    DataRilevazioni(db);
}

void DataRilevazioni(Database& db) {
    for (const Passo& p : kPassi)
        DataTabella(db, p.table);
}

std::string NomeStaged(int32_t numeroRientro) {
    return CartellaPalmare() + "toload/" + std::to_string(numeroRientro) + "dbcomu.mdb";
}

bool PreparaCaricamento(int32_t numeroRientro, const Didascalia& caption, std::string& error) {
    MakePath(CartellaPalmare() + "toload/");
    caption("Preparo db per caricamento");
    const std::string target = NomeStaged(numeroRientro);
    // Not "*.mdb": the upload never sees a copy that is still being written.
    const std::string partial = target + ".parziale";
    std::error_code ec;
    fs::copy_file(gTmpPath + "/palmdb.mdb", partial, fs::copy_options::overwrite_existing, ec);
    if (!ec)
        fs::rename(partial, target, ec);
    if (ec) {
        error = ec.message();
        std::error_code ignored;
        fs::remove(partial, ignored);
    }
    return !ec;
}

}  // namespace terv
