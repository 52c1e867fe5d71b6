// Demo-data generator of the central database.
#include "DemoData.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "SqlTokens.h"

namespace terv::central {

namespace {

struct Comune {
    std::string cod, istatp, istatc, nome, deno_prov, sigla, istatr;
};

// A few real municipalities, used when resources/comuni.csv is missing.
const Comune kFixture[] = {
    {"H501", "058", "091", "Roma", "Roma", "RM", "12"},
    {"G811", "058", "079", "Pomezia", "Roma", "RM", "12"},
    {"F205", "015", "146", "Milano", "Milano", "MI", "03"},
    {"B300", "015", "027", "Busto Garolfo", "Milano", "MI", "03"},
    {"F839", "063", "049", "Napoli", "Napoli", "NA", "15"},
    {"G964", "063", "060", "Pozzuoli", "Napoli", "NA", "15"},
};

const char* kRegions[] = {"",
                          "Piemonte",
                          "Valle d'Aosta",
                          "Lombardia",
                          "Trentino-Alto Adige",
                          "Veneto",
                          "Friuli-Venezia Giulia",
                          "Liguria",
                          "Emilia-Romagna",
                          "Toscana",
                          "Umbria",
                          "Marche",
                          "Lazio",
                          "Abruzzo",
                          "Molise",
                          "Campania",
                          "Puglia",
                          "Basilicata",
                          "Calabria",
                          "Sicilia",
                          "Sardegna"};

const char* kUses[] = {"SEMINATIVO", "OLIVO", "VITE",           "AGRUMI", "FRUTTETO", "NOCCIOLO",
                       "PASCOLO",    "BOSCO", "TARE E INCOLTI", "ORTIVE", "CASTAGNO", "FABBRICATI"};

const char* kRules[][2] = {{"001", "Copertura minima del suolo"},
                           {"002", "Gestione minima delle terre"},
                           {"003", "Mantenimento dei terrazzamenti"},
                           {"004", "Divieto di bruciatura delle stoppie"},
                           {"005", "Mantenimento degli elementi del paesaggio"}};

constexpr const char* kForever = "99991231000000";

// Earlier exports of the register: number, operator, description, date.
const char* kExports[][4] = {{"900", kDemoUser, "Campagna 2024", "20240603083000"},
                             {"901", kDemoUser, "Campagna 2025", "20250602091500"},
                             {"950", kDemoUser, "Primo scarico 2026", "20260305090000"},
                             {"951", "ISPETTORE", "Scarico ispettore", "20260306100000"},
                             {"952", "ISPETTORE", "Scarico Napoli", "20260306110000"}};

// What earlier field work left on a parcel of the current lists: the export that carried it
// (empty: never exported) and its processing date (empty: not processed).
struct ExportMark {
    std::string export_number;
    std::string processed;
};

// Sheets 3, 8, ... are processed without an export; half of sheets 4, 9, ... went out with
// DEMO's export 950 (a quarter of it processed since); the first parcels of sheets 5, 10, ...
// went out with the inspector's exports (952 for the province of Napoli).
ExportMark MarkOf(const std::string& istatp, long long foglio, long long place) {
    if (foglio % 5 == 3)
        return {"", "20260310000000"};
    if (foglio % 5 == 4 && place < 20)
        return {"950", place < 10 ? "20260320000000" : ""};
    if (foglio % 5 == 0 && place < 5)
        return {istatp == "063" ? "952" : "951", ""};
    return {};
}

std::vector<Comune> LoadComuni(const std::string& resources) {
    std::ifstream in(resources + "/comuni.csv");
    std::vector<Comune> out;
    std::string line;
    std::map<std::string, size_t> col;
    while (in && std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string> f;
        std::stringstream ss(line);
        std::string part;
        while (std::getline(ss, part, ';'))
            f.push_back(part);
        if (col.empty()) {
            for (size_t i = 0; i < f.size(); ++i)
                col[UpperAscii(f[i])] = i;
            continue;
        }
        auto get = [&](const char* name) {
            auto it = col.find(name);
            return it != col.end() && it->second < f.size() ? f[it->second] : std::string();
        };
        Comune c{get("COD_NAZIONALE"), get("ISTATP"),     get("ISTATC"), get("NOME"),
                 get("DENO_PROV"),     get("SIGLA_PROV"), get("ISTATR")};
        if (c.cod.size() == 4 && !c.istatp.empty())
            out.push_back(c);
    }
    if (out.empty())
        out.assign(std::begin(kFixture), std::end(kFixture));
    return out;
}

// A prepared insert with positional values; NULL for empty texts.
class Insert {
  public:
    Insert(Connection& conn, const std::string& sql, std::string* error) : error_(error) {
        if (sqlite3_prepare_v2(conn.db(), sql.c_str(), -1, &stmt_, nullptr) != SQLITE_OK) {
            *error = std::string(sqlite3_errmsg(conn.db())) + " in " + sql;
            stmt_ = nullptr;
        }
        db_ = conn.db();
    }
    ~Insert() { sqlite3_finalize(stmt_); }
    bool ok() const { return stmt_ != nullptr; }

    Insert& T(const std::string& v) {
        if (v.empty()) {
            sqlite3_bind_null(stmt_, ++index_);
        } else {
            sqlite3_bind_text(stmt_, ++index_, v.c_str(), static_cast<int>(v.size()),
                              SQLITE_TRANSIENT);
        }
        return *this;
    }
    Insert& I(long long v) {
        sqlite3_bind_int64(stmt_, ++index_, v);
        return *this;
    }
    Insert& F(double v) {
        sqlite3_bind_double(stmt_, ++index_, v);
        return *this;
    }
    bool Run() {
        index_ = 0;
        const int rc = sqlite3_step(stmt_);
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
        if (rc != SQLITE_DONE) {
            *error_ = sqlite3_errmsg(db_);
            return false;
        }
        return true;
    }

  private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt* stmt_ = nullptr;
    int index_ = 0;
    std::string* error_;
};

std::string Fmt(const char* format, long long v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

std::string Square(double x, double y, double half) {
    char buf[256];
    std::snprintf(buf, sizeof buf,
                  "POLYGON((%.2f %.2f, %.2f %.2f, %.2f %.2f, %.2f %.2f, %.2f %.2f))", x - half,
                  y - half, x + half, y - half, x + half, y + half, x - half, y + half, x - half,
                  y - half);
    return buf;
}

std::string Point(double x, double y) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "POINT(%.2f %.2f)", x, y);
    return buf;
}

struct Generator {
    Connection& conn;
    const ThemeList& themes;
    std::string* error;

    std::string N(int id, const char* fallback) const { return themes.Name(id, fallback); }
    bool Exec(const std::string& sql) { return conn.Exec(sql, error); }

    bool Municipalities(const std::vector<Comune>& comuni) {
        Insert full(conn,
                    "INSERT OR IGNORE INTO " + N(kThemeMunicipalities, "TERVCOMUNI") +
                        " (COD_NAZIONALE, ISTATP, ISTATC, ID_SEZC, NOME, FLAG_CATA, "
                        "CODI_FISC_LUNA, DENO_PROV, SIGLA_PROV, ISTATR) VALUES "
                        "(?,?,?,?,?,?,?,?,?,?)",
                    error);
        Insert codes(conn,
                     "INSERT OR IGNORE INTO " + N(kThemeMunicipalityCodes, "TERVCOMU") +
                         " (COD_NAZIONALE, ISTATP, ISTATC, SEZIONE_CENSUARIA, NOME) VALUES "
                         "(?,?,?,?,?)",
                     error);
        Insert prov(conn,
                    "INSERT OR IGNORE INTO " + N(kThemeProvinces, "TERVPROVINCE") +
                        " (ISTATP, DENO_PROV, SIGLA_PROV, ISTATR) VALUES (?,?,?,?)",
                    error);
        Insert reg(conn,
                   "INSERT OR IGNORE INTO " + N(kThemeRegions, "TERVREGIONI") +
                       " (ISTATR, DENO_REGI) VALUES (?,?)",
                   error);
        if (!full.ok() || !codes.ok() || !prov.ok() || !reg.ok())
            return false;
        std::vector<Comune> all = comuni;
        // A placeholder province of the central system (foreign countries), never exported.
        all.push_back({"Z110", "999", "110", "Francia", "Estero", "EE", ""});
        for (const Comune& c : all) {
            if (!full.T(c.cod)
                     .T(c.istatp)
                     .T(c.istatc)
                     .T("")
                     .T(c.nome)
                     .T("S")
                     .T(c.cod)
                     .T(c.deno_prov)
                     .T(c.sigla)
                     .T(c.istatr)
                     .Run() ||
                !codes.T(c.cod).T(c.istatp).T(c.istatc).T("").T(c.nome).Run() ||
                !prov.T(c.istatp).T(c.deno_prov).T(c.sigla).T(c.istatr).Run()) {
                return false;
            }
            const int r = std::atoi(c.istatr.c_str());
            if (r >= 1 && r <= 20 && !reg.T(c.istatr).T(kRegions[r]).Run())
                return false;
        }
        return true;
    }

    bool CodeTables() {
        Insert vari(conn,
                    "INSERT INTO " + N(kThemeVarieties, "TERVCODS_VARI") +
                        " (COD_VARI, DESCRIZIONE, DESC_BREVE, CODI_VARI) VALUES (?,?,?,?)",
                    error);
        Insert elva(conn,
                    "INSERT INTO " + N(kThemeEligible, "TERVCODS_ELVA") +
                        " (COD_VARI, FOTO_INTE, CODI_ELVA, DESCRIZIONE) VALUES (?,?,?,?)",
                    error);
        Insert regi(conn,
                    "INSERT INTO " + N(kThemeRegionalCodes, "TERVCODS_REGI") +
                        " (COD_REGI, DESCRIZIONE) VALUES (?,?)",
                    error);
        Insert rule(
            conn,
            "INSERT INTO " + N(kThemeRules, "PALM_NORME") + " (CODI_NORMA, DESCR) VALUES (?,?)",
            error);
        Insert sect(conn,
                    "INSERT INTO " + N(kThemeSectors, "TERVSETTORI") +
                        " (COD_SETTORE, DESCRIZIONE) VALUES (?,?)",
                    error);
        if (!vari.ok() || !elva.ok() || !regi.ok() || !rule.ok() || !sect.ok())
            return false;
        for (int u = 1; u <= 12; ++u) {
            const std::string name = kUses[u - 1];
            if (!vari.I(u).T(name).T(name.substr(0, 10)).T(Fmt("%03lld", u)).Run() ||
                !elva.I(u).I(u % 3).T(Fmt("%03lld", u)).T(name).Run()) {
                return false;
            }
            for (int v = 0; v < 3; ++v) {
                const std::string code = Fmt("%03lld", u) + Fmt("%03lld", v);
                if (!regi.T(code).T(name + " - VARIETA' " + std::to_string(v)).Run())
                    return false;
            }
        }
        for (const auto& r : kRules) {
            if (!rule.T(r[0]).T(r[1]).Run())
                return false;
        }
        return sect.I(1).T("Controlli oggettivi").Run() && sect.I(2).T("Agroambiente").Run();
    }

    bool Variables() {
        Insert var(conn,
                   "INSERT OR REPLACE INTO " + N(kThemeVariables, "TERVVARIABILI") +
                       " (VARIABILE, VALORE) VALUES (?,?)",
                   error);
        if (!var.ok())
            return false;
        const char* vars[][2] = {{"FILTERLOGIN", "SI"},
                                 {"DATOLOGIN", "GET_PWD_UTENTE"},
                                 {"DATATABELLE", "20260101000000"},
                                 {"DATACOLTURE", "20260101000000"},
                                 {"TERVCVERSION", "3.2"},
                                 {"TERVCMINVERSION", "3.0"}};
        for (const auto& v : vars) {
            if (!var.T(v[0]).T(v[1]).Run())
                return false;
        }
        return true;
    }

    bool Users(const std::vector<std::string>& provinces) {
        Insert user(conn,
                    "INSERT INTO " + N(kThemeUsers, "TERVUTENTI") +
                        " (UTENTE, SETTORE, PROV_RIF, ELENCO_DEF, PWD) VALUES (?,?,?,?,?)",
                    error);
        Insert role(conn,
                    "INSERT INTO " + N(kThemeRoles, "GISUSERS") + " (USR, RUOLO) VALUES (?,?)",
                    error);
        if (!user.ok() || !role.ok())
            return false;
        const std::string p0 = provinces[0];
        const std::string p1 = provinces.size() > 1 ? provinces[1] : provinces[0];
        return user.T(kDemoUser).I(1).T(p0).I(0).T(kDemoPassword).Run() &&
               user.T(kDemoUser).I(1).T(p1).I(1).T(kDemoPassword).Run() &&
               user.T("ISPETTORE").I(1).T(p0).I(0).T("palm2026").Run() &&
               user.T("OSPITE").I(1).T(p0).I(0).T("ospite").Run() &&
               user.T(kNoProvinceUser).I(1).T("").I(0).T(kNoProvincePassword).Run() &&
               role.T(kDemoUser).I(2).Run() && role.T("ISPETTORE").I(1).Run() &&
               role.T("OSPITE").I(0).Run() && role.T(kNoProvinceUser).I(1).Run();
    }

    bool Exports() {
        Insert reg(conn,
                   "INSERT INTO " + N(kThemeExports, "PALM_SCARICHI") +
                       " (NUME_SCAR, UTENTE_SCARICO, DESCRIZIONE, DATA_SCARICO) VALUES (?,?,?,?)",
                   error);
        if (!reg.ok())
            return false;
        for (const auto& e : kExports) {
            if (!reg.T(e[0]).T(e[1]).T(e[2]).T(e[3]).Run())
                return false;
        }
        return true;
    }

    bool WorkListsAndInspectors(const std::vector<std::string>& provinces,
                                const std::map<std::string, std::string>& names) {
        Insert list(conn,
                    "INSERT INTO " + N(kThemeWorkLists, "TERVLISTALAV") +
                        " (ID_LAV, PROV_RIF, CAMPAGNA, DATA_IMMI_ELEN, DESCRIZIONE, "
                        "TIPOLAVORAZIONE, COD_SETTORE) VALUES (?,?,?,?,?,?,?)",
                    error);
        Insert tec(conn,
                   "INSERT INTO " + N(kThemeInspectors, "TERVTCIN") +
                       " (COD_TECNICO, DESCRIZIONE, DATA_NASC, PROV_RIF, DATA_FINE_VAL) "
                       "VALUES (?,?,?,?,?)",
                   error);
        if (!list.ok() || !tec.ok())
            return false;
        const char* people[] = {"Mario Rossi", "Anna D'Amico", "Luca Verdi"};
        const char* births[] = {"19750312000000", "", "19820701000000"};
        const char* ends[] = {kForever, kForever, "20231231000000"};
        for (size_t k = 0; k < provinces.size(); ++k) {
            const std::string& p = provinces[k];
            const long long base = 10 * static_cast<long long>(k + 1);
            const std::string name = names.at(p);
            if (!list.I(base + 1)
                     .T(p)
                     .I(2026)
                     .T("20260115000000")
                     .T("Controlli oggettivi " + name + " 2026")
                     .I(0)
                     .I(1)
                     .Run() ||
                !list.I(base + 2)
                     .T(p)
                     .I(2026)
                     .T("20260201000000")
                     .T("Verifiche in campo " + name)
                     .I(1)
                     .I(1)
                     .Run() ||
                !list.I(base + 3)
                     .T(p)
                     .I(2025)
                     .T("20250115000000")
                     .T("Elenco chiuso " + name + " 2025")
                     .I(5)
                     .I(1)
                     .Run()) {
                return false;
            }
            // A list of the other sector, which DEMO's sector never offers.
            if (k > 0 && !list.I(base + 4)
                              .T(p)
                              .I(2026)
                              .T("20260301000000")
                              .T("Agroambiente " + name + " 2026")
                              .I(0)
                              .I(2)
                              .Run()) {
                return false;
            }
            for (int t = 0; t < 3; ++t) {
                if (!tec.T("TEC" + p + Fmt("%02lld", t + 1))
                         .T(people[t])
                         .T(births[t])
                         .T(p)
                         .T(ends[t])
                         .Run()) {
                    return false;
                }
            }
        }
        return true;
    }

    bool Parcels(const std::vector<const Comune*>& munis,
                 const std::map<std::string, size_t>& province_index, long long count) {
        const std::string D = "20100101000000";
        Insert plav(conn,
                    "INSERT INTO " + N(kThemeSurveyParcels, "TERVPLAV") +
                        " (ID_LAV, ISTATP, COD_NAZIONALE, FOGLIO, PARTICELLA, SUB, "
                        "MOTI_RICH, NUME_SCAR_PALM, DATA_LAV, LAST) VALUES "
                        "(?,?,?,?,?,?,?,?,?,?)",
                    error);
        Insert cent(conn,
                    "INSERT INTO " + N(kThemeCentroids, "TERVCENT") +
                        " (COD_NAZIONALE, FOGLIO, PARTICELLA, SUB, DATA_INIZ_VAL, "
                        "DATA_FINE_VAL, SHAPE) VALUES (?,?,?,?,?,?,?)",
                    error);
        Insert part(conn,
                    "INSERT INTO " + N(kThemeParcelShapes, "TERVPART") +
                        " (COD_NAZIONALE, FOGLIO, PARTICELLA, SUB, DATA_INIZ_VAL, "
                        "DATA_FINE_VAL, SHAPE) VALUES (?,?,?,?,?,?,?)",
                    error);
        Insert util(conn,
                    "INSERT INTO " + N(kThemeDeclaredUses, "TERVUTIL") +
                        " (COD_NAZIONALE, FOGLIO, PARTICELLA, SUB, COD_REGI, SUPE_COLT, "
                        "DATA_INIZIO, DATA_FINE) VALUES (?,?,?,?,?,?,?,?)",
                    error);
        Insert sheet(conn,
                     "INSERT INTO TERVFGLC (COD_NAZIONALE, FOGLIO, ALLEGATO, SVILUPPO, "
                     "DATA_CAT, TIPO, FILENAME, FILETYPE, ISTATP, SCALA_ORIG, FLAG_STATO, "
                     "TAVOLA, SHAPE) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?)",
                     error);
        if (!plav.ok() || !cent.ok() || !part.ok() || !util.ok() || !sheet.ok())
            return false;
        const long long m = static_cast<long long>(munis.size());
        const long long per = std::max(1LL, (count + m - 1) / m);
        long long last_sheet = -1;
        for (long long i = 0; i < count; ++i) {
            const long long mi = i / per;
            const long long j = i % per;
            const Comune& c = *munis[static_cast<size_t>(mi)];
            const long long foglio = j / 40 + 1;
            const std::string particella = Fmt("%05lld", j % 40 + 1);
            const std::string sub = i % 13 == 7 ? "A" : " ";
            const long long base = 10 * static_cast<long long>(province_index.at(c.istatp) + 1);
            const long long id_lav = j % 10 == 9 ? base + 2 : base + 1;
            const double sx = 300000.0 + mi * 50000.0 + ((foglio - 1) % 10) * 400.0;
            const double sy = 4600000.0 + ((foglio - 1) / 10) * 400.0;
            const double x = sx + (j % 40 % 8) * 40.0 + 20.0;
            const double y = sy + (j % 40 / 8) * 40.0 + 20.0;
            if (foglio != last_sheet) {
                last_sheet = foglio;
                if (!sheet.T(c.cod)
                         .I(foglio)
                         .T("0")
                         .T("A")
                         .T("20100101000000")
                         .T("V")
                         .T(c.cod + "_" + Fmt("%04lld", foglio))
                         .T("CXF")
                         .T(c.istatp)
                         .I(2000)
                         .T("A")
                         .T("")
                         .T(Square(sx + 160.0, sy + 100.0, 200.0))
                         .Run()) {
                    return false;
                }
            }
            const ExportMark mark = MarkOf(c.istatp, foglio, j % 40);
            if (!plav.I(id_lav)
                     .T(c.istatp)
                     .T(c.cod)
                     .I(foglio)
                     .T(particella)
                     .T(sub)
                     .I(10 + i % 3)
                     .T(mark.export_number)
                     .T(mark.processed)
                     .I(1)
                     .Run()) {
                return false;
            }
            if (i % 20 == 3 && !plav.I(id_lav)
                                    .T(c.istatp)
                                    .T(c.cod)
                                    .I(foglio)
                                    .T(particella)
                                    .T(sub)
                                    .I(10)
                                    .T("")
                                    .T("")
                                    .I(0)
                                    .Run()) {
                return false;
            }
            if (i % 17 != 5) {
                if (!cent.T(c.cod)
                         .I(foglio)
                         .T(particella)
                         .T(sub)
                         .T(D)
                         .T(kForever)
                         .T(Point(x + 0.25, y + 0.75))  // centroids off the metre grid
                         .Run() ||
                    !part.T(c.cod)
                         .I(foglio)
                         .T(particella)
                         .T(sub)
                         .T(D)
                         .T(kForever)
                         .T(Square(x, y, 15.0))
                         .Run()) {
                    return false;
                }
            }
            if (i % 7 == 0 && !cent.T(c.cod)
                                   .I(foglio)
                                   .T(particella)
                                   .T(sub)
                                   .T("20000101000000")
                                   .T("20191231000000")
                                   .T(Point(x - 5.0, y - 5.0))
                                   .Run()) {
                return false;
            }
            const long long uses = i % 5 == 4 ? 0 : 1 + i % 3;
            for (long long u = 0; u < uses; ++u) {
                // Some parcels declare their first use and variety twice.
                const long long k = u == 1 && i % 11 == 0 ? 0 : u;
                const std::string code =
                    Fmt("%03lld", 1 + (i + k * 5) % 12) + Fmt("%03lld", (i + k) % 3);
                const double area =
                    1000.0 + static_cast<double>((i * 37 + u * 11) % 9000) + (u == 1 ? 0.5 : 0.0);
                if (!util.T(c.cod)
                         .I(foglio)
                         .T(particella)
                         .T(sub)
                         .T(code)
                         .F(area)
                         .T(D)
                         .T(kForever)
                         .Run()) {
                    return false;
                }
            }
            if (i % 6 == 0 && !util.T(c.cod)
                                   .I(foglio)
                                   .T(particella)
                                   .T(sub)
                                   .T("012000")
                                   .F(500.0)
                                   .T("20000101000000")
                                   .T("20231231000000")
                                   .Run()) {
                return false;
            }
            if (i % 25 == 0 && !EarlierSurveys(c.cod + Fmt("%04lld", foglio) + particella +
                                                   (sub == " " ? "_" : sub),
                                               i, x, y)) {
                return false;
            }
        }
        return true;
    }

    // The orthophoto index: quadrants of 2000 × 2000 on a grid of the same size covering every
    // sheet of each municipality, one flight per province with its archive folder.
    bool Orthophotos(const std::vector<const Comune*>& munis, long long count) {
        Insert quadrant(conn, "INSERT INTO TERVFOTQ (VOLO, NOME, SHAPE) VALUES (?,?,?)", error);
        Insert flight(conn, "INSERT OR IGNORE INTO TERVFOTF (SUB_PATH, PATH) VALUES (?,?)", error);
        if (!quadrant.ok() || !flight.ok())
            return false;
        constexpr long long kSide = 2000;
        const long long m = static_cast<long long>(munis.size());
        const long long per = std::max(1LL, (count + m - 1) / m);
        for (long long mi = 0; mi < m; ++mi) {
            const long long parcels = std::clamp(count - mi * per, 0LL, per);
            const long long sheets = (parcels + 39) / 40;
            if (sheets == 0)
                continue;
            // The same sheet layout as the parcels: ten sheets of 400 × 400 to a row.
            const long long x0 = 300000 + mi * 50000, y0 = 4600000;
            const long long x1 = x0 - 40, x2 = x0 + (std::min(sheets, 10LL) - 1) * 400 + 360;
            const long long y1 = y0 - 100, y2 = y0 + (sheets - 1) / 10 * 400 + 300;
            const std::string volo = "AGEA2025_" + munis[static_cast<size_t>(mi)]->istatp;
            if (!flight.T(volo)
                     .T("/ortofoto/2025/" + munis[static_cast<size_t>(mi)]->istatp + "/")
                     .Run())
                return false;
            for (long long gy = y1 / kSide; gy * kSide < y2; ++gy)
                for (long long gx = x1 / kSide; gx * kSide < x2; ++gx)
                    if (!quadrant.T(volo)
                             .T("q" + std::to_string(gx) + "_" + std::to_string(gy) + ".ecw")
                             .T(Square(static_cast<double>(gx * kSide + kSide / 2),
                                       static_cast<double>(gy * kSide + kSide / 2), kSide / 2.0))
                             .Run())
                        return false;
        }
        return true;
    }

    // Results of two earlier returns (2024 and 2025) of a parcel.
    bool EarlierSurveys(const std::string& id, long long i, double x, double y) {
        const char* d1 = "20240610100000";
        const char* d2 = "20250611110000";
        Insert pd(conn,
                  "INSERT INTO " + N(kThemeReturnParcels, "PALMR_PART_DICH") +
                      " (ID_PART, COORDX, COORDY, TIPO_LAVO, NUME_SCAR, NUME_FOTO_RICH, "
                      "FLAG_LAVO, COD_AGRONOMO, DATA_LAV) VALUES (?,?,?,?,?,?,?,?,?)",
                  error);
        Insert ur(conn,
                  "INSERT INTO " + N(kThemeReturnUses, "PALMR_UTIL_RILE") +
                      " (ID_PART, CODI_UTIL, STAT_COLT, DATA_LAV, NOTE, COORDX, COORDY) "
                      "VALUES (?,?,?,?,?,?,?)",
                  error);
        Insert fr(conn,
                  "INSERT INTO " + N(kThemeReturnTrees, "PALMR_FAG_RILE") +
                      " (ID_PART, PROG_POLI, DATA_LAV, SEST_REGO, DIST_TRA_FILA, "
                      "DIST_SU_FILA, NUME_NOCC, NUME_NOCE, NUME_MAND, NUME_PIST, NUME_CARR, "
                      "NUME_CAST, NUME_ALTR, FLAG_PROD, FLAG_ERBA) VALUES "
                      "(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
                  error);
        Insert nr(conn,
                  "INSERT INTO " + N(kThemeReturnRules, "PALMR_NORME_RILE") +
                      " (ID_PART, CODI_NORMA, DATA_LAV, VIOLAZIONE) VALUES (?,?,?,?)",
                  error);
        if (!pd.ok() || !ur.ok() || !fr.ok() || !nr.ok())
            return false;
        const bool trees = i % 50 == 0;
        return pd.T(id).F(x).F(y).T("A").I(900).I(1).T("S").T("TEC00101").T(d1).Run() &&
               pd.T(id).F(x).F(y).T("A").I(901).I(1).T("S").T("TEC00101").T(d2).Run() &&
               ur.T(id).T("001").T("01").T(d1).T("prima visita").F(x).F(y).Run() &&
               ur.T(id).T("001").T("01").T(d2).T("seconda visita").F(x + 1).F(y + 1).Run() &&
               ur.T(id).T("002").T("02").T(d2).T("").F(x + 2).F(y + 2).Run() &&
               (!trees ||
                (fr.T(id)
                     .I(1)
                     .T(d1)
                     .T("S")
                     .I(5)
                     .I(4)
                     .I(10)
                     .I(0)
                     .I(0)
                     .I(0)
                     .I(0)
                     .I(0)
                     .I(0)
                     .T("S")
                     .T("N")
                     .Run() &&
                 fr.T(id)
                     .I(1)
                     .T(d2)
                     .T("S")
                     .I(5)
                     .I(4)
                     .I(12)
                     .I(1)
                     .I(0)
                     .I(0)
                     .I(0)
                     .I(0)
                     .I(0)
                     .T("S")
                     .T("S")
                     .Run() &&
                 nr.T(id).T("001").T(d1).I(1).Run() && nr.T(id).T("001").T(d2).I(0).Run()));
    }
};

bool HasRows(Connection& conn, const std::string& table) {
    sqlite3_stmt* stmt = nullptr;
    const std::string sql = "SELECT 1 FROM \"" + table + "\" LIMIT 1";
    if (sqlite3_prepare_v2(conn.db(), sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
        return false;
    const bool any = sqlite3_step(stmt) == SQLITE_ROW;
    sqlite3_finalize(stmt);
    return any;
}

}  // namespace

bool GenerateDemoData(Connection& conn, const ThemeList& themes, const std::string& resources,
                      long long parcels, std::string* error) {
    if (HasRows(conn, themes.Name(kThemeUsers, "TERVUTENTI")))
        return true;
    const std::vector<Comune> comuni = LoadComuni(resources);
    // Provinces with parcels: Roma, Milano, Napoli when present, else the first of the list.
    std::vector<std::string> provinces;
    std::map<std::string, std::string> names;
    for (const Comune& c : comuni)
        names[c.istatp] = c.deno_prov;
    for (const char* p : {"058", "015", "063"}) {
        if (names.count(p))
            provinces.push_back(p);
    }
    if (provinces.empty())
        provinces.push_back(comuni.front().istatp);
    std::map<std::string, size_t> province_index;
    for (size_t k = 0; k < provinces.size(); ++k)
        province_index[provinces[k]] = k;
    // Municipalities with parcels: about one per 400 parcels, taken in turn from each province.
    const long long wanted = std::clamp((parcels + 399) / 400, 1LL, 60LL);
    std::vector<std::vector<const Comune*>> by_province(provinces.size());
    for (const Comune& c : comuni) {
        auto it = province_index.find(c.istatp);
        if (it != province_index.end())
            by_province[it->second].push_back(&c);
    }
    std::vector<const Comune*> munis;
    for (size_t round = 0; static_cast<long long>(munis.size()) < wanted; ++round) {
        bool added = false;
        for (auto& list : by_province) {
            if (round < list.size() && static_cast<long long>(munis.size()) < wanted) {
                munis.push_back(list[round]);
                added = true;
            }
        }
        if (!added)
            break;
    }
    Generator g{conn, themes, error};
    if (!g.Exec("BEGIN IMMEDIATE"))
        return false;
    const bool ok = g.Municipalities(comuni) && g.CodeTables() && g.Variables() &&
                    g.Users(provinces) && g.Exports() &&
                    g.WorkListsAndInspectors(provinces, names) &&
                    g.Parcels(munis, province_index, parcels) && g.Orthophotos(munis, parcels);
    if (!ok) {
        conn.Exec("ROLLBACK");
        *error = "demo data: " + *error;
        return false;
    }
    return g.Exec("COMMIT");
}

}  // namespace terv::central
