// Program-wide state owned by the start-up module.
//
// Every subsystem reads these; the start-up routine, the configuration object and the login
// set them. ResetProgramState() brings them back to their start values so that tests can run
// the program's procedures many times in one process.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace terv {

// Program folder (no trailing "/") and work folders.
extern std::string gAppPath;
extern std::string gTmpPath;  // gAppPath/tmp during construction, then gAppPath/tmp/fglc
extern std::string gMapPath;  // gTmpPath/map

// The command line, unchanged, and whether the login window has used it.
extern std::string gCommandLine;
extern int gCommandLineDone;

// Login results, read everywhere.
extern std::string gUserName;  // as typed; first argument of the gateway operations
extern std::string gPassword;  // as typed
extern int32_t gRuolo;         // > 0: logged in and authorised
extern int32_t gSettore;
extern std::string gProvRif;
extern int32_t gProfCount;
extern std::vector<std::string> gProfProvRif;
extern std::vector<int32_t> gProfRuolo;
extern std::vector<int32_t> gProfSettore;
extern std::string gClientName;
extern bool gSso;
extern int32_t gSkipVersionCheck;

// The program folder: TERVPALM_HOME when set, else the folder of the running executable, else
// (installed, or that folder not writable) the per-user folder (see ProgramHome.h).
std::string ProgramFolder();

// Back to the values at program start (paths empty, nobody logged in).
void ResetProgramState();

}  // namespace terv
