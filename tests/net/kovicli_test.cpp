// Kovicli's HTTP log: reopened on every window activation, appending; a log that received no
// line since it was opened is deleted when closed; nothing is written while none is open.
#include "NetFixture.h"

namespace terv::test {
namespace {

using KovicliTest = NetTest;

TEST_F(KovicliTest, ReopeningAppendsAndDropsALogWithoutLines) {
    const std::string path = dir / "log-httplog.log";
    OpenHttpLog(path, 77);
    EXPECT_EQ(KovicliParentWnd(), 77);
    EXPECT_TRUE(FileExists(path));
    OpenHttpLog(path);                  // nothing written since opening: the file goes
    EXPECT_EQ(KovicliParentWnd(), 77);  // no owner given: unchanged
    HttpLog("prima riga");
    OpenHttpLog(path);
    HttpLog("seconda riga");
    CloseHttpLog();
    EXPECT_EQ(ReadFileBytes(path), "prima riga\r\nseconda riga\r\n");
    HttpLog("dopo la chiusura");
    EXPECT_EQ(ReadFileBytes(path), "prima riga\r\nseconda riga\r\n");
}

TEST_F(KovicliTest, EmptyPathKeepsNoLog) {
    OpenHttpLog("");
    EXPECT_EQ(gHttpLog, 0);
    HttpLog("niente");
    EXPECT_EQ(LogBytes(), "");
}

TEST_F(KovicliTest, ClosingALogWithoutLinesDeletesIt) {
    CloseHttpLog();
    EXPECT_FALSE(FileExists(LogPath()));
}

TEST_F(KovicliTest, LogLinesAreWindows1252) {
    HttpLog("Città è già");
    EXPECT_EQ(LogBytes(), "Citt\xE0 \xE8 gi\xE0\r\n");
}

}  // namespace
}  // namespace terv::test
