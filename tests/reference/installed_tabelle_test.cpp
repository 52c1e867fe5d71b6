// The tabelle.mdb the build makes from resources/: its tables, its query and its theme catalogue.
#include <gtest/gtest.h>

#include <fstream>

#include "data/db/TabelleFieldTerv.h"
#include "data/db/mdbUtil.h"
#include "platform/VbText.h"

namespace terv {
namespace {

// The data lines of a ";" file of resources/ (header, blank and "#" lines left out).
std::vector<std::vector<std::string>> Resource(const std::string& name) {
    std::ifstream in(std::string(TERV_RESOURCES) + "/" + name);
    std::vector<std::vector<std::string>> rows;
    std::string line;
    bool header = true;
    while (std::getline(in, line)) {
        if (Trim(line).empty() || line[0] == '#')
            continue;
        if (!header)
            rows.push_back(Split(line, ";"));
        header = false;
    }
    return rows;
}

TEST(InstalledTabelleTest, HoldsEveryMunicipalityAndProvince) {
    Database db = OpenDatabase(TERV_TABELLE_MDB, false, true);
    EXPECT_EQ(db.Locale(), dbLangGeneral);
    auto comuni = Resource("comuni.csv");
    ASSERT_GT(comuni.size(), 7000u);
    EXPECT_EQ(DbGetLong(db, "SELECT COUNT(*) FROM COMUNI"), static_cast<long>(comuni.size()));
    EXPECT_EQ(DbGetLong(db, "SELECT COUNT(*) FROM PROVINCIE"), 107);
    EXPECT_EQ(DbGetLong(db, "SELECT COUNT(*) FROM TABCOM"), static_cast<long>(comuni.size()));
    TableDef def = db.GetTableDef("COMUNI");
    ASSERT_FALSE(def.indexes.empty());
    EXPECT_EQ(def.indexes[0].name, "PrimaryKey");
    EXPECT_EQ(def.indexes[0].fields, std::vector<std::string>{"COD_NAZIONALE"});
    std::string names;
    for (const auto& f : def.fields)
        names += f.name + " ";
    EXPECT_EQ(names, "COD_NAZIONALE ISTATP ISTATC ID_SEZC NOME FLAG_CATA CODI_FISC_LUNA ");
    EXPECT_EQ(DbGetText(db, "SELECT NOME FROM COMUNI WHERE COD_NAZIONALE='A029'"),
              "Aci Sant'Antonio");
    EXPECT_EQ(DbGetText(db, "SELECT NOME FROM COMUNI WHERE COD_NAZIONALE='L219'"), "Torino");
}

TEST(InstalledTabelleTest, ThemeCatalogueMatchesTheSharedList) {
    Database db = OpenDatabase(TERV_TABELLE_MDB, false, true);
    ResetTabelleFieldTerv();
    LoadTabelleFieldTerv(db);
    auto themes = Resource("themes.csv");
    EXPECT_EQ(UpperTema(), static_cast<long>(themes.size()));
    for (const auto& t : themes) {
        EXPECT_EQ(NomeTabella(CLng(t[0])), t[1]);
        EXPECT_EQ(TipoTema(CLng(t[0])), CLng(t[2]));
    }
    EXPECT_EQ(NomeTabella(6), "TERVCOMUNI");
    EXPECT_EQ(NomeTabella(32), "TERVUTENTI");
    EXPECT_EQ(CampiTema(6), "COD_NAZIONALE,ISTATP,ISTATC,NOME,ID_SEZC");
    EXPECT_EQ(NumCampi(6), 7);
    EXPECT_EQ(CampoTema(32, 0).NomeCampo, "UTENTE");
    EXPECT_TRUE(SkippedThemeIds().empty());
    ResetTabelleFieldTerv();
}

}  // namespace
}  // namespace terv
