#include "Kovicli.h"

#include "KovicliLib.h"
#include "shell/base/LogFiles.h"

namespace terv {

int16_t gSilentCount = 0;
long gHttpLog = 0;

void SetSilent(int16_t delta) {
    gSilentCount = static_cast<int16_t>(gSilentCount + delta);
    KOVICLISilentMode(gSilentCount > 0 ? -1 : 0);
}

void OpenHttpLog(const std::string& path, intptr_t ownerWindow) {
    if (ownerWindow != 0)
        KOVICLISetParentWnd(ownerWindow);
    if (path.empty()) {
        gHttpLog = 0;
        return;
    }
    if (gHttpLog > 0)
        CloseHttpLog();
    gHttpLog = OpenLog(path, true);
}

void CloseHttpLog() {
    if (gHttpLog > 0)
        CloseLog(gHttpLog, 1);
}

void HttpLog(const std::string& text) {
    WriteLog(gHttpLog, text, 0, true);
}

void HttpDisconnect() {
    KOVICLIDisconnect();
}

void ResetKovicli() {
    CloseHttpLog();
    gHttpLog = 0;
    gSilentCount = 0;
    KOVICLISilentMode(0);
}

}  // namespace terv
