#include "KovicliLib.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "HttpSession.h"
#include "ResultWriters.h"

namespace terv {
namespace {

intptr_t gParentWnd = 0;
bool gLibSilent = false;

// The download's body, written to a scratch file and renamed over the target at the end.
class DownloadFile {
  public:
    explicit DownloadFile(std::string path)
        : path_(std::move(path)), scratch_(net::ScratchPath(path_)) {}
    ~DownloadFile() {
        if (file_) {
            std::fclose(file_);
            std::remove(scratch_.c_str());
        }
    }
    bool Open() { return (file_ = std::fopen(scratch_.c_str(), "wb")) != nullptr; }
    bool Write(std::string_view bytes) {
        return std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size();
    }
    bool Commit() {
        const bool ok = std::fclose(file_) == 0;
        file_ = nullptr;
        if (ok && std::rename(scratch_.c_str(), path_.c_str()) == 0)
            return true;
        std::remove(scratch_.c_str());
        return false;
    }

  private:
    std::string path_, scratch_;
    std::FILE* file_ = nullptr;
};

int32_t DownloadFailed(std::string text) {
    net::SetLastErrorText(std::move(text));
    return 0;
}

// Cuts a UTF-8 text to at most `limit` bytes without splitting a character.
size_t CutPoint(const std::string& text, size_t limit) {
    if (text.size() <= limit)
        return text.size();
    size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return cut;
}

}  // namespace

int32_t KOVICLISetParentWnd(intptr_t window) {
    gParentWnd = window;
    return 0;
}

int32_t KOVICLISilentMode(int32_t mode) {
    gLibSilent = mode != 0;
    return 0;
}

int32_t HttpDownloadFile(const std::string& url, const std::string& outputFile,
                         const std::string& user, const std::string& password) {
    DownloadFile file(outputFile);
    if (!file.Open())
        return DownloadFailed("Cannot write the file \"" + outputFile +
                              "\": " + std::strerror(errno));
    net::HttpRequest request;
    request.url = url;
    request.basicAuth = !user.empty() || !password.empty();
    request.user = user;
    request.password = password;
    bool writeFailed = false;
    const net::HttpOutcome outcome = net::Perform(request, [&](std::string_view bytes) {
        writeFailed = !file.Write(bytes);
        return !writeFailed;
    });
    if (writeFailed)
        return DownloadFailed("Cannot write the file \"" + outputFile + "\"");
    if (outcome.code != net::kOk)
        return DownloadFailed(outcome.error);
    if (!file.Commit())
        return DownloadFailed("Cannot replace the file \"" + outputFile + "\"");
    return 1;
}

int32_t KOVICLIGetLastError(char* buffer, int32_t size) {
    if (!buffer || size <= 0)
        return 0;
    const std::string& text = net::LastErrorText();
    const size_t n = CutPoint(text, static_cast<size_t>(size) - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return static_cast<int32_t>(n);
}

int32_t KOVICLIDisconnect() {
    net::Disconnect();
    return 0;
}

intptr_t KovicliParentWnd() {
    return gParentWnd;
}
bool KovicliSilent() {
    return gLibSilent;
}

void ResetKovicliLib() {
    gParentWnd = 0;
    gLibSilent = false;
}

}  // namespace terv
