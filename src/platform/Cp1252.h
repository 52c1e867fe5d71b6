// Windows-1252 <-> UTF-8 conversion.
//
// Every string in memory is UTF-8; the program's own 8-bit files (INI files, work files, logs,
// notice files) are Windows-1252. All conversions at those file boundaries go through here.
#pragma once

#include <string>
#include <string_view>

namespace terv {

// Converts UTF-8 text to Windows-1252. Characters outside the code page, and bytes that are not
// valid UTF-8, become '?'.
std::string Utf8ToCp1252(std::string_view utf8);

// Converts Windows-1252 bytes to UTF-8. The five codes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control characters of the same value, as Windows
// does.
std::string Cp1252ToUtf8(std::string_view cp1252);

// True when the bytes are well-formed UTF-8.
bool IsValidUtf8(std::string_view text);

// The Windows-1252 code of one Unicode code point, or -1 when the code page has none.
int Cp1252FromCodePoint(char32_t cp);

// The Unicode code point of one Windows-1252 byte.
char32_t Cp1252ToCodePoint(unsigned char byte);

}  // namespace terv
