#include "VbText.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "Cp1252.h"

namespace terv {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Length of the leading number of s (sign, digits, point, exponent), 0 when there is none.
size_t LeadingNumberLength(std::string_view s) {
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    size_t digits = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
        ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
            ++i, ++digits;
    }
    if (digits == 0)
        return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            ++j;
        const size_t expStart = j;
        while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j])))
            ++j;
        if (j > expStart)
            i = j;
    }
    return i;
}

// Byte offset of the character with 0-based index `chars` (or the end).
size_t ByteOffset(std::string_view s, size_t chars) {
    size_t i = 0;
    while (i < s.size() && chars > 0) {
        ++i;
        while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80)
            ++i;
        --chars;
    }
    return i;
}

template <typename Map>
std::string MapCase(std::string_view text, Map map) {
    return Cp1252ToUtf8([&] {
        std::string bytes = Utf8ToCp1252(text);
        for (char& c : bytes)
            c = static_cast<char>(map(static_cast<unsigned char>(c)));
        return bytes;
    }());
}

unsigned char Upper1252(unsigned char c) {
    if (c >= 'a' && c <= 'z')
        return c - 0x20;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return c - 0x20;
    switch (c) {
        case 0x9A:
            return 0x8A;  // š
        case 0x9C:
            return 0x8C;  // œ
        case 0x9E:
            return 0x8E;  // ž
        case 0xFF:
            return 0x9F;  // ÿ
        default:
            return c;
    }
}

unsigned char Lower1252(unsigned char c) {
    if (c >= 'A' && c <= 'Z')
        return c + 0x20;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return c + 0x20;
    switch (c) {
        case 0x8A:
            return 0x9A;
        case 0x8C:
            return 0x9C;
        case 0x8E:
            return 0x9E;
        case 0x9F:
            return 0xFF;
        default:
            return c;
    }
}

// Case change only where the text has characters of the code page; others pass through.
bool IsCp1252Text(std::string_view text) {
    return Cp1252ToUtf8(Utf8ToCp1252(text)) == text;
}

}  // namespace

double Val(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    const std::string_view rest = text.substr(i);
    const size_t n = LeadingNumberLength(rest);
    if (n == 0)
        return 0.0;
    std::string number(rest.substr(0, n));
    for (char& c : number) {
        if (c == 'd' || c == 'D')
            c = 'e';
    }
    return std::strtod(number.c_str(), nullptr);
}

int32_t CLng(double value) {
    if (std::isnan(value))
        return 0;
    const double r = std::nearbyint(value);  // default rounding mode: half to even
    if (r >= std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (r <= std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(r);
}

int16_t CInt(double value) {
    const int32_t r = CLng(value);
    if (r > std::numeric_limits<int16_t>::max())
        return std::numeric_limits<int16_t>::max();
    if (r < std::numeric_limits<int16_t>::min())
        return std::numeric_limits<int16_t>::min();
    return static_cast<int16_t>(r);
}

std::string NumToText(double value) {
    if (value == 0 || std::isnan(value))
        return "0";
    // Whole numbers below 1E+15 are written in full, digit for digit.
    if (std::fabs(value) < 1e15 && value == std::trunc(value))
        return std::to_string(static_cast<long long>(value));
    // 15 significant digits, "d.dddddddddddddde+XX", as printf's "%.14e" writes them.
    char buf[40];
    const auto written =
        std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 14);
    const std::string_view sci(buf, static_cast<size_t>(written.ptr - buf));
    const size_t e = sci.find('e');
    int exponent = 0;
    std::from_chars(sci.data() + e + (sci[e + 1] == '+' ? 2 : 1), written.ptr, exponent);
    char digits[16];  // the mantissa's digits without the point or trailing zeros
    size_t n = 0;
    for (size_t i = 0; i < e; ++i)
        if (sci[i] != '.')
            digits[n++] = sci[i];
    while (n > 1 && digits[n - 1] == '0')
        --n;
    const std::string_view d(digits, n);
    std::string out = value < 0 ? "-" : "";
    if (exponent >= 15 || exponent < -5) {
        out += d.substr(0, 1);
        if (n > 1)
            (out += '.') += d.substr(1);
        char tail[16];
        std::snprintf(tail, sizeof tail, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
        return out + tail;
    }
    if (exponent < 0)
        return (out += '.').append(-exponent - 1, '0') += d;
    if (n <= static_cast<size_t>(exponent) + 1)
        return (out += d).append(exponent + 1 - n, '0');
    return ((out += d.substr(0, exponent + 1)) += '.') += d.substr(exponent + 1);
}

std::string Str(double value) {
    const std::string text = NumToText(value);
    return text[0] == '-' ? text : " " + text;
}

std::string FormatZeros(int64_t value, int width) {
    std::string digits = std::to_string(value < 0 ? -value : value);
    if (static_cast<int>(digits.size()) < width)
        digits.insert(0, width - digits.size(), '0');
    return value < 0 ? "-" + digits : digits;
}

std::string LTrim(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    return std::string(text.substr(i));
}

std::string RTrim(std::string_view text) {
    size_t n = text.size();
    while (n > 0 && text[n - 1] == ' ')
        --n;
    return std::string(text.substr(0, n));
}

std::string Trim(std::string_view text) {
    return LTrim(RTrim(text));
}

std::string UCase(std::string_view text) {
    if (!IsCp1252Text(text)) {
        std::string out(text);
        for (char& c : out) {
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 0x20);
        }
        return out;
    }
    return MapCase(text, Upper1252);
}

std::string LCase(std::string_view text) {
    if (!IsCp1252Text(text)) {
        std::string out(text);
        for (char& c : out) {
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c + 0x20);
        }
        return out;
    }
    return MapCase(text, Lower1252);
}

size_t Len(std::string_view text) {
    size_t n = 0;
    for (char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++n;
    }
    return n;
}

std::string Mid(std::string_view text, long start, long length) {
    if (start < 1)
        start = 1;
    const size_t from = ByteOffset(text, static_cast<size_t>(start - 1));
    if (length < 0)
        return std::string(text.substr(from));
    const std::string_view rest = text.substr(from);
    return std::string(rest.substr(0, ByteOffset(rest, static_cast<size_t>(length))));
}

std::string Left(std::string_view text, long length) {
    return Mid(text, 1, length < 0 ? 0 : length);
}

std::string Right(std::string_view text, long length) {
    const long total = static_cast<long>(Len(text));
    if (length >= total)
        return std::string(text);
    if (length <= 0)
        return {};
    return Mid(text, total - length + 1);
}

std::vector<std::string> Split(std::string_view text, std::string_view sep) {
    std::vector<std::string> parts;
    if (text.empty())
        return parts;
    if (sep.empty())
        return {std::string(text)};
    size_t from = 0;
    for (size_t at; (at = text.find(sep, from)) != std::string_view::npos; from = at + sep.size()) {
        parts.emplace_back(text.substr(from, at - from));
    }
    parts.emplace_back(text.substr(from));
    return parts;
}

std::string Replace(std::string_view text, std::string_view what, std::string_view with) {
    if (what.empty())
        return std::string(text);
    std::string out;
    size_t from = 0;
    for (size_t at; (at = text.find(what, from)) != std::string_view::npos;
         from = at + what.size()) {
        out.append(text.substr(from, at - from)).append(with);
    }
    return out.append(text.substr(from));
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return UCase(a) == UCase(b);
}

}  // namespace terv
