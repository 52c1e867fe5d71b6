// TERVPalm entry point: runs the start-up routine.
//
// The command line reaches the program unchanged (its arguments joined by blanks), as the login
// window expects it ("user" + "Þ" + "password" [+ "Þ" + skip-version flag]).
#include <exception>
#include <iostream>
#include <string>

#include "platform/UiPort.h"
#include "shell/base/modMain.h"
#include "shell/config/clsTervcli.h"

namespace {

std::string JoinArguments(int argc, char** argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) line += ' ';
        line += argv[i];
    }
    return line;
}

}  // namespace

int main(int argc, char** argv) {
    terv::gAppTitle = "TERVPalm";
    terv::gCommandLine = JoinArguments(argc, argv);
    terv::gCommandLineDone = 0;
    try {
        terv::gTervcli();  // the login window's load constructs the configuration object
    } catch (const std::exception& e) {
        std::cerr << "TERVPalm: " << e.what() << '\n';
        return 1;
    }
    std::cout << "TERVPalm: cartelle di lavoro pronte in " << terv::gAppPath << '\n';
    terv::ReleaseTervcli();
    return 0;
}
