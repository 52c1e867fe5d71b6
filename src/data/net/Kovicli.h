// Kovicli: the program's wrappers around the HTTP client — the silent counter that keeps the
// client quiet during server calls, the HTTP log into which failed server operations write
// their lines, and the disconnect at shutdown.
#pragma once

#include <cstdint>
#include <string>

namespace terv {

// Nesting depth of silent brackets; the client is silent while it is above 0.
extern int16_t gSilentCount;
// Log handle of the HTTP log (0: none open).
extern long gHttpLog;

// gSilentCount += delta, then the client's silent mode: -1 while gSilentCount > 0, else 0.
void SetSilent(int16_t delta);

// With an owner window (nonzero), makes it the owner of the client's dialogs. With a path: closes
// an open HTTP log (CloseHttpLog) and opens the path for appending; with an empty path no log is
// kept. Run on every activation of the main and login windows.
void OpenHttpLog(const std::string& path, intptr_t ownerWindow = 0);

// Closes the HTTP log; the file is deleted when no line was written since it was opened.
void CloseHttpLog();

// Writes one counted line to the HTTP log; nothing when none is open.
void HttpLog(const std::string& text);

// Closes the client's open connection.
void HttpDisconnect();

// Back to start: counter 0, no log (an open one is closed first).
void ResetKovicli();

}  // namespace terv
