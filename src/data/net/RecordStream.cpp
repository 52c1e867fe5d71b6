#include "RecordStream.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace terv::net {
namespace {

// A record line longer than this is not a record of ours.
constexpr size_t kMaxLine = 64 * 1024 * 1024;

void SplitTabs(std::string_view line, std::vector<std::string_view>& out) {
    out.clear();
    size_t start = 0;
    while (true) {
        const size_t tab = line.find('\t', start);
        if (tab == std::string_view::npos) {
            out.push_back(line.substr(start));
            return;
        }
        out.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
}

bool IsValueType(char c) {
    return c == 'N' || c == 'I' || c == 'F' || c == 'T' || c == 'D';
}

// A whole decimal number of 0 or more.
bool ParseCount(std::string_view text, int64_t& out) {
    const char* end = text.data() + text.size();
    const auto [p, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc() && p == end && out >= 0 && text[0] != '-';
}

// Reads the value's text as its type promises: nothing for NULL, a 64-bit integer, a finite
// real number, a 14-digit date stamp; any text for T. Numbers are kept in the value.
bool ValueParses(WireValue& v) {
    const char* first = v.text.data();
    const char* last = first + v.text.size();
    switch (v.type) {
        case 'N':
            return v.text.empty();
        case 'I': {
            const auto [p, ec] = std::from_chars(first, last, v.integer);
            return ec == std::errc() && p == last;
        }
        case 'F': {
            const auto [p, ec] = std::from_chars(first, last, v.real);
            return ec == std::errc() && p == last && std::isfinite(v.real);
        }
        case 'D':
            return v.text.size() == 14 && std::all_of(v.text.begin(), v.text.end(),
                                                      [](char c) { return c >= '0' && c <= '9'; });
        default:
            return true;
    }
}

// The text of fields[from] onwards: a raw TAB inside it splits it, so the pieces are joined back.
bool UnescapeText(const std::vector<std::string_view>& fields, size_t from, std::string& out) {
    std::string raw(fields[from]);
    for (size_t i = from + 1; i < fields.size(); ++i)
        raw += "\t" + std::string(fields[i]);
    return Unescape(raw, out);
}

}  // namespace

bool Unescape(std::string_view text, std::string& out) {
    out.clear();
    if (text.find('\\') == std::string_view::npos) {
        out.assign(text);
        return true;
    }
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out.push_back(text[i]);
            continue;
        }
        if (++i == text.size())
            return false;
        switch (text[i]) {
            case '\\':
                out.push_back('\\');
                break;
            case 't':
                out.push_back('\t');
                break;
            case 'n':
                out.push_back('\n');
                break;
            case 'r':
                out.push_back('\r');
                break;
            default:
                return false;
        }
    }
    return true;
}

bool RecordStreamReader::Feed(std::string_view bytes) {
    if (finished_)
        return true;  // anything after the end record is ignored
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t nl = bytes.find('\n', start);
        if (nl == std::string_view::npos) {
            pending_.append(bytes.substr(start));
            if (pending_.size() > kMaxLine)
                return Malformed("record line too long");
            return true;
        }
        bool ok;
        if (pending_.empty()) {
            ok = Record(bytes.substr(start, nl - start));
        } else {
            pending_.append(bytes.substr(start, nl - start));
            ok = Record(pending_);
            pending_.clear();
        }
        if (!ok)
            return false;
        start = nl + 1;
        if (finished_)
            return true;
    }
    return true;
}

bool RecordStreamReader::Drain() {
    if (handler_.Drain())
        return true;
    malformedText_.clear();
    return false;
}

bool RecordStreamReader::Malformed(std::string text) {
    malformedText_ = "Malformed server answer: " + std::move(text);
    return false;
}

bool RecordStreamReader::Record(std::string_view line) {
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    if (line.find('\0') != std::string_view::npos)
        return Malformed("NUL character in a record");
    Fields& fields = fields_;
    SplitTabs(line, fields);
    const std::string_view kind = fields[0];
    if (kind == "E")
        return EndRecord(fields);
    if (kind == "C" && kind_ == AnswerKind::kRows)
        return Columns(fields);
    if (kind == "R" && kind_ == AnswerKind::kRows)
        return Row(fields);
    if (kind == "X" && kind_ == AnswerKind::kWriteBatch)
        return FailedWrite(fields);
    if (kind == "C" || kind == "R" || kind == "X")
        return Malformed("unexpected record \"" + std::string(kind) + "\"");
    return Malformed("unknown record \"" + std::string(kind.substr(0, 20)) + "\"");
}

bool RecordStreamReader::Columns(const Fields& fields) {
    if (columnsSeen_)
        return Malformed("column record out of place");
    columnsSeen_ = true;
    columns_ = fields.size() - 1;
    if (columns_ > kMaxColumns) {
        return Malformed("column record of " + std::to_string(columns_) + " columns (at most " +
                         std::to_string(kMaxColumns) + ")");
    }
    std::vector<std::string> names(columns_);
    for (size_t i = 0; i < columns_; ++i) {
        if (!Unescape(fields[i + 1], names[i]))
            return Malformed("bad escape in a column name");
    }
    return handler_.OnColumns(names);
}

bool RecordStreamReader::Row(const Fields& fields) {
    if (!columnsSeen_)
        return Malformed("row before the column record");
    if (fields.size() - 1 != columns_) {
        return Malformed("row of " + std::to_string(fields.size() - 1) + " values for " +
                         std::to_string(columns_) + " columns");
    }
    values_.resize(columns_);
    for (size_t i = 0; i < columns_; ++i) {
        const std::string_view f = fields[i + 1];
        if (f.empty() || !IsValueType(f[0]))
            return Malformed("value without a type");
        WireValue& v = values_[i];
        v.type = f[0];
        if (!Unescape(f.substr(1), v.text))
            return Malformed("bad escape in a value");
        if (!ValueParses(v))
            return Malformed("bad value \"" + std::string(f.substr(0, 40)) + "\"");
    }
    ++rows_;
    return handler_.OnRow(values_);
}

bool RecordStreamReader::FailedWrite(const Fields& fields) {
    WriteFailure failure;
    if (fields.size() < 4 || !ParseCount(fields[1], failure.index) ||
        (fields[2] != "0" && fields[2] != "1") || !UnescapeText(fields, 3, failure.text)) {
        return Malformed("bad write failure record");
    }
    if (!failures_.empty() && failure.index <= failures_.back().index)
        return Malformed("write failure records out of order");
    failure.transient = fields[2] == "1";
    failures_.push_back(std::move(failure));
    return true;
}

bool RecordStreamReader::EndRecord(const Fields& fields) {
    if (fields.size() == 3 && fields[1] == "OK") {
        if (!ParseCount(fields[2], count_))
            return Malformed("bad count in the end record");
        if (kind_ == AnswerKind::kRows && !columnsSeen_)
            return Malformed("end record before the column record");
        if (kind_ == AnswerKind::kRows && count_ != rows_) {
            return Malformed("end record counts " + std::to_string(count_) + " rows, " +
                             std::to_string(rows_) + " received");
        }
        if (!failures_.empty())
            return Malformed("end record OK after failed writes");
        finished_ = succeeded_ = true;
        return true;
    }
    if (fields.size() >= 4 && fields[1] == "ERR" && (fields[2] == "0" || fields[2] == "1")) {
        finished_ = true;
        transient_ = fields[2] == "1";
        if (!UnescapeText(fields, 3, errorText_))
            return Malformed("bad escape in the error text");
        return true;
    }
    return Malformed("bad end record");
}

}  // namespace terv::net
