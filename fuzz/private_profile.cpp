// Fuzz target: the private-profile (INI) reader and writer on a file of fuzzed bytes. The first
// line names the section, the second the key, the third the value to write; the rest is the file.
// A read never exceeds its buffer, and a plain key written is read back as written.
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <string>

#include "FuzzInput.h"
#include "PrivateProfile.h"

namespace {

std::string ScratchFile() {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir ? dir : "/tmp") + "/terv_fuzz_profile_" + std::to_string(getpid()) +
           ".ini";
}

// Letters and digits only: a name or value the file's syntax cannot confuse.
bool Plain(std::string_view text) {
    if (text.empty())
        return false;
    for (const char c : text)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using terv::fuzz::Require;
    static const std::string file = ScratchFile();
    terv::fuzz::FuzzInput in(data, size);
    const size_t buffer = in.Byte();
    const std::string section(in.Line()), key(in.Line()), value(in.Line());
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << in.Rest();
    }
    const std::string read = terv::GetPrivateProfileString(section, key, "d", buffer, file);
    Require(buffer == 0 ? read.empty() : read.size() < buffer, "a read fits its buffer");
    if (terv::WritePrivateProfileString(section, key, value, file) && Plain(section) &&
        Plain(key) && Plain(value)) {
        Require(terv::GetPrivateProfileString(section, key, "", 1024, file) == value,
                "a plain key reads back as written");
    }
    std::filesystem::remove(file);
    return 0;
}
