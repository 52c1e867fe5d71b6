#include "RecordStream.h"

#include <charconv>

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

bool RecordStreamReader::Malformed(std::string text) {
    malformedText_ = "Malformed server answer: " + std::move(text);
    return false;
}

bool RecordStreamReader::Record(std::string_view line) {
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    std::vector<std::string_view> fields;
    SplitTabs(line, fields);
    const std::string_view kind = fields[0];
    if (kind == "E")
        return EndRecord(fields);
    if (kind == "C") {
        if (columnsSeen_ || rows_ > 0)
            return Malformed("column record out of place");
        columnsSeen_ = true;
        std::vector<std::string> names;
        names.reserve(fields.size() - 1);
        for (size_t i = 1; i < fields.size(); ++i) {
            std::string name;
            if (!Unescape(fields[i], name))
                return Malformed("bad escape in a column name");
            names.push_back(std::move(name));
        }
        return handler_.OnColumns(names);
    }
    if (kind == "R") {
        values_.resize(fields.size() - 1);
        for (size_t i = 1; i < fields.size(); ++i) {
            const std::string_view f = fields[i];
            if (f.empty() || !IsValueType(f[0]))
                return Malformed("value without a type");
            WireValue& v = values_[i - 1];
            v.type = f[0];
            if (!Unescape(f.substr(1), v.text))
                return Malformed("bad escape in a value");
        }
        ++rows_;
        return handler_.OnRow(values_);
    }
    return Malformed("unknown record \"" + std::string(kind.substr(0, 20)) + "\"");
}

bool RecordStreamReader::EndRecord(const std::vector<std::string_view>& fields) {
    if (fields.size() == 3 && fields[1] == "OK") {
        int64_t n = 0;
        const auto [p, ec] =
            std::from_chars(fields[2].data(), fields[2].data() + fields[2].size(), n);
        if (ec != std::errc() || p != fields[2].data() + fields[2].size())
            return Malformed("bad count in the end record");
        finished_ = succeeded_ = true;
        count_ = n;
        return true;
    }
    if (fields.size() >= 4 && fields[1] == "ERR" && (fields[2] == "0" || fields[2] == "1")) {
        finished_ = true;
        transient_ = fields[2] == "1";
        // A text holding a raw TAB arrives split; join it back.
        std::string raw(fields[3]);
        for (size_t i = 4; i < fields.size(); ++i)
            raw += "\t" + std::string(fields[i]);
        if (!Unescape(raw, errorText_))
            errorText_ = raw;
        return true;
    }
    return Malformed("bad end record");
}

}  // namespace terv::net
