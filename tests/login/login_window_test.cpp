// The login window offscreen: the command line fills the boxes on activation and the timer logs
// in against terv-central without user action.
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

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

}  // namespace
}  // namespace terv::test
