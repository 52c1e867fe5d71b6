// Starting other programs.
//
// Stands in for CreateProcess + WaitForSingleObject and for the shell's "open": the device copy
// tool is run and waited for; the photo loader and documents are started without waiting.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace terv {

// Splits a Windows-style command line into arguments: blanks separate, double quotes group,
// a quote is kept when doubled inside quotes.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// Runs the program (argv[0], searched on PATH when it has no "/") and waits without limit until
// it ends. Returns its exit code, or -1 when it could not be started or was killed by a signal.
int RunAndWait(const std::vector<std::string>& argv);
int RunAndWait(std::string_view commandLine);

// Starts the program and returns at once; it is not a child we wait for. False when it
// could not be started.
bool StartProgram(const std::vector<std::string>& argv);

}  // namespace terv
