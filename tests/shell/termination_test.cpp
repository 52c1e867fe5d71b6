// The program ended by SIGTERM (the program itself, offscreen) or by the end of the desktop
// session while a message box waits for an answer: it must end at once through its shutdown,
// leaving the scratch folders empty.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <thread>

#include <QApplication>
#include <QSpontaneKeyEvent>
#include <QTimer>

#include "QtUiPort.h"
#include "Termination.h"
#include "TestSupport.h"
#include "platform/UiPort.h"
#include "shell/config/clsTervcli.h"

namespace terv::test {
namespace {

namespace fs = std::filesystem;

// Waits until `done` holds; false after 20 seconds (a guard against a hang, not a timing).
bool WaitFor(const std::function<bool()>& done) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

pid_t StartProgram(const std::string& home, const std::string& commandLine) {
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("TERVPALM_HOME", home.c_str(), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        execl(TERVPALM_BIN, TERVPALM_BIN, commandLine.empty() ? nullptr : commandLine.c_str(),
              nullptr);
        _exit(127);
    }
    return pid;
}

// The files (not folders) directly inside `folder`.
std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.is_regular_file())
            names.push_back(entry.path().filename().string());
    }
    return names;
}

struct WaitingCase {
    const char* name;
    bool damagedTabelle;      // the start-up stops at its error message
    const char* commandLine;  // an automatic login to an unreachable server stops at its message
};

void PrintTo(const WaitingCase& c, std::ostream* os) {
    *os << c.name;
}

class TerminationTest : public ::testing::TestWithParam<WaitingCase> {};

TEST_P(TerminationTest, SigtermAtAMessageBoxEndsTheProgramWithItsShutdown) {
    const WaitingCase& c = GetParam();
    TempHome home;
    if (c.damagedTabelle)
        WriteFileBytes(home / "tabelle.mdb", std::string(4096, 'x'));
    WriteFileBytes(home / "servers.dat", "[SERVER]\r\nLOCATION=http://127.0.0.1:1/terv/\r\n");
    const std::string fglc = home / "tmp/fglc";
    const pid_t pid = StartProgram(home.path(), c.commandLine);
    ASSERT_GT(pid, 0);
    // The work folders are ready once the last one has its notice.
    ASSERT_TRUE(WaitFor([&] { return FileExists(fglc + "/zipagg/leggimi.txt"); }));
    if (!c.damagedTabelle) {
        // Scratch files of the run; the login clears the transit file as it starts, and runs no
        // event loop before its first message box.
        for (const char* file : {"/lavoro.dat", "/map/strato.shp", "/zipagg/aggpalm.exe"})
            WriteFileBytes(fglc + file, "x");
        WriteFileBytes(fglc + "/tmptransito.dat", "x");
        ASSERT_TRUE(WaitFor([&] { return !FileExists(fglc + "/tmptransito.dat"); }));
    }
    ASSERT_EQ(kill(pid, SIGTERM), 0);
    int status = 0;
    const bool ended = WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; });
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    ASSERT_TRUE(ended) << "still running after SIGTERM";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 128 + SIGTERM);
    const auto notices =
        c.damagedTabelle ? std::vector<std::string>{"leggimi.txt"} : std::vector<std::string>{};
    for (const char* folder : {"", "/map", "/zipagg"})
        EXPECT_EQ(FilesIn(fglc + folder), notices) << folder;
}

INSTANTIATE_TEST_SUITE_P(Program, TerminationTest,
                         ::testing::Values(WaitingCase{"DamagedTabelle", true, ""},
                                           WaitingCase{"LoginRefused", false, "DEMOÞdemo"}),
                         [](const auto& info) { return std::string(info.param.name); });

// The program at a question, when the session manager ends the desktop session (a Quit event
// from the platform). Exits 99 if the question gets its answer instead.
[[noreturn]] void EndSessionAtAQuestion(const std::string& fglc) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int argc = 1;
    char name[] = "tervpalm";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    EndOnTerminationRequests(app);
    QtUiPort port;
    SetUiPort(&port);
    gTervcli();
    WriteFileBytes(fglc + "/lavoro.dat", "x");
    QTimer::singleShot(0, [] {
        QEvent end(QEvent::Quit);
        QSpontaneKeyEvent::setSpontaneous(&end);
        qApp->notify(qApp, &end);  // as the platform delivers it (sendEvent clears the flag)
    });
    QTimer::singleShot(20000, [] { std::_Exit(98); });  // guard against a hang
    MsgBox("Continuare?", vbYesNo + vbQuestion);
    std::_Exit(99);
}

TEST(SessionEndTest, EndsTheProgramThroughItsShutdownWhileAQuestionWaits) {
    GTEST_FLAG_SET(death_test_style, "fast");
    TempHome home;
    const std::string fglc = home / "tmp/fglc";
    EXPECT_EXIT(EndSessionAtAQuestion(fglc), ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(FilesIn(fglc), std::vector<std::string>{});
}

}  // namespace
}  // namespace terv::test
