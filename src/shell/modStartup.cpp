#include "modStartup.h"

#include <QApplication>

#include "data/net/Kovicli.h"
#include "data/net/velto_sso.h"
#include "frmMain.h"
#include "frmSplash.h"
#include "login/frmLogin.h"
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

}  // namespace terv
