#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "platform/UiPort.h"
#include "shell/base/IniFiles.h"
#include "shell/base/LogFiles.h"
#include "shell/base/clsCtrlForms.h"

namespace terv {
namespace {

using test::ReadFileBytes;

class BaseTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetUiPort(&port);
        InitLogs();
    }
    void TearDown() override { SetUiPort(nullptr); }
    RecordingUiPort port;
    test::TempFolder dir;
};

TEST_F(BaseTest, IniFilesConvertTheCodePage) {
    const std::string ini = dir / "defaults.ini";
    InitIni(1024, ini);
    WriteIni("GISPARAMS", "CITTA", "Città", ini);
    EXPECT_EQ(ReadFileBytes(ini), "[GISPARAMS]\r\nCITTA=Citt\xE0\r\n");
    EXPECT_EQ(ReadIni("gisparams", "citta", "", ini), "Città");
    EXPECT_EQ(ReadIni("GISPARAMS", "NONE", "20040301000000", ini), "20040301000000");
    EXPECT_EQ(IniDefaultFile(), ini);
}

// Line ends, code page, appending and the HTTP log's own use are tested with the HTTP client.
TEST_F(BaseTest, LogHandlesCountedLinesAndCloseModes) {
    // A log that cannot be opened: message and 0, and its handle number stays used.
    EXPECT_EQ(OpenLog(dir / "no/such/folder/x.log", true), 0);
    ASSERT_EQ(port.messages.size(), 1u);
    EXPECT_EQ(port.messages[0], (RecordingUiPort::Message{"Il file non può essere aperto/creato!",
                                                          vbExclamation, "TERVPalm"}));
    const std::string kept = dir / "kept.log", empty = dir / "empty.log";
    const long a = OpenLog(kept, false), b = OpenLog(empty, false);
    EXPECT_EQ(a, 2);
    EXPECT_EQ(b, 3);
    WriteLog(a, "x", 1, true);
    WriteLog(b, "not counted", 0, false);
    CloseLog(a, 1);
    CloseLog(b, 1);
    EXPECT_EQ(ReadFileBytes(kept), "x\r\n\r\n");
    EXPECT_FALSE(std::filesystem::exists(empty));  // nothing counted: deleted
    CloseLog(OpenLog(kept, true), 0);              // mode 0 keeps it all the same
    EXPECT_EQ(ReadFileBytes(kept), "x\r\n\r\n");
    const long d = OpenLog(kept, true);
    WriteLog(d, "y", 0, true);
    CloseLog(d, 2);  // any other mode deletes
    EXPECT_FALSE(std::filesystem::exists(kept));
    WriteLog(0, "no log", 0, true);
    EXPECT_EQ(LogHandleCount(), 5);
    EXPECT_EQ(port.messages.size(), 1u);
}

TEST_F(BaseTest, WindowRegistryCountsInstancesAndGrowsByTen) {
    {
        clsCtrlForms forms;
        EXPECT_EQ(forms.AddForm("frmSplash", true), 0);
        EXPECT_EQ(forms.AddForm("frmSplash", false), 0);
        EXPECT_EQ(forms.IsFormActive("frmSplash"), 2);
        EXPECT_EQ(forms.IsFormVisible("frmSplash"), 0);
        forms.SetFormVisible("frmSplash", 1);
        EXPECT_EQ(forms.IsFormVisible("frmSplash"), 1);
        forms.RemForm("frmSplash");
        EXPECT_EQ(forms.seekform("frmSplash"), -1);
        forms.RemForm("frmUnknown");
        EXPECT_EQ(forms.AddForm("frmSplash", true), 1);  // fresh record
        EXPECT_EQ(forms.capacity(), 10);
        for (int i = 0; i < 9; ++i)
            forms.AddForm("frm" + std::to_string(i), true);
        EXPECT_EQ(forms.capacity(), 20);  // the 11th record
        EXPECT_EQ(forms.used(), 11);
        for (int i = 0; i < 9; ++i)
            forms.RemForm("frm" + std::to_string(i));
        forms.RemForm("frmSplash");
        EXPECT_TRUE(port.messages.empty());
    }
    // The first splash record still counted one instance when the registry went away.
    ASSERT_EQ(port.messages.size(), 1u);
    EXPECT_EQ(port.messages[0].text, "Form attivi!");
    EXPECT_EQ(port.messages[0].style, vbOKOnly);
    EXPECT_EQ(port.beeps, 1);
}

}  // namespace
}  // namespace terv
