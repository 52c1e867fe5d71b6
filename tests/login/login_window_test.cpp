// The login window offscreen: its controls, the command line that fills the boxes on activation
// and logs in against terv-central without user action, and the server file switch.
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <filesystem>

#include "LoginFixture.h"
#include "login/frmLogin.h"

namespace terv::test {
namespace {

// One application object for the whole test program.
QApplication& App() {
    static int argc = 1;
    static char name[] = "login_window_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// Runs the event loop until `done` holds or `limitMs` passed; returns `done()`.
template <typename Done>
bool RunUntil(Done done, int limitMs = 20000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limitMs)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    return done();
}

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
    WriteFileBytes(home / "servers.dat",
                   ReadFileBytes(home / "servers.dat") + "[DEFAULT]\r\nUID=ALTRO\r\n");
    gCommandLine = "DEMOÞdemoÞ1";
    QPointer<frmLogin> window = new frmLogin;
    bool unloaded = false;
    bool loggedIn = false;
    QObject::connect(window, &frmLogin::unloaded, [&](bool ok) {
        unloaded = true;
        loggedIn = ok;
    });
    auto* user = window->findChild<QLineEdit*>("txtUserName");
    auto* password = window->findChild<QLineEdit*>("txtPassword");
    ASSERT_TRUE(user && password);
    EXPECT_EQ(user->text().toStdString(), "ALTRO");  // last user of servers.dat
    EXPECT_FALSE(window->timer()->isActive());
    EXPECT_EQ(window->timer()->interval(), 100);

    window->show();
    window->activateWindow();
    ASSERT_TRUE(RunUntil([&] { return gCommandLineDone != 0; }));
    EXPECT_EQ(user->text().toStdString(), "DEMO");
    EXPECT_EQ(password->text().toStdString(), "demo");
    EXPECT_EQ(gSkipVersionCheck, 1);
    EXPECT_TRUE(window->timer()->isActive() || gRuolo > 0);

    ASSERT_TRUE(RunUntil([&] { return unloaded; })) << "the automatic login did not finish";
    EXPECT_TRUE(loggedIn);
    EXPECT_GT(gRuolo, 0);
    EXPECT_EQ(gUserName, "DEMO");
    EXPECT_EQ(gProvRif, kSecondProvince);
    EXPECT_EQ(gClientName, kClientName);
    // The version check was skipped (3.1 would draw the advice) and nothing else was shown.
    EXPECT_EQ(ui.messages, std::vector<Message>{});
    EXPECT_EQ(ReadIni("DEFAULT", "UID", "", home / "servers.dat"), "DEMO");
    RunUntil([&] { return window.isNull(); }, 2000);
    EXPECT_TRUE(window.isNull());  // unloaded
}

TEST_F(LoginWindowTest, SingleFieldCommandLineDoesNothing) {
    StartServer();
    WriteDefaults("3.2");
    gCommandLine = "DEMO";
    QPointer<frmLogin> window = new frmLogin;
    window->show();
    window->activateWindow();
    ASSERT_TRUE(RunUntil([&] { return gCommandLineDone != 0; }));
    EXPECT_FALSE(window->timer()->isActive());
    EXPECT_EQ(window->UserText(), "");
    EXPECT_EQ(window->PasswordText(), "");
    EXPECT_EQ(gRuolo, 0);
    EXPECT_TRUE(ui.messages.empty());
    delete window.data();
}

TEST_F(LoginWindowTest, WrongPasswordKeepsTheWindowAndCancelUnloadsIt) {
    StartServer();
    WriteDefaults("3.2");
    QPointer<frmLogin> window = new frmLogin;
    bool unloaded = false;
    bool loggedIn = true;
    QObject::connect(window, &frmLogin::unloaded, [&](bool ok) {
        unloaded = true;
        loggedIn = ok;
    });
    window->show();
    window->SetUserText("DEMO");
    window->SetPasswordText("sbagliata");
    window->findChild<QPushButton*>("cmdOK")->click();
    EXPECT_EQ(ui.messages, std::vector<Message>{Box(kWrongCredentials, vbExclamation)});
    EXPECT_FALSE(unloaded);
    EXPECT_TRUE(window->isVisible());
    window->findChild<QPushButton*>("cmdCancel")->click();
    EXPECT_TRUE(unloaded);
    EXPECT_FALSE(loggedIn);
    EXPECT_EQ(ReadIni("DEFAULT", "UID", "", home / "servers.dat"), "");
    RunUntil([&] { return window.isNull(); }, 2000);
    EXPECT_TRUE(window.isNull());
}

TEST_F(LoginWindowTest, CaptionControlsAndLastUser) {
    WriteFileBytes(home / "servers.dat", "[DEFAULT]\r\nUID=ISPETTORE\r\n");
    frmLogin window;
    EXPECT_EQ(window.windowTitle().toStdString(), "Login [TERV CLIENT]");
    auto* user = window.findChild<QLineEdit*>("txtUserName");
    auto* password = window.findChild<QLineEdit*>("txtPassword");
    auto* ok = window.findChild<QPushButton*>("cmdOK");
    auto* cancel = window.findChild<QPushButton*>("cmdCancel");
    auto* userLabel = window.findChild<QLabel*>("lblLabels_0");
    auto* passwordLabel = window.findChild<QLabel*>("lblLabels_1");
    ASSERT_TRUE(user && password && ok && cancel && userLabel && passwordLabel);
    EXPECT_EQ(user->text().toStdString(), "ISPETTORE");
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    EXPECT_EQ(userLabel->text().toStdString(), "&Nome utente:");
    EXPECT_EQ(passwordLabel->text().toStdString(), "&Password:");
    EXPECT_EQ(userLabel->buddy(), user);
    EXPECT_EQ(passwordLabel->buddy(), password);
    EXPECT_EQ(ok->text().toStdString(), "OK");
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(cancel->text().toStdString(), "Cancel");
    EXPECT_EQ(user->nextInFocusChain(), password);
    EXPECT_EQ(window.timer()->objectName().toStdString(), "TimerDoLogin");
}

TEST_F(LoginWindowTest, ShiftAndTheAngleKeySwitchesTheServerFile) {
    namespace fs = std::filesystem;
    WriteFileBytes(home / "servers.dat", "[SERVER]\r\nLOCATION=http://vecchio/terv/\r\n");
    fs::create_directories(home / "bak");
    WriteFileBytes(home / "bak/servers_a.dat",
                   "[DEFAULT]\r\nUID=UTENTE_A\r\n[SERVER]\r\nLOCATION=http://a/terv/\r\n");
    WriteFileBytes(home / "bak/servers_b.dat",
                   "[DEFAULT]\r\nUID=UTENTE_B\r\n[SERVER]\r\nLOCATION=http://b/terv/\r\n");
    WriteFileBytes(home / "bak/altro.dat", "not listed");
    frmLogin window;
    window.SetPasswordText("segreta");
    ui.listAnswers = {1};
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Less, Qt::ShiftModifier, 94, 0, 0);
    QApplication::sendEvent(&window, &press);

    ASSERT_EQ(ui.lists.size(), 1u);
    const ListDialog& list = ui.lists[0];
    EXPECT_EQ(list.title, "Selezionare servers.dat da usare");
    ASSERT_EQ(list.columns.size(), 2u);
    EXPECT_EQ(list.columns[0].name, "ID");
    EXPECT_EQ(list.columns[0].width, 0);
    EXPECT_EQ(list.columns[1].name, "SERVER");
    EXPECT_EQ(list.columns[1].width, 1500);
    ASSERT_EQ(list.rows.size(), 2u);
    EXPECT_EQ(list.rows[0][0], "0");
    EXPECT_EQ(list.rows[1][0], "1");
    const std::string chosen = list.rows[1][1];
    const std::string letter = chosen == "servers_a.dat" ? "A" : "B";
    ASSERT_TRUE(chosen == "servers_a.dat" || chosen == "servers_b.dat") << chosen;
    EXPECT_EQ(ReadFileBytes(home / "servers.dat"), ReadFileBytes(home / ("bak/" + chosen)));
    EXPECT_EQ(window.UserText(), "UTENTE_" + letter);
    EXPECT_EQ(gTervcli().serverterv, letter == "A" ? "http://a/terv/" : "http://b/terv/");
    EXPECT_EQ(window.PasswordText(), "segret");
}

TEST_F(LoginWindowTest, ServerSwitchWithoutBakFolderOrOnCancelDoesNothing) {
    WriteFileBytes(home / "servers.dat", "[SERVER]\r\nLOCATION=http://vecchio/terv/\r\n");
    frmLogin window;
    window.SetPasswordText("segreta");
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Less, Qt::ShiftModifier, 94, 0, 0);
    QApplication::sendEvent(&window, &press);
    EXPECT_TRUE(ui.lists.empty());
    std::filesystem::create_directories(home / "bak");
    WriteFileBytes(home / "bak/servers_a.dat", "[SERVER]\r\nLOCATION=http://a/terv/\r\n");
    ui.listAnswers = {-1};
    QApplication::sendEvent(&window, &press);
    EXPECT_EQ(ui.lists.size(), 1u);
    EXPECT_EQ(gTervcli().serverterv, "http://vecchio/terv/");
    EXPECT_EQ(window.PasswordText(), "segreta");
    EXPECT_EQ(ReadFileBytes(home / "servers.dat"), "[SERVER]\r\nLOCATION=http://vecchio/terv/\r\n");
}

}  // namespace
}  // namespace terv::test
