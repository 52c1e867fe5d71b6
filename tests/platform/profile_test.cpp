#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/PrivateProfile.h"

namespace terv {
namespace {

using test::ReadFileBytes;
using test::TempFolder;
using test::WriteFileBytes;

TEST(PrivateProfileTest, ReadsWithWindowsSemantics) {
    TempFolder dir;
    const std::string ini = dir / "servers.dat";
    WriteFileBytes(ini,
                   "[SERVER]\r\nLOCATION = http://host/terv/ \r\nQuoted=\"a b\"\r\n"
                   "[Default]\r\nuid=mario\r\n");
    const struct {
        const char* section;
        const char* key;
        const char* expected;
    } cases[] = {
        {"SERVER", "LOCATION", "http://host/terv/"},
        {"server", "location", "http://host/terv/"},
        {"SERVER", "Quoted", "a b"},
        {"DEFAULT", "UID", "mario"},
        {"SERVER", "MISSING", "def"},
        {"NOSECTION", "UID", "def"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GetPrivateProfileString(c.section, c.key, "def", 1024, ini), c.expected)
            << c.section << "/" << c.key;
    }
    EXPECT_EQ(GetPrivateProfileString("SERVER", "LOCATION", "def", 1024, dir / "none.ini"), "def");
}

TEST(PrivateProfileTest, CutsLongValuesToTheBuffer) {
    TempFolder dir;
    const std::string ini = dir / "a.ini";
    WriteFileBytes(ini, "[S]\r\nK=" + std::string(2000, 'x') + "\r\n");
    EXPECT_EQ(GetPrivateProfileString("S", "K", "", 1024, ini), std::string(1023, 'x'));
}

TEST(PrivateProfileTest, WritesCreateFileAndSectionAndKeepOtherLines) {
    TempFolder dir;
    const std::string ini = dir / "defaults.ini";
    ASSERT_TRUE(WritePrivateProfileString("GISPARAMS", "DATATABELLE", "20240101000000", ini));
    EXPECT_EQ(ReadFileBytes(ini), "[GISPARAMS]\r\nDATATABELLE=20240101000000\r\n");
    ASSERT_TRUE(WritePrivateProfileString("AGGIO", "VERSION", "1.2", ini));
    ASSERT_TRUE(WritePrivateProfileString("gisparams", "datatabelle", "X", ini));
    ASSERT_TRUE(WritePrivateProfileString("GISPARAMS", "DATACOLTURE", "Y", ini));
    EXPECT_EQ(ReadFileBytes(ini),
              "[GISPARAMS]\r\nDATATABELLE=X\r\nDATACOLTURE=Y\r\n[AGGIO]\r\nVERSION=1.2\r\n");
}

TEST(PrivateProfileTest, WriteIntoMissingFolderFails) {
    TempFolder dir;
    EXPECT_FALSE(WritePrivateProfileString("S", "K", "V", dir / "no/such/file.ini"));
}

}  // namespace
}  // namespace terv
