// Settings files: "defaults.ini" and "servers.dat" in the program folder.
//
// Reads and writes go through the private-profile functions, in the Windows code page; texts
// here are UTF-8 and converted at the call. Every read names its file; a missing file, section
// or key yields the default, and write failures are ignored.
#pragma once

#include <string>

namespace terv {

// Sets the read buffer size (1024 in this program) and the default file.
void InitIni(long bufferSize, const std::string& defaultFile);

// The value, cut to the buffer size less one (1023 characters), or `defaultValue`.
std::string ReadIni(const std::string& section, const std::string& key,
                    const std::string& defaultValue, const std::string& file);

// Writes the value; the result is not looked at, as the program never does.
void WriteIni(const std::string& section, const std::string& key, const std::string& value,
              const std::string& file);

// The default file given to InitIni.
const std::string& IniDefaultFile();

}  // namespace terv
