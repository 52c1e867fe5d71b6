#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "platform/FileSearch.h"
#include "platform/Process.h"

namespace terv {
namespace {

TEST(FileSearchTest, PatternsFollowWindowsRules) {
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"servers1.dat", "servers*.dat", true},
        {"SERVERS.DAT", "servers*.dat", true},
        {"servers.dat.bak", "servers*.dat", false},
        {"noext", "*.*", true},
        {"abc", "a?c", true},
        {"ac", "a?c", false},
        {"A001.jpg", "*.JPG", true}};
    for (const auto& [name, pattern, match] : cases)
        EXPECT_EQ(MatchesPattern(name, pattern), match) << name;
}

TEST(FileSearchTest, FindsEntriesSortedWithoutDots) {
    test::TempFolder dir;
    test::WriteFileBytes(dir / "b.dat", "");
    test::WriteFileBytes(dir / "A.dat", "");
    test::WriteFileBytes(dir / "c.txt", "");
    std::filesystem::create_directory(dir / "sub.dat");
    const auto found = FindEntries(dir.path(), "*.dat");
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].name, "A.dat");
    EXPECT_EQ(found[1].name, "b.dat");
    EXPECT_TRUE(found[2].isFolder);
    EXPECT_TRUE(FindEntries(dir / "missing", "*").empty());
    EXPECT_EQ(JoinPath("/a/", "b"), "/a/b");
    EXPECT_EQ(JoinPath("/a", "b"), "/a/b");
}

TEST(ProcessTest, RunAndWaitReturnsExitCodeAndWaits) {
    test::TempFolder dir;
    EXPECT_EQ(RunAndWait(std::vector<std::string>{"sh", "-c", "exit 3"}), 3);
    EXPECT_EQ(RunAndWait("sh -c \"sleep 0.2; echo done > '" + (dir / "out") + "'\""), 0);
    EXPECT_EQ(test::ReadFileBytes(dir / "out"), "done\n");
    EXPECT_EQ(RunAndWait(std::vector<std::string>{"/no/such/program"}), -1);
    EXPECT_EQ(SplitCommandLine("a \"b c\" \"d \"\"q\"\"\""),
              (std::vector<std::string>{"a", "b c", "d \"q\""}));
}

}  // namespace
}  // namespace terv
