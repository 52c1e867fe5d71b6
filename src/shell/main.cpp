// TERVPalm entry point: the start-up routine, then the window events until the last window
// closes; the global objects are released at the end, which empties the scratch folders.
//
// The command line reaches the login window unchanged (the arguments joined by blanks):
// "user" + "Þ" + "password" [+ "Þ" + skip-version flag].
#include <unistd.h>
#include <QApplication>
#include <QSocketNotifier>
#include <csignal>
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

int gStopPipe[2] = {-1, -1};

void OnStopSignal(int) {
    const char byte = 1;
    [[maybe_unused]] ssize_t n = write(gStopPipe[1], &byte, 1);
}

// SIGTERM and SIGINT close every window, so the program ends through its normal shutdown
// (which empties the scratch folders) instead of being cut off.
void CloseWindowsOnStopSignals(QApplication& app) {
    if (pipe(gStopPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(gStopPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
        char byte;
        [[maybe_unused]] ssize_t n = read(gStopPipe[0], &byte, 1);
        QApplication::closeAllWindows();
        QApplication::quit();
    });
    std::signal(SIGTERM, OnStopSignal);
    std::signal(SIGINT, OnStopSignal);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    CloseWindowsOnStopSignals(app);
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
