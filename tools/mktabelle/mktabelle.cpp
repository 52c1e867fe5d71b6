// mktabelle RESOURCES OUT: builds the reference database OUT (tabelle.mdb) from the files of the
// folder RESOURCES:
//   comuni.csv        COD_NAZIONALE;ISTATP;ISTATC;NOME;DENO_PROV;SIGLA_PROV;ISTATR
//   themes.csv        ID;NOMETABELLA;TIPO
//   theme_fields.csv  IDREF;ID;NOMECAMPO;TIPODATI;FORMATO;VISIBILE
// Each file has a header line; lines starting with "#" and blank lines are ignored. The result
// holds COMUNI (primary index "PrimaryKey" on COD_NAZIONALE), PROVINCIE, the stored query
// TABCOM and the theme catalogue tables TEMATISMI and CAMPIGENERALI. The file is written under a
// temporary name and moved into place, so a failed run leaves no half-built database.
// Exit code 0 on success, 1 on any error (reported on stderr).
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "data/db/Database.h"
#include "platform/VbText.h"

namespace terv {
namespace {

using Row = std::vector<std::string>;

// The data lines of a ";"-separated file, each with exactly `fields` fields.
std::vector<Row> ReadTable(const std::string& path, size_t fields) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::vector<Row> rows;
    std::string line;
    bool header = true;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (Trim(line).empty() || line[0] == '#')
            continue;
        if (header) {
            header = false;
            continue;
        }
        Row row = Split(line, ";");
        if (row.size() != fields)
            throw std::runtime_error(path + ":" + std::to_string(number) + ": expected " +
                                     std::to_string(fields) + " fields");
        rows.push_back(row);
    }
    return rows;
}

Variant Number(const std::string& text) {
    return Trim(text).empty() ? Variant() : Variant(static_cast<int64_t>(CLng(text)));
}

// Appends the rows through a table recordset, so that no value needs quoting.
void Fill(Database& db, const std::string& table, const std::vector<std::string>& names,
          const std::vector<std::vector<Variant>>& rows) {
    Recordset rs = db.OpenRecordset(table, dbOpenTable);
    for (const auto& row : rows) {
        rs.AddNew();
        for (size_t i = 0; i < names.size(); ++i)
            rs.SetField(names[i], row[i]);
        rs.Update();
    }
}

void BuildComuni(Database& db, const std::string& resources) {
    db.Execute(
        "CREATE TABLE COMUNI (COD_NAZIONALE TEXT(4) CONSTRAINT PrimaryKey PRIMARY KEY, "
        "ISTATP LONG, ISTATC LONG, ID_SEZC TEXT(2), NOME TEXT(50), FLAG_CATA TEXT(1), "
        "CODI_FISC_LUNA TEXT(16))",
        dbFailOnError);
    db.Execute(
        "CREATE TABLE PROVINCIE (ISTATP LONG CONSTRAINT PrimaryKey PRIMARY KEY, "
        "DENO_PROV TEXT(50), SIGLA_PROV TEXT(2), ISTATR LONG)",
        dbFailOnError);
    std::vector<std::vector<Variant>> comuni;
    std::map<int64_t, std::vector<Variant>> provincie;
    for (const Row& r : ReadTable(resources + "/comuni.csv", 7)) {
        comuni.push_back({r[0], Number(r[1]), Number(r[2]), Variant(), r[3], Variant(), Variant()});
        provincie[CLng(r[1])] = {Number(r[1]), r[4], r[5], Number(r[6])};
    }
    Fill(db, "COMUNI",
         {"COD_NAZIONALE", "ISTATP", "ISTATC", "ID_SEZC", "NOME", "FLAG_CATA", "CODI_FISC_LUNA"},
         comuni);
    std::vector<std::vector<Variant>> rows;
    for (const auto& [code, row] : provincie)
        rows.push_back(row);
    Fill(db, "PROVINCIE", {"ISTATP", "DENO_PROV", "SIGLA_PROV", "ISTATR"}, rows);
    db.CreateQueryDef("TABCOM",
                      "SELECT COMUNI.COD_NAZIONALE, COMUNI.ISTATP, COMUNI.ISTATC, COMUNI.NOME, "
                      "PROVINCIE.SIGLA_PROV, PROVINCIE.DENO_PROV FROM COMUNI INNER JOIN "
                      "PROVINCIE ON COMUNI.ISTATP = PROVINCIE.ISTATP");
}

void BuildThemes(Database& db, const std::string& resources) {
    db.Execute(
        "CREATE TABLE TEMATISMI (ID LONG CONSTRAINT PrimaryKey PRIMARY KEY, NOMETABELLA "
        "TEXT(50), TIPO LONG)",
        dbFailOnError);
    db.Execute(
        "CREATE TABLE CAMPIGENERALI (ID LONG, IDREF LONG, NOMECAMPO TEXT(50), TIPODATI "
        "LONG, FORMATO TEXT(50), VISIBILE BYTE, CONSTRAINT PrimaryKey PRIMARY KEY (IDREF, "
        "ID))",
        dbFailOnError);
    std::vector<std::vector<Variant>> themes, fields;
    for (const Row& r : ReadTable(resources + "/themes.csv", 3))
        themes.push_back({Number(r[0]), r[1], Number(r[2])});
    for (const Row& r : ReadTable(resources + "/theme_fields.csv", 6))
        fields.push_back({Number(r[1]), Number(r[0]), r[2], Number(r[3]), r[4], Number(r[5])});
    Fill(db, "TEMATISMI", {"ID", "NOMETABELLA", "TIPO"}, themes);
    Fill(db, "CAMPIGENERALI", {"ID", "IDREF", "NOMECAMPO", "TIPODATI", "FORMATO", "VISIBILE"},
         fields);
}

int Run(const std::string& resources, const std::string& out) {
    namespace fs = std::filesystem;
    const std::string scratch = out + ".new";
    fs::remove(scratch);
    {
        Database db = CreateDatabase(scratch, dbLangGeneral);
        db.BeginTrans();
        BuildComuni(db, resources);
        BuildThemes(db, resources);
        db.CommitTrans();
    }
    fs::rename(scratch, out);
    return 0;
}

}  // namespace
}  // namespace terv

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: mktabelle RESOURCES-FOLDER OUTPUT.mdb\n";
        return 1;
    }
    try {
        return terv::Run(argv[1], argv[2]);
    } catch (const std::exception& e) {
        std::cerr << "mktabelle: " << e.what() << "\n";
        return 1;
    }
}
