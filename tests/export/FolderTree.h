// A folder's files as one comparable text or list, for tests that check what a tool left on disk.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace terv::test {

// Every file and link under `folder` as "relative path=content", sorted, ";"-separated; "" when
// the folder does not exist.
inline std::string Tree(const std::string& folder) {
    namespace fs = std::filesystem;
    std::vector<std::string> items;
    if (fs::exists(folder))
        for (const auto& e : fs::recursive_directory_iterator(folder))
            if (e.is_regular_file() || e.is_symlink())
                items.push_back(fs::relative(e.path(), folder).string() + "=" +
                                ReadFileBytes(e.path().string()));
    std::sort(items.begin(), items.end());
    std::string out;
    for (const auto& i : items)
        out += (out.empty() ? "" : ";") + i;
    return out;
}

// Every file under `folder` as its relative path, sorted; none when the folder does not exist.
inline std::vector<std::string> Files(const std::string& folder) {
    namespace fs = std::filesystem;
    std::vector<std::string> out;
    if (fs::exists(folder))
        for (const auto& e : fs::recursive_directory_iterator(folder))
            if (e.is_regular_file())
                out.push_back(fs::relative(e.path(), folder).string());
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace terv::test
