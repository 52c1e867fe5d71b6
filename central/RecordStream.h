// The record stream of the wire protocol: "C" column names, "R" rows of typed values, and one
// closing "E" record ("E OK count" or "E ERR transient text"), with "X index transient text" for
// each failed write of a write batch before it; one record per line, fields
// separated by TAB. Values: N (NULL), I integer, F double, T text, D date "YYYYMMDDHHNNSS".
#pragma once

#include <sqlite3.h>

#include <functional>
#include <string>
#include <vector>

namespace terv::central {

// Escapes backslash, TAB, line feed and carriage return as \\ \t \n \r.
std::string EscapeField(const std::string& text);

class RecordWriter {
  public:
    // `flush` receives the encoded bytes in pieces of about 64 KiB; it returns false when the
    // receiver is gone, after which every call of the writer returns false.
    explicit RecordWriter(std::function<bool(const char*, size_t)> flush)
        : flush_(std::move(flush)) {}

    bool Columns(const std::vector<std::string>& names);
    // One row of the current result of `stmt`; `dates` marks the columns sent as dates.
    bool Row(sqlite3_stmt* stmt, const std::vector<bool>& dates);
    // "X" record of a failed write of a batch: its place in the request, transient flag, text.
    bool WriteFailure(size_t index, bool transient, const std::string& text);
    bool EndOk(long long count);
    bool EndError(bool transient, const std::string& text);
    // Sends what is buffered.
    bool Flush();

  private:
    bool MaybeFlush() { return buffer_.size() < 65536 || Flush(); }

    std::function<bool(const char*, size_t)> flush_;
    std::string buffer_;
    bool failed_ = false;
};

}  // namespace terv::central
