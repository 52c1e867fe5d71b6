// The output file of the PDF writer: written once, front to back, through a large buffer, with
// the 0-based byte offset of the next byte always known (the cross-reference table needs it).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "PdfNumber.h"

namespace terv {

class PdfOutput {
  public:
    PdfOutput();
    ~PdfOutput();  // writes what is buffered and closes an open file, ignoring errors
    PdfOutput(const PdfOutput&) = delete;
    PdfOutput& operator=(const PdfOutput&) = delete;

    // Creates (or replaces) the file; offset 0. Throws std::system_error when it cannot be created.
    void Create(const std::string& path);
    // Writes what is buffered and closes the file. Throws std::system_error when a write or the
    // close fails (disk full). Does nothing when no file is open.
    void Close();
    bool IsOpen() const { return file_ != nullptr; }

    // Offset of the next byte written.
    uint64_t Offset() const { return written_ + buffer_.size(); }

    // Pieces of the current line. Without an open file they are counted and dropped.
    void Put(std::string_view text) { buffer_.append(text); }
    void Put(char c) { buffer_ += c; }
    void PutNumber(double value) { AppendPdfNumber(buffer_, value); }
    void PutInteger(long long value) { AppendPdfInteger(buffer_, value); }
    // Direct access for writers that build a piece in place (escaped strings).
    std::string& Buffer() { return buffer_; }
    // Ends the current line with carriage return and line feed.
    void EndLine() {
        buffer_.append("\r\n", 2);
        if (buffer_.size() >= kFlushSize)
            Flush();
    }

  private:
    static constexpr size_t kFlushSize = 1 << 17;
    void Flush();

    std::FILE* file_ = nullptr;
    std::string path_;
    std::string buffer_;
    uint64_t written_ = 0;
};

}  // namespace terv
