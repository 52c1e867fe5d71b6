#include "FileSearch.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "VbText.h"

namespace terv {
namespace {

bool Match(std::string_view name, std::string_view pat) {
    size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
    auto same = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    };
    while (n < name.size()) {
        if (p < pat.size() && (pat[p] == '?' || same(pat[p], name[n]))) {
            ++n, ++p;
        } else if (p < pat.size() && pat[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pat.size() && pat[p] == '*') ++p;
    return p == pat.size();
}

}  // namespace

bool MatchesPattern(std::string_view name, std::string_view pattern) {
    if (pattern == "*.*" || pattern == "*") return true;
    // "name." in a pattern also matches a name without extension, as on Windows.
    if (Match(name, pattern)) return true;
    return name.find('.') == std::string_view::npos && !pattern.empty() && pattern.back() == '.' &&
           Match(name, pattern.substr(0, pattern.size() - 1));
}

std::vector<FoundEntry> FindEntries(const std::string& folder, std::string_view pattern) {
    namespace fs = std::filesystem;
    std::vector<FoundEntry> found;
    std::error_code ec;
    fs::directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name == "." || name == ".." || !MatchesPattern(name, pattern)) continue;
        std::error_code typeEc;
        found.push_back({name, it->is_directory(typeEc)});
    }
    std::sort(found.begin(), found.end(), [](const FoundEntry& a, const FoundEntry& b) {
        const std::string ua = UCase(a.name), ub = UCase(b.name);
        return ua != ub ? ua < ub : a.name < b.name;
    });
    return found;
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string out(folder);
    if (!out.empty() && out.back() != '/') out += '/';
    while (!name.empty() && name.front() == '/') name.remove_prefix(1);
    return out.append(name);
}

}  // namespace terv
