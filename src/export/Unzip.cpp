#include "Unzip.h"

#include <zip.h>

#include <sys/stat.h>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/FileSearch.h"

namespace fs = std::filesystem;

namespace terv {
namespace {

enum { kOk = 0, kWarn = 1, kBadArchive = 3, kNotFound = 9, kNoMatch = 11, kDiskError = 50 };

// The stored name split into its pieces, "\" counting as a separator as on Windows. Empty
// when the name would leave the target folder.
std::vector<std::string> SafePieces(const std::string& name) {
    if (name.empty() || name[0] == '/' || name[0] == '\\' || (name.size() > 1 && name[1] == ':'))
        return {};
    std::vector<std::string> pieces;
    std::string piece;
    for (size_t i = 0; i <= name.size(); ++i) {
        if (i == name.size() || name[i] == '/' || name[i] == '\\') {
            if (piece == "..")
                return {};
            if (!piece.empty() && piece != ".")
                pieces.push_back(piece);
            piece.clear();
        } else {
            piece += name[i];
        }
    }
    return pieces;
}

bool IsLink(zip_t* zip, zip_uint64_t index) {
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(zip, index, 0, &system, &attributes) != 0)
        return false;
    return system == ZIP_OPSYS_UNIX && S_ISLNK(attributes >> 16);
}

// Writes one entry to `target` through a temporary name beside it.
int WriteEntry(zip_t* zip, zip_uint64_t index, const std::string& target) {
    zip_file_t* in = zip_fopen_index(zip, index, 0);
    if (!in)
        return kBadArchive;
    const std::string temp = target + ".unzip-part";
    int result = kOk;
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        char buffer[65536];
        zip_int64_t n = 0;
        while (out && (n = zip_fread(in, buffer, sizeof buffer)) > 0)
            out.write(buffer, n);
        if (n < 0)
            result = kBadArchive;
        else if (!out.flush())
            result = kDiskError;
    }
    zip_fclose(in);
    std::error_code ec;
    if (result == kOk)
        fs::rename(temp, target, ec);
    if (result != kOk || ec) {
        fs::remove(temp, ec);
        return result == kOk ? kDiskError : result;
    }
    return kOk;
}

// One entry: checked, placed, written. `matched` tells whether it was chosen at all.
int ExtractEntry(zip_t* zip, zip_uint64_t index, const std::string& folder, bool keepFolders,
                 const std::string& singleEntry, bool overwrite, bool& matched) {
    const char* raw = zip_get_name(zip, index, 0);
    const std::string name = raw ? raw : "";
    matched = singleEntry.empty() || MatchesPattern(name, singleEntry);
    if (!matched)
        return kOk;
    const std::vector<std::string> pieces = SafePieces(name);
    if (pieces.empty() || IsLink(zip, index))
        return kWarn;
    const bool isFolder = name.back() == '/' || name.back() == '\\';
    if (folder.empty() || (isFolder && !keepFolders))
        return kOk;
    fs::path target = folder;
    if (keepFolders)
        for (size_t i = 0; i + 1 < pieces.size(); ++i)
            target /= pieces[i];
    std::error_code ec;
    fs::create_directories(isFolder ? target / pieces.back() : target, ec);
    if (isFolder)
        return ec ? kDiskError : kOk;
    target /= pieces.back();
    if (fs::exists(fs::symlink_status(target, ec)) && !overwrite)
        return kOk;
    if (fs::is_directory(fs::symlink_status(target, ec)))
        return kDiskError;
    return WriteEntry(zip, index, target.string());
}

}  // namespace

int Unzip(const std::string& archive, const std::string& folder, bool keepFolders,
          const std::string& singleEntry, bool overwrite) {
    std::error_code ec;
    if (!fs::is_regular_file(archive, ec))
        return kNotFound;
    int error = 0;
    zip_t* zip = zip_open(archive.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!zip)
        return kBadArchive;
    int result = kOk;
    bool any = false;
    const zip_int64_t count = zip_get_num_entries(zip, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        bool matched = false;
        const int r = ExtractEntry(zip, static_cast<zip_uint64_t>(i), folder, keepFolders,
                                   singleEntry, overwrite, matched);
        any = any || matched;
        if (r > result)
            result = r;
    }
    zip_discard(zip);
    return !any && !singleEntry.empty() ? kNoMatch : result;
}

}  // namespace terv
