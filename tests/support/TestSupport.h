// Fixtures shared by the test suites: a fresh program folder per test, file helpers.
#pragma once

#include <string>

namespace terv::test {

// A fresh, empty temporary folder, removed (with everything in it) on destruction.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    // path() + "/" + name
    std::string operator/(const std::string& name) const;

  private:
    std::string path_;
};

// A fresh program folder: a TempFolder that TERVPALM_HOME names while it lives, holding a copy
// of the tabelle.mdb the build makes (the program cannot start without it).
class TempHome : public TempFolder {
  public:
    explicit TempHome(bool withTabelle = true);
    ~TempHome();
};

// The whole file as bytes; empty when it cannot be read.
std::string ReadFileBytes(const std::string& path);
// Writes the bytes, creating or replacing the file.
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
// The tabelle.mdb the build makes.
std::string InstalledTabelle();
// Runs a shell command; returns its standard output, `status` gets the exit code.
std::string RunCommand(const std::string& command, int* status = nullptr);
// What the sqlite3 shell prints for `sql` run on `file` (list mode, "|" between columns).
std::string Sqlite3Shell(const std::string& file, const std::string& sql);

}  // namespace terv::test
