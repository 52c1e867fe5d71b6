// UTF-8 to Windows-1252 for the PDF writer, which stands alone and so carries its own small table:
// codes 0x00-0x7F and 0xA0-0xFF equal their Unicode code points, 0x80-0x9F are listed below.
#include "PdfText.h"

#include <cstdint>

namespace terv {
namespace {

// Unicode code points of Windows-1252 codes 0x80..0x9F. The five codes the code page leaves
// undefined stand for the C1 control characters of the same value, as Windows maps them.
constexpr char32_t kHighCodes[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char ByteOfCodePoint(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<char>(cp);
    for (int i = 0; i < 32; ++i) {
        if (kHighCodes[i] == cp && cp != 0)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

// Decodes one UTF-8 sequence at `pos`; advances pos. Invalid input yields U+FFFD and one byte.
char32_t NextCodePoint(std::string_view text, size_t& pos) {
    auto lead = static_cast<uint8_t>(text[pos++]);
    if (lead < 0x80)
        return lead;
    int extra;
    char32_t cp;
    char32_t minimum;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, cp = lead & 0x07, minimum = 0x10000;
    } else {
        return 0xFFFD;
    }
    if (pos + extra > text.size())
        return 0xFFFD;
    for (int i = 0; i < extra; ++i) {
        auto next = static_cast<uint8_t>(text[pos + i]);
        if ((next & 0xC0) != 0x80)
            return 0xFFFD;
        cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0xFFFD;
    pos += extra;
    return cp;
}

}  // namespace

bool IsAscii(std::string_view text) {
    for (char c : text) {
        if (static_cast<uint8_t>(c) >= 0x80)
            return false;
    }
    return true;
}

void AppendCp1252(std::string& out, std::string_view utf8) {
    if (IsAscii(utf8)) {
        out.append(utf8);
        return;
    }
    size_t pos = 0;
    while (pos < utf8.size())
        out += ByteOfCodePoint(NextCodePoint(utf8, pos));
}

std::string ToCp1252(std::string_view utf8) {
    std::string bytes;
    AppendCp1252(bytes, utf8);
    return bytes;
}

void AppendPdfEscaped(std::string& out, std::string_view utf8) {
    size_t start = out.size();
    AppendCp1252(out, utf8);
    size_t special = out.find_first_of("\\()", start);
    if (special == std::string::npos)
        return;
    std::string tail = out.substr(special);
    out.resize(special);
    for (char c : tail) {
        if (c == '\\' || c == '(' || c == ')')
            out += '\\';
        out += c;
    }
}

}  // namespace terv
