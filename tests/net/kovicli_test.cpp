// Kovicli's HTTP log: reopened on every window activation, appending, in Windows-1252; a log that
// received no line since it was opened is deleted when closed; nothing is written while none is
// open.
#include "NetFixture.h"

namespace terv::test {
namespace {

using KovicliTest = NetTest;

TEST_F(KovicliTest, ReopeningAppendsAndDropsALogWithoutLines) {
    const std::string path = dir / "log-httplog.log";
    OpenHttpLog(path, 77);
    EXPECT_EQ(KovicliParentWnd(), 77);
    EXPECT_TRUE(FileExists(path));
    CloseHttpLog();  // nothing written since opening: the file goes
    EXPECT_FALSE(FileExists(path));
    OpenHttpLog(path);
    EXPECT_EQ(KovicliParentWnd(), 77);  // no owner given: unchanged
    OpenHttpLog(path);
    HttpLog("Città è già");
    OpenHttpLog(path);
    HttpLog("seconda riga");
    CloseHttpLog();
    const std::string lines = "Citt\xE0 \xE8 gi\xE0\r\nseconda riga\r\n";
    EXPECT_EQ(ReadFileBytes(path), lines);
    HttpLog("dopo la chiusura");
    OpenHttpLog("");
    EXPECT_EQ(gHttpLog, 0);
    HttpLog("senza log");
    EXPECT_EQ(ReadFileBytes(path), lines);
}

}  // namespace
}  // namespace terv::test
