// Reader of the shared theme list.
#include "Themes.h"

#include <fstream>
#include <sstream>

namespace terv::central {

namespace {

// The ";"-separated rows of a file, without the header, comments and blank lines.
bool ReadRows(const std::string& path, std::vector<std::vector<std::string>>* rows,
              std::string* error) {
    std::ifstream in(path);
    if (!in) {
        *error = "cannot read " + path;
        return false;
    }
    std::string line;
    bool header = true;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        if (header) {
            header = false;
            continue;
        }
        std::vector<std::string> fields;
        std::stringstream ss(line);
        std::string f;
        while (std::getline(ss, f, ';'))
            fields.push_back(f);
        if (!line.empty() && line.back() == ';')
            fields.emplace_back();
        rows->push_back(std::move(fields));
    }
    return true;
}

bool ToInt(const std::string& s, int* out) {
    try {
        size_t used = 0;
        *out = std::stoi(s, &used);
        return used == s.size();
    } catch (...) {
        return false;
    }
}

}  // namespace

bool ThemeList::Load(const std::string& folder, std::string* error) {
    std::vector<std::vector<std::string>> rows;
    const std::string themes_path = folder + "/themes.csv";
    if (!ReadRows(themes_path, &rows, error))
        return false;
    for (const auto& r : rows) {
        Theme t;
        if (r.size() < 3 || !ToInt(r[0], &t.id) || !ToInt(r[2], &t.type) || r[1].empty()) {
            *error = "malformed line in " + themes_path;
            return false;
        }
        t.name = r[1];
        themes_[t.id] = t;
    }
    rows.clear();
    const std::string fields_path = folder + "/theme_fields.csv";
    if (!ReadRows(fields_path, &rows, error))
        return false;
    for (const auto& r : rows) {
        int ref = 0, type = 0;
        if (r.size() < 4 || !ToInt(r[0], &ref) || !ToInt(r[3], &type) || r[2].empty()) {
            *error = "malformed line in " + fields_path;
            return false;
        }
        auto it = themes_.find(ref);
        if (it == themes_.end()) {
            *error = fields_path + " names theme " + r[0] + ", which themes.csv lacks";
            return false;
        }
        it->second.fields.push_back({r[2], type});
    }
    return true;
}

std::string ThemeList::Name(int id, const std::string& fallback) const {
    auto it = themes_.find(id);
    return it == themes_.end() ? fallback : it->second.name;
}

}  // namespace terv::central
