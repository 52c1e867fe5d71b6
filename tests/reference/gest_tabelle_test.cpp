// Opening tabelle.mdb and the municipality and province lookups with their caches.
#include "reference/GestTabelle.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "data/db/mdbUtil.h"
#include "platform/VbText.h"

namespace terv {
namespace {

using test::TempFolder;

class GestTabelleTest : public ::testing::Test {
  protected:
    void SetUp() override { ResetGestTabelle(); }
    void TearDown() override { ResetGestTabelle(); }

    // The installed database, copied into a fresh folder.
    std::string Installed() {
        std::filesystem::copy_file(TERV_TABELLE_MDB, dir_ / "tabelle.mdb");
        return dir_.path();
    }
    // A small database with a municipality in section A and one in province 0.
    std::string Small() {
        Database db = CreateDatabase(small_ / "tabelle.mdb", dbLangGeneral);
        for (const char* sql :
             {"CREATE TABLE COMUNI (COD_NAZIONALE TEXT(4) CONSTRAINT PrimaryKey PRIMARY KEY, "
              "ISTATP LONG, ISTATC LONG, ID_SEZC TEXT(2), NOME TEXT(50))",
              "CREATE TABLE PROVINCIE (ISTATP LONG, DENO_PROV TEXT(50), SIGLA_PROV TEXT(2))",
              "INSERT INTO COMUNI VALUES('B001', 1, 2, 'A', 'Borgo')",
              "INSERT INTO COMUNI VALUES('B002', 0, 7, '', 'Zero')",
              "INSERT INTO PROVINCIE VALUES(1, 'Prima', 'PR')",
              "INSERT INTO PROVINCIE VALUES(0, 'Nessuna', 'NN')"})
            db.Execute(sql, dbFailOnError);
        db.CreateQueryDef("TABCOM",
                          "SELECT C.COD_NAZIONALE, C.ISTATP, C.ISTATC, C.NOME, P.SIGLA_PROV, "
                          "P.DENO_PROV FROM COMUNI AS C INNER JOIN PROVINCIE AS P ON C.ISTATP = "
                          "P.ISTATP");
        return small_.path();
    }

    TempFolder dir_;
    TempFolder small_;
};

TEST_F(GestTabelleTest, LookupsOnTheInstalledDatabase) {
    OpenTabelle(Installed() + "/");
    // code, name, province, description, province and municipality ISTAT codes
    const char* const cases[][6] = {
        {"F205", "Milano", "MI", "015146 - Milano", "015", "146"},
        {"f205", "Milano", "MI", "015146 - Milano", "015", "146"},
        {"A029", "Aci Sant'Antonio", "CT", "087005 - Aci Sant'Antonio", "087", "005"},
        {"Z999", "", "", "Z999 - Comune non torvato in tab.", "", ""},
        {"A'01", "", "", "A'01 - Comune non torvato in tab.", "", ""}};
    for (const auto& c : cases) {
        EXPECT_EQ(NomeComune(c[0]), c[1]) << c[0];
        EXPECT_EQ(SiglaProvincia(c[0]), c[2]) << c[0];
        EXPECT_EQ(DescrizioneComune(c[0]), c[3]) << c[0];
        EXPECT_EQ(IstatProvincia(c[0]), c[4]) << c[0];
        EXPECT_EQ(IstatComune(c[0]), c[5]) << c[0];
    }
    for (auto [istatp, sigla, nome] : {std::tuple{"15", "MI", "Milano"},
                                       {"015", "MI", "Milano"},
                                       {"87", "CT", "Catania"},
                                       {"999", "", ""}}) {
        EXPECT_EQ(SiglaProvincia(istatp), sigla) << istatp;
        EXPECT_EQ(NomeProvincia(istatp), nome) << istatp;
    }
    EXPECT_EQ(SiglaProvincia(""), "");  // no province 0 here
    for (const char* bad : {"", "I99", "1 OR 1=1"})
        EXPECT_EQ(NomeProvincia(bad), "") << bad;
}

TEST_F(GestTabelleTest, SecondAskDoesNotTouchTheDatabase) {
    OpenTabelle(Installed());
    auto askAll = [] {
        for (const char* code : {"F205", "Z999"}) {
            NomeComune(code), SiglaProvincia(code), DescrizioneComune(code);
            IstatProvincia(code), IstatComune(code);
        }
        NomeProvincia("15"), NomeProvincia("999"), SiglaProvincia("15");
    };
    askAll();
    const long long before = DbTabelle().StatementCount();
    askAll();
    EXPECT_EQ(DbTabelle().StatementCount(), before);
    // With the database closed, cached answers (missing keys too) still come back.
    CloseTabelle();
    EXPECT_EQ(NomeComune("F205"), "Milano");
    EXPECT_EQ(SiglaProvincia("Z999"), "");
    EXPECT_EQ(NomeProvincia("999"), "");
    EXPECT_THROW(NomeComune("L219"), DbError);
}

TEST_F(GestTabelleTest, SameFolderIgnoringCaseIsNotReopenedAnotherIs) {
    std::string folder = Installed();
    OpenTabelle(folder);
    Database* first = &DbTabelle();
    NomeComune("F205");
    long long count = DbTabelle().StatementCount();
    OpenTabelle(UCase(folder) + "/");
    EXPECT_EQ(&DbTabelle(), first);
    EXPECT_EQ(DbTabelle().StatementCount(), count);
    EXPECT_EQ(TabelleFolder(), folder);
    OpenTabelle(Small());
    EXPECT_EQ(TabelleFolder(), small_.path());
    EXPECT_EQ(DbGetLong(DbTabelle(), "SELECT COUNT(*) FROM COMUNI"), 2);
    // A section joins the name; an empty code asks for province 0.
    EXPECT_EQ(NomeComune("B001"), "Borgo Sez. A");
    EXPECT_EQ(DescrizioneComune("B001"), "001002 - Borgo Sez. A");
    EXPECT_EQ(NomeComune("B002"), "Zero");
    EXPECT_EQ(SiglaProvincia(""), "NN");
    EXPECT_TRUE(DbTabelle().ReadOnly());
    CloseTabelle();
    EXPECT_EQ(TabelleFolder(), "");
    EXPECT_THROW(DbTabelle(), DbError);
    CloseTabelle();
}

TEST_F(GestTabelleTest, MissingOrBrokenDatabaseIsAClearError) {
    EXPECT_THAT([&] { OpenTabelle(dir_.path()); }, ::testing::Throws<DbError>(::testing::Property(
                                                       &DbError::file, dir_ / "tabelle.mdb")));
    test::WriteFileBytes(dir_ / "tabelle.mdb", "Standard Jet DB\n" + std::string(3000, '\0'));
    EXPECT_THROW(OpenTabelle(dir_.path()), DbError);
    { Database empty = CreateDatabase(small_ / "tabelle.mdb", dbLangGeneral); }
    EXPECT_THROW(OpenTabelle(small_.path()), DbError);  // no COMUNI
    EXPECT_EQ(TabelleFolder(), "");
    EXPECT_THROW(NomeComune("F205"), DbError);
}

}  // namespace
}  // namespace terv
