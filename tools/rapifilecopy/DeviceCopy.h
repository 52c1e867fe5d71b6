// The device copy tool's work: copies files between the PC and the handheld's memory card.
//
// A path that starts with "\" is a path on the device; it is mapped onto the device root, a
// folder on the PC (a mounted memory card, or the handheld simulator's folder). Every other
// path is an ordinary PC path. The source may end in a pattern with "*" and "?"; the
// destination is a folder (it ends in a separator, or /d is given, or it already is a folder)
// or else the name of the copy. Missing destination folders are created. Each file is written
// under a temporary name in its destination folder, flushed to disk and then renamed, so a file
// never stands under its final name unless it is complete.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace terv::rapi {

// Exit codes of the tool.
enum ExitCode { kOk = 0, kCopyFailed = 1, kNoDevice = 2, kBadCommandLine = 3 };

struct Options {
    bool destIsFolder = false;  // /d
    bool quiet = false;         // /q: no line per copied file
    size_t blockSize = 65536;   // /s=N: bytes per write
    std::string source;
    std::string destination;
};

// Parses switches and the two paths. Returns nullopt and sets `error` on a bad command line.
std::optional<Options> ParseArguments(const std::vector<std::string>& args, std::string& error);

// The device root: the environment variable TERVPALM_DEVICE_ROOT when set and not empty, else
// RADICE of section [PALMARE] of `iniFile`; "" when neither names one.
std::string DeviceRoot(const std::string& iniFile);

// Maps a device path ("\Scheda di memoria\orvex\") onto `root`; PC paths come back unchanged.
// Returns nullopt when a device path holds a ".." or "." piece, which would leave the root.
std::optional<std::string> MapPath(const std::string& path, const std::string& root);

// Runs one copy. Messages go to `log` (one line each); returns an ExitCode.
int Copy(const Options& options, const std::string& iniFile, std::vector<std::string>& log,
         std::vector<std::string>& errors);

}  // namespace terv::rapi
