#include "modStartup.h"

#include <QApplication>
#include <QProgressBar>
#include <exception>
#include <iostream>

#include "data/net/Kovicli.h"
#include "data/net/velto_sso.h"
#include "frmMain.h"
#include "frmSplash.h"
#include "login/frmLogin.h"
#include "login/modLogin.h"
#include "platform/UiPort.h"
#include "shell/base/clsCtrlForms.h"
#include "shell/base/modMain.h"
#include "shell/config/clsTervcli.h"

namespace terv {

void StartUp(const std::string& commandLine) {
    gAppTitle = "TERVPalm";
    gCommandLine = commandLine;
    gCommandLineDone = 0;
    auto* splash = new frmSplash;
    splash->show();
    auto* login = new frmLogin;  // its load constructs the configuration object
    // Each login attempt brings the splash window forward and advances its bar step by step.
    splash->progressBar()->setMaximum(kLoginSteps);
    QObject::connect(login, &frmLogin::attemptStarted, [] {
        if (frmSplash* current = CurrentSplash())
            current->PortamiDavanti();
    });
    QObject::connect(login, &frmLogin::stepDone, [] {
        if (frmSplash* current = CurrentSplash())
            current->GoOn();
    });
    QObject::connect(login, &frmLogin::unloaded, [](bool loggedIn) {
        if (loggedIn) {
            ShowMainWindow();
        } else {
            ShutDown();
        }
    });
    login->show();
    login->activateWindow();
}

frmMain* ShowMainWindow() {
    auto* main = new frmMain;
    main->setAttribute(Qt::WA_DeleteOnClose);
    main->show();
    main->activateWindow();
    return main;
}

void ShutDown() {
    UnloadSplashIfOpen();
    HttpDisconnect();
    SsoDisconnect();
}

void ReleaseGlobals() {
    ReleaseCtrlForms();
    ReleaseTervcli();
}

int RunProgram(const std::string& commandLine) {
    int code = 0;
    try {
        StartUp(commandLine);
        code = QApplication::exec();
    } catch (const std::exception& e) {
        MsgBox(e.what(), vbCritical);
        ShutDown();
        code = 1;
    }
    ReleaseGlobals();
    return code;
}

int RefuseStart(const std::string& reason) {
    std::cerr << "tervpalm: " << reason << std::endl;
    MsgBox(reason, vbCritical, "TERVPalm");
    return 1;
}

}  // namespace terv
