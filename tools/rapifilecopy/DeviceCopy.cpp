#include "DeviceCopy.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/FileSearch.h"
#include "platform/PrivateProfile.h"

namespace fs = std::filesystem;

namespace terv::rapi {
namespace {

bool IsDevicePath(const std::string& path) {
    return !path.empty() && path[0] == '\\';
}

bool EndsWithSeparator(const std::string& path) {
    return !path.empty() && (path.back() == '/' || path.back() == '\\');
}

bool HasWildcard(const std::string& name) {
    return name.find_first_of("*?") != std::string::npos;
}

// Splits "folder/name" at the last separator; the folder keeps no trailing separator.
void SplitLast(const std::string& path, std::string& folder, std::string& name) {
    const size_t cut = path.find_last_of('/');
    folder = cut == std::string::npos ? "." : path.substr(0, cut == 0 ? 1 : cut);
    name = cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string ErrnoText(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Copies `from` into the temporary file `fd`, `block` bytes at a time, then flushes it to disk.
bool CopyData(const std::string& from, int fd, size_t block, std::string& error) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        error = ErrnoText("cannot read", from);
        return false;
    }
    std::string buffer(block, '\0');
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), block);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || (n > 0 && !WriteAll(fd, buffer.data(), static_cast<size_t>(n)))) {
            error = ErrnoText(n < 0 ? "cannot read" : "cannot write a copy of", from);
            ok = false;
            break;
        }
        if (n == 0)
            break;
    }
    ::close(in);
    if (ok && ::fsync(fd) != 0) {
        error = ErrnoText("cannot flush a copy of", from);
        ok = false;
    }
    return ok;
}

void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// One file: a temporary name beside the target, complete and flushed, then renamed onto it.
bool CopyOne(const std::string& from, const std::string& to, size_t block, std::string& error) {
    std::string folder, name;
    SplitLast(to, folder, name);
    std::string temp = folder + "/." + name + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        error = ErrnoText("cannot create a file in", folder);
        return false;
    }
    bool ok = CopyData(from, fd, block, error);
    if (::close(fd) != 0 && ok) {
        error = ErrnoText("cannot write", to);
        ok = false;
    }
    if (ok && ::rename(temp.c_str(), to.c_str()) != 0) {
        error = ErrnoText("cannot write", to);
        ok = false;
    }
    if (!ok)
        ::unlink(temp.c_str());
    else
        SyncFolder(folder);
    return ok;
}

bool MakeFolder(const std::string& folder, std::string& error) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder)) {
        error = "cannot create folder " + folder + (ec ? ": " + ec.message() : "");
        return false;
    }
    return true;
}

// The files the source names: every file matching its pattern, or the one file it names.
std::vector<std::string> SourceFiles(const std::string& source, std::string& error) {
    std::string folder, name;
    SplitLast(source, folder, name);
    std::vector<std::string> files;
    if (HasWildcard(name)) {
        for (const FoundEntry& e : FindEntries(folder, name))
            if (!e.isFolder)
                files.push_back(JoinPath(folder, e.name));
        return files;
    }
    if (fs::is_regular_file(source))
        files.push_back(source);
    else
        error = "source not found: " + source;
    return files;
}

}  // namespace

std::optional<Options> ParseArguments(const std::vector<std::string>& args, std::string& error) {
    Options o;
    std::vector<std::string> paths;
    for (const std::string& a : args) {
        if (a == "/d" || a == "/D") {
            o.destIsFolder = true;
        } else if (a == "/q" || a == "/Q") {
            o.quiet = true;
        } else if (a.size() > 3 && (a.compare(0, 3, "/s=") == 0 || a.compare(0, 3, "/S=") == 0)) {
            char* end = nullptr;
            const long n = std::strtol(a.c_str() + 3, &end, 10);
            if (*end != '\0' || n <= 0 || n > (64L << 20)) {
                error = "bad block size: " + a;
                return std::nullopt;
            }
            o.blockSize = static_cast<size_t>(n);
        } else if (a.size() >= 2 && a[0] == '/' && a.find('/', 1) == std::string::npos &&
                   a.size() <= 3) {
            error = "unknown switch: " + a;
            return std::nullopt;
        } else {
            paths.push_back(a);
        }
    }
    if (paths.size() != 2 || paths[0].empty() || paths[1].empty()) {
        error = "usage: RAPIFileCopy [/d] [/q] [/s=bytes] \"source\" \"destination\"";
        return std::nullopt;
    }
    o.source = paths[0];
    o.destination = paths[1];
    return o;
}

std::string DeviceRoot(const std::string& iniFile) {
    if (const char* env = std::getenv("TERVPALM_DEVICE_ROOT"); env && *env)
        return env;
    return GetPrivateProfileString("PALMARE", "RADICE", "", 1024, iniFile);
}

std::optional<std::string> MapPath(const std::string& path, const std::string& root) {
    if (!IsDevicePath(path))
        return path;
    std::string out = root;
    while (!out.empty() && out.back() == '/')
        out.pop_back();
    size_t start = 1;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string piece = path.substr(start, end - start);
        if (piece == "." || piece == ".." || piece.find('/') != std::string::npos)
            return std::nullopt;
        if (!piece.empty())
            out += "/" + piece;
        start = end + 1;
    }
    if (EndsWithSeparator(path))
        out += "/";
    return out;
}

int Copy(const Options& o, const std::string& iniFile, std::vector<std::string>& log,
         std::vector<std::string>& errors) {
    std::string root;
    if (IsDevicePath(o.source) || IsDevicePath(o.destination)) {
        root = DeviceRoot(iniFile);
        if (root.empty() || !fs::is_directory(root)) {
            errors.push_back(root.empty() ? "no device root: set TERVPALM_DEVICE_ROOT or RADICE "
                                            "in [PALMARE] of " +
                                                iniFile
                                          : "device not connected: " + root + " is not a folder");
            return kNoDevice;
        }
    }
    const auto source = MapPath(o.source, root);
    const auto dest = MapPath(o.destination, root);
    if (!source || !dest) {
        errors.push_back("device path leaves the device root: " +
                         (source ? o.destination : o.source));
        return kBadCommandLine;
    }
    std::string error;
    const std::vector<std::string> files = SourceFiles(*source, error);
    if (!error.empty()) {
        errors.push_back(error);
        return kCopyFailed;
    }
    const bool toFolder = o.destIsFolder || EndsWithSeparator(*dest) || fs::is_directory(*dest);
    std::string folder = *dest, name;
    if (!toFolder)
        SplitLast(*dest, folder, name);
    if (!MakeFolder(folder, error)) {
        errors.push_back(error);
        return kCopyFailed;
    }
    int result = kOk;
    for (const std::string& file : files) {
        std::string srcFolder, srcName;
        SplitLast(file, srcFolder, srcName);
        const std::string target = JoinPath(folder, toFolder ? srcName : name);
        if (!CopyOne(file, target, o.blockSize, error)) {
            errors.push_back(error);
            result = kCopyFailed;
        } else {
            log.push_back(file + " -> " + target);
        }
    }
    return result;
}

}  // namespace terv::rapi
