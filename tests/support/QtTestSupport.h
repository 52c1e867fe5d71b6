// Helpers of the tests that show windows (offscreen): one application object for the whole test
// program, and an event loop run until a condition holds.
#pragma once

#include <QApplication>
#include <QElapsedTimer>

namespace terv::test {

inline QApplication& App() {
    static int argc = 1;
    static char name[] = "terv_test";
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

}  // namespace terv::test
