#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "QtTestSupport.h"
#include "TestSupport.h"
#include "frmMain.h"
#include "platform/UiPort.h"
#include "return/RientroDati.h"
#include "shell/base/clsCtrlForms.h"
#include "shell/base/modMain.h"
#include "shell/config/clsTervcli.h"

namespace terv {
namespace {

class DemoTourTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::App();
        ResetProgramState();
        SetUiPort(&port);
        setenv("TERVPALM_DEMO_SHOTS", shots.c_str(), 1);
        setenv("TERVPALM_DEMO_PART", "rientro", 1);
    }
    void TearDown() override {
        unsetenv("TERVPALM_DEMO_SHOTS");
        unsetenv("TERVPALM_DEMO_PART");
        QApplication::processEvents();
        ReleaseTervcli();
        ReleaseCtrlForms();
        SetUiPort(nullptr);
        ResetProgramState();
    }
    test::TempHome home;
    std::string shots = home / "shots";
    RecordingUiPort port;
};

// The return part picks the first card and runs the return from the main menu's return window:
// with no server to give a return number, the run stops at its first message, which the tour
// lets through; then the pictures, the end mark and the main window closed.
TEST_F(DemoTourTest, ReturnPartRunsTheReturnOnTheFirstCardAndCloses) {
    test::WriteFileBytes(home / "servers.dat", "[SERVER]\r\nLOCATION=http://127.0.0.1:1/terv/\r\n");
    gTervcli();
    frmMain window;
    window.show();
    ASSERT_TRUE(test::RunUntil([&] { return test::FileExists(shots + "/fatto.txt"); }));
    EXPECT_FALSE(window.isVisible());
    ASSERT_EQ(port.messages.size(), 1u);
    EXPECT_EQ(port.messages[0].text, kMsgInizioRientro);
    for (const char* picture : {"frmRientraDati.png", "frmRientraDati-dopo.png"})
        EXPECT_TRUE(test::FileExists(shots + "/" + picture)) << picture;
}

}  // namespace
}  // namespace terv
