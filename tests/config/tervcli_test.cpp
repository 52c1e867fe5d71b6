#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "platform/UiPort.h"
#include "shell/base/modMain.h"
#include "shell/config/clsTervcli.h"

namespace terv {
namespace {

namespace fs = std::filesystem;
using test::WriteFileBytes;

const char* const kFolders[] = {"tmp",          "tmp/fotoc", "tmp/fotoc/upload", "tmp/fglc",
                                "tmp/fglc/map", "log",       "tmp/fglc/zipagg"};

class TervcliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetProgramState();
        SetUiPort(&port);
    }
    void TearDown() override {
        ReleaseTervcli();
        SetUiPort(nullptr);
        ResetProgramState();
    }
    std::string At(const std::string& rel) const { return home / rel; }
    test::TempHome home;
    RecordingUiPort port;
};

TEST_F(TervcliTest, FirstStartLaysOutFoldersFilesAndNames) {
    // Saved by an editor that puts a UTF-8 byte-order mark first.
    WriteFileBytes(At("servers.dat"),
                   "\xEF\xBB\xBF[SERVER]\r\nLOCATION=http://127.0.0.1:8780/terv/\r\n");
    clsTervcli& cli = gTervcli();
    for (const char* folder : kFolders)
        EXPECT_TRUE(fs::exists(At(folder) + "/leggimi.txt")) << folder;
    EXPECT_EQ(gAppPath, home.path());
    EXPECT_EQ(gTmpPath, At("tmp/fglc"));
    EXPECT_EQ(gMapPath, At("tmp/fglc/map"));
    EXPECT_EQ(cli.FileServerSetting, At("servers.dat"));
    EXPECT_EQ(cli.FileTempTransito, At("tmp/fglc/tmptransito.dat"));
    EXPECT_EQ(cli.NomeFileLogKovicli, At("log/httplog.log"));
    EXPECT_EQ(cli.serverterv, "http://127.0.0.1:8780/terv/");
    EXPECT_EQ(&gTervcli(), &cli);  // one instance
    cli.ClearTransito();           // nothing there: fine
    WriteFileBytes(cli.FileTempTransito, "42\r\n");
    cli.ClearTransito();
    EXPECT_FALSE(fs::exists(cli.FileTempTransito));
    ReleaseTervcli();
    fs::remove(At("servers.dat"));
    EXPECT_EQ(gTervcli().serverterv, "");
    EXPECT_TRUE(port.messages.empty());
}

TEST_F(TervcliTest, FoldersArePreparedInOrder) {
    // A plain file where the log folder should go stops construction at the sixth folder.
    WriteFileBytes(At("log"), "blocking file");
    EXPECT_ANY_THROW(gTervcli());
    EXPECT_FALSE(TervcliExists());
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(fs::exists(At(kFolders[i]) + "/leggimi.txt")) << i;
    EXPECT_FALSE(fs::exists(At("tmp/fglc/zipagg")));
}

TEST_F(TervcliTest, ScratchFoldersAreEmptiedAtStartAndEndOthersSurvive) {
    for (const char* folder : kFolders)
        fs::create_directories(At(folder));
    const char* const scratch[] = {"tmp/fglc/a.dat", "tmp/fglc/map/old.shp",
                                   "tmp/fglc/zipagg/z.zip"};
    const char* const kept[] = {"tmp/keep.dat", "tmp/fotoc/p.jpg", "tmp/fotoc/upload/u.jpg",
                                "log/httplog.log"};
    for (const char* f : scratch)
        WriteFileBytes(At(f), "x");
    for (const char* f : kept)
        WriteFileBytes(At(f), "x");
    fs::permissions(At("tmp/fglc/map/old.shp"), fs::perms::owner_read);
    gTervcli();
    for (const char* f : scratch)
        EXPECT_FALSE(fs::exists(At(f))) << f;
    for (const char* f : kept)
        EXPECT_TRUE(fs::exists(At(f))) << f;

    for (const char* f : {"tmp/fglc/tmptransito.dat", "tmp/fglc/map/new.tif",
                          "tmp/fglc/zipagg/new.zip", "tmp/fotoc/upload/v.jpg"})
        WriteFileBytes(At(f), "x");
    fs::permissions(At("tmp/fglc/map/new.tif"), fs::perms::owner_read);
    ReleaseTervcli();
    EXPECT_TRUE(fs::is_empty(At("tmp/fglc/map")));
    EXPECT_TRUE(fs::is_empty(At("tmp/fglc/zipagg")));
    EXPECT_FALSE(fs::exists(At("tmp/fglc/tmptransito.dat")));
    EXPECT_TRUE(fs::exists(At("tmp/fotoc/upload/v.jpg")));
}

TEST_F(TervcliTest, MissingReferenceDatabaseStopsConstructionNamingTheFile) {
    fs::remove(At("tabelle.mdb"));
    EXPECT_THAT([] { gTervcli(); },
                ::testing::ThrowsMessage<std::exception>(::testing::HasSubstr("tabelle.mdb")));
    EXPECT_FALSE(TervcliExists());
}

TEST(GisVariablesTest, FileLinesSetVariablesByExactName) {
    test::TempFolder dir;
    const std::string file = dir / "gisparam.dat";
    WriteFileBytes(file,
                   "FILTERLOGIN,NO,\r\n\r\nNOCOMMA\r\nDATOLOGIN,F,G,\r\nfilterlogin,si,\r\n"
                   "TERVCVERSION,1,\r\nTERVCVERSION,2,\r\n");
    clsGisVariables vars;
    vars.AggiungiVariabile("KEPT", "x");
    vars.AggiungiVariabile("DATOLOGIN", "old");
    vars.GetVarsFromFile(file);
    vars.GetVarsFromFile(dir / "missing.dat");
    for (auto [name, expected] : {std::pair{"FILTERLOGIN", "NO"},
                                  {"filterlogin", "si"},
                                  {"DATOLOGIN", "F"},
                                  {"TERVCVERSION", "2"},
                                  {"KEPT", "x"},
                                  {"NOCOMMA", ""}})
        EXPECT_EQ(vars.GetVariabile(name, ""), expected) << name;
    EXPECT_EQ(vars.GetVariabile("DATATABELLE", "20040301000000"), "20040301000000");
    EXPECT_EQ(vars.Count(), 5u);
}

}  // namespace
}  // namespace terv
