// Schema of the central database.
#include "Schema.h"

#include <set>
#include <vector>

#include "SqlTokens.h"

namespace terv::central {

namespace {

struct Builder {
    const ThemeList& themes;
    std::vector<std::string> statements;
    std::set<std::string> views;  // upper-case names of the views

    std::string N(int id, const char* fallback) const { return themes.Name(id, fallback); }

    void Table(const std::string& name, const std::string& columns) {
        statements.push_back("CREATE TABLE IF NOT EXISTS " + name + "(" + columns + ")");
    }
    void View(const std::string& name, const std::string& select) {
        views.insert(UpperAscii(name));
        statements.push_back("CREATE VIEW IF NOT EXISTS " + name + " AS " + select);
    }
    void Add(const std::string& sql) { statements.push_back(sql); }
};

// A text column of at most `width` characters: a longer value is ORA-12899, as on the central
// system.
std::string Text(const std::string& table, const char* column, int width,
                 const char* constraint = "") {
    const std::string w = std::to_string(width);
    return std::string(column) + " VARCHAR2(" + w + ")" + constraint + " CHECK (terv_fits(" +
           column + ", " + w + ", '" + UpperAscii(table) + "', '" + column + "'))";
}

void AddReferenceTables(Builder& b) {
    const std::string D = kDateType;
    b.Table(b.N(kThemeDual, "DUAL"), "DUMMY TEXT");
    b.Add("INSERT INTO " + b.N(kThemeDual, "DUAL") +
          " SELECT 'X' WHERE NOT EXISTS (SELECT 1 FROM " + b.N(kThemeDual, "DUAL") + ")");
    b.Table(b.N(kThemeMunicipalityCodes, "TERVCOMU"),
            "COD_NAZIONALE TEXT NOT NULL PRIMARY KEY, ISTATP TEXT, ISTATC TEXT, SEZIONE_CENSUARIA "
            "TEXT, "
            "NOME TEXT");
    b.Table(b.N(kThemeMunicipalities, "TERVCOMUNI"),
            "COD_NAZIONALE TEXT NOT NULL PRIMARY KEY, ISTATP TEXT, ISTATC TEXT, ID_SEZC TEXT, NOME "
            "TEXT, "
            "FLAG_CATA TEXT, CODI_FISC_LUNA TEXT, DENO_PROV TEXT, SIGLA_PROV TEXT, ISTATR TEXT");
    b.Table(b.N(kThemeProvinces, "TERVPROVINCE"),
            "ISTATP TEXT NOT NULL PRIMARY KEY, DENO_PROV TEXT, SIGLA_PROV TEXT, ISTATR TEXT");
    b.Table(b.N(kThemeRegions, "TERVREGIONI"), "ISTATR TEXT NOT NULL PRIMARY KEY, DENO_REGI TEXT");
    b.Table(b.N(kThemeSectors, "TERVSETTORI"), "COD_SETTORE INTEGER PRIMARY KEY, DESCRIZIONE TEXT");
    b.Table(b.N(kThemeVariables, "TERVVARIABILI"),
            "VARIABILE TEXT NOT NULL PRIMARY KEY, VALORE TEXT");
    b.Table(b.N(kThemeUsers, "TERVUTENTI"),
            "UTENTE TEXT NOT NULL, SETTORE INTEGER, PROV_RIF TEXT, ELENCO_DEF INTEGER, PWD TEXT");
    b.Table(b.N(kThemeRoles, "GISUSERS"), "USR TEXT NOT NULL, RUOLO INTEGER");
    b.Table(b.N(kThemeRegionalCodes, "TERVCODS_REGI"),
            "COD_REGI TEXT NOT NULL PRIMARY KEY, DESCRIZIONE TEXT");
    b.Table(b.N(kThemeVarieties, "TERVCODS_VARI"),
            "COD_VARI INTEGER PRIMARY KEY, DESCRIZIONE TEXT, DESC_BREVE TEXT");
    b.Table(b.N(kThemeEligible, "TERVCODS_ELVA"), "COD_VARI INTEGER, FOTO_INTE INTEGER");
    b.Table(b.N(kThemeInspectors, "TERVTCIN"), "COD_TECNICO TEXT, DESCRIZIONE TEXT, DATA_NASC " +
                                                   D + ", PROV_RIF TEXT, DATA_FINE_VAL " + D);
    const std::string rules = b.N(kThemeRules, "PALM_NORME");
    b.Table(rules, Text(rules, "CODI_NORMA", 3, " NOT NULL PRIMARY KEY") + ", " +
                       Text(rules, "DESCR", 50));
    b.Table(b.N(kThemeWorkLists, "TERVLISTALAV"),
            "ID_LAV INTEGER PRIMARY KEY, PROV_RIF TEXT, CAMPAGNA INTEGER, DATA_IMMI_ELEN TEXT, "
            "DESCRIZIONE TEXT, TIPOLAVORAZIONE INTEGER, COD_SETTORE INTEGER");
}

void AddParcelTables(Builder& b) {
    const std::string D = kDateType;
    const std::string plav = b.N(kThemeSurveyParcels, "TERVPLAV");
    b.Table(plav,
            "ID_LAV INTEGER, ISTATP TEXT, COD_NAZIONALE TEXT, FOGLIO INTEGER, PARTICELLA TEXT, "
            "SUB TEXT, MOTI_RICH INTEGER, NUME_SCAR_PALM INTEGER, DATA_LAV " +
                D + ", LAST INTEGER");
    b.Add("CREATE INDEX IF NOT EXISTS TERVPLAV_SCAR ON " + plav + "(NUME_SCAR_PALM)");
    b.Add("CREATE INDEX IF NOT EXISTS TERVPLAV_LAV_IDX ON " + plav +
          "(ID_LAV, ISTATP, COD_NAZIONALE, FOGLIO)");
    b.Add("CREATE INDEX IF NOT EXISTS TERVPLAV_PART ON " + plav +
          "(COD_NAZIONALE, FOGLIO, PARTICELLA, SUB)");
    b.View(b.N(kThemeParcelsToSurvey, "TERVPLAV_LAV"),
           "SELECT ID_LAV, ISTATP, COD_NAZIONALE, FOGLIO, NUME_SCAR_PALM, DATA_LAV, PARTICELLA, "
           "SUB FROM " +
               plav + " WHERE LAST = 1");
    const std::string cent = b.N(kThemeCentroids, "TERVCENT");
    b.Table(cent, "COD_NAZIONALE TEXT, FOGLIO INTEGER, PARTICELLA TEXT, SUB TEXT, DATA_INIZ_VAL " +
                      D + ", DATA_FINE_VAL " + D + ", SHAPE TEXT");
    b.Add("CREATE INDEX IF NOT EXISTS TERVCENT_PART ON " + cent +
          "(COD_NAZIONALE, FOGLIO, PARTICELLA, SUB, DATA_FINE_VAL)");
    const std::string util = b.N(kThemeDeclaredUses, "TERVUTIL");
    b.Table(util,
            "COD_NAZIONALE TEXT, FOGLIO INTEGER, PARTICELLA TEXT, SUB TEXT, COD_REGI TEXT, "
            "SUPE_COLT REAL, DATA_INIZIO " +
                D + ", DATA_FINE " + D);
    b.Add("CREATE INDEX IF NOT EXISTS TERVUTIL_PART ON " + util +
          "(COD_NAZIONALE, FOGLIO, PARTICELLA, SUB)");
    // Sheet and parcel outlines for the map servlet: polygons as WKT text.
    b.Table("TERVFGLC",
            "SE_ROW_ID INTEGER PRIMARY KEY, COD_NAZIONALE TEXT, FOGLIO INTEGER, ALLEGATO TEXT, "
            "SVILUPPO TEXT, DATA_CAT " +
                D +
                ", TIPO TEXT, FILENAME TEXT, FILETYPE TEXT, "
                "ISTATP TEXT, SCALA_ORIG INTEGER, FLAG_STATO TEXT, TAVOLA TEXT, SHAPE TEXT");
    b.Add("CREATE INDEX IF NOT EXISTS TERVFGLC_FOGLIO ON TERVFGLC(COD_NAZIONALE, FOGLIO)");
    b.View(b.N(kThemeSheets, "TERVFOGLI"), "SELECT * FROM TERVFGLC");
    const std::string part = b.N(kThemeParcelShapes, "TERVPART");
    b.Table(part,
            "SE_ROW_ID INTEGER PRIMARY KEY, COD_NAZIONALE TEXT, FOGLIO INTEGER, "
            "PARTICELLA TEXT, SUB TEXT, DATA_INIZ_VAL " +
                D + ", DATA_FINE_VAL " + D + ", SHAPE TEXT");
    b.Add("CREATE INDEX IF NOT EXISTS TERVPART_FOGLIO ON " + part + "(COD_NAZIONALE, FOGLIO)");
    // The orthophoto index: the outline and image file name of every quadrant of a flight
    // (VOLO), and the archive folder of each flight (SUB_PATH = VOLO).
    b.Table("TERVFOTQ", "SE_ROW_ID INTEGER PRIMARY KEY, VOLO TEXT, NOME TEXT, SHAPE TEXT");
    b.Table("TERVFOTF", "SUB_PATH TEXT PRIMARY KEY, PATH TEXT");
}

// The export register: DATA_SCARICO is the server's; registering a known number again changes
// nothing, so that repeating an export only marks the parcels still unmarked.
void AddExportTables(Builder& b) {
    const std::string D = kDateType;
    const std::string reg = b.N(kThemeExports, "PALM_SCARICHI");
    b.Table(reg,
            "NUME_SCAR INTEGER NOT NULL, UTENTE_SCARICO TEXT, DESCRIZIONE TEXT, DATA_SCARICO " + D);
    b.Add("CREATE UNIQUE INDEX IF NOT EXISTS PALM_SCARICHI_PK ON " + reg + "(NUME_SCAR)");
    b.Add("CREATE TRIGGER IF NOT EXISTS PALM_SCARICHI_ONCE BEFORE INSERT ON " + reg +
          " WHEN EXISTS (SELECT 1 FROM " + reg +
          " WHERE NUME_SCAR = NEW.NUME_SCAR) BEGIN SELECT RAISE(IGNORE); END");
    b.Add("CREATE TRIGGER IF NOT EXISTS PALM_SCARICHI_DATA AFTER INSERT ON " + reg +
          " WHEN NEW.DATA_SCARICO IS NULL BEGIN UPDATE " + reg +
          " SET DATA_SCARICO = terv_sysdate() WHERE rowid = NEW.rowid; END");
    b.Table(b.N(kThemeExportLog, "PALMR_SCARICHI_LOG"),
            "NUME_SCAR INTEGER, UTENTE TEXT, DATA_LOG " + D + ", NOTA TEXT");
    b.Table("TERV_SEQUENCES",
            "SEQUENCE_NAME TEXT NOT NULL PRIMARY KEY, LAST_VALUE INTEGER NOT NULL, INCREMENT_BY "
            "INTEGER "
            "NOT NULL DEFAULT 1");
    b.Add("INSERT OR IGNORE INTO TERV_SEQUENCES VALUES ('PALM_SCARICHI_SEQ', 1000, 1)");
    b.Add("INSERT OR IGNORE INTO TERV_SEQUENCES VALUES ('TERVPALMC_SEQ', 0, 1)");
}

// Return tables written by the upload (a row already loaded answers ORA-20001), and the
// accepted-results views that later exports and receipts read.
void AddReturnTables(Builder& b) {
    const std::string D = kDateType;
    const std::string rp = b.N(kThemeReturnParcels, "PALMR_PART_DICH");
    const std::string ru = b.N(kThemeReturnUses, "PALMR_UTIL_RILE");
    const std::string rn = b.N(kThemeReturnRules, "PALMR_NORME_RILE");
    const std::string rf = b.N(kThemeReturnTrees, "PALMR_FAG_RILE");
    const std::string rph = b.N(kThemeReturnPhotos, "PALMR_FOTO_RILE");
    const std::string loaded = ", DATA_CARICO " + D + " DEFAULT (terv_sysdate())";
    b.Table(rp, Text(rp, "ID_PART", 16, " NOT NULL") + ", COORDX REAL, COORDY REAL, " +
                    Text(rp, "TIPO_LAVO", 1) + ", NUME_SCAR INTEGER, NUME_FOTO_RICH INTEGER, " +
                    Text(rp, "FLAG_LAVO", 1) + ", " + Text(rp, "COD_AGRONOMO", 11) + ", DATA_LAV " +
                    D + loaded);
    b.Add("CREATE UNIQUE INDEX IF NOT EXISTS " + rp + "_PK ON " + rp +
          "(ID_PART, ifnull(DATA_LAV, ''))");
    b.Table(ru, Text(ru, "ID_PART", 16, " NOT NULL") + ", " +
                    Text(ru, "CODI_UTIL", 3, " NOT NULL") + ", " +
                    Text(ru, "STAT_COLT", 3, " NOT NULL") + ", DATA_LAV " + D + ", " +
                    Text(ru, "NOTE", 255) + ", COORDX REAL, COORDY REAL" + loaded);
    b.Add("CREATE UNIQUE INDEX IF NOT EXISTS " + ru + "_PK ON " + ru +
          "(ID_PART, CODI_UTIL, STAT_COLT, ifnull(DATA_LAV, ''))");
    b.Table(rn, Text(rn, "ID_PART", 16, " NOT NULL") + ", " +
                    Text(rn, "CODI_NORMA", 3, " NOT NULL") + ", DATA_LAV " + D +
                    ", VIOLAZIONE INTEGER" + loaded);
    b.Add("CREATE UNIQUE INDEX IF NOT EXISTS " + rn + "_PK ON " + rn +
          "(ID_PART, CODI_NORMA, ifnull(DATA_LAV, ''))");
    b.Table(rf, Text(rf, "ID_PART", 16, " NOT NULL") + ", PROG_POLI INTEGER NOT NULL, DATA_LAV " +
                    D + ", " + Text(rf, "SEST_REGO", 1) +
                    ", DIST_TRA_FILA INTEGER, DIST_SU_FILA INTEGER, NUME_NOCC INTEGER, NUME_NOCE "
                    "INTEGER, NUME_MAND INTEGER, NUME_PIST INTEGER, NUME_CARR INTEGER, NUME_CAST "
                    "INTEGER, NUME_ALTR INTEGER, " +
                    Text(rf, "FLAG_PROD", 1) + ", " + Text(rf, "FLAG_ERBA", 1) + loaded);
    b.Add("CREATE UNIQUE INDEX IF NOT EXISTS " + rf + "_PK ON " + rf +
          "(ID_PART, PROG_POLI, ifnull(DATA_LAV, ''))");
    b.Table(rph, Text(rph, "ID_PART", 16, " NOT NULL") + ", PROG_FOTO INTEGER NOT NULL, " +
                     Text(rph, "FILENAME", 25) + ", DATA_LAV " + D +
                     ", COORDX REAL, COORDY REAL, ANGOLO INTEGER" + loaded);
    b.Add("CREATE UNIQUE INDEX IF NOT EXISTS " + rph + "_PK ON " + rph +
          "(ID_PART, PROG_FOTO, ifnull(DATA_LAV, ''))");

    const std::string comu = b.N(kThemeMunicipalityCodes, "TERVCOMU");
    b.View(b.N(kThemeParcels, "PALM_PART_DICH"),
           "SELECT P.ID_PART AS ID_PART, substr(P.ID_PART, 1, 4) AS COD_NAZIONALE, C.ISTATP AS "
           "PROV, C.ISTATC AS COMU, C.SEZIONE_CENSUARIA AS SEZI, CAST(substr(P.ID_PART, 5, 4) AS "
           "INTEGER) AS FOGLIO, substr(P.ID_PART, 9, 5) AS PART, CASE WHEN substr(P.ID_PART, 14) "
           "= '_' THEN ' ' ELSE substr(P.ID_PART, 14) END AS SUB, P.COORDX AS COORDX, P.COORDY AS "
           "COORDY, P.TIPO_LAVO AS TIPO_LAVO, P.NUME_SCAR AS NUME_SCAR, P.NUME_FOTO_RICH AS "
           "NUME_FOTO_RICH, P.FLAG_LAVO AS FLAG_LAVO, P.COD_AGRONOMO AS COD_AGRONOMO, P.DATA_LAV "
           "AS DATA_LAV FROM " +
               rp + " P LEFT JOIN " + comu + " C ON C.COD_NAZIONALE = substr(P.ID_PART, 1, 4)");
    b.View(b.N(kThemeUses, "PALM_UTIL_RILE"),
           "SELECT ID_PART, CODI_UTIL, STAT_COLT, COORDX, COORDY, NOTE, DATA_LAV FROM " + ru);
    b.View(b.N(kThemeRuleResults, "PALM_NORME_RILE"),
           "SELECT ID_PART, CODI_NORMA, VIOLAZIONE, DATA_LAV FROM " + rn);
    b.View(b.N(kThemeTrees, "PALM_FAG_RILE"),
           "SELECT ID_PART, PROG_POLI, SEST_REGO, DIST_TRA_FILA, DIST_SU_FILA, NUME_NOCC, "
           "NUME_NOCE, NUME_MAND, NUME_PIST, NUME_CARR, NUME_CAST, NUME_ALTR, FLAG_PROD, "
           "FLAG_ERBA, DATA_LAV FROM " +
               rf);
    b.View(b.N(kThemePhotos, "PALM_FOTO_RILE"),
           "SELECT ID_PART, PROG_FOTO, FILENAME, DATA_LAV, COORDX, COORDY, ANGOLO FROM " + rph);
}

// Columns of a table or view (upper case).
std::set<std::string> Columns(Connection& conn, const std::string& table) {
    std::set<std::string> out;
    sqlite3_stmt* stmt = nullptr;
    std::string sql = "PRAGMA table_info(\"" + table + "\")";
    if (sqlite3_prepare_v2(conn.db(), sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
        return out;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        out.insert(UpperAscii(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1))));
    }
    sqlite3_finalize(stmt);
    return out;
}

const char* SqlType(int theme_type) {
    if (theme_type == 2 || theme_type == 3)
        return "INTEGER";
    if (theme_type == 7)
        return "REAL";
    return "TEXT";
}

// Every field of the theme list exists: tables get missing columns, themes without a table of
// their own get one.
bool AddThemeFields(Connection& conn, const Builder& b, std::string* error) {
    for (const auto& [id, theme] : b.themes.all()) {
        std::set<std::string> have = Columns(conn, theme.name);
        if (have.empty()) {
            std::string cols;
            for (const ThemeField& f : theme.fields) {
                cols += (cols.empty() ? "" : ", ") + f.name + " " + SqlType(f.type);
            }
            if (cols.empty())
                cols = "ID INTEGER";
            if (!conn.Exec("CREATE TABLE IF NOT EXISTS " + theme.name + "(" + cols + ")", error)) {
                return false;
            }
            continue;
        }
        for (const ThemeField& f : theme.fields) {
            if (have.count(UpperAscii(f.name)))
                continue;
            if (b.views.count(UpperAscii(theme.name))) {
                *error = "view " + theme.name + " lacks field " + f.name;
                return false;
            }
            if (!conn.Exec(
                    "ALTER TABLE " + theme.name + " ADD COLUMN " + f.name + " " + SqlType(f.type),
                    error)) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

bool CreateSchema(Connection& conn, const ThemeList& themes, std::string* error) {
    Builder b{themes, {}, {}};
    AddReferenceTables(b);
    AddParcelTables(b);
    AddExportTables(b);
    AddReturnTables(b);
    if (!conn.Exec("BEGIN IMMEDIATE", error))
        return false;
    for (const std::string& sql : b.statements) {
        if (!conn.Exec(sql, error)) {
            *error += " (" + sql.substr(0, 80) + ")";
            conn.Exec("ROLLBACK");
            return false;
        }
    }
    if (!AddThemeFields(conn, b, error)) {
        conn.Exec("ROLLBACK");
        return false;
    }
    return conn.Exec("COMMIT", error);
}

}  // namespace terv::central
