// The start-up routine, the hand-over to the main window and the shutdown routine.
#pragma once

#include <string>

namespace terv {

class frmMain;

// Sets the application title, keeps the command line, shows the splash window and the login
// window. The program then runs on window events.
void StartUp(const std::string& commandLine);
// Shows the main window, modeless (after a successful login).
frmMain* ShowMainWindow();
// Closes the splash window if still open, disconnects the HTTP client and single sign-on.
void ShutDown();
// Program end: releases the window registry and the configuration object (which empties the
// scratch folders).
void ReleaseGlobals();
// The whole run: start-up, window events until the last window closes, program end. Returns the
// exit code: 0, or 1 when the start-up failed (its reason shown, then the shutdown routine run).
int RunProgram(const std::string& commandLine);
// A start that cannot go on (the program folder could not be prepared): shows `reason` as an
// error message, writes it to standard error too, and returns the exit code 1.
int RefuseStart(const std::string& reason);

}  // namespace terv
