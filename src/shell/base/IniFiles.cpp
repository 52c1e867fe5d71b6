#include "IniFiles.h"

#include "Cp1252.h"
#include "PrivateProfile.h"

namespace terv {
namespace {

long gBufferSize = 1024;
std::string gDefaultFile;

}  // namespace

void InitIni(long bufferSize, const std::string& defaultFile) {
    gBufferSize = bufferSize > 0 ? bufferSize : 1;
    gDefaultFile = defaultFile;
}

std::string ReadIni(const std::string& section, const std::string& key,
                    const std::string& defaultValue, const std::string& file) {
    return Cp1252ToUtf8(GetPrivateProfileString(Utf8ToCp1252(section), Utf8ToCp1252(key),
                                                Utf8ToCp1252(defaultValue),
                                                static_cast<size_t>(gBufferSize), file));
}

void WriteIni(const std::string& section, const std::string& key, const std::string& value,
              const std::string& file) {
    WritePrivateProfileString(Utf8ToCp1252(section), Utf8ToCp1252(key), Utf8ToCp1252(value), file);
}

const std::string& IniDefaultFile() { return gDefaultFile; }

}  // namespace terv
