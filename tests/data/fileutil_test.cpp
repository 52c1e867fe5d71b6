#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "data/FileUtil.h"

namespace terv {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::TempFolder;
using test::WriteFileBytes;

TEST(FileUtilTest, PrepareWorkFolderWritesNoticeAndEmptiesOnRequest) {
    TempFolder dir;
    const std::string folder = dir / "fglc";
    const std::string notice =
        "Attenzione tutti i file presenti in questa cartella possono essere cancellati\r\n"
        "automaticamente (senza preavviso) dal sistema. Si sconsiglia l'uso di questa \r\n"
        "cartella da parte degli utenti.\r\n";
    PrepareWorkFolder(folder, false);  // created; nothing to delete is fine
    WriteFileBytes(folder + "/old.dat", "x");
    fs::permissions(folder + "/old.dat", fs::perms::owner_read);
    fs::create_directory(folder + "/keepdir");
    PrepareWorkFolder(folder + "/", true);
    EXPECT_TRUE(fs::exists(folder + "/old.dat"));
    PrepareWorkFolder(folder, false);
    EXPECT_FALSE(fs::exists(folder + "/old.dat"));  // read-only files too
    EXPECT_TRUE(fs::is_directory(folder + "/keepdir"));
    EXPECT_EQ(ReadFileBytes(folder + "/leggimi.txt"), notice);
    EXPECT_ANY_THROW(PrepareWorkFolder(dir / "a/b", true));  // parent missing
}

TEST(FileUtilTest, PathsSizesAndSearches) {
    EXPECT_EQ(FolderOf("/a/b/c.txt"), "/a/b/");
    EXPECT_EQ(FolderOf("name"), "name/");
    EXPECT_EQ(StripExtension("a.b.mdb"), "a.b");
    EXPECT_EQ(StripExtension("noext"), "noext");
    TempFolder dir;
    MakePath(dir / "sub/deeper/file");
    EXPECT_TRUE(fs::is_directory(dir / "sub/deeper"));
    EXPECT_FALSE(fs::exists(dir / "sub/deeper/file"));
    WriteFileBytes(dir / "a.jpg", "12345");
    WriteFileBytes(dir / "b.JPG", "123");
    WriteFileBytes(dir / ".hidden.jpg", "1234567");
    WriteFileBytes(dir / "c.dat", "1");
    WriteFileBytes(dir / "sub/d.jpg", "1");
    WriteFileBytes(dir / "sub/deeper/e.jpg", "1");
    EXPECT_EQ(FileSizeOf(dir / "missing"), 0);
    EXPECT_EQ(SumFileSizes(dir.path(), "*.jpg"), 8);

    std::vector<std::string> list{"kept"};
    long count = 1;
    FindFiles(dir.path(), "*.jpg", count, 0, list, kFindBareNames);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(list, (std::vector<std::string>{"kept", "a.jpg", "b.JPG"}));
    list.clear();
    count = 0;
    FindFiles(dir.path(), "*.jpg", count, 0, list, kFindRecurse);
    EXPECT_EQ(list, (std::vector<std::string>{dir / "a.jpg", dir / "b.JPG", dir / "sub/d.jpg",
                                              dir / "sub/deeper/e.jpg"}));
}

TEST(FileUtilTest, ResultFileReaders) {
    TempFolder dir;
    const std::string f = dir / "r.dat";
    WriteFileBytes(f, "\r\n  12,a, \r\n\r\nCitt\xE0,3\r\n\r\n");
    std::vector<std::string> lines{"old"};
    EXPECT_EQ(ReadLines(f, lines), 2);
    EXPECT_EQ(lines, (std::vector<std::string>{"  12,a, ", "Città,3"}));
    std::string last = "x";
    EXPECT_EQ(ReadLastLine(f, last), 2);
    EXPECT_EQ(last, "Città,3");
    EXPECT_EQ(ReadLastLine(dir / "none", last), 0);
    EXPECT_EQ(last, "");
    EXPECT_EQ(ReadLines(dir / "none", lines), 0);
    EXPECT_TRUE(lines.empty());

    const struct {
        const char* content;
        long lines, value;
    } cases[] = {{"abc\r\n", 1, 0},
                 {"", 0, -10},
                 {"5\r\n17\r\n-3\r\n", 3, 17},
                 {"-20\r\n", 1, -10},
                 {"12.6\n", 1, 13}};
    for (const auto& c : cases) {
        WriteFileBytes(f, c.content);
        long value = 99;
        EXPECT_EQ(ReadMaxNumber(f, value), c.lines) << c.content;
        EXPECT_EQ(value, c.value) << c.content;
    }
}

TEST(FileUtilTest, WriteTextFileAppendsOrReplaces) {
    TempFolder dir;
    const std::string f = dir / "t.txt";
    EXPECT_EQ(WriteTextFile(f, "uno", false), 1);
    EXPECT_EQ(WriteTextFile(f, "è", true), 1);
    EXPECT_EQ(ReadFileBytes(f), "uno\xE8");
    EXPECT_EQ(WriteTextFile(f, "due", false), 1);
    EXPECT_EQ(ReadFileBytes(f), "due");
    EXPECT_EQ(WriteTextFile(dir / "no/dir/t.txt", "x", false), 0);
    WriteFileBytes(dir / "gone.dat", "x");
    fs::permissions(dir / "gone.dat", fs::perms::owner_read);
    DeleteIfExists(dir / "gone.dat");
    DeleteIfExists(dir / "never.dat");
    EXPECT_FALSE(fs::exists(dir / "gone.dat"));
}

}  // namespace
}  // namespace terv
