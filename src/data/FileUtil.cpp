#include "FileUtil.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "platform/Cp1252.h"
#include "platform/FileSearch.h"
#include "platform/VbText.h"

namespace fs = std::filesystem;

namespace terv {

const char* const kNoticeLines[3] = {
    "Attenzione tutti i file presenti in questa cartella possono essere cancellati",
    "automaticamente (senza preavviso) dal sistema. Si sconsiglia l'uso di questa ",
    "cartella da parte degli utenti.",
};

namespace {

std::string WithSlash(std::string path) {
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

void WriteNotice(const std::string& folder) {
    const std::string path = folder + "leggimi.txt";
    DeleteIfExists(path);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const char* line : kNoticeLines)
        out << Utf8ToCp1252(line) << "\r\n";
    out.close();
    if (!out)
        throw std::runtime_error("Impossibile scrivere il file " + path);
}

// Splits a text file into lines (CR LF or LF), converted to UTF-8; empty lines dropped. A
// missing file has no lines.
std::vector<std::string> NonEmptyLines(const std::string& file) {
    std::vector<std::string> lines;
    std::ifstream in(file, std::ios::binary);
    if (!in.is_open() || !fs::is_regular_file(file))
        return lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            lines.push_back(Cp1252ToUtf8(line));
    }
    return lines;
}

}  // namespace

void PrepareWorkFolder(std::string folder, bool keepFiles) {
    folder = WithSlash(std::move(folder));
    if (!fs::is_directory(folder))
        fs::create_directory(folder);
    if (!keepFiles)
        DeleteFiles(folder, "*.*");
    WriteNotice(folder);
}

void MakePath(const std::string& path) {
    if (path.find('/') == std::string::npos)
        return;
    std::error_code ignored;
    fs::create_directories(FolderOf(path), ignored);
}

void DeleteIfExists(const std::string& file) {
    std::error_code ec;
    if (!fs::is_regular_file(file, ec) && !fs::is_symlink(file, ec))
        return;
    fs::permissions(file, fs::perms::owner_write, fs::perm_options::add, ec);
    fs::remove(file);
}

void DeleteFiles(const std::string& folder, std::string_view pattern) {
    for (const FoundEntry& entry : FindEntries(folder, pattern)) {
        if (!entry.isFolder)
            DeleteIfExists(JoinPath(folder, entry.name));
    }
}

std::string FolderOf(std::string_view path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return WithSlash(std::string(path));
    return std::string(path.substr(0, slash + 1));
}

std::string StripExtension(std::string_view name) {
    return std::string(name.substr(0, name.rfind('.')));
}

long long FileSizeOf(const std::string& file) {
    std::error_code ec;
    const auto size = fs::file_size(file, ec);
    return ec ? 0 : static_cast<long long>(size);
}

long long SumFileSizes(const std::string& folder, std::string_view pattern) {
    long long sum = 0;
    for (const FoundEntry& entry : FindEntries(folder, pattern)) {
        if (!entry.isFolder && entry.name[0] != '.')
            sum += FileSizeOf(JoinPath(folder, entry.name));
    }
    return sum;
}

void FindFiles(const std::string& folder, std::string_view pattern, long& count, long depth,
               std::vector<std::string>& list, int flags) {
    list.resize(count);
    for (const FoundEntry& entry : FindEntries(folder, pattern)) {
        if (entry.isFolder || entry.name[0] == '.')
            continue;
        list.push_back((flags & kFindBareNames) ? entry.name : JoinPath(folder, entry.name));
    }
    count = static_cast<long>(list.size());
    if (!(flags & kFindRecurse))
        return;
    for (const FoundEntry& entry : FindEntries(folder, "*")) {
        if (entry.isFolder)
            FindFiles(JoinPath(folder, entry.name), pattern, count, depth, list, flags);
    }
}

long ReadLines(const std::string& file, std::vector<std::string>& list) {
    list = NonEmptyLines(file);
    return static_cast<long>(list.size());
}

long ReadLastLine(const std::string& file, std::string& text) {
    const std::vector<std::string> lines = NonEmptyLines(file);
    text = lines.empty() ? "" : Trim(lines.back());
    return static_cast<long>(lines.size());
}

long ReadMaxNumber(const std::string& file, long& value) {
    const std::vector<std::string> lines = NonEmptyLines(file);
    value = -10;
    for (const std::string& line : lines) {
        const double number = Val(line);
        if (number > value)
            value = CLng(number);
    }
    return static_cast<long>(lines.size());
}

bool CanWriteFile(const std::string& file) {
    std::ofstream out(file, std::ios::binary | std::ios::app);
    return out.is_open();
}

int WriteTextFile(const std::string& file, std::string_view text, bool append) {
    if (!CanWriteFile(file))
        return 0;
    std::ofstream out(file, std::ios::binary | (append ? std::ios::app : std::ios::trunc));
    out << Utf8ToCp1252(text);
    out.close();
    return out ? 1 : 0;
}

}  // namespace terv
