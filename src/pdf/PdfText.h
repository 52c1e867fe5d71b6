// Text of the PDF writer: the program's UTF-8 strings become Windows-1252 bytes, the encoding the
// writer's fonts declare (/WinAnsiEncoding), and PDF string literals are escaped.
#pragma once

#include <string>
#include <string_view>

namespace terv {

// Appends the Windows-1252 bytes of UTF-8 text (U+0081, U+008D, U+008F, U+0090 and U+009D give
// the undefined codes of the same value). Characters outside the code page and bytes that
// are not valid UTF-8 become '?'.
void AppendCp1252(std::string& out, std::string_view utf8);

// The Windows-1252 bytes of UTF-8 text, as AppendCp1252.
std::string ToCp1252(std::string_view utf8);

// True when every byte is below 0x80 (the text is the same in UTF-8 and Windows-1252).
bool IsAscii(std::string_view text);

// Appends the Windows-1252 text escaped for a PDF string literal: "\" -> "\\", "(" -> "\(",
// ")" -> "\)"; nothing else changes. The delimiting parentheses are not added.
void AppendPdfEscaped(std::string& out, std::string_view utf8);

}  // namespace terv
