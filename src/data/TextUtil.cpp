#include "TextUtil.h"

#include <cmath>

#include "platform/VbText.h"

namespace terv {

std::string StampOf(std::time_t when) {
    std::tm parts{};
    localtime_r(&when, &parts);
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", parts.tm_year + 1900,
                  parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
    return text;
}

std::string NowStamp() {
    return StampOf(std::time(nullptr));
}

std::string StampToDisplay(std::string_view stamp) {
    return StampToDay(stamp) + " " + Mid(stamp, 9, 2) + ":" + Mid(stamp, 11, 2) + ":" +
           Mid(stamp, 13, 2);
}

std::string StampToDay(std::string_view stamp) {
    return Mid(stamp, 7, 2) + "/" + Mid(stamp, 5, 2) + "/" + Mid(stamp, 1, 4);
}

std::string NumText(const Variant& value) {
    // NumToText writes no blanks, so there is nothing to trim.
    if (value.IsText())
        return NumToText(Val(value.AsText()));
    return NumToText(value.AsDouble());
}

std::string SqlText(const Variant& value) {
    if (value.IsNull())
        return "NULL";
    const std::string text = Trim(value.AsText());
    if (text.empty())
        return "NULL";
    return "'" + Replace(text, "'", "''") + "'";
}

std::string SqlNumber(const Variant& value) {
    if (value.IsNull())
        return "NULL";
    return NumText(value);
}

int32_t LongOrZero(const Variant& value) {
    return value.IsNull() ? 0 : value.AsLong();
}

std::string StripLeadingZeros(std::string& text) {
    size_t at = 0;
    while (text.compare(at, 2, "00") == 0)
        at += 2;
    while (at < text.size() && text[at] == '0')
        ++at;
    text.erase(0, at);
    if (text.empty())
        text = "0";
    return text;
}

std::string ParcelLabel(std::string_view number, std::string_view sub) {
    std::string label(number);
    StripLeadingZeros(label);
    const std::string trimmedSub = Trim(sub);
    if (!trimmedSub.empty())
        label += "/" + trimmedSub;
    return label;
}

std::string ReplaceWithCr(std::string_view text, int code) {
    std::string out(text);
    for (char& c : out) {
        if (static_cast<unsigned char>(c) == code)
            c = '\r';
    }
    return out;
}

std::string TrimNul(std::string_view text) {
    return std::string(text.substr(0, text.find('\0')));
}

std::string GetSsoServer(std::string_view text) {
    static constexpr std::string_view open = "<sso_server>";
    static constexpr std::string_view close = "</sso_server>";
    const size_t start = text.find(open);
    if (start == std::string_view::npos)
        return "";
    const size_t from = start + open.size();
    const size_t end = text.find(close, from);
    if (end == std::string_view::npos)
        return "";
    return std::string(text.substr(from, end - from));
}

int32_t CeilLong(double value) {
    if (value == std::floor(value))
        return static_cast<int32_t>(value);
    return CLng(value + 0.5);
}

std::string VatCheckDigit(std::string_view digits) {
    int sum = 0;
    for (int place = 1; place <= 10; ++place) {
        const size_t at = static_cast<size_t>(place - 1);
        const char c = at < digits.size() ? digits[at] : '0';
        int digit = (c >= '0' && c <= '9') ? c - '0' : 0;
        if (place % 2 == 0) {
            digit *= 2;
            if (digit > 9)
                digit = digit / 10 + digit % 10;
        }
        sum += digit;
    }
    return std::to_string((10 - sum % 10) % 10);
}

std::string ScrambleText(uint8_t key, std::string_view bytes) {
    std::string out(bytes.size(), '\0');
    const int k = key;
    for (size_t i = 0; i < bytes.size(); ++i) {
        int code = static_cast<unsigned char>(bytes[i]) ^ ((10 - k) & 0xFF);
        code += (i % 2 == 0) ? -k : k;  // place i + 1 is odd when i is even
        out[i] = static_cast<char>(code & 0xFF);
    }
    return out;
}

std::string ScrambleTextInverse(uint8_t key, std::string_view bytes) {
    std::string out(bytes.size(), '\0');
    const int k = key;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const int shifted = static_cast<unsigned char>(bytes[i]) + ((i % 2 == 0) ? k : -k);
        out[i] = static_cast<char>((shifted & 0xFF) ^ ((10 - k) & 0xFF));
    }
    return out;
}

}  // namespace terv
