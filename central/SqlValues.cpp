// Values of the central system's SQL: texts, numbers and dates.
#include "SqlValues.h"

#include <locale.h>
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "OracleFunctions.h"

namespace terv::central::sqlvalue {

namespace {

long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, long long* y, unsigned* m, unsigned* d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    *d = doy - (153 * mp + 2) / 5 + 1;
    *m = mp < 10 ? mp + 3 : mp - 9;
    *y = static_cast<long long>(yoe) + era * 400 + (*m <= 2);
}

// The number written by the `count` digits of `s` at `pos`.
int Digits(std::string_view s, size_t pos, size_t count) {
    int n = 0;
    for (size_t i = pos; i < pos + count; ++i)
        n = n * 10 + (s[i] - '0');
    return n;
}

// SQLite's own bytes of a text value, without a copy. Read as a blob, which leaves a text as it
// is (the connection's texts are UTF-8), where sqlite3_value_text would copy a column's text only
// to end it with a NUL; so the view has no NUL after it.
std::string_view StoredText(sqlite3_value* v) {
    const void* t = sqlite3_value_blob(v);
    return t ? std::string_view(static_cast<const char*>(t),
                                static_cast<size_t>(sqlite3_value_bytes(v)))
             : std::string_view();
}

// The value's text NUL-terminated, for strtod: SQLite copies a column's text to end it.
std::string_view TerminatedText(sqlite3_value* v) {
    const unsigned char* t = sqlite3_value_text(v);
    return t ? std::string_view(reinterpret_cast<const char*>(t),
                                static_cast<size_t>(sqlite3_value_bytes(v)))
             : std::string_view();
}

}  // namespace

std::string_view TextOf(sqlite3_value* v, std::string* scratch) {
    switch (sqlite3_value_type(v)) {
        case SQLITE_INTEGER:
            *scratch = std::to_string(sqlite3_value_int64(v));
            return *scratch;
        case SQLITE_FLOAT:
            *scratch = OracleNumberText(sqlite3_value_double(v));
            return *scratch;
        case SQLITE_NULL:
            return {};
        default:
            return StoredText(v);
    }
}

std::string ValueText(sqlite3_value* v) {
    std::string scratch;
    return std::string(TextOf(v, &scratch));
}

// Text result; the empty text is NULL on the central system.
void ResultText(sqlite3_context* ctx, std::string_view s) {
    if (s.empty()) {
        sqlite3_result_null(ctx);
    } else {
        sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
    }
}

void ResultError(sqlite3_context* ctx, const std::string& text) {
    sqlite3_result_error(ctx, text.c_str(), static_cast<int>(text.size()));
}

// Numbers as the central system reads them: a number value, or a text that is one entirely
// (blanks around it allowed); anything else is ORA-01722.

bool NumericText(std::string_view s) {
    size_t i = 0, digits = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i)
        ++digits;
    if (i < s.size() && s[i] == '.') {
        for (++i; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i)
            ++digits;
    }
    if (digits == 0)
        return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            ++i;
        const size_t start = i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
            ++i;
        if (i == start)
            return false;
    }
    return i == s.size();
}

double ParseDouble(const char* text, char** end) {
    static const locale_t c_locale = newlocale(LC_NUMERIC_MASK, "C", locale_t{});
    return strtod_l(text, end, c_locale);
}

double ParseDouble(std::string_view s, size_t* used) {
    const size_t blanks = std::min(s.size(), s.find_first_not_of(" \t\n\v\f\r"));
    const std::string_view number = s.substr(blanks);
    // from_chars reads plain decimal numbers as strtod does, but no '+', no hexadecimal and no
    // value out of range: those go to strtod on a NUL-terminated copy.
    const std::string_view digits = number.substr(number.starts_with('-') ? 1 : 0);
    double x = 0;
    const auto r = std::from_chars(number.data(), number.data() + number.size(), x);
    if (r.ec == std::errc() && !digits.starts_with("0x") && !digits.starts_with("0X")) {
        *used = blanks + static_cast<size_t>(r.ptr - number.data());
        return x;
    }
    const std::string copy(s);
    char* end = nullptr;
    x = ParseDouble(copy.c_str(), &end);
    *used = static_cast<size_t>(end - copy.c_str());
    return x;
}

bool NumberOf(sqlite3_value* v, Number* n) {
    switch (sqlite3_value_type(v)) {
        case SQLITE_INTEGER:
            *n = {true, sqlite3_value_int64(v), static_cast<double>(sqlite3_value_int64(v))};
            return true;
        case SQLITE_FLOAT:
            *n = {false, 0, sqlite3_value_double(v)};
            return true;
        case SQLITE_TEXT:
            break;
        default:
            return false;
    }
    std::string_view s = TerminatedText(v);
    const size_t b = s.find_first_not_of(' ');
    if (b == std::string_view::npos)
        return false;
    s = s.substr(b, s.find_last_not_of(' ') - b + 1);
    if (!NumericText(s))
        return false;
    // The number ends at a blank or at the NUL after the text.
    n->d = ParseDouble(s.data());
    n->integral = s.find_first_of(".eE") == std::string_view::npos && std::fabs(n->d) < 9e18;
    n->i = n->integral ? std::strtoll(s.data(), nullptr, 10) : 0;
    return true;
}

bool ValueNumber(sqlite3_value* v, double* out) {
    Number n;
    if (!NumberOf(v, &n))
        return false;
    *out = n.d;
    return true;
}

bool AllDigits(std::string_view s) {
    if (s.empty())
        return false;
    for (char c : s) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

size_t CharCount(std::string_view s) {
    size_t n = 0;
    for (char c : s)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

size_t CharOffset(std::string_view s, size_t chars, size_t k) {
    if (k >= chars)
        return s.size();
    if (chars == s.size())
        return k;
    for (size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80 && k-- == 0)
            return i;
    }
    return s.size();
}

// Seconds since 1970-01-01 00:00:00 of a text "YYYYMMDDHHNNSS"; false for no valid date.
bool DateSeconds(std::string_view s, long long* out) {
    if (s.size() != 14 || !AllDigits(s))
        return false;
    const int y = Digits(s, 0, 4), mo = Digits(s, 4, 2), d = Digits(s, 6, 2);
    const int h = Digits(s, 8, 2), mi = Digits(s, 10, 2), sec = Digits(s, 12, 2);
    if (y < 1 || mo < 1 || mo > 12 || d < 1 || d > DaysInMonth(y, mo) || h > 23 || mi > 59 ||
        sec > 59) {
        return false;
    }
    *out = DaysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d)) * kDaySeconds +
           h * 3600 + mi * 60 + sec;
    return true;
}

bool SecondsDate(long long t, std::string* out) {
    const long long days = t >= 0 ? t / kDaySeconds : -((-t + kDaySeconds - 1) / kDaySeconds);
    const long long rest = t - days * kDaySeconds;
    long long y = 0;
    unsigned m = 0, d = 0;
    CivilFromDays(days, &y, &m, &d);
    if (y < 1 || y > 9999)
        return false;
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04lld%02u%02u%02lld%02lld%02lld", y, m, d, rest / 3600,
                  rest / 60 % 60, rest % 60);
    *out = buf;
    return true;
}

// The value as a date: a date text (stored, or given by a date function).
bool AsDate(sqlite3_value* v, long long* seconds) {
    if (sqlite3_value_type(v) != SQLITE_TEXT)
        return false;
    return DateSeconds(StoredText(v), seconds);
}

void ResultDate(sqlite3_context* ctx, long long seconds) {
    std::string s;
    if (!SecondsDate(seconds, &s)) {
        ResultError(ctx, "ORA-01841: (full) year must be between -4713 and +9999, and not be 0");
        return;
    }
    sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

void ResultReal(sqlite3_context* ctx, double x) {
    if (!std::isfinite(x)) {
        ResultError(ctx, "ORA-01426: numeric overflow");
    } else if (x == std::floor(x) && std::fabs(x) < 9e15) {
        sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(x));
    } else {
        sqlite3_result_double(ctx, x);
    }
}

int DaysInMonth(int y, int m) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0))
        return 29;
    return kDays[m - 1];
}

}  // namespace terv::central::sqlvalue
