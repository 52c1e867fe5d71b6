#include "modMain.h"

#include "ProgramHome.h"

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
    const ProgramHomeFacts facts = CurrentProgramHomeFacts();
    const ProgramHome home = ChooseProgramHome(facts);
    return home.folder.empty() ? facts.executableFolder : home.folder;
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
