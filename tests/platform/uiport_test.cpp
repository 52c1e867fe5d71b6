#include <gtest/gtest.h>

#include "platform/UiPort.h"

namespace terv {
namespace {

class UiPortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetUiPort(&port);
        gAppTitle = "TERVPalm";
    }
    void TearDown() override { SetUiPort(nullptr); }
    RecordingUiPort port;
};

TEST_F(UiPortTest, MessageBoxesAreRecordedAndAnsweredFromTheScript) {
    port.msgAnswers = {vbNo};
    EXPECT_EQ(MsgBox("Continuare?", vbYesNo + vbQuestion, "Titolo"), vbNo);
    EXPECT_EQ(MsgBox("Fatto"), vbOK);  // script empty: first button
    EXPECT_EQ(MsgBox("Annullare?", vbYesNo), vbYes);
    ASSERT_EQ(port.messages.size(), 3u);
    EXPECT_EQ(port.messages[0], (RecordingUiPort::Message{"Continuare?", 36, "Titolo"}));
    EXPECT_EQ(port.messages[1].title, "TERVPalm");
    int chosen = 5;
    EXPECT_EQ(showlist(chosen), 1);  // no scripted answer: cancelled
    EXPECT_EQ(chosen, 5);
}

// While the program ends on a termination request, nothing reaches the port and every box
// answers with its refusal.
TEST_F(UiPortTest, RefusedDialogsAnswerAtOnce) {
    SetDialogsRefused(true);
    const std::pair<int, int> answers[] = {
        {vbOKOnly, vbOK},
        {vbOKCancel, vbCancel},
        {vbAbortRetryIgnore, vbAbort},
        {vbYesNoCancel + vbQuestion, vbCancel},
        {vbYesNo + vbQuestion, vbNo},
        {vbRetryCancel + vbDefaultButton2, vbCancel},
    };
    for (auto [style, answer] : answers)
        EXPECT_EQ(MsgBox("Continuare?", style), answer) << style;
    initlist("T", "IDÞ0Þ", "0Þ", "|", "Þ");
    port.listAnswers = {0};
    int chosen = -1;
    EXPECT_EQ(showlist(chosen), 1);
    SetDialogsRefused(false);
    EXPECT_TRUE(port.messages.empty());
    EXPECT_TRUE(port.lists.empty());
    EXPECT_EQ(chosen, -1);
}

}  // namespace
}  // namespace terv
