// Loading the theme catalogue from TEMATISMI and CAMPIGENERALI.
#include "data/db/TabelleFieldTerv.h"

#include <gtest/gtest.h>

#include "DbTestUtil.h"

namespace terv {
namespace {

class TabelleFieldTervTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetTabelleFieldTerv();
        db_ = test::MakeDb(dir_, "tabelle.mdb",
                           {"CREATE TABLE TEMATISMI(ID LONG, NOMETABELLA TEXT(50), TIPO LONG)",
                            "CREATE TABLE CAMPIGENERALI(ID LONG, IDREF LONG, NOMECAMPO TEXT(50), "
                            "TIPODATI LONG, FORMATO TEXT(50), VISIBILE BYTE)"});
    }
    void TearDown() override { ResetTabelleFieldTerv(); }
    void Theme(int id, const char* name, int tipo) {
        db_.Execute("INSERT INTO TEMATISMI VALUES(" + std::to_string(id) + ",'" + name + "'," +
                    std::to_string(tipo) + ")");
    }
    void Field(int id, int ref, const std::string& name, int tipo, int visibile) {
        db_.Execute("INSERT INTO CAMPIGENERALI VALUES(" + std::to_string(id) + "," +
                    std::to_string(ref) + ",'" + name + "'," + std::to_string(tipo) + ",'fmt'," +
                    std::to_string(visibile) + ")");
    }

    TempFolder dir_;
    Database db_;
};

TEST_F(TabelleFieldTervTest, LoadsNamesTypesAndFieldsOrderedByVisibility) {
    Theme(0, "DUAL", 0);
    Theme(1, "TERVCOMUNI", 2);
    Theme(2, "TERVUTENTI", 2);
    Field(1, 1, "FLAG_CATA", 10, 2);
    Field(2, 1, "NOME", 10, 0);
    Field(3, 1, "ISTATP", 3, 1);
    Field(4, 1, "COD_NAZIONALE", 10, 0);
    LoadTabelleFieldTerv(db_);
    EXPECT_EQ(UpperTema(), 3);
    EXPECT_EQ(NomeTabella(1), "TERVCOMUNI");
    EXPECT_EQ(TipoTema(1), 2);
    EXPECT_EQ(NumCampi(1), 4);
    EXPECT_EQ(CampiTema(1), "NOME,COD_NAZIONALE,ISTATP");
    EXPECT_EQ(NumCampi(2), 0);
    EXPECT_EQ(CampiTema(2), "");
    const CampoTemaRecord r = CampoTema(1, 2);
    EXPECT_EQ(std::tie(r.IdTema, r.NomeCampo, r.TipoDati, r.Formato, r.Visibile, r.NonIntero),
              std::make_tuple(1, "ISTATP", 3, "fmt", 1, 0));
    EXPECT_EQ(CampoTema(1, 3).NonIntero, 1);
    EXPECT_EQ(CampoTema(1, 15).NomeCampo, "");
    EXPECT_EQ(NomeTabella(3), "");
    EXPECT_EQ(NomeTabella(-1), "");
    EXPECT_EQ(NomeTabella(99), "");
}

TEST_F(TabelleFieldTervTest, MoreThanSixteenFieldsGrowTheList) {
    Theme(0, "BIG", 2);
    for (int i = 0; i < 40; ++i)
        Field(i, 0, "F" + std::to_string(i), 2, i < 20 ? 0 : 3);
    LoadTabelleFieldTerv(db_);
    EXPECT_EQ(NumCampi(0), 40);
    EXPECT_EQ(CampoTema(0, 39).NomeCampo, "F39");
    EXPECT_EQ(CampiTema(0).substr(0, 9), "F0,F1,F2,");
}

TEST_F(TabelleFieldTervTest, RowOutsideTheIdRangeIsSkippedAndMissingTablesThrow) {
    Theme(0, "DUAL", 0);
    Theme(7, "FAR", 2);
    Theme(-1, "NEG", 2);
    LoadTabelleFieldTerv(db_);
    EXPECT_EQ(UpperTema(), 3);
    EXPECT_EQ(NomeTabella(0), "DUAL");
    EXPECT_EQ(SkippedThemeIds(), (std::vector<long>{-1, 7}));
    ResetTabelleFieldTerv();
    EXPECT_EQ(NomeTabella(0), "");
    EXPECT_EQ(UpperTema(), -1);
    // A missing table reaches the caller.
    db_.Execute("DROP TABLE CAMPIGENERALI");
    EXPECT_THROW(LoadTabelleFieldTerv(db_), DbError);
}

}  // namespace
}  // namespace terv
