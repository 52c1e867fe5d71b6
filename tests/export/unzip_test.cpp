// The software update archive unpacked: archives made by the zip tool, and hostile archives
// made here with libzip.
#include <gtest/gtest.h>
#include <zip.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "FolderTree.h"
#include "TestSupport.h"
#include "export/Unzip.h"

namespace terv::test {
namespace {

namespace fs = std::filesystem;

// An archive made by the zip tool from a small tree: top.txt, bin/prog.exe, bin/res/img.bmp.
std::string MadeByZip(const TempFolder& t) {
    fs::create_directories(t / "src/bin/res");
    WriteFileBytes(t / "src/top.txt", "top");
    WriteFileBytes(t / "src/bin/prog.exe", "prog");
    WriteFileBytes(t / "src/bin/res/img.bmp", "img");
    const std::string cmd = "cd '" + (t / "src") + "' && zip -qr '" + (t / "agg.zip") + "' .";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    return t / "agg.zip";
}

struct Case {
    const char* name;
    bool keepFolders;
    const char* single;
    bool overwrite;
    int result;
    const char* tree;
};

const Case kCases[] = {
    {"FoldersDroppedOverwriteOn", false, "", true, 0, "img.bmp=img;prog.exe=prog;top.txt=top"},
    {"OverwriteOffKeepsTheExistingFile", false, "", false, 0,
     "img.bmp=img;prog.exe=prog;top.txt=old"},
    {"FoldersKept", true, "", true, 0, "bin/prog.exe=prog;bin/res/img.bmp=img;top.txt=top"},
    {"SingleEntry", false, "bin/prog.exe", true, 0, "prog.exe=prog;top.txt=old"},
    {"SingleEntryWildcard", false, "*.bmp", true, 0, "img.bmp=img;top.txt=old"},
    {"SingleEntryNotInTheArchive", false, "none.txt", true, 11, "top.txt=old"},
};

class UnzipTest : public ::testing::TestWithParam<Case> {};

TEST_P(UnzipTest, ExtractsAsAsked) {
    const Case& c = GetParam();
    TempFolder t;
    const std::string zip = MadeByZip(t);
    fs::create_directories(t / "aggpalm");
    WriteFileBytes(t / "aggpalm/top.txt", "old");
    EXPECT_EQ(Unzip(zip, t / "aggpalm", c.keepFolders, c.single, c.overwrite), c.result);
    EXPECT_EQ(Tree(t / "aggpalm"), c.tree);
}

INSTANTIATE_TEST_SUITE_P(Cases, UnzipTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

void AddEntry(zip_t* zip, const std::string& name, const std::string& data, bool link = false) {
    // libzip reads the bytes only at zip_close: hand it its own copy to free.
    void* bytes = std::malloc(data.size() + 1);
    std::memcpy(bytes, data.data(), data.size());
    zip_source_t* src = zip_source_buffer(zip, bytes, data.size(), 1);
    ASSERT_NE(src, nullptr);
    const zip_int64_t index = zip_file_add(zip, name.c_str(), src, ZIP_FL_ENC_UTF_8);
    ASSERT_GE(index, 0) << name;
    if (link)
        zip_file_set_external_attributes(zip, static_cast<zip_uint64_t>(index), 0, ZIP_OPSYS_UNIX,
                                         (0120777u) << 16);
}

// Entries that climb out, start at a root or are links are refused, in either folder mode;
// the ordinary entry beside them still arrives and the result says something was refused.
TEST(Unzip, HostileEntriesWriteNothingOutsideTheTarget) {
    for (const bool keepFolders : {false, true}) {
        TempFolder t;
        fs::create_directories(t / "tmp/aggpalm");
        const std::string path = t / "hostile.zip";
        int error = 0;
        zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        ASSERT_NE(zip, nullptr);
        const std::string outside = t / "tmp/abs.txt";
        AddEntry(zip, "../evil.txt", "x");
        AddEntry(zip, "a/../../evil2.txt", "x");
        AddEntry(zip, "..\\evil3.txt", "x");
        AddEntry(zip, outside, "x");
        AddEntry(zip, "C:\\evil4.txt", "x");
        AddEntry(zip, "link", t.path(), true);
        AddEntry(zip, "good.txt", "good");
        ASSERT_EQ(zip_close(zip), 0);

        EXPECT_EQ(Unzip(path, t / "tmp/aggpalm", keepFolders, "", true), 1);
        EXPECT_EQ(Tree(t / "tmp"), "aggpalm/good.txt=good") << keepFolders;
        EXPECT_FALSE(fs::exists(t / "evil.txt"));
    }
}

TEST(Unzip, MissingOrBrokenArchive) {
    TempFolder t;
    EXPECT_EQ(Unzip(t / "none.zip", t.path(), false, "", true), 9);
    WriteFileBytes(t / "bad.zip", "this is no archive");
    EXPECT_EQ(Unzip(t / "bad.zip", t.path(), false, "", true), 3);
    EXPECT_EQ(Tree(t.path()), "bad.zip=this is no archive");
}

}  // namespace
}  // namespace terv::test
