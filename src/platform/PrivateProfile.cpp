#include "PrivateProfile.h"

#include <cctype>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

namespace terv {
namespace {

std::string TrimWhite(const std::string& s) {
    const char* ws = " \t\r\n";
    const size_t a = s.find_first_not_of(ws);
    if (a == std::string::npos)
        return {};
    return s.substr(a, s.find_last_not_of(ws) - a + 1);
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if (std::tolower(x) != std::tolower(y))
            return false;
    }
    return true;
}

// A file as lines. `raw` keeps each line with its own line end so that a write gives back every
// line it does not change byte for byte; `text` is the line without its end, for parsing. A
// leading UTF-8 byte-order mark (editors add one) is kept apart in `bom` and written back.
struct IniLines {
    std::string bom;
    std::vector<std::string> raw;
    std::vector<std::string> text;
};

std::optional<IniLines> ReadLines(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad())
        return std::nullopt;
    IniLines lines;
    size_t from = 0;
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        lines.bom = bytes.substr(0, from = 3);
    while (from < bytes.size()) {
        const size_t nl = bytes.find('\n', from);
        const size_t end = nl == std::string::npos ? bytes.size() : nl + 1;
        std::string raw = bytes.substr(from, end - from);
        std::string text = raw;
        if (!text.empty() && text.back() == '\n')
            text.pop_back();
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        lines.raw.push_back(std::move(raw));
        lines.text.push_back(std::move(text));
        from = end;
    }
    return lines;
}

// The section name of a "[name]" line, or nullopt for any other line.
std::optional<std::string> SectionName(const std::string& line) {
    const std::string t = TrimWhite(line);
    if (t.size() < 2 || t.front() != '[')
        return std::nullopt;
    const size_t close = t.find(']');
    return TrimWhite(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
}

// The key of a "key=value" line, or nullopt.
std::optional<std::string> KeyName(const std::string& line) {
    const size_t eq = line.find('=');
    if (eq == std::string::npos)
        return std::nullopt;
    return TrimWhite(line.substr(0, eq));
}

struct Location {
    long sectionLine = -1;  // index of the "[section]" line
    long lastLine = -1;     // last non-blank line belonging to the section
    long keyLine = -1;      // the key's line
};

Location Find(const std::vector<std::string>& lines, const std::string& section,
              const std::string& key) {
    Location loc;
    bool inside = false;
    for (long i = 0; i < static_cast<long>(lines.size()); ++i) {
        if (auto name = SectionName(lines[i])) {
            if (inside)
                break;
            inside = SameName(*name, TrimWhite(section));
            if (inside)
                loc.sectionLine = loc.lastLine = i;
            continue;
        }
        if (!inside)
            continue;
        if (!TrimWhite(lines[i]).empty())
            loc.lastLine = i;
        auto k = KeyName(lines[i]);
        if (k && loc.keyLine < 0 && SameName(*k, TrimWhite(key)))
            loc.keyLine = i;
    }
    return loc;
}

std::string Unquote(std::string value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

}  // namespace

std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue, size_t bufferSize,
                                    const std::string& file) {
    if (bufferSize == 0)
        return {};
    std::string value = defaultValue;
    while (!value.empty() && value.back() == ' ')
        value.pop_back();
    if (auto lines = ReadLines(file)) {
        const Location loc = Find(lines->text, section, key);
        if (loc.keyLine >= 0) {
            const std::string& line = lines->text[loc.keyLine];
            value = Unquote(TrimWhite(line.substr(line.find('=') + 1)));
        }
    }
    if (value.size() > bufferSize - 1)
        value.resize(bufferSize - 1);
    return value;
}

bool WritePrivateProfileString(const std::string& section, const std::string& key,
                               const std::string& value, const std::string& file) {
    IniLines lines;
    if (std::ifstream probe(file, std::ios::binary); probe) {
        auto read = ReadLines(file);
        if (!read)
            return false;
        lines = std::move(*read);
    }
    // A line written after the file's last line needs that line ended first.
    auto endLine = [&lines](long i) {
        if (i >= 0 && lines.raw[i].back() != '\n')
            lines.raw[i] += "\r\n";
    };
    auto insert = [&lines](long at, const std::string& text) {
        lines.raw.insert(lines.raw.begin() + at, text + "\r\n");
        lines.text.insert(lines.text.begin() + at, text);
    };
    const std::string entry = TrimWhite(key) + "=" + value;
    const Location loc = Find(lines.text, section, key);
    if (loc.keyLine >= 0) {
        // The stored key keeps its spelling and the line its end; only the value changes.
        std::string& raw = lines.raw[loc.keyLine];
        const std::string end = raw.substr(lines.text[loc.keyLine].size());
        raw = *KeyName(lines.text[loc.keyLine]) + "=" + value + end;
    } else if (loc.sectionLine >= 0) {
        endLine(loc.lastLine);
        insert(loc.lastLine + 1, entry);
    } else {
        endLine(static_cast<long>(lines.raw.size()) - 1);
        insert(static_cast<long>(lines.raw.size()), "[" + TrimWhite(section) + "]");
        insert(static_cast<long>(lines.raw.size()), entry);
    }
    std::string text = lines.bom;
    for (const auto& line : lines.raw)
        text += line;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out.flush());
}

}  // namespace terv
