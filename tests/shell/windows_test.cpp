#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>

#include "ListDialogWindow.h"
#include "QtTestSupport.h"
#include "QtUiPort.h"
#include "TestSupport.h"
#include "frmMain.h"
#include "frmSplash.h"
#include "modStartup.h"
#include "platform/UiPort.h"
#include "return/RientroDati.h"
#include "shell/base/clsCtrlForms.h"
#include "shell/base/modMain.h"
#include "shell/config/clsTervcli.h"

namespace terv {
namespace {

using test::WriteFileBytes;

class WindowsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::App();
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

TEST_F(WindowsTest, MainWindowTitleMenuAndPhotoLoaderErrors) {
    EXPECT_EQ(MainWindowTitle("1.2", ""), "Gestione - PALMARE V1.2");
    EXPECT_EQ(MainWindowTitle("1.2", "Regione"), "Gestione - PALMARE V1.2Regione - ");
    gTervcli();
    WriteFileBytes(home / "defaults.ini", "[AGGIO]\r\nVERSION=3.1\r\n");
    frmMain window;
    EXPECT_EQ(window.windowTitle().toStdString(), "Gestione - PALMARE V3.1");
    // Menus show their captions through their menu actions.
    const std::pair<const char*, const char*> items[] = {
        {"MNU_ESCI", "&Esci"},
        {"MNU_UTILITA_LOADFOTO", "Carica foto di campo"},
        {"MNU_TRASF_ANNULLA_SCARICO", "Annulla uno scarico"},
        {"MNU_TRASF_DATI", "Trasferisci dati"},
        {"MNU_RIENTR_TRASF", "Trasferici dati"},
        {"MNU_UTILITA", "Utilità"},
        {"MNU_TRASF", "Trasferisci al palmare"},
        {"MNU_RIENTR", "Rientro dati su PC"},
    };
    for (const auto& [name, caption] : items) {
        QAction* action = window.findChild<QAction*>(name);
        if (auto* menu = window.findChild<QMenu*>(name))
            action = menu->menuAction();
        ASSERT_NE(action, nullptr) << name;
        EXPECT_EQ(action->text().toStdString(), caption);
    }
    // The photo loader command, with no loader in the program folder, then one not executable.
    const std::string program = home / "loadfoto";
    window.findChild<QAction*>("MNU_UTILITA_LOADFOTO")->trigger();
    WriteFileBytes(program, "#!/bin/sh\n");
    window.findChild<QAction*>("MNU_UTILITA_LOADFOTO")->trigger();
    EXPECT_EQ(
        port.messages,
        (std::vector<RecordingUiPort::Message>{
            {"Programma di caricamento foto non trovato:\r" + program, vbExclamation, "TERVPalm"},
            {"Impossibile avviare il programma di caricamento foto:\r" + program, vbExclamation,
             "TERVPalm"}}));
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

TEST_F(WindowsTest, PhotoLoaderGetsServerUserAndPasswordWithoutWaiting) {
    WriteFileBytes(home / "servers.dat", "[SERVER]\r\nLOCATION=http://h:1/terv/\r\n");
    gTervcli();
    gUserName = "mario";
    gPassword = "p w";
    const std::string out = home / "args.txt";
    WriteFileBytes(home / "loadfoto", "#!/bin/sh\nsleep 1\nprintf '%s|' \"$#\" \"$@\" > '" + out +
                                          ".tmp'\nmv '" + out + ".tmp' '" + out + "'\n");
    std::filesystem::permissions(home / "loadfoto", std::filesystem::perms::owner_all);
    ASSERT_TRUE(StartPhotoLoader());
    EXPECT_FALSE(test::FileExists(out));  // it did not wait for the loader
    test::RunUntil([&] { return test::FileExists(out); });
    EXPECT_EQ(test::ReadFileBytes(out), "1|http://h:1/terv/ÞmarioÞp w|");
}

// Without a readable tabelle.mdb the start-up says which file and what to do, then ends
// through the shutdown (so no "Form attivi!" for the splash window).
TEST_F(WindowsTest, StartUpWithoutReferenceDatabaseExplainsAndEnds) {
    const std::string tabelle = home / "tabelle.mdb";
    const std::vector<RecordingUiPort::Message> expected = {
        {"Impossibile aprire il database di riferimento:\r" + tabelle +
             "\rReinstallare il programma o copiare un tabelle.mdb integro nella cartella del "
             "programma.",
         vbCritical, "TERVPalm"}};
    std::filesystem::remove(tabelle);
    EXPECT_EQ(RunProgram(""), 1);
    EXPECT_EQ(port.messages, expected);
    port.Reset();
    WriteFileBytes(tabelle, std::string(4096, 'x'));
    EXPECT_EQ(RunProgram(""), 1);
    EXPECT_EQ(port.messages, expected);
    EXPECT_EQ(CurrentSplash(), nullptr);
}

// The splash window is topmost while the login works: the port's dialogs open above it.
TEST_F(WindowsTest, QtDialogsOpenAboveTheTopmostSplash) {
    QtUiPort qt;
    std::vector<bool> above;
    auto answer = [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        above.push_back(dialog && dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        if (dialog)
            dialog->reject();
    };
    QTimer::singleShot(0, answer);
    EXPECT_EQ(qt.MsgBox("Continuare?", vbYesNo + vbQuestion, ""), vbCancel);
    QTimer::singleShot(0, answer);
    int chosen = -1;
    EXPECT_FALSE(qt.ShowList(ParseListDialog("T", "IDÞ0Þ", "0Þ", "|", "Þ"), chosen));
    EXPECT_EQ(above, (std::vector<bool>{true, true}));
}

TEST(QtUiPortTest, CarriageReturnsBreakLines) {
    EXPECT_EQ(MessageText("Riga 1\rRiga 2\r\nRiga 3\r\rè").toStdString(),
              "Riga 1\nRiga 2\nRiga 3\n\nè");
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

// The demo tour's return part picks the first card and runs the return from the main menu's
// return window: with no server to give a return number, the run stops at its first message,
// which the tour lets through; then the pictures, the end mark and the main window closed.
TEST_F(WindowsTest, DemoTourReturnPartRunsTheReturnOnTheFirstCardAndCloses) {
    const std::string shots = home / "shots";
    setenv("TERVPALM_DEMO_SHOTS", shots.c_str(), 1);
    setenv("TERVPALM_DEMO_PART", "rientro", 1);
    WriteFileBytes(home / "servers.dat", "[SERVER]\r\nLOCATION=http://127.0.0.1:1/terv/\r\n");
    gTervcli();
    frmMain window;
    window.show();
    unsetenv("TERVPALM_DEMO_SHOTS");
    unsetenv("TERVPALM_DEMO_PART");
    ASSERT_TRUE(test::RunUntil([&] { return test::FileExists(shots + "/fatto.txt"); }));
    EXPECT_FALSE(window.isVisible());
    ASSERT_EQ(port.messages.size(), 1u);
    EXPECT_EQ(port.messages[0].text, kMsgInizioRientro);
    for (const char* picture : {"frmRientraDati.png", "frmRientraDati-dopo.png"})
        EXPECT_TRUE(test::FileExists(shots + "/" + picture)) << picture;
}

}  // namespace
}  // namespace terv
