#include "ProgramHome.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace terv {

namespace {

namespace fs = std::filesystem;

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string WithoutTrailingSlash(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

std::string UserHome() {
    if (std::string home = Env("HOME"); !home.empty())
        return home;
    const passwd* entry = getpwuid(getuid());
    return entry && entry->pw_dir ? entry->pw_dir : "";
}

// The entry at `path` without following a link; not_found (and no error) when there is none.
fs::file_status EntryStatus(const fs::path& path, std::error_code& ec) {
    const fs::file_status status = fs::symlink_status(path, ec);
    if (status.type() == fs::file_type::not_found)
        ec.clear();
    return status;
}

// Copies `from` to `to` unless something (even a dangling link) already has that name. The copy
// goes to a side name first so that a failure never leaves a truncated file under the real one.
void CopyIfMissing(const fs::path& from, const fs::path& to, std::error_code& ec) {
    if (fs::exists(EntryStatus(to, ec)) || ec)
        return;
    const fs::path part = to.string() + ".part";
    std::error_code ignored;
    fs::copy_file(from, part, fs::copy_options::overwrite_existing, ec);
    if (!ec)
        fs::permissions(part, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add,
                        ec);
    if (!ec)
        fs::rename(part, to, ec);
    if (ec)
        fs::remove(part, ignored);
}

std::error_code CopyInstalledFiles(const fs::path& data, const fs::path& folder) {
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(data, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const fs::path to = folder / it->path().lexically_relative(data);
        if (it->is_directory(ec))
            fs::create_directories(to, ec);
        else if (!ec && it->is_regular_file(ec))
            CopyIfMissing(it->path(), to, ec);
        if (ec)
            return ec;
    }
    return ec;
}

// A link of ours (or none) becomes a link to the installed helper; a user's file stays.
void LinkHelper(const fs::path& installed, const fs::path& link, std::error_code& ec) {
    if (!fs::exists(installed, ec))
        return;
    const fs::file_status status = EntryStatus(link, ec);
    if (ec || (fs::exists(status) && !fs::is_symlink(status)))
        return;
    if (fs::is_symlink(status)) {
        if (fs::read_symlink(link, ec) == installed || ec)
            return;
        fs::remove(link, ec);
    }
    if (!ec)
        fs::create_symlink(installed, link, ec);
}

std::error_code Fill(const ProgramHome& home, const fs::path& folder) {
    std::error_code ec;
    if (!home.installedData.empty())
        ec = CopyInstalledFiles(home.installedData, folder);
    for (const char* name : kHelperPrograms) {
        if (ec || home.installedPrograms.empty())
            break;
        LinkHelper(fs::path(home.installedPrograms) / name, folder / name, ec);
    }
    return ec;
}

// A new folder is filled under a hidden side name and renamed into place when complete.
std::error_code BuildAside(const ProgramHome& home) {
    const fs::path target = home.folder;
    std::error_code ec;
    fs::create_directories(target.parent_path(), ec);
    if (ec)
        return ec;
    std::string pattern =
        (target.parent_path() / ("." + target.filename().string() + "-XXXXXX")).string();
    if (!mkdtemp(pattern.data()))
        return {errno, std::generic_category()};
    const fs::path staging = pattern;
    ec = Fill(home, staging);
    if (!ec)
        fs::rename(staging, target, ec);
    std::error_code ignored;
    if (ec && fs::is_directory(target, ignored)) {
        // Another copy of the program made the folder meanwhile: complete that one.
        fs::remove_all(staging, ignored);
        return Fill(home, target);
    }
    if (ec)
        fs::remove_all(staging, ignored);
    return ec;
}

}  // namespace

ProgramHomeFacts CurrentProgramHomeFacts() {
    ProgramHomeFacts facts;
    facts.homeVariable = Env("TERVPALM_HOME");
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    facts.executableFolder = ec ? fs::current_path(ec).string() : exe.parent_path().string();
    facts.executableFolderWritable = access(facts.executableFolder.c_str(), W_OK) == 0;
    const fs::path data = fs::path(facts.executableFolder).parent_path() / "share" / "tervpalm";
    if (fs::is_directory(data, ec))
        facts.installedData = data.lexically_normal().string();
    facts.xdgDataHome = Env("XDG_DATA_HOME");
    facts.userHome = UserHome();
    return facts;
}

ProgramHome ChooseProgramHome(const ProgramHomeFacts& facts) {
    ProgramHome home;
    if (!facts.homeVariable.empty()) {
        home.folder = WithoutTrailingSlash(facts.homeVariable);
        return home;
    }
    if (facts.installedData.empty() && facts.executableFolderWritable) {
        home.folder = WithoutTrailingSlash(facts.executableFolder);
        return home;
    }
    home.perUser = true;
    home.installedData = facts.installedData;
    home.installedPrograms = facts.executableFolder;
    // XDG: a relative XDG_DATA_HOME is to be ignored.
    std::string base = facts.xdgDataHome;
    if (base.empty() || base.front() != '/')
        base = facts.userHome.empty() ? "" : facts.userHome + "/.local/share";
    if (!base.empty())
        home.folder = (fs::path(base) / "tervpalm").lexically_normal().string();
    return home;
}

int PreparePerUserFolder(const ProgramHome& home, std::string& error) {
    if (home.folder.empty()) {
        error =
            "Impossibile stabilire la cartella del programma: "
            "né XDG_DATA_HOME né HOME indicano una cartella";
        return 1;
    }
    std::error_code ec;
    const bool exists = fs::exists(home.folder, ec);
    if (!ec)
        ec = exists ? Fill(home, home.folder) : BuildAside(home);
    if (ec) {
        error =
            "Impossibile preparare la cartella del programma " + home.folder + ": " + ec.message();
        return 1;
    }
    return 0;
}

int SettleProgramFolder(std::string& error) {
    const ProgramHome home = ChooseProgramHome(CurrentProgramHomeFacts());
    if (!home.perUser)
        return 0;
    if (PreparePerUserFolder(home, error) != 0)
        return 1;
    setenv("TERVPALM_HOME", home.folder.c_str(), 1);
    return 0;
}

}  // namespace terv
