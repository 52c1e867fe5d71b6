#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <chrono>
#include <filesystem>
#include <thread>

#include "ListDialogWindow.h"
#include "TestSupport.h"
#include "frmMain.h"
#include "frmSplash.h"
#include "login/frmLogin.h"
#include "platform/UiPort.h"
#include "shell/base/clsCtrlForms.h"
#include "shell/base/modMain.h"
#include "shell/config/clsTervcli.h"

namespace terv {
namespace {

using test::WriteFileBytes;

QApplication& App() {
    static int argc = 1;
    static char name[] = "windows_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

class WindowsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        App();
        ResetProgramState();
        SetUiPort(&port);
    }
    void TearDown() override {
        QApplication::processEvents();
        ReleaseTervcli();
        ReleaseCtrlForms();
        SetUiPort(nullptr);
        ResetProgramState();
    }
    test::TempHome home;
    RecordingUiPort port;
};

TEST_F(WindowsTest, MainWindowTitleAndMenu) {
    EXPECT_EQ(MainWindowTitle("1.2", ""), "Gestione - PALMARE V1.2");
    EXPECT_EQ(MainWindowTitle("1.2", "Regione"), "Gestione - PALMARE V1.2Regione - ");
    gTervcli();
    WriteFileBytes(home / "defaults.ini", "[AGGIO]\r\nVERSION=3.1\r\n");
    frmMain window;
    EXPECT_EQ(window.windowTitle().toStdString(), "Gestione - PALMARE V3.1");
    const struct {
        const char* name;
        const char* caption;
    } items[] = {
        {"MNU_ESCI", "&Esci"},
        {"MNU_UTILITA_LOADFOTO", "Carica foto di campo"},
        {"MNU_TRASF_ANNULLA_SCARICO", "Annulla uno scarico"},
        {"MNU_TRASF_DATI", "Trasferisci dati"},
        {"MNU_RIENTR_TRASF", "Trasferici dati"},
    };
    for (const auto& item : items) {
        QAction* action = window.findChild<QAction*>(item.name);
        ASSERT_NE(action, nullptr) << item.name;
        EXPECT_EQ(action->text().toStdString(), item.caption);
    }
    const struct {
        const char* name;
        const char* caption;
    } menus[] = {{"MNU_UTILITA", "Utilità"},
                 {"MNU_TRASF", "Trasferisci al palmare"},
                 {"MNU_RIENTR", "Rientro dati su PC"}};
    for (const auto& menu : menus) {
        QMenu* found = window.findChild<QMenu*>(menu.name);
        ASSERT_NE(found, nullptr) << menu.name;
        EXPECT_EQ(found->title().toStdString(), menu.caption);
    }
}

TEST_F(WindowsTest, MainWindowActivationUnloadsSplashAndReopensHttpLog) {
    gTervcli();
    auto* splash = new frmSplash;
    splash->PortamiDavanti();
    EXPECT_EQ(gCtrlForms().IsFormActive("frmSplash"), 1);
    EXPECT_EQ(splash->findChild<QLabel*>("lblWarning")->text().toStdString(), "Avvio in corso...");
    splash->GoOn();
    EXPECT_EQ(splash->progressBar()->value(), 1);
    frmMain window;
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    for (int i = 0; i < 20 && CurrentSplash(); ++i)
        QApplication::processEvents();
    EXPECT_EQ(CurrentSplash(), nullptr);
    EXPECT_EQ(gCtrlForms().IsFormActive("frmSplash"), 0);
}

TEST_F(WindowsTest, LoginWindowControls) {
    WriteFileBytes(home / "servers.dat", "[DEFAULT]\r\nUID=mario\r\n");
    frmLogin login;
    EXPECT_EQ(login.windowTitle().toStdString(), "Login [TERV CLIENT]");
    EXPECT_EQ(login.findChild<QLineEdit*>("txtUserName")->text().toStdString(), "mario");
    auto* password = login.findChild<QLineEdit*>("txtPassword");
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(login.findChild<QPushButton*>("cmdOK")->isDefault());
    EXPECT_EQ(login.findChild<QPushButton*>("cmdCancel")->text().toStdString(), "Cancel");
    EXPECT_EQ(login.findChild<QLabel*>("lblLabels_0")->text().toStdString(), "&Nome utente:");
    EXPECT_EQ(login.findChild<QLabel*>("lblLabels_1")->text().toStdString(), "&Password:");
    EXPECT_EQ(login.timer()->interval(), 100);
    EXPECT_FALSE(login.timer()->isActive());
    EXPECT_EQ(gCtrlForms().IsFormActive("frmLogin"), 1);
}

TEST_F(WindowsTest, ServerSwitchKeyPicksAFileFromBak) {
    EXPECT_TRUE(IsServerSwitchKey(94, Qt::Key_Greater, Qt::ShiftModifier));
    EXPECT_FALSE(IsServerSwitchKey(94, Qt::Key_Less, Qt::NoModifier));
    EXPECT_FALSE(IsServerSwitchKey(94, Qt::Key_Greater, Qt::ShiftModifier | Qt::ControlModifier));
    frmLogin login;
    login.SetPasswordText("secret");
    login.ChooseServerFile();  // no bak folder: nothing happens
    EXPECT_TRUE(port.lists.empty());
    std::filesystem::create_directory(home / "bak");
    WriteFileBytes(home / "bak/servers.dat", "[SERVER]\r\nLOCATION=http://a/\r\n");
    WriteFileBytes(home / "bak/servers_test.dat",
                   "[SERVER]\r\nLOCATION=http://b/terv/\r\n[DEFAULT]\r\nUID=luigi\r\n");
    port.listAnswers = {1};
    QKeyEvent key(QEvent::KeyPress, Qt::Key_Greater, Qt::ShiftModifier, 94, 0, 0, ">");
    QApplication::sendEvent(&login, &key);
    ASSERT_EQ(port.lists.size(), 1u);
    EXPECT_EQ(port.lists[0].title, "Selezionare servers.dat da usare");
    EXPECT_EQ(port.lists[0].rows[1], (std::vector<std::string>{"1", "servers_test.dat"}));
    EXPECT_EQ(gTervcli().serverterv, "http://b/terv/");
    EXPECT_EQ(login.UserText(), "luigi");
    EXPECT_EQ(login.PasswordText(), "secre");
    EXPECT_EQ(test::ReadFileBytes(home / "servers.dat"),
              test::ReadFileBytes(home / "bak/servers_test.dat"));
}

TEST_F(WindowsTest, PhotoLoaderGetsServerUserAndPasswordWithoutWaiting) {
    WriteFileBytes(home / "servers.dat", "[SERVER]\r\nLOCATION=http://h:1/terv/\r\n");
    gTervcli();
    gUserName = "mario";
    gPassword = "p w";
    const std::string out = home / "args.txt";
    WriteFileBytes(home / "loadfoto", "#!/bin/sh\nsleep 1\nprintf '%s|' \"$#\" \"$@\" > '" + out +
                                          ".tmp'\nmv '" + out + ".tmp' '" + out + "'\n");
    std::filesystem::permissions(home / "loadfoto", std::filesystem::perms::owner_all);
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(StartPhotoLoader());
    EXPECT_FALSE(test::FileExists(out));  // it did not wait for the loader
    while (!test::FileExists(out) &&
           std::chrono::steady_clock::now() - started < std::chrono::seconds(20)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(test::ReadFileBytes(out), "1|http://h:1/terv/ÞmarioÞp w|");
}

TEST_F(WindowsTest, ListDialogShowsColumnsWithTwipWidths) {
    ListDialog dialog = ParseListDialog("T", "IDÞ0ÞSERVERÞ1500Þ", "0|aÞ1|bÞ", "|", "Þ");
    ListDialogWindow window(dialog);
    EXPECT_EQ(window.windowTitle().toStdString(), "T");
    EXPECT_TRUE(window.list()->isColumnHidden(0));
    EXPECT_EQ(window.list()->columnWidth(1), 100);
    EXPECT_EQ(window.list()->topLevelItemCount(), 2);
    window.list()->setCurrentItem(window.list()->topLevelItem(1));
    EXPECT_EQ(window.chosenRow(), 1);
}

}  // namespace
}  // namespace terv
