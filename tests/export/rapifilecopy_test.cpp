// The device copy tool run as the program runs it, on temporary PC and device folders.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "FolderTree.h"
#include "TestSupport.h"

namespace terv::test {
namespace {

namespace fs = std::filesystem;

std::string Quoted(const std::string& s) {
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

struct ToolRun {
    int status = -1;
    std::string err;
};

// Runs the tool with `root` as TERVPALM_DEVICE_ROOT ("-" leaves it unset) and `home` as the
// program folder; the paths are passed as the program passes them, inside double quotes.
ToolRun RunTool(const TempFolder& t, const std::string& switches, const std::string& root,
                const std::string& source, const std::string& dest) {
    std::string cmd = "cd " + Quoted(t.path()) + " && TERVPALM_HOME=" + Quoted(t / "home") +
                      (root == "-" ? " " : " TERVPALM_DEVICE_ROOT=" + Quoted(root) + " ") +
                      Quoted(RAPIFILECOPY) + " " + switches + " " + Quoted(source) + " " +
                      Quoted(dest) + " 2>" + Quoted(t / "err.txt");
    if (root == "-")
        cmd = "unset TERVPALM_DEVICE_ROOT; " + cmd;
    ToolRun r;
    const int raw = std::system(cmd.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.err = ReadFileBytes(t / "err.txt");
    return r;
}

struct Case {
    const char* name;
    const char* switches;
    const char* root;  // relative to the test folder; "-" unset, "" empty
    const char* ini;   // RADICE written into home/defaults.ini, or nullptr
    const char* source;
    const char* dest;
    int status;
    const char* device;  // what the device folder holds afterwards
    const char* pc;      // what pc/out holds afterwards
    const char* err;     // expected part of standard error
};

// A wildcard copied into a new device folder is the transfer's own case (transfer_test).
const Case kCases[] = {
    {"PatternMatchingNothingStillMakesTheFolder", "/d /q /s=65536", "dev", nullptr,
     "pc/in/*.orvex_jpeg", "\\Scheda di memoria2\\orvex\\A062\\photo\\", 0,
     "Scheda di memoria/orvex/old.db=OLD", "", ""},
    {"SingleFileUnderItsOwnName", "/q /s=65536", "dev", nullptr, "pc/in/leggimi.txt",
     "\\Scheda di memoria\\orvex\\A062\\photo\\", 0,
     "Scheda di memoria/orvex/A062/photo/leggimi.txt=L;Scheda di memoria/orvex/old.db=OLD", "", ""},
    {"DeviceFileOntoPcFileName", "/q /s=65536", "dev", nullptr,
     "\\Scheda di memoria\\orvex\\old.db", "pc/out/terv34bis_ppc.db", 0,
     "Scheda di memoria/orvex/old.db=OLD", "terv34bis_ppc.db=OLD", ""},
    {"RootFromDefaultsIni", "/d /q /s=65536", "-", "dev", "pc/in/*.db", "\\card\\", 0,
     "Scheda di memoria/orvex/old.db=OLD;card/db_comu.db=D", "", ""},
    {"EnvironmentWinsOverDefaultsIni", "/d /q /s=65536", "dev", "elsewhere", "pc/in/*.db",
     "\\card\\", 0, "Scheda di memoria/orvex/old.db=OLD;card/db_comu.db=D", "", ""},
    {"DeviceRootMissing", "/d /q /s=65536", "gone", nullptr, "pc/in/*.orvex", "\\x\\", 2,
     "Scheda di memoria/orvex/old.db=OLD", "", "RAPIFileCopy: device not connected: "},
    {"NoDeviceRootConfigured", "/d /q /s=65536", "", nullptr, "pc/in/*.orvex", "\\x\\", 2,
     "Scheda di memoria/orvex/old.db=OLD", "", "RAPIFileCopy: no device root: "},
    {"MissingSourceFile", "/q /s=65536", "dev", nullptr, "pc/in/none.db", "\\x\\", 1,
     "Scheda di memoria/orvex/old.db=OLD", "", "RAPIFileCopy: source not found: "},
    {"DevicePathLeavingTheRoot", "/d /q /s=65536", "dev", nullptr, "pc/in/*.orvex",
     "\\..\\escape\\", 3, "Scheda di memoria/orvex/old.db=OLD", "",
     "RAPIFileCopy: device path leaves the device root: \\..\\escape\\"},
    {"TargetTakenByAFolderFailsAndLeavesNoTemporaryFile", "/q /s=65536", "dev", nullptr,
     "pc/in/leggimi.txt", "pc/out/", 1, "Scheda di memoria/orvex/old.db=OLD", "leggimi.txt/keep=K",
     "RAPIFileCopy: cannot write "},
    {"BadBlockSize", "/d /q /s=0", "dev", nullptr, "pc/in/*.orvex", "\\x\\", 3,
     "Scheda di memoria/orvex/old.db=OLD", "", "RAPIFileCopy: bad block size: /s=0"},
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class RapiFileCopyTest : public ::testing::TestWithParam<Case> {};

TEST_P(RapiFileCopyTest, CopiesAsTheProgramExpects) {
    const Case& c = GetParam();
    TempFolder t;
    for (const char* d : {"home", "pc/in", "pc/out", "dev/Scheda di memoria/orvex"})
        fs::create_directories(t / d);
    WriteFileBytes(t / "pc/in/Fogli.orvex", "F");
    WriteFileBytes(t / "pc/in/particelle.orvex", "P");
    WriteFileBytes(t / "pc/in/db_comu.db", "D");
    WriteFileBytes(t / "pc/in/leggimi.txt", "L");
    WriteFileBytes(t / "dev/Scheda di memoria/orvex/old.db", "OLD");
    if (std::string(c.name).starts_with("TargetTaken")) {
        fs::create_directories(t / "pc/out/leggimi.txt");
        WriteFileBytes(t / "pc/out/leggimi.txt/keep", "K");
    }
    if (c.ini)
        WriteFileBytes(t / "home/defaults.ini",
                       std::string("[PALMARE]\r\nRADICE=") + (t / c.ini) + "\r\n");
    const std::string root = c.root == std::string("-") || !*c.root ? c.root : t / c.root;
    const ToolRun r = RunTool(t, c.switches, root, c.source[0] == '\\' ? c.source : t / c.source,
                              c.dest[0] == '\\' ? c.dest : t / c.dest);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(Tree(t / "dev"), c.device);
    EXPECT_EQ(Tree(t / "pc/out"), c.pc);
    if (*c.err)
        EXPECT_EQ(r.err.rfind(c.err, 0), 0u) << r.err;
    else
        EXPECT_EQ(r.err, "");
}

INSTANTIATE_TEST_SUITE_P(Cases, RapiFileCopyTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A file larger than the block is copied byte for byte, and replaces an older copy.
TEST(RapiFileCopy, LargeFileReplacesOlderCopyExactly) {
    TempFolder t;
    fs::create_directories(t / "pc");
    fs::create_directories(t / "dev/orvex");
    std::string big;
    for (int i = 0; i < 200000; ++i)
        big += static_cast<char>((i * 7 + i / 256) & 0xFF);
    WriteFileBytes(t / "pc/terv34bis_ppc.db", big);
    WriteFileBytes(t / "dev/orvex/terv34bis_ppc.db", "old");
    const ToolRun r = RunTool(t, "/q /s=65536", t / "dev", t / "pc/terv34bis_ppc.db", "\\orvex\\");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(ReadFileBytes(t / "dev/orvex/terv34bis_ppc.db") == big);
    EXPECT_EQ(std::distance(fs::directory_iterator(t / "dev/orvex"), fs::directory_iterator()), 1);
}

// The device folder taken away while a file is being written (the source is a pipe the test
// feeds): the tool fails with a line on standard error and no file stands under the copy's name.
TEST(RapiFileCopy, DeviceGoneWhileWritingLeavesNoFileUnderItsName) {
    TempFolder t;
    fs::create_directories(t / "pc");
    fs::create_directories(t / "dev/orvex");
    const std::string pipe = t / "pc/orvex_0.orvex_jpeg";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    signal(SIGPIPE, SIG_IGN);  // a tool that stops reading must fail the test, not end it
    ToolRun r;
    std::atomic<bool> ended = false;
    std::thread tool([&] {
        r = RunTool(t, "/d /q /s=65536", t / "dev", t / "pc/*.orvex_jpeg", "\\orvex\\");
        ended = true;
    });
    int fd = -1;
    while (fd < 0 && !ended) {  // the tool opens the pipe once its temporary file exists
        fd = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd < 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_GE(fd, 0) << r.err;
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    const std::string half(100000, 'x');
    // More than the pipe holds: when the write returns the tool has written part of the copy.
    EXPECT_EQ(::write(fd, half.data(), half.size()), static_cast<ssize_t>(half.size()));
    fs::rename(t / "dev", t / "dev.gone");
    EXPECT_EQ(::write(fd, half.data(), half.size()), static_cast<ssize_t>(half.size()));
    ::close(fd);
    tool.join();
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.starts_with("RAPIFileCopy: cannot write ")) << r.err;
    EXPECT_FALSE(fs::exists(t / "dev"));
    for (const auto& e : fs::recursive_directory_iterator(t / "dev.gone"))
        EXPECT_TRUE(e.is_directory() || e.path().filename().string().starts_with(".")) << e.path();
}

}  // namespace
}  // namespace terv::test
