#include "LogFiles.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "Cp1252.h"
#include "UiPort.h"

namespace terv {
namespace {

struct LogEntry {
    std::string fileName;
    std::unique_ptr<std::ofstream> stream;
    bool open = false;
    long lineCounter = 0;
};

// Index 0 is unused so that handles index the table directly.
std::vector<LogEntry> gLogs(1);

LogEntry* OpenEntry(long handle) {
    if (handle < 1 || handle >= static_cast<long>(gLogs.size())) return nullptr;
    LogEntry& e = gLogs[handle];
    return e.open ? &e : nullptr;
}

void DeleteFile(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    // Deleting ignores the read-only attribute: make the file writable first.
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add, ec);
    fs::remove(path, ec);
}

}  // namespace

void InitLogs() {
    gLogs.clear();
    gLogs.resize(1);
}

long OpenLog(const std::string& path, bool append) {
    gLogs.emplace_back();
    const long handle = static_cast<long>(gLogs.size()) - 1;
    LogEntry& e = gLogs.back();
    e.fileName = path;
    auto mode = std::ios::binary | (append ? std::ios::app : std::ios::trunc);
    auto stream = std::make_unique<std::ofstream>(path, mode);
    if (!*stream) {
        MsgBox("Il file non può essere aperto/creato!", vbExclamation);
        return 0;
    }
    e.stream = std::move(stream);
    e.open = true;
    e.lineCounter = 0;
    return handle;
}

void WriteLog(long handle, const std::string& text, long blankLines, bool count) {
    LogEntry* e = OpenEntry(handle);
    if (!e) return;
    *e->stream << Utf8ToCp1252(text) << "\r\n";
    for (long i = 0; i < blankLines; ++i) *e->stream << "\r\n";
    e->stream->flush();
    if (count) ++e->lineCounter;
}

void CloseLog(long handle, int mode) {
    LogEntry* e = OpenEntry(handle);
    if (!e) return;
    e->stream.reset();
    e->open = false;
    if (mode == 0) return;
    if (mode == 1 && e->lineCounter > 0) return;
    DeleteFile(e->fileName);
}

long LogHandleCount() { return static_cast<long>(gLogs.size()) - 1; }

}  // namespace terv
