#include "Termination.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>

#include "modStartup.h"
#include "platform/UiPort.h"

namespace terv {

namespace {

// The signal handler only writes the signal number into this pipe; the notifier reads it on the
// user-interface thread, where the program's state may be touched.
int gRequestPipe[2] = {-1, -1};

void OnTerminationSignal(int signo) {
    const char byte = static_cast<char>(signo);
    [[maybe_unused]] ssize_t n = write(gRequestPipe[1], &byte, 1);
}

// Ends the program from wherever the event loop runs: a procedure or a dialog may still be on
// the stack, so the process exits here instead of returning to them.
[[noreturn]] void EndProgram(int exitCode) {
    SetDialogsRefused(true);
    ShutDown();
    ReleaseGlobals();
    std::fflush(nullptr);
    _exit(exitCode);
}

// The desktop session's end reaches the program as a Quit event from the platform (the only
// spontaneous one); left to Qt it would close the windows one by one and give up at the first
// message box that waits for an answer.
class SessionEndFilter : public QObject {
  public:
    using QObject::QObject;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Quit && event->spontaneous())
            EndProgram(0);
        return false;
    }
};

}  // namespace

void EndOnTerminationRequests(QCoreApplication& app) {
    if (pipe2(gRequestPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(gRequestPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [notifier] {
        notifier->setEnabled(false);
        char signo = 0;
        [[maybe_unused]] ssize_t n = read(gRequestPipe[0], &signo, 1);
        EndProgram(128 + signo);
    });
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signo : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signo, &action, nullptr);
    app.installEventFilter(new SessionEndFilter(&app));
}

}  // namespace terv
