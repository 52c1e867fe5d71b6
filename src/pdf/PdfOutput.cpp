#include "PdfOutput.h"

#include <cerrno>
#include <system_error>

namespace terv {

PdfOutput::PdfOutput() {
    buffer_.reserve(kFlushSize + 4096);
}

PdfOutput::~PdfOutput() {
    try {
        Close();
    } catch (const std::system_error&) {
        // A destructor cannot report the failure; the file is closed either way.
    }
}

void PdfOutput::Create(const std::string& path) {
    if (file_ != nullptr)
        Close();
    buffer_.clear();
    written_ = 0;
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr) {
        throw std::system_error(errno, std::generic_category(), "cannot create " + path);
    }
    std::setvbuf(file_, nullptr, _IONBF, 0);
    path_ = path;
}

void PdfOutput::Flush() {
    if (file_ != nullptr && !buffer_.empty() &&
        std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) {
        int error = errno;
        std::fclose(file_);
        file_ = nullptr;
        throw std::system_error(error, std::generic_category(), "cannot write " + path_);
    }
    written_ += buffer_.size();
    buffer_.clear();
}

void PdfOutput::Close() {
    if (file_ == nullptr)
        return;
    Flush();
    std::FILE* file = file_;
    file_ = nullptr;
    if (std::fclose(file) != 0) {
        throw std::system_error(errno, std::generic_category(), "cannot close " + path_);
    }
}

}  // namespace terv
