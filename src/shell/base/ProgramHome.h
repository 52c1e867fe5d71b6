// Where the program folder is: the folder named by TERVPALM_HOME, else the executable's own
// folder, else (an installed program, whose folder under /usr is not the user's to write) a
// per-user folder under the XDG data home, filled on first start from the installed files.
//
// An installed program is one whose executable sits in <prefix>/bin beside <prefix>/share/tervpalm
// (the installed tabelle.mdb, defaults.ini, servers.dat). The per-user folder gets a copy of each
// installed file it does not already hold, so the user's own settings are never overwritten, and a
// symbolic link to each helper program installed beside the executable (RAPIFileCopy, loadfoto),
// so that gAppPath + "/RAPIFileCopy" starts the installed tool.
#pragma once

#include <string>

namespace terv {

// What the choice of the program folder depends on.
struct ProgramHomeFacts {
    std::string homeVariable;      // TERVPALM_HOME; empty when unset
    std::string executableFolder;  // folder of the running executable
    bool executableFolderWritable = false;
    std::string installedData;  // <prefix>/share/tervpalm when it exists beside the executable
    std::string xdgDataHome;    // XDG_DATA_HOME; empty when unset
    std::string userHome;       // HOME (or the password database's home folder)
};

// The chosen program folder and, for a per-user folder, where it is filled from.
struct ProgramHome {
    std::string folder;             // gAppPath; empty when no folder can be named
    bool perUser = false;           // true: folder must be prepared before the program starts
    std::string installedData;      // installed files to copy (may be empty)
    std::string installedPrograms;  // folder of the installed helper programs
};

// The helper programs the program starts from its own folder.
inline constexpr const char* kHelperPrograms[] = {"RAPIFileCopy", "loadfoto"};

// The facts of this process: environment, /proc/self/exe, write access.
ProgramHomeFacts CurrentProgramHomeFacts();

// TERVPALM_HOME when set; else the executable's folder when it is writable and not an installed
// prefix; else <XDG data home>/tervpalm, the XDG data home being XDG_DATA_HOME when it is an
// absolute path, else <home>/.local/share. No trailing "/".
ProgramHome ChooseProgramHome(const ProgramHomeFacts& facts);

// Makes `home.folder` ready: creates it when missing, copies every installed file it lacks
// (subfolders included) and links each helper program found in `home.installedPrograms`. A link
// left by an earlier start is renewed; a regular file of the user's with a helper's name is kept.
// A folder that did not exist is built aside and moved in place only when complete, so a failure
// leaves nothing behind. Returns 0, or 1 with `error` set to a message for the user.
int PreparePerUserFolder(const ProgramHome& home, std::string& error);

// At program start: chooses the program folder and, when it is a per-user folder, prepares it and
// names it in TERVPALM_HOME for the rest of the run, so that the helper programs started from it
// find the same folder. Call before any thread starts. Returns 0, or 1 with `error` set.
int SettleProgramFolder(std::string& error);

}  // namespace terv
