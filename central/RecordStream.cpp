// Encoder of the record stream.
#include "RecordStream.h"

#include <charconv>
#include <cstring>

namespace terv::central {

namespace {

bool IsDate14(const unsigned char* t, int n) {
    if (n != 14)
        return false;
    for (int i = 0; i < n; ++i) {
        if (t[i] < '0' || t[i] > '9')
            return false;
    }
    return true;
}

// The escape of a byte that cannot travel as it is, nullptr for the others.
const char* Escape(char c) {
    switch (c) {
        case '\\':
            return "\\\\";
        case '\t':
            return "\\t";
        case '\n':
            return "\\n";
        case '\r':
            return "\\r";
        default:
            return nullptr;
    }
}

// Appends `n` bytes escaped; the runs between escapes go in whole.
void AppendEscaped(std::string* out, const char* p, size_t n) {
    size_t run = 0;
    for (size_t i = 0; i < n; ++i) {
        if (const char* escape = Escape(p[i])) {
            out->append(p + run, i - run);
            out->append(escape);
            run = i + 1;
        }
    }
    out->append(p + run, n - run);
}

}  // namespace

std::string EscapeField(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    AppendEscaped(&out, text.data(), text.size());
    return out;
}

bool RecordWriter::Columns(const std::vector<std::string>& names) {
    buffer_ += "C";
    for (const std::string& n : names) {
        buffer_ += '\t';
        buffer_ += EscapeField(n);
    }
    buffer_ += '\n';
    return MaybeFlush();
}

bool RecordWriter::Row(sqlite3_stmt* stmt, const std::vector<bool>& dates) {
    buffer_ += 'R';
    const int n = sqlite3_column_count(stmt);
    char num[64];
    for (int i = 0; i < n; ++i) {
        buffer_ += '\t';
        switch (sqlite3_column_type(stmt, i)) {
            case SQLITE_NULL:
                buffer_ += 'N';
                break;
            case SQLITE_INTEGER: {
                auto r = std::to_chars(num, num + sizeof num, sqlite3_column_int64(stmt, i));
                buffer_ += 'I';
                buffer_.append(num, r.ptr);
                break;
            }
            case SQLITE_FLOAT: {
                auto r = std::to_chars(num, num + sizeof num, sqlite3_column_double(stmt, i));
                buffer_ += 'F';
                buffer_.append(num, r.ptr);
                break;
            }
            default: {
                // A text's bytes as they are stored (the connection's texts are UTF-8): as a
                // blob they need no copy to end them with a NUL.
                const auto* t = static_cast<const unsigned char*>(sqlite3_column_blob(stmt, i));
                const int len = sqlite3_column_bytes(stmt, i);
                const bool date =
                    static_cast<size_t>(i) < dates.size() && dates[i] && IsDate14(t, len);
                buffer_ += date ? 'D' : 'T';
                if (len > 0)
                    AppendEscaped(&buffer_, reinterpret_cast<const char*>(t),
                                  static_cast<size_t>(len));
            }
        }
    }
    buffer_ += '\n';
    return MaybeFlush();
}

bool RecordWriter::WriteFailure(size_t index, bool transient, const std::string& text) {
    buffer_ +=
        "X\t" + std::to_string(index) + (transient ? "\t1\t" : "\t0\t") + EscapeField(text) + "\n";
    return MaybeFlush();
}

bool RecordWriter::EndOk(long long count) {
    buffer_ += "E\tOK\t" + std::to_string(count) + "\n";
    return Flush();
}

bool RecordWriter::EndError(bool transient, const std::string& text) {
    buffer_ += std::string("E\tERR\t") + (transient ? "1" : "0") + "\t" + EscapeField(text) + "\n";
    return Flush();
}

bool RecordWriter::Flush() {
    if (failed_)
        return false;
    if (!buffer_.empty()) {
        if (!flush_(buffer_.data(), buffer_.size()))
            failed_ = true;
        buffer_.clear();
    }
    return !failed_;
}

}  // namespace terv::central
