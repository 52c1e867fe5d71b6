// The choice of the program folder, and the per-user folder an installed program prepares at
// first start from its installed files without touching what the user already has there.
#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "shell/base/ProgramHome.h"

namespace terv::test {
namespace {

namespace fs = std::filesystem;

TEST(ProgramHomeChoice, NamesTheProgramFolder) {
    const char* const data = "/usr/share/tervpalm";
    const struct {
        const char* name;
        ProgramHomeFacts facts;
        const char* folder;
        bool perUser;
    } cases[] = {
        {"home variable wins",
         {"/srv/terv/", "/usr/bin", false, data, "/x", "/home/u"},
         "/srv/terv",
         false},
        {"writable own folder kept",
         {"", "/opt/terv", true, "", "/x", "/home/u"},
         "/opt/terv",
         false},
        {"installed prefix goes to XDG_DATA_HOME",
         {"", "/home/u/.local/bin", true, data, "/home/u/data/", "/home/u"},
         "/home/u/data/tervpalm",
         true},
        {"read-only folder goes to the home default",
         {"", "/opt/terv", false, "", "", "/home/u"},
         "/home/u/.local/share/tervpalm",
         true},
        {"relative XDG_DATA_HOME ignored",
         {"", "/usr/bin", false, data, "data", "/home/u"},
         "/home/u/.local/share/tervpalm",
         true},
        {"no home names no folder", {"", "/usr/bin", false, data, "", ""}, "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ProgramHome home = ChooseProgramHome(c.facts);
        EXPECT_EQ(home.folder, c.folder);
        EXPECT_EQ(home.perUser, c.perUser);
        if (c.perUser) {
            EXPECT_EQ(home.installedData, c.facts.installedData);
            EXPECT_EQ(home.installedPrograms, c.facts.executableFolder);
        }
    }
}

// An installed prefix in a scratch folder: bin/ with the helper programs, share/tervpalm/ with
// the files of a new program folder; the user's home beside them.
class PerUserFolderTest : public ::testing::Test {
  protected:
    PerUserFolderTest() {
        for (const char* folder : {"bin", "share/tervpalm/bak", "home"})
            fs::create_directories(prefix / folder);
        WriteFileBytes(prefix / "bin/RAPIFileCopy", "tool");
        WriteFileBytes(prefix / "share/tervpalm/tabelle.mdb", "installed tables");
        WriteFileBytes(prefix / "share/tervpalm/defaults.ini", "[AGGIO]\r\nVERSION=3.2\r\n");
        WriteFileBytes(prefix / "share/tervpalm/bak/servers1.dat", "[SERVER]\r\n");
        home.folder = prefix / "home/.local/share/tervpalm";
        home.perUser = true;
        home.installedData = prefix / "share/tervpalm";
        home.installedPrograms = prefix / "bin";
    }

    int Prepare() { return PreparePerUserFolder(home, error); }
    std::string InFolder(const std::string& name) const { return home.folder + "/" + name; }

    TempFolder prefix;
    ProgramHome home;
    std::string error;
};

// First start copies the installed files and links the helpers; a later one keeps the user's
// files and restores the missing ones.
TEST_F(PerUserFolderTest, FirstStartCopiesLaterStartKeepsTheUsersFiles) {
    ASSERT_EQ(Prepare(), 0) << error;
    EXPECT_EQ(ReadFileBytes(InFolder("tabelle.mdb")), "installed tables");
    EXPECT_EQ(ReadFileBytes(InFolder("defaults.ini")), "[AGGIO]\r\nVERSION=3.2\r\n");
    EXPECT_EQ(ReadFileBytes(InFolder("bak/servers1.dat")), "[SERVER]\r\n");
    EXPECT_EQ(fs::read_symlink(InFolder("RAPIFileCopy")), prefix / "bin/RAPIFileCopy");
    EXPECT_FALSE(fs::exists(fs::symlink_status(InFolder("loadfoto"))));  // not installed
    // Nothing but the folder itself is left beside it.
    std::vector<std::string> beside;
    for (const auto& entry : fs::directory_iterator(prefix / "home/.local/share"))
        beside.push_back(entry.path().filename().string());
    EXPECT_EQ(beside, std::vector<std::string>{"tervpalm"});

    WriteFileBytes(InFolder("defaults.ini"), "[AGGIO]\r\nVERSION=9\r\n");
    fs::remove(InFolder("tabelle.mdb"));
    fs::remove(InFolder("RAPIFileCopy"));
    fs::create_symlink("/nowhere/RAPIFileCopy", InFolder("RAPIFileCopy"));  // an older install
    WriteFileBytes(prefix / "bin/loadfoto", "loader");
    WriteFileBytes(InFolder("loadfoto"), "the user's own loader");

    ASSERT_EQ(Prepare(), 0) << error;
    EXPECT_EQ(ReadFileBytes(InFolder("defaults.ini")), "[AGGIO]\r\nVERSION=9\r\n");
    EXPECT_EQ(ReadFileBytes(InFolder("tabelle.mdb")), "installed tables");
    EXPECT_EQ(fs::read_symlink(InFolder("RAPIFileCopy")), prefix / "bin/RAPIFileCopy");
    EXPECT_EQ(ReadFileBytes(InFolder("loadfoto")), "the user's own loader");
    EXPECT_FALSE(fs::is_symlink(InFolder("loadfoto")));
}

TEST_F(PerUserFolderTest, FolderThatCannotBeMadeGivesAMessageAndLeavesNothing) {
    WriteFileBytes(prefix / "home/file", "x");
    home.folder = prefix / "home/file/tervpalm";
    EXPECT_EQ(Prepare(), 1);
    EXPECT_EQ(error, "Impossibile preparare la cartella del programma " + home.folder +
                         ": Not a directory");

    home.folder = prefix / "home/tervpalm";
    home.installedData = prefix / "bin/RAPIFileCopy";  // not a folder: the copy fails
    error.clear();
    EXPECT_EQ(Prepare(), 1);
    EXPECT_EQ(error, "Impossibile preparare la cartella del programma " + home.folder +
                         ": Not a directory");
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(prefix / "home"))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"file"});

    home.folder.clear();
    EXPECT_EQ(Prepare(), 1);
    EXPECT_EQ(error,
              "Impossibile stabilire la cartella del programma: "
              "né XDG_DATA_HOME né HOME indicano una cartella");
}

}  // namespace
}  // namespace terv::test
