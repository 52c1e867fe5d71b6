// The login window offscreen: its controls, the command line that fills the boxes on activation
// and logs in against terv-central without user action, and the server file switch.
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "LoginFixture.h"
#include "QtTestSupport.h"
#include "login/frmLogin.h"
#include "shell/frmSplash.h"
#include "shell/modStartup.h"

namespace terv::test {
namespace {

class LoginWindowTest : public LoginTest {
  protected:
    void SetUp() override {
        App();
        LoginTest::SetUp();
    }
};

TEST_F(LoginWindowTest, CommandLineLogsInAfterActivation) {
    StartServer();
    WriteDefaults("3.1");
    gCommandLine = "DEMOÞdemoÞ1";
    QPointer<frmLogin> window = new frmLogin;
    std::vector<bool> unloads;
    QObject::connect(window, &frmLogin::unloaded, [&](bool ok) { unloads.push_back(ok); });
    EXPECT_FALSE(window->timer()->isActive());

    window->show();
    window->activateWindow();
    ASSERT_TRUE(RunUntil([&] { return gCommandLineDone != 0; }));
    EXPECT_EQ(window->UserText(), "DEMO");
    EXPECT_EQ(window->PasswordText(), "demo");
    EXPECT_EQ(gSkipVersionCheck, 1);
    EXPECT_TRUE(window->timer()->isActive() || gRuolo > 0);

    ASSERT_TRUE(RunUntil([&] { return !unloads.empty(); })) << "the automatic login did not end";
    EXPECT_EQ(unloads, std::vector<bool>{true});
    EXPECT_GT(gRuolo, 0);
    EXPECT_EQ(gUserName, "DEMO");
    // The version check was skipped (3.1 would draw the advice) and nothing else was shown.
    EXPECT_EQ(ui.messages, std::vector<Message>{});
    EXPECT_EQ(ReadIni("DEFAULT", "UID", "", home / "servers.dat"), "DEMO");
    RunUntil([&] { return window.isNull(); }, 2000);
    EXPECT_TRUE(window.isNull());  // unloaded
}

TEST_F(LoginWindowTest, CaptionControlsLastUserAndCancel) {
    WriteFileBytes(home / "servers.dat", "[DEFAULT]\r\nUID=ISPETTORE\r\n");
    QPointer<frmLogin> window = new frmLogin;
    EXPECT_EQ(window->windowTitle().toStdString(), "Login [TERV CLIENT]");
    auto* user = window->findChild<QLineEdit*>("txtUserName");
    auto* password = window->findChild<QLineEdit*>("txtPassword");
    ASSERT_TRUE(user && password);
    EXPECT_EQ(user->text().toStdString(), "ISPETTORE");
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    EXPECT_EQ(user->nextInFocusChain(), password);
    const std::tuple<const char*, const char*, QWidget*> labels[] = {
        {"lblLabels_0", "&Nome utente:", user}, {"lblLabels_1", "&Password:", password}};
    for (const auto& [name, text, buddy] : labels) {
        auto* label = window->findChild<QLabel*>(name);
        ASSERT_TRUE(label) << name;
        EXPECT_EQ(label->text().toStdString(), text);
        EXPECT_EQ(label->buddy(), buddy);
    }
    for (const char* name : {"cmdOK", "cmdCancel"}) {
        auto* button = window->findChild<QPushButton*>(name);
        ASSERT_TRUE(button) << name;
        EXPECT_EQ(button->text().toStdString(), name + 3);  // "OK", "Cancel"
        EXPECT_EQ(button->isDefault(), std::string(name) == "cmdOK");
    }
    EXPECT_EQ(window->timer()->interval(), 100);
    // Cancel unloads the window without saving the typed user.
    std::vector<bool> unloads;
    QObject::connect(window, &frmLogin::unloaded, [&](bool ok) { unloads.push_back(ok); });
    window->show();
    window->SetUserText("DEMO");
    window->findChild<QPushButton*>("cmdCancel")->click();
    EXPECT_EQ(unloads, std::vector<bool>{false});
    EXPECT_EQ(ReadIni("DEFAULT", "UID", "", home / "servers.dat"), "ISPETTORE");
    RunUntil([&] { return window.isNull(); }, 2000);
    EXPECT_TRUE(window.isNull());
}

// Shift + the "<>" key typed while a box of the window has the focus.
void TypeSwitchKey(frmLogin& window, const char* box) {
    window.show();
    QApplication::setActiveWindow(&window);
    auto* edit = window.findChild<QLineEdit*>(box);
    edit->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), edit);
    QTest::keyClick(edit, Qt::Key_Greater, Qt::ShiftModifier);
}

TEST_F(LoginWindowTest, ShiftAndTheAngleKeySwitchesTheServerFile) {
    EXPECT_TRUE(IsServerSwitchKey(94, Qt::Key_Less, Qt::ShiftModifier));
    EXPECT_TRUE(IsServerSwitchKey(0, Qt::Key_Greater, Qt::ShiftModifier));
    EXPECT_FALSE(IsServerSwitchKey(94, Qt::Key_Less, Qt::NoModifier));
    EXPECT_FALSE(IsServerSwitchKey(94, Qt::Key_Greater, Qt::ShiftModifier | Qt::ControlModifier));
    const std::string old = "[SERVER]\r\nLOCATION=http://vecchio/terv/\r\n";
    WriteFileBytes(home / "servers.dat", old);
    frmLogin window;
    window.SetUserText("DEMO");
    window.SetPasswordText("segreta");
    // Without a bak folder, and when the list is cancelled, nothing changes.
    TypeSwitchKey(window, "txtPassword");
    EXPECT_TRUE(ui.lists.empty());
    std::filesystem::create_directories(home / "bak");
    WriteFileBytes(home / "bak/servers_a.dat",
                   "[DEFAULT]\r\nUID=UTENTE_A\r\n[SERVER]\r\nLOCATION=http://a/terv/\r\n");
    WriteFileBytes(home / "bak/servers_b.dat",
                   "[DEFAULT]\r\nUID=UTENTE_B\r\n[SERVER]\r\nLOCATION=http://b/terv/\r\n");
    WriteFileBytes(home / "bak/altro.dat", "not listed");
    ui.listAnswers = {-1};
    TypeSwitchKey(window, "txtUserName");
    EXPECT_EQ(ui.lists.size(), 1u);
    EXPECT_EQ(gTervcli().serverterv, "http://vecchio/terv/");
    EXPECT_EQ(window.UserText(), "DEMO");
    EXPECT_EQ(window.PasswordText(), "segreta");
    EXPECT_EQ(ReadFileBytes(home / "servers.dat"), old);

    ui.listAnswers = {1};
    TypeSwitchKey(window, "txtPassword");
    ASSERT_EQ(ui.lists.size(), 2u);
    const ListDialog& list = ui.lists[1];
    EXPECT_EQ(list.title, "Selezionare servers.dat da usare");
    std::vector<std::pair<std::string, int>> columns;
    for (const ListColumn& column : list.columns)
        columns.emplace_back(column.name, column.width);
    EXPECT_EQ(columns, (std::vector<std::pair<std::string, int>>{{"ID", 0}, {"SERVER", 1500}}));
    ASSERT_EQ(list.rows.size(), 2u);
    EXPECT_EQ(list.rows[0][0] + list.rows[1][0], "01");
    const std::string chosen = list.rows[1][1];
    const std::string letter = chosen == "servers_a.dat" ? "A" : "B";
    ASSERT_TRUE(chosen == "servers_a.dat" || chosen == "servers_b.dat") << chosen;
    EXPECT_EQ(ReadFileBytes(home / "servers.dat"), ReadFileBytes(home / ("bak/" + chosen)));
    EXPECT_EQ(window.UserText(), "UTENTE_" + letter);
    EXPECT_EQ(gTervcli().serverterv, letter == "A" ? "http://a/terv/" : "http://b/terv/");
    // The switch drops the last character; the key itself is not typed into the box.
    EXPECT_EQ(window.PasswordText(), "segret");
}

// The splash window follows every attempt: brought forward with its warning and an empty bar,
// then one step of the bar per step of the login, full when the login succeeds.
TEST_F(LoginWindowTest, EachAttemptBringsTheSplashForwardAndAdvancesIt) {
    StartServer();
    WriteDefaults("3.2");
    StartUp("");
    QPointer<frmSplash> splash = CurrentSplash();
    ASSERT_TRUE(splash);
    QProgressBar* bar = splash->progressBar();
    std::vector<int> values;
    QObject::connect(bar, &QProgressBar::valueChanged, bar, [&](int v) { values.push_back(v); });
    QPointer<frmLogin> login;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (!login)
            login = qobject_cast<frmLogin*>(widget);
    }
    ASSERT_TRUE(login);
    login->SetUserText("DEMO");
    login->SetPasswordText("sbagliata");
    login->findChild<QPushButton*>("cmdOK")->click();
    EXPECT_EQ(ui.messages, std::vector<Message>{Box(kWrongCredentials, vbExclamation)});
    EXPECT_EQ(values, (std::vector<int>{0, 1, 2}));
    auto* warning = splash->findChild<QLabel*>("lblWarning");
    EXPECT_TRUE(warning->isVisible());
    EXPECT_EQ(warning->text().toStdString(), "Avvio in corso...");
    EXPECT_TRUE(bar->isVisible());

    login->SetPasswordText("demo");
    login->findChild<QPushButton*>("cmdOK")->click();
    EXPECT_GT(gRuolo, 0);
    EXPECT_EQ(values, (std::vector<int>{0, 1, 2, 0, 1, 2, 3}));
    EXPECT_EQ(bar->maximum(), 3);
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == "frmMain")
            widget->close();
    }
    RunUntil([&] { return splash.isNull(); }, 2000);
    EXPECT_TRUE(splash.isNull());
}

}  // namespace
}  // namespace terv::test
