// The handheld simulator on device folders written by the handheld writer: the same seed gives
// the same files, photo data files descramble to their four lines, the odd files a handheld
// leaves behind are there, notes carry separators, quotes and accents, and bad device folders
// end with a clear message and a nonzero status.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "TestSupport.h"
#include "data/HandheldKey.h"
#include "data/TextUtil.h"
#include "export/HandheldSchema.h"
#include "export/sql_lite.h"
#include "platform/VbText.h"
#include "return/FotoCampo.h"

namespace terv::test {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kComuni = {"A001", "B002"};
constexpr const char* kInspector = "AGR00000001";

void Write(const std::string& file, const std::vector<std::string>& statements,
           void (*create)(int32_t, Database*)) {
    fs::create_directories(fs::path(file).parent_path());
    const int32_t h = sqll_createdb(file);
    ASSERT_NE(h, 0) << sqll_errmsg();
    create(h, nullptr);
    for (const std::string& s : statements)
        ASSERT_EQ(sqll_execute(h, s), 0) << s << ": " << sqll_errmsg();
    ASSERT_EQ(sqll_closeDb(h), 0) << sqll_errmsg();
}

// A device folder as the transfer leaves it: two municipalities of 10 parcels each, half of
// them without subaltern.
std::string Orvex(const std::string& root) {
    return root + "/Scheda di memoria/orvex";
}

void BuildDevice(const std::string& root) {
    std::vector<std::string> main = {"INSERT INTO AGRONOMI VALUES('" + std::string(kInspector) +
                                     "','Mario Rossi','011970')"};
    for (const std::string& c : kComuni)
        main.push_back("INSERT INTO COMUNI VALUES('" + c + "','Comune " + c + "','RM')");
    Write(Orvex(root) + "/terv34bis_ppc.db", main, CreateMainTables);
    for (const std::string& c : kComuni) {
        std::vector<std::string> rows = {
            "INSERT INTO CODI_RILE_UTIL VALUES('001','Seminativo','SEM')",
            "INSERT INTO CODI_RILE_UTIL VALUES('002','Vigneto','VIG')",
            "INSERT INTO CODI_RILE_UTIL VALUES('003','Oliveto','OLI')",
            "INSERT INTO NORME VALUES('N01','Norma uno')",
            "INSERT INTO NORME VALUES('N02','Norma due')"};
        for (int i = 1; i <= 10; ++i) {
            const std::string part = std::string(i < 10 ? "0000" : "000") + std::to_string(i);
            const bool sub = i % 2 == 0;
            const std::string id = c + "0007" + part + (sub ? "2" : "_");
            rows.push_back("INSERT INTO PART_DICH VALUES('" + id + "','" + c +
                           "','058','001','A',7,'" + part + "'," + (sub ? "'2'" : "NULL") + "," +
                           std::to_string(1000 + i * 50) + "," + std::to_string(4000 + i * 50) +
                           ",'A',12,1,'N',NULL)");
        }
        Write(Orvex(root) + "/" + c + "/db_comu.db", rows, CreateComuneTables);
    }
}

std::string RunPalmsim(const std::string& arguments, int* status) {
    return RunCommand(std::string(PALMSIM_EXE) + " " + arguments + " 2>&1", status);
}

// Every file below `root` by relative path, with its bytes.
std::map<std::string, std::string> Files(const std::string& root) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file())
            out[fs::relative(e.path(), root).string()] = ReadFileBytes(e.path().string());
    return out;
}

class PalmsimTest : public ::testing::Test {
  protected:
    void SetUp() override { BuildDevice(root.path()); }
    nlohmann::json Run(const std::string& extra = "") {
        int status = -1;
        const std::string out = RunPalmsim("--root " + root.path() + " --seed 7 " + extra, &status);
        EXPECT_EQ(status, 0) << out;
        return nlohmann::json::parse(out, nullptr, false);
    }
    std::string Query(const std::string& comune, const std::string& sql) {
        return Sqlite3Shell(Orvex(root.path()) + "/" + comune + "/db_comu.db", sql);
    }
    TempFolder root;
};

TEST_F(PalmsimTest, SameSeedWritesIdenticalFiles) {
    Run();
    TempFolder again, other;
    BuildDevice(again.path());
    BuildDevice(other.path());
    int status = -1;
    RunPalmsim("--root " + again.path() + " --seed 7", &status);
    ASSERT_EQ(status, 0);
    RunPalmsim("--root " + other.path() + " --seed 8", &status);
    ASSERT_EQ(status, 0);
    const auto first = Files(root.path());
    EXPECT_GT(first.size(), 10u);
    EXPECT_TRUE(first == Files(again.path()));
    EXPECT_FALSE(first == Files(other.path()));
}

TEST_F(PalmsimTest, PhotosDescrambleAndHoldTheOddFilesOfAHandheld) {
    const nlohmann::json summary = Run();
    std::map<std::string, int> kinds;
    for (const auto& comune : summary["comuni"]) {
        const std::string folder =
            Orvex(root.path()) + "/" + comune["code"].get<std::string>() + "/photo/";
        for (const auto& p : comune["photos"]) {
            const std::string file = p["file"];
            ++kinds[p["kind"]];
            const std::string dat = ReadFileBytes(folder + file);
            const std::string jpg = folder + file.substr(0, file.size() - 4) + ".jpg";
            EXPECT_EQ(FileExists(jpg), p["picture"].get<bool>()) << file;
            if (p["picture"]) {
                const QByteArray bytes = QByteArray::fromStdString(ReadFileBytes(jpg));
                EXPECT_FALSE(QImage::fromData(bytes, "JPG").isNull()) << jpg;
            }
            DatiFoto name;  // as the return reads it
            ASSERT_TRUE(LeggiNomeFoto(file.substr(0, file.size() - 4), name)) << file;
            EXPECT_EQ(name.idPart, p["id_part"]) << file;
            if (p["kind"] == "empty") {
                EXPECT_TRUE(dat.empty()) << file;
                continue;
            }
            const std::vector<std::string> lines = Split(dat, "\r\n");
            ASSERT_EQ(lines.size(), 5u) << file;  // four lines, each ended by CR LF
            EXPECT_EQ(lines[4], "") << file;
            EXPECT_EQ(ScrambleText(kHandheldScrambleKey, lines[0]), p["stamp"]) << file;
            // Times come from the seed, never the clock: a field day of June 2026.
            EXPECT_TRUE(p["stamp"].get<std::string>().starts_with("202606")) << p["stamp"];
            EXPECT_EQ(ScrambleText(kHandheldScrambleKey, lines[0]).size(), 14u);
            for (size_t i = 1; i < 4; ++i) {
                const std::string value = ScrambleText(kHandheldScrambleKey, lines[i]);
                EXPECT_EQ(value.find_first_not_of("0123456789."), std::string::npos) << value;
            }
        }
    }
    EXPECT_EQ(kinds["empty"], 1);
    EXPECT_EQ(kinds["duplicate"], 1);
    EXPECT_GE(kinds["orphan"], 1);
    EXPECT_GE(kinds["photo"], 5);
}

TEST_F(PalmsimTest, SurveyRowsMatchTheSummaryAndKeepTheNotesAsTyped) {
    const nlohmann::json summary = Run("--fraction 0.6");
    std::string notes;
    for (const auto& comune : summary["comuni"]) {
        const std::string c = comune["code"];
        EXPECT_GT(comune["PART_DICH"].get<int>(), 0);
        EXPECT_EQ(Query(c, "SELECT COUNT(*) FROM PART_DICH WHERE FLAG_LAVO='S' AND COD_AGRONOMO='" +
                               std::string(kInspector) + "' AND length(DATA_LAV)=14"),
                  std::to_string(comune["PART_DICH"].get<int>()) + "\n");
        for (const char* table : {"UTIL_RILE", "FAG_RILE", "NORME_RILE"})
            EXPECT_EQ(Query(c, std::string("SELECT COUNT(*) FROM ") + table +
                                   " WHERE length(DATA_LAV)=14"),
                      std::to_string(comune[table].get<int>()) + "\n")
                << table;
        notes += Query(c, "SELECT NOTE FROM UTIL_RILE");
    }
    for (const char* piece : {"|", "'", "\"", "è", "à"})
        EXPECT_NE(notes.find(piece), std::string::npos) << piece;
}

TEST_F(PalmsimTest, BadDeviceFoldersEndWithAMessage) {
    const std::string orvex = Orvex(root.path());
    const std::string before = ReadFileBytes(orvex + "/A001/db_comu.db");
    struct Case {
        std::string name;
        std::function<void()> damage;
        std::string arguments;
        int status;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"no argument", [] {}, "", 1, "palmsim: --root is required"},
        {"bad fraction", [] {}, "--root " + root.path() + " --fraction 2", 1, "bad argument"},
        {"no device", [] {}, "--root " + root.path() + "/none", 2, "device folder missing"},
        {"second card", [] {}, "--root " + root.path() + " --card 1", 2, "device folder missing"},
        {"corrupt municipality database",
         [&] { WriteFileBytes(orvex + "/B002/db_comu.db", std::string(4096, 'x')); },
         "--root " + root.path(), 3, "database unreadable: " + orvex + "/B002/db_comu.db"},
        {"missing municipality database", [&] { fs::remove(orvex + "/B002/db_comu.db"); },
         "--root " + root.path(), 3, "database missing: " + orvex + "/B002/db_comu.db"},
        {"corrupt main database",
         [&] { WriteFileBytes(orvex + "/terv34bis_ppc.db", "SQLite format 3 but not really"); },
         "--root " + root.path(), 3, "database unreadable: " + orvex + "/terv34bis_ppc.db"},
    };
    for (const Case& c : cases) {
        c.damage();
        int status = -1;
        const std::string out = RunPalmsim(c.arguments, &status);
        EXPECT_EQ(status, c.status) << c.name << ": " << out;
        EXPECT_NE(out.find(c.message), std::string::npos) << c.name << ": " << out;
    }
    EXPECT_TRUE(ReadFileBytes(orvex + "/A001/db_comu.db") == before) << "changed before the check";
    EXPECT_FALSE(fs::exists(orvex + "/A001/photo"));
}

}  // namespace
}  // namespace terv::test
