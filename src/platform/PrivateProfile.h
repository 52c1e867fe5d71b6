// Windows private-profile (INI) files.
//
// Our stand-in for GetPrivateProfileStringA / WritePrivateProfileStringA, keeping their
// semantics: section and key names compare without letter case, anything missing yields the
// default, values are cut to the buffer size less one, and writing creates the file and the
// section when needed while keeping every other line. Texts here are raw 8-bit bytes in the
// Windows code page, exactly as they stand in the file; callers convert.
#pragma once

#include <cstddef>
#include <string>

namespace terv {

// The value of `key` in `section` of `file`, or `defaultValue` (trailing blanks removed) when
// the file, section or key is missing. Blanks around the value are removed and one pair of
// enclosing quotes is dropped. The result holds at most bufferSize - 1 bytes.
std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue, size_t bufferSize,
                                    const std::string& file);

// Sets `key` in `section` of `file` to `value`: replaces the key's line in place, or adds it at
// the end of the section, or adds the section at the end of the file, or creates the file.
// Lines end with CR LF. Returns false when the file cannot be read back or written.
bool WritePrivateProfileString(const std::string& section, const std::string& key,
                               const std::string& value, const std::string& file);

}  // namespace terv
