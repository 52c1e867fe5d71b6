#include "JetValues.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

#include "platform/Cp1252.h"
#include "platform/VbText.h"

namespace terv {

namespace {

struct DateTime {
    int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0;
};

bool IsLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

bool Valid(const DateTime& d) {
    return d.year >= 100 && d.year <= 9999 && d.month >= 1 && d.month <= 12 && d.day >= 1 &&
           d.day <= DaysInMonth(d.year, d.month) && d.hour >= 0 && d.hour < 24 && d.minute >= 0 &&
           d.minute < 60 && d.second >= 0 && d.second < 60;
}

std::string Canonical(const DateTime& d) {
    char buf[80];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day, d.hour,
                  d.minute, d.second);
    return buf;
}

// Splits "12/31/2026" at `sep` into numbers; false unless every part is digits.
bool Numbers(std::string_view s, char sep, std::vector<int>& out) {
    out.clear();
    for (const std::string& part : Split(s, std::string(1, sep))) {
        if (part.empty() || part.size() > 4)
            return false;
        for (char c : part)
            if (!std::isdigit(static_cast<unsigned char>(c)))
                return false;
        out.push_back(std::atoi(part.c_str()));
    }
    return true;
}

std::string Upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool ParseTime(std::string s, DateTime& d) {
    std::string upper = Upper(s);
    int shift = -1;  // -1: 24-hour clock, 0: AM, 12: PM
    for (const char* mark : {"AM", "PM"}) {
        if (upper.size() > 2 && upper.compare(upper.size() - 2, 2, mark) == 0) {
            shift = mark[0] == 'A' ? 0 : 12;
            s = Trim(s.substr(0, s.size() - 2));
        }
    }
    std::vector<int> n;
    if (!Numbers(s, ':', n) || n.size() < 2 || n.size() > 3)
        return false;
    d.hour = n[0];
    d.minute = n[1];
    d.second = n.size() == 3 ? n[2] : 0;
    if (shift >= 0) {
        if (d.hour < 1 || d.hour > 12)
            return false;
        d.hour = d.hour % 12 + shift;
    }
    return true;
}

bool ParseDay(const std::string& s, DateTime& d) {
    std::vector<int> n;
    if (Numbers(s, '-', n) && n.size() == 3 && s.find('-') == 4) {
        d.year = n[0];
        d.month = n[1];
        d.day = n[2];
        return true;
    }
    if (!Numbers(s, '/', n) || n.size() != 3)
        return false;
    d.month = n[0];
    d.day = n[1];
    d.year = n[2] < 30 ? 2000 + n[2] : n[2] < 100 ? 1900 + n[2] : n[2];
    return true;
}

// A date text as the layer writes it ("YYYY-MM-DD HH:MM:SS", or the day alone).
bool DateOfText(std::string_view text, DateTime& d) {
    std::string s(text);
    if (s.size() != 10 && s.size() != 19)
        return false;
    if (!ParseDay(s.substr(0, 10), d) || s.find('-') != 4)
        return false;
    if (s.size() == 19 && (s[10] != ' ' || !ParseTime(s.substr(11), d)))
        return false;
    return Valid(d);
}

// Days from 1970-01-01 of a civil date (proleptic Gregorian).
long DaysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

DateTime CivilFromDays(long z) {
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    DateTime d;
    d.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    d.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    d.year = static_cast<int>(yoe + era * 400 + (d.month <= 2));
    return d;
}

// Jet's date serial: days since 12/30/1899, the time as the fraction.
DateTime FromSerial(double serial) {
    const long kEpoch = DaysFromCivil(1899, 12, 30);
    double days = std::floor(serial);
    long seconds = std::lround((serial - days) * 86400.0);
    if (serial < 0) {  // Jet counts the fraction of negative serials away from zero
        days = std::ceil(serial);
        seconds = std::lround((days - serial) * 86400.0);
    }
    DateTime d = CivilFromDays(kEpoch + static_cast<long>(days) + seconds / 86400);
    seconds %= 86400;
    d.hour = static_cast<int>(seconds / 3600);
    d.minute = static_cast<int>(seconds / 60 % 60);
    d.second = static_cast<int>(seconds % 60);
    return d;
}

const char* const kMonths[] = {"January",   "February", "March",    "April",
                               "May",       "June",     "July",     "August",
                               "September", "October",  "November", "December"};
const char* const kDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                             "Thursday", "Friday", "Saturday"};

std::string Two(int v) {
    return FormatZeros(v, 2);
}

// Length of the run of letter `c` (ignoring case) at `i`.
size_t Run(std::string_view p, size_t i) {
    size_t n = 0;
    while (i + n < p.size() && std::tolower(static_cast<unsigned char>(p[i + n])) ==
                                   std::tolower(static_cast<unsigned char>(p[i])))
        ++n;
    return n;
}

bool FormatDate(const DateTime& d, std::string_view p, std::string& out, std::string& error) {
    out.clear();
    bool afterHour = false;  // "m" after "h" means minutes
    for (size_t i = 0; i < p.size();) {
        char c = static_cast<char>(std::tolower(static_cast<unsigned char>(p[i])));
        size_t n = Run(p, i);
        bool letter = std::isalpha(static_cast<unsigned char>(c)) != 0;
        if (c == 'y' && n >= 2) {
            out += n >= 3 ? FormatZeros(d.year, 4) : Two(d.year % 100);
        } else if (c == 'm' && !afterHour) {
            out += n >= 4   ? kMonths[d.month - 1]
                   : n == 3 ? std::string(kMonths[d.month - 1]).substr(0, 3)
                   : n == 2 ? Two(d.month)
                            : std::to_string(d.month);
        } else if (c == 'd') {
            int wd = static_cast<int>((DaysFromCivil(d.year, d.month, d.day) % 7 + 11) % 7);
            out += n >= 4   ? kDays[wd]
                   : n == 3 ? std::string(kDays[wd]).substr(0, 3)
                   : n == 2 ? Two(d.day)
                            : std::to_string(d.day);
        } else if (c == 'h' || c == 'n' || c == 's' || c == 'm') {
            int v = c == 'h' ? d.hour : c == 's' ? d.second : d.minute;
            out += n >= 2 ? Two(v) : std::to_string(v);
        } else if (letter) {
            error = "the Format pattern '" + std::string(p) + "'";
            return false;
        } else {
            out.append(p.substr(i, n));
        }
        if (letter)
            afterHour = c == 'h';
        i += n;
    }
    return true;
}

// A pattern of date parts: no digit placeholder, at least one of y m d h n s.
bool IsDatePattern(std::string_view p) {
    bool part = false;
    for (char c : p) {
        char l = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (l == '0' || l == '#')
            return false;
        part = part || std::string_view("ymdhns").find(l) != std::string_view::npos;
    }
    return part;
}

std::string Group(const std::string& digits) {
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

bool FormatWithPattern(double value, std::string_view pattern, std::string& out,
                       std::string& error) {
    std::vector<std::string> sections = Split(pattern, ";");
    std::string p = sections.empty() ? "" : sections[0];
    if (value < 0 && sections.size() > 1) {
        p = sections[1];
        value = -value;
    }
    size_t first = p.find_first_of("0#"), last = p.find_last_of("0#");
    if (first == std::string::npos) {
        error = "the Format pattern '" + std::string(pattern) + "'";
        return false;
    }
    std::string prefix = p.substr(0, first), suffix = p.substr(last + 1);
    std::string body = p.substr(first, last - first + 1);
    size_t point = body.find('.');
    std::string whole = body.substr(0, point);
    std::string frac = point == std::string::npos ? "" : body.substr(point + 1);
    for (char c : whole + frac) {
        if (c != '0' && c != '#' && c != ',') {
            error = "the Format pattern '" + std::string(pattern) + "'";
            return false;
        }
    }
    if (p.find('%') != std::string::npos)
        value *= 100;
    size_t decimals = frac.size();
    double scale = std::pow(10.0, static_cast<double>(decimals));
    double rounded = std::round(std::fabs(value) * scale) / scale;  // half away from zero
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.*f", static_cast<int>(decimals), rounded);
    std::string digits = buf;
    std::string intPart = digits.substr(0, digits.find('.'));
    std::string fracPart = decimals ? digits.substr(digits.find('.') + 1) : "";
    size_t minWhole = 0;
    for (char c : whole)
        minWhole += c == '0';
    if (intPart == "0" && minWhole == 0)
        intPart.clear();
    if (intPart.size() < minWhole)
        intPart.insert(0, minWhole - intPart.size(), '0');
    if (whole.find(',') != std::string::npos)
        intPart = Group(intPart);
    size_t keep = frac.find_last_of('0') == std::string::npos ? 0 : frac.find_last_of('0') + 1;
    while (fracPart.size() > keep && fracPart.back() == '0')
        fracPart.pop_back();
    bool negative = value < 0 && rounded != 0;
    out = (negative ? "-" : "") + prefix + intPart + (point == std::string::npos ? "" : ".") +
          fracPart + suffix;
    return true;
}

// Upper-case code points of a text (Windows-1252 letters folded).
std::u32string Folded(std::string_view text) {
    std::string upper = UCase(text);
    std::u32string out;
    for (size_t i = 0; i < upper.size();) {
        unsigned char c = static_cast<unsigned char>(upper[i]);
        int len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        char32_t cp = len == 1 ? c : c & (0x3F >> (len - 1));
        for (int k = 1; k < len && i + k < upper.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(upper[i + k]) & 0x3F);
        out.push_back(cp);
        i += len;
    }
    return out;
}

// The base letter an accented upper-case letter sorts with.
char32_t Base(char32_t c) {
    static const char32_t kLatin1[] = U"AAAAAAACEEEEIIIIDNOOOOO*OUUUUYTS";  // 0xC0 .. 0xDF
    if (c >= 0xC0 && c <= 0xDF && c != 0xD7)
        return kLatin1[c - 0xC0];
    switch (c) {
        case 0x160:
            return 'S';
        case 0x17D:
            return 'Z';
        case 0x152:
            return 'O';
        case 0x178:
            return 'Y';
        default:
            return c;
    }
}

int Compare(char32_t a, char32_t b) {
    return a < b ? -1 : a > b ? 1 : 0;
}

// Order of two folded characters: base letter first, then the accent.
int CompareChar(char32_t a, char32_t b) {
    int primary = Compare(Base(a), Base(b));
    return primary ? primary : Compare(a, b);
}

// Matches one "[...]" list at pattern[pi] (just after "["); sets `end` after the "]".
bool MatchList(const std::u32string& p, size_t pi, char32_t c, size_t& end) {
    bool negate = pi < p.size() && p[pi] == U'!';
    if (negate)
        ++pi;
    bool found = false;
    size_t i = pi;
    for (; i < p.size() && (p[i] != U']' || i == pi); ++i) {
        if (i + 2 < p.size() && p[i + 1] == U'-' && p[i + 2] != U']') {
            found = found || (CompareChar(p[i], c) <= 0 && CompareChar(c, p[i + 2]) <= 0);
            i += 2;
        } else {
            found = found || p[i] == c;
        }
    }
    end = i + 1;
    return found != negate;
}

}  // namespace

bool ParseDateLiteral(std::string_view text, std::string& canonical) {
    std::string s = Trim(text);
    DateTime d;
    size_t space = s.find(' ');
    bool timeOnly = s.find(':') != std::string::npos &&
                    (space == std::string::npos || s.find(':') < space) &&
                    s.find('/') == std::string::npos && s.find('-') == std::string::npos;
    bool ok = timeOnly ? ParseTime(s, d)
                       : ParseDay(s.substr(0, space), d) &&
                             (space == std::string::npos || ParseTime(Trim(s.substr(space)), d));
    if (!ok || !Valid(d))
        return false;
    canonical = Canonical(d);
    return true;
}

bool StrictNumber(std::string_view text, double& value) {
    std::string s = Trim(text);
    if (s.empty())
        return false;
    char* end = nullptr;
    value = std::strtod(s.c_str(), &end);
    return end == s.c_str() + s.size() && s.find_first_of("xXnN") == std::string::npos;
}

std::string NumberText(double value) {
    std::string text = NumToText(value);
    if (text[0] == '.')
        return "0" + text;
    if (text.compare(0, 2, "-.") == 0)
        return "-0" + text.substr(1);
    return text;
}

bool FormatNumber(double value, std::string_view pattern, std::string& out, std::string& error) {
    if (IsDatePattern(pattern))
        return FormatDate(FromSerial(value), pattern, out, error);
    return FormatWithPattern(value, pattern, out, error);
}

bool FormatText(std::string_view text, std::string_view pattern, std::string& out,
                std::string& error) {
    DateTime d;
    double number = 0;
    if (DateOfText(text, d)) {
        if (IsDatePattern(pattern))
            return FormatDate(d, pattern, out, error);
        double serial = DaysFromCivil(d.year, d.month, d.day) - DaysFromCivil(1899, 12, 30) +
                        (d.hour * 3600 + d.minute * 60 + d.second) / 86400.0;
        return FormatWithPattern(serial, pattern, out, error);
    }
    if (StrictNumber(text, number))
        return FormatNumber(number, pattern, out, error);
    // Character placeholders (@ & < > !) lay out a text; a number or date pattern leaves it.
    if (pattern.find_first_of("@&<>!") != std::string_view::npos) {
        error = "the Format pattern '" + std::string(pattern) + "'";
        return false;
    }
    out = std::string(text);
    return true;
}

namespace {

// Texts of any characters: base letters first, then length, then the accents.
int CompareFolded(const std::u32string& x, const std::u32string& y) {
    const size_t n = std::min(x.size(), y.size());
    for (size_t i = 0; i < n; ++i)
        if (int c = Compare(Base(x[i]), Base(y[i])))
            return c;
    if (x.size() != y.size())
        return x.size() < y.size() ? -1 : 1;
    return x < y ? -1 : x > y ? 1 : 0;
}

}  // namespace

int CompareText(std::string_view a, std::string_view b) {
    // The hot path of every index and sort, in one pass: plain ASCII folding, whatever the C
    // locale, up to the first difference. An ASCII letter is its own base letter, so a
    // difference found before any other character decides as the full comparison would, and a
    // longer text after an equal start is longer in characters too.
    const auto upper = [](unsigned char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; };
    const size_t n = std::min(a.size(), b.size());
    size_t i = 0;
    for (; i < n; ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if ((x | y) >= 0x80)
            break;
        if (x != y && upper(x) != upper(y))
            return upper(x) < upper(y) ? -1 : 1;
    }
    if (i == n)
        return Compare(static_cast<char32_t>(a.size()), static_cast<char32_t>(b.size()));
    return CompareFolded(Folded(a), Folded(b));
}

bool LikeMatch(std::string_view text, std::string_view pattern) {
    std::u32string t = Folded(text), p = Folded(pattern);
    size_t ti = 0, pi = 0, starP = std::u32string::npos, starT = 0;
    while (ti < t.size()) {
        size_t next = pi + 1;
        bool one = false;
        if (pi < p.size()) {
            char32_t c = p[pi];
            if (c == U'*') {
                starP = pi++;
                starT = ti;
                continue;
            }
            if (c == U'?')
                one = true;
            else if (c == U'#')
                one = t[ti] >= U'0' && t[ti] <= U'9';
            else if (c == U'[')
                one = MatchList(p, pi + 1, t[ti], next);
            else
                one = c == t[ti];
        }
        if (one) {
            ++ti;
            pi = next;
        } else if (starP != std::u32string::npos) {
            pi = starP + 1;
            ti = ++starT;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == U'*')
        ++pi;
    return pi == p.size();
}

std::string NowText() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    DateTime d{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
               local.tm_hour,        local.tm_min,     local.tm_sec};
    return Canonical(d);
}

std::string TodayText() {
    return NowText().substr(0, 10) + " 00:00:00";
}

}  // namespace terv
