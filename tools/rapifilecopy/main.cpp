// RAPIFileCopy [/d] [/q] [/s=bytes] "source" "destination": copies files to or from the
// handheld's memory card (see DeviceCopy.h). Exit status 0 when every file was copied; each
// failure is one line on standard error.
#include <cstring>
#include <filesystem>
#include <iostream>

#include "DeviceCopy.h"

namespace {

// defaults.ini of the program folder: TERVPALM_HOME when set, else the folder this tool was
// started from. Started by a path, that is the path's folder even when it is a link to the
// installed tool (a per-user program folder); started through PATH, the tool's own folder.
std::string IniFile(const char* argv0) {
    if (const char* home = std::getenv("TERVPALM_HOME"); home && *home)
        return std::string(home) + "/defaults.ini";
    std::error_code ec;
    const std::filesystem::path self = std::strchr(argv0, '/') != nullptr
                                           ? std::filesystem::absolute(argv0, ec)
                                           : std::filesystem::read_symlink("/proc/self/exe", ec);
    return (self.parent_path() / "defaults.ini").string();
}

}  // namespace

int main(int argc, char** argv) {
    using namespace terv::rapi;
    std::string error;
    const auto options = ParseArguments(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::cerr << "RAPIFileCopy: " << error << "\n";
        return kBadCommandLine;
    }
    std::vector<std::string> log, errors;
    const int result = Copy(*options, IniFile(argv[0]), log, errors);
    if (!options->quiet)
        for (const auto& line : log)
            std::cout << line << "\n";
    for (const auto& line : errors)
        std::cerr << "RAPIFileCopy: " << line << "\n";
    return result;
}
