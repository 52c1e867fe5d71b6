// TERVPalm entry point: the start-up routine, then the window events until the last window
// closes; the global objects are released at the end, which empties the scratch folders.
//
// The command line reaches the login window unchanged (the arguments joined by blanks):
// "user" + "Þ" + "password" [+ "Þ" + skip-version flag].
#include <QApplication>
#include <exception>
#include <string>

#include "QtUiPort.h"
#include "modStartup.h"
#include "platform/UiPort.h"

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
    QApplication app(argc, argv);
    terv::QtUiPort port;
    terv::SetUiPort(&port);
    int code = 0;
    try {
        terv::StartUp(JoinArguments(argc, argv));
        code = app.exec();
    } catch (const std::exception& e) {
        terv::MsgBox(e.what(), terv::vbCritical);
        code = 1;
    }
    terv::ReleaseGlobals();
    terv::SetUiPort(nullptr);
    return code;
}
