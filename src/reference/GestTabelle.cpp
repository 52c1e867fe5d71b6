#include "GestTabelle.h"

#include <map>
#include <optional>

#include "data/TextUtil.h"
#include "platform/VbText.h"

namespace terv {

namespace {

// One municipality row as the receipt and name lookups need it.
struct ComuneRow {
    Variant istatp;
    Variant istatc;
    std::string sezione;
    std::string nome;
};

struct State {
    Database db;
    Recordset comuni;  // table recordset on COMUNI, index PrimaryKey
    std::string folder;
    std::map<std::string, std::string> nomeComune;
    std::map<std::string, std::string> siglaProvincia;
    std::map<std::string, std::string> nomeProvincia;
    std::map<std::string, std::optional<ComuneRow>> comuneRow;
};

State& S() {
    static State s;
    return s;
}

std::string WithoutSlash(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

std::string Quoted(const std::string& text) {
    return "'" + Replace(text, "'", "''") + "'";
}

// The COMUNI row of a national code, through a seek on the primary index; cached.
const std::optional<ComuneRow>& FindComune(const std::string& code) {
    State& s = S();
    auto it = s.comuneRow.find(code);
    if (it != s.comuneRow.end())
        return it->second;
    DbTabelle();  // DbError when closed
    std::optional<ComuneRow> row;
    s.comuni.Seek("=", {Variant(code)});
    if (!s.comuni.NoMatch())
        row = ComuneRow{s.comuni.Field("ISTATP"), s.comuni.Field("ISTATC"),
                        s.comuni.Field("ID_SEZC").AsText(), s.comuni.Field("NOME").AsText()};
    return s.comuneRow.emplace(code, row).first->second;
}

// First column of the first row of `sql`, cached under `key` in `cache`.
std::string CachedText(std::map<std::string, std::string>& cache, const std::string& key,
                       const std::string& sql) {
    auto it = cache.find(key);
    if (it != cache.end())
        return it->second;
    Recordset rs = DbTabelle().OpenRecordset(sql, dbOpenForwardOnly);
    std::string value = rs.Eof() ? "" : rs.Field(0).AsText();
    return cache.emplace(key, value).first->second;
}

}  // namespace

void OpenTabelle(const std::string& folder) {
    State& s = S();
    if (!s.folder.empty() && EqualsNoCase(WithoutSlash(folder), WithoutSlash(s.folder)))
        return;
    CloseTabelle();
    std::string path = WithoutSlash(folder) + "/" + kTabelleFile;
    Database db = OpenDatabase(path, false, true);
    Recordset rs = db.OpenRecordset("COMUNI", dbOpenTable);
    rs.SetIndex("PrimaryKey");
    s.db = std::move(db);
    s.comuni = std::move(rs);
    s.folder = folder;
}

void CloseTabelle() {
    State& s = S();
    if (s.folder.empty())
        return;
    s.comuni.Close();
    s.db.Close();
    s.folder.clear();
}

Database& DbTabelle() {
    State& s = S();
    if (s.folder.empty() || !s.db.IsOpen())
        throw DbError("the reference database is not open", kTabelleFile, "");
    return s.db;
}

std::string TabelleFolder() {
    return S().folder;
}

void ResetGestTabelle() {
    CloseTabelle();
    State& s = S();
    s.nomeComune.clear();
    s.siglaProvincia.clear();
    s.nomeProvincia.clear();
    s.comuneRow.clear();
}

std::string NomeComune(const std::string& code) {
    State& s = S();
    auto it = s.nomeComune.find(code);
    if (it != s.nomeComune.end())
        return it->second;
    const std::optional<ComuneRow>& row = FindComune(code);
    std::string name;
    if (row)
        name = row->sezione.empty() ? row->nome : row->nome + " Sez. " + row->sezione;
    return s.nomeComune.emplace(code, name).first->second;
}

std::string SiglaProvincia(const std::string& code) {
    std::string sql;
    if (Len(code) == 4) {
        sql = "SELECT SIGLA_PROV FROM TABCOM WHERE COD_NAZIONALE=" + Quoted(code);
    } else {
        sql = "SELECT SIGLA_PROV FROM TABCOM WHERE ISTATP=" + (code.empty() ? "0" : code);
    }
    return CachedText(S().siglaProvincia, code, sql);
}

std::string NomeProvincia(const std::string& istatp) {
    // A code that is not a number names no province; it would not even make a statement.
    if (istatp.empty() || istatp.find_first_not_of("0123456789") != std::string::npos)
        return "";
    return CachedText(S().nomeProvincia, istatp,
                      "SELECT DENO_PROV FROM TABCOM WHERE ISTATP=" + istatp);
}

std::string DescrizioneComune(const std::string& code) {
    const std::optional<ComuneRow>& row = FindComune(code);
    if (!row)
        return code + " - Comune non torvato in tab.";
    std::string text = FormatZeros(LongOrZero(row->istatp), 3) +
                       FormatZeros(LongOrZero(row->istatc), 3) + " - " + row->nome;
    return row->sezione.empty() ? text : text + " Sez. " + row->sezione;
}

std::string IstatProvincia(const std::string& code) {
    const std::optional<ComuneRow>& row = FindComune(code);
    return row ? FormatZeros(LongOrZero(row->istatp), 3) : "";
}

std::string IstatComune(const std::string& code) {
    const std::optional<ComuneRow>& row = FindComune(code);
    return row ? FormatZeros(LongOrZero(row->istatc), 3) : "";
}

}  // namespace terv
