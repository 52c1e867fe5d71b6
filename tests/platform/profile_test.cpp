#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/PrivateProfile.h"

namespace terv {
namespace {

using test::ReadFileBytes;
using test::TempFolder;
using test::WriteFileBytes;

// Saved by an editor that puts a byte-order mark first; a comment holds an old value, a key comes
// twice, a second [SERVER] section comes later.
const char kServers[] =
    "\xEF\xBB\xBF[SERVER]\r\n;LOCATION=http://old/\r\nLOCATION = http://host/terv/ \r\n"
    "Double=\"a b\"\r\nSingle='c d'\r\nTwice=''e''\r\nOpen='f\r\nMixed=\"g'\r\nDouble=x\r\n"
    "[Default]\r\nuid=mario\r\n; only=commented\r\n[SERVER]\r\nLOCATION=http://second/\r\n";

TEST(PrivateProfileTest, ReadsWithWindowsSemantics) {
    TempFolder dir;
    const std::string ini = dir / "servers.dat";
    WriteFileBytes(ini, kServers);
    for (auto [section, key, expected] : {std::tuple{"SERVER", "LOCATION", "http://host/terv/"},
                                          {"server", "location", "http://host/terv/"},
                                          {"SERVER", "Double", "a b"},
                                          {"SERVER", "Single", "c d"},
                                          {"SERVER", "Twice", "'e'"},
                                          {"SERVER", "Open", "'f"},
                                          {"SERVER", "Mixed", "\"g'"},
                                          {"DEFAULT", "UID", "mario"},
                                          {"DEFAULT", "only", "def"},
                                          {"SERVER", "MISSING", "def"},
                                          {"NOSECTION", "UID", "def"}})
        EXPECT_EQ(GetPrivateProfileString(section, key, "def  ", 1024, ini), expected) << key;
    EXPECT_EQ(GetPrivateProfileString("SERVER", "LOCATION", "def", 1024, dir / "none.ini"), "def");
    WriteFileBytes(ini, "[S]\r\nK=" + std::string(1100, 'x') + "\r\n");
    EXPECT_EQ(GetPrivateProfileString("S", "K", "", 1024, ini), std::string(1023, 'x'));
}

TEST(PrivateProfileTest, WritesCreateFileAndSectionAndKeepOtherLinesAndTheirEnds) {
    TempFolder dir;
    const std::string ini = dir / "defaults.ini";
    ASSERT_TRUE(WritePrivateProfileString("GISPARAMS", "DATATABELLE", "20240101000000", ini));
    EXPECT_EQ(ReadFileBytes(ini), "[GISPARAMS]\r\nDATATABELLE=20240101000000\r\n");
    ASSERT_TRUE(WritePrivateProfileString("AGGIO", "VERSION", "1.2", ini));
    ASSERT_TRUE(WritePrivateProfileString("gisparams", "datatabelle", "X", ini));
    ASSERT_TRUE(WritePrivateProfileString("GISPARAMS", "DATACOLTURE", "Y", ini));
    EXPECT_EQ(ReadFileBytes(ini),
              "[GISPARAMS]\r\nDATATABELLE=X\r\nDATACOLTURE=Y\r\n[AGGIO]\r\nVERSION=1.2\r\n");
    EXPECT_FALSE(WritePrivateProfileString("S", "K", "V", dir / "no/such/file.ini"));
    // An existing file keeps its byte-order mark and its other line ends.
    WriteFileBytes(ini, "\xEF\xBB\xBF[SERVER]\nLOCATION=http://h/\n[DEFAULT]\r\nUID=anna");
    ASSERT_TRUE(WritePrivateProfileString("DEFAULT", "UID", "mario", ini));
    ASSERT_TRUE(WritePrivateProfileString("SERVER", "PORT", "80", ini));
    ASSERT_TRUE(WritePrivateProfileString("DEFAULT", "LAST", "x", ini));
    EXPECT_EQ(ReadFileBytes(ini),
              "\xEF\xBB\xBF[SERVER]\nLOCATION=http://h/\nPORT=80\r\n[DEFAULT]\r\nUID=mario\r\n"
              "LAST=x\r\n");
    EXPECT_EQ(GetPrivateProfileString("SERVER", "LOCATION", "", 1024, ini), "http://h/");
}

}  // namespace
}  // namespace terv
