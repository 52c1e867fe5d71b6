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

}  // namespace terv
