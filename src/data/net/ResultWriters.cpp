#include "ResultWriters.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/Cp1252.h"

namespace terv::net {
namespace {

constexpr size_t kFileBuffer = 1 << 16;

// Appends a text value so that the line stays one row for the program's readers: each line break
// inside it (CR LF, CR or LF) becomes one blank.
void AppendOnOneLine(std::string& line, const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;  // the LF that follows gives the blank
        line += (c == '\r' || c == '\n') ? ' ' : c;
    }
}

// Appends a text value in Windows-1252 on one line. Printable ASCII, the usual case, is the same
// bytes in both encodings and goes as it is.
void AppendText(std::string& line, const std::string& utf8) {
    const bool plain =
        std::all_of(utf8.begin(), utf8.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
    if (plain)
        line += utf8;
    else
        AppendOnOneLine(line, Utf8ToCp1252(utf8));
}

ResultTableOpener& Opener() {
    static ResultTableOpener opener;
    return opener;
}

}  // namespace

// The local-database layer's table writer (LocalResultTable.cpp).
std::unique_ptr<ResultTable> OpenLocalResultTable(const std::string& dbFile,
                                                  const std::string& table, std::string& error);

std::unique_ptr<ResultTable> OpenResultTable(const std::string& dbFile, const std::string& table,
                                             std::string& error) {
    if (Opener())
        return Opener()(dbFile, table, error);
    return OpenLocalResultTable(dbFile, table, error);
}

void SetResultTableOpener(ResultTableOpener opener) {
    Opener() = std::move(opener);
}

std::string ScratchPath(const std::string& path) {
    return path + "." + std::to_string(::getpid()) + ".part";
}

TextResultWriter::TextResultWriter(std::string path, bool trailingComma)
    : path_(std::move(path)), scratch_(ScratchPath(path_)), trailingComma_(trailingComma) {}

TextResultWriter::~TextResultWriter() {
    Discard();
}

bool TextResultWriter::Fail(const std::string& what) {
    error_ = what + " \"" + path_ + "\": " + std::strerror(errno);
    return false;
}

bool TextResultWriter::Open() {
    file_ = std::fopen(scratch_.c_str(), "wb");
    if (!file_)
        return Fail("Cannot write the result file");
    std::setvbuf(file_, nullptr, _IOFBF, kFileBuffer);
    return true;
}

bool TextResultWriter::OnColumns(const std::vector<std::string>&) {
    return true;
}

bool TextResultWriter::OnRow(const std::vector<WireValue>& values) {
    line_.clear();
    for (size_t i = 0; i < values.size(); ++i) {
        if (i > 0)
            line_ += ',';
        const WireValue& v = values[i];
        if (v.type == 'T')
            AppendText(line_, v.text);
        else if (v.type != 'N')
            line_ += v.text;
    }
    if (trailingComma_ && !values.empty())
        line_ += ',';
    line_ += "\r\n";
    if (std::fwrite(line_.data(), 1, line_.size(), file_) != line_.size())
        return Fail("Cannot write the result file");
    return true;
}

bool TextResultWriter::Commit() {
    if (!file_)
        return false;
    const bool flushed = std::fflush(file_) == 0;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!flushed || !closed) {
        Fail("Cannot write the result file");
        std::remove(scratch_.c_str());
        return false;
    }
    if (std::rename(scratch_.c_str(), path_.c_str()) != 0) {
        Fail("Cannot replace the result file");
        std::remove(scratch_.c_str());
        return false;
    }
    return true;
}

void TextResultWriter::Discard() {
    if (!file_)
        return;
    std::fclose(file_);
    file_ = nullptr;
    std::remove(scratch_.c_str());
}

TableResultWriter::~TableResultWriter() = default;

bool TableResultWriter::OnColumns(const std::vector<std::string>& names) {
    if (!table_.Begin(names))
        return false;
    rows_ = std::make_unique<RowPipeline<WireValue>>(
        [this](const std::vector<WireValue>& row) { return table_.Add(row); });
    return true;
}

bool TableResultWriter::OnRow(const std::vector<WireValue>& values) {
    if (rows_->Push(values))
        return true;
    return Drain();
}

bool TableResultWriter::Drain() {
    if (rows_) {
        refused_ = !rows_->Finish();
        rows_.reset();
    }
    return !refused_;
}

bool TableResultWriter::Commit() {
    return Drain() && table_.Commit();
}

}  // namespace terv::net
