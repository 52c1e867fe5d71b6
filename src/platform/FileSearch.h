// File search with Windows patterns.
//
// Stands in for FindFirstFile/FindNextFile: `*` and `?` wildcards compared without letter case,
// "*.*" matching every name, "." and ".." never returned.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace terv {

// True when `name` matches the Windows pattern (`*`, `?`, letter case ignored, "*.*" = all).
bool MatchesPattern(std::string_view name, std::string_view pattern);

struct FoundEntry {
    std::string name;  // bare name, no folder
    bool isFolder = false;
};

// Entries of `folder` matching `pattern`, in the order found (sorted by name without letter
// case, so that runs are repeatable). A missing or unreadable folder gives no entries.
std::vector<FoundEntry> FindEntries(const std::string& folder, std::string_view pattern);

// Joins a folder and a name with exactly one "/" between them.
std::string JoinPath(std::string_view folder, std::string_view name);

}  // namespace terv
