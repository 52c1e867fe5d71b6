#include "modMain.h"

#include <cstdlib>
#include <filesystem>

namespace terv {

std::string gAppPath, gTmpPath, gMapPath;
std::string gCommandLine;
int gCommandLineDone = 0;
std::string gUserName, gPassword;
int32_t gRuolo = 0, gSettore = 0;
std::string gProvRif;
int32_t gProfCount = 0;
std::vector<std::string> gProfProvRif;
std::vector<int32_t> gProfRuolo, gProfSettore;
std::string gClientName;
bool gSso = false;
int32_t gSkipVersionCheck = 0;

std::string ProgramFolder() {
    namespace fs = std::filesystem;
    std::string folder;
    if (const char* home = std::getenv("TERVPALM_HOME"); home && *home) {
        folder = home;
    } else {
        std::error_code ec;
        const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
        folder = ec ? fs::current_path().string() : exe.parent_path().string();
    }
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

void ResetProgramState() {
    gAppPath.clear();
    gTmpPath.clear();
    gMapPath.clear();
    gCommandLine.clear();
    gCommandLineDone = 0;
    gUserName.clear();
    gPassword.clear();
    gRuolo = gSettore = gProfCount = gSkipVersionCheck = 0;
    gProvRif.clear();
    gProfProvRif.clear();
    gProfRuolo.clear();
    gProfSettore.clear();
    gClientName.clear();
    gSso = false;
}

}  // namespace terv
