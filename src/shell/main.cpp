// TERVPalm entry point: the program folder made ready (see ProgramHome.h), the start-up routine,
// then the window events until the last window closes; the global objects are released at the
// end, which empties the scratch folders. A termination request (SIGTERM, SIGHUP, SIGINT) ends
// the program the same way at any moment.
//
// The command line reaches the login window unchanged (the arguments joined by blanks):
// "user" + "Þ" + "password" [+ "Þ" + skip-version flag].
#include <QApplication>
#include <string>

#include "QtUiPort.h"
#include "Termination.h"
#include "modStartup.h"
#include "platform/UiPort.h"
#include "shell/base/ProgramHome.h"

namespace {

std::string JoinArguments(int argc, char** argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            line += ' ';
        line += argv[i];
    }
    return line;
}

}  // namespace

int main(int argc, char** argv) {
    // Before Qt starts any thread: a per-user program folder is named in TERVPALM_HOME.
    std::string homeError;
    terv::SettleProgramFolder(homeError);
    QApplication app(argc, argv);
    terv::EndOnTerminationRequests(app);
    terv::QtUiPort port;
    terv::SetUiPort(&port);
    const int code = homeError.empty() ? terv::RunProgram(JoinArguments(argc, argv))
                                       : terv::RefuseStart(homeError);
    terv::SetUiPort(nullptr);
    return code;
}
