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

TEST_F(UiPortTest, ListDialogParsesLayoutAndRows) {
    initlist("Selezionare servers.dat da usare", "IDÞ0ÞSERVERÞ1500Þ",
             "0|servers.datÞ1|servers_test.datÞ", "|", "Þ");
    port.listAnswers = {1};
    int chosen = -1;
    EXPECT_EQ(showlist(chosen), 0);
    EXPECT_EQ(chosen, 1);
    ASSERT_EQ(port.lists.size(), 1u);
    const ListDialog& d = port.lists[0];
    EXPECT_EQ(d.title, "Selezionare servers.dat da usare");
    ASSERT_EQ(d.columns.size(), 2u);
    EXPECT_EQ(d.columns[0].name, "ID");
    EXPECT_EQ(d.columns[0].width, 0);
    EXPECT_EQ(d.columns[1].width, 1500);
    ASSERT_EQ(d.rows.size(), 2u);
    EXPECT_EQ(d.rows[1], (std::vector<std::string>{"1", "servers_test.dat"}));
    EXPECT_EQ(showlist(chosen), 1);  // no scripted answer: cancelled
}

}  // namespace
}  // namespace terv
