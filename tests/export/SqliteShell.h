// Reads a handheld database back through the sqlite3 command-line shell, a reader of its own.
#pragma once

#include <array>
#include <cstdio>
#include <string>

namespace terv::test {

// The shell's output of `sql` on `file`, cells separated by "|", one row a line. The SQL must not
// hold a double quote.
inline std::string SqliteShell(const std::string& file, const std::string& sql) {
    const std::string command = "sqlite3 -batch -readonly '" + file + "' \"" + sql + "\" 2>&1";
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return "<no shell>";
    std::array<char, 4096> buf{};
    size_t n = 0;
    while ((n = fread(buf.data(), 1, buf.size(), pipe)) > 0)
        out.append(buf.data(), n);
    pclose(pipe);
    return out;
}

}  // namespace terv::test
