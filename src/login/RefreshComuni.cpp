#include "RefreshComuni.h"

#include "data/FileUtil.h"
#include "data/db/Database.h"
#include "data/db/TabelleFieldTerv.h"
#include "data/db/mdbUtil.h"
#include "data/net/SidSde.h"
#include "platform/UiPort.h"
#include "reference/GestTabelle.h"
#include "shell/base/modMain.h"

namespace terv {

namespace {

constexpr int kThemeMunicipalities = 6;

void DropIfThere(Database& db, const char* table) {
    try {
        db.Execute(std::string("DROP TABLE ") + table, dbFailOnError);
    } catch (const std::exception&) {
        // Not there: nothing to drop.
    }
}

// Steps 3 to 7 on the database opened for writing; true when the tables were replaced.
bool ReplaceTables(Database& db, const std::string& path) {
    DropIfThere(db, "COMUNITMP");
    DropIfThere(db, "PROVINCIETMP");
    CopyTableDef(db.GetTableDef("COMUNI"), db, "COMUNITMP");
    CopyTableDef(db.GetTableDef("PROVINCIE"), db, "PROVINCIETMP");
    const std::string table = NomeTabella(kThemeMunicipalities);
    const std::string descriptor =
        table +
        "|*COD_NAZIONALE|COD_NAZIONALE,ISTATP,ISTATC,ID_SEZC,NOME,FLAG_CATA,CODI_FISC_LUNA|"
        "ISTATP not in ('999','I99','S99') ";
    if (SdoRead(0, descriptor, 0, 0, 0, 0, 0, 0, 0, 0, path, "COMUNITMP", "", true) != 0) {
        return false;
    }
    const std::string provinces =
        "select ISTATP,DENO_PROV,SIGLA_PROV,ISTATR from " + table +
        " where ISTATP not in ('999','I99','S99') GROUP BY ISTATP,DENO_PROV,SIGLA_PROV,ISTATR";
    if (SelectToMdb(gUserName, provinces, 4, path, "PROVINCIETMP", "", false) != 0)
        return false;
    for (const char* sql : {"DELETE FROM COMUNI", "DELETE FROM PROVINCIE",
                            "INSERT INTO COMUNI SELECT * FROM COMUNITMP",
                            "INSERT INTO PROVINCIE SELECT * FROM PROVINCIETMP",
                            "DROP TABLE COMUNITMP", "DROP TABLE PROVINCIETMP"}) {
        db.Execute(sql, dbFailOnError);
    }
    return true;
}

}  // namespace

uint8_t RefreshComuni() {
    Ui().SetBusy(true);
    uint8_t result = 1;
    const std::string path = DbTabelle().Name();
    const std::string folder = TabelleFolder();
    CloseTabelle();
    try {
        Database db = OpenDatabase(path);
        const bool replaced = ReplaceTables(db, path);
        db.Close();
        if (replaced && CompactDb(path))
            result = 0;
    } catch (const std::exception&) {
        result = 1;
    }
    OpenTabelle(folder);
    Ui().SetBusy(false);
    if (result == 0) {
        MsgBox("L'aggiornamento della tabella dei comuni è andato a buon fine.", vbInformation);
    } else {
        MsgBox(
            "L'aggiornamento della tabella dei comuni non è andato a buon fine.\r"
            "Riprovare l'operazione",
            vbExclamation);
    }
    return result;
}

}  // namespace terv
