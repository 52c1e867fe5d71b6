// The central system's SQL functions, registered on every connection of the server.
#include "OracleFunctions.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string_view>
#include <vector>

#include "OracleOperators.h"
#include "SqlValues.h"

namespace terv::central {

using namespace sqlvalue;

namespace {

// True, with the "too big" error set, when a result of `bytes` would pass the connection's
// length limit; checked before building it so that no oversized text is ever allocated.
bool TooBig(sqlite3_context* ctx, long long bytes) {
    if (bytes <= sqlite3_limit(sqlite3_context_db_handle(ctx), SQLITE_LIMIT_LENGTH, -1))
        return false;
    sqlite3_result_error_toobig(ctx);
    return true;
}

// A stored date value as "YYYYMMDDHHNNSS"; 8-digit dates get midnight.
bool DateValue(sqlite3_value* v, std::string* out) {
    std::string s = ValueText(v);
    if (s.size() == 8 && AllDigits(s))
        s += "000000";
    if (s.size() != 14 || !AllDigits(s))
        return false;
    *out = s;
    return true;
}

// UTF-8 helpers for the Latin letters the program uses (à → À).
std::string ChangeCase(const std::string& s, bool upper) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            out.push_back(static_cast<char>(upper ? std::toupper(c) : std::tolower(c)));
        } else if (c == 0xC3 && i + 1 < s.size()) {
            unsigned cp = 0xC0 + (static_cast<unsigned char>(s[i + 1]) & 0x3F);
            if (upper && cp >= 0xE0 && cp <= 0xFE && cp != 0xF7)
                cp -= 0x20;
            if (!upper && cp >= 0xC0 && cp <= 0xDE && cp != 0xD7)
                cp += 0x20;
            out.push_back(static_cast<char>(0xC3));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
            ++i;
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

const FunctionContext* Ctx(sqlite3_context* ctx) {
    return static_cast<const FunctionContext*>(sqlite3_user_data(ctx));
}

// Work that depends on argument `arg`, kept with the statement while that argument keeps its
// value: SQLite drops it as soon as the value changes, so a constant argument (a TO_CHAR mask, a
// TO_DATE literal) is read once per statement, not once per row. `still_valid` checks what else
// the kept work depends on; `make` builds it into *fresh when there is none to use.
template <typename T, typename Valid, typename Make>
const T& Kept(sqlite3_context* ctx, int arg, T* fresh, Valid still_valid, Make make) {
    const auto* kept = static_cast<const T*>(sqlite3_get_auxdata(ctx, arg));
    if (kept != nullptr && still_valid(*kept))
        return *kept;
    *fresh = make();
    sqlite3_set_auxdata(ctx, arg, new T(*fresh), [](void* p) { delete static_cast<T*>(p); });
    return *fresh;
}

void FnNvl(sqlite3_context* ctx, int, sqlite3_value** v) {
    sqlite3_result_value(ctx, sqlite3_value_type(v[0]) == SQLITE_NULL ? v[1] : v[0]);
}

void FnNvl2(sqlite3_context* ctx, int, sqlite3_value** v) {
    sqlite3_result_value(ctx, sqlite3_value_type(v[0]) == SQLITE_NULL ? v[2] : v[1]);
}

// DECODE compares as the central system does: NULL matches NULL, numbers by value.
bool DecodeEquals(sqlite3_value* a, sqlite3_value* b) {
    const bool an = sqlite3_value_type(a) == SQLITE_NULL;
    const bool bn = sqlite3_value_type(b) == SQLITE_NULL;
    if (an || bn)
        return an && bn;
    const bool a_num = sqlite3_value_type(a) != SQLITE_TEXT;
    const bool b_num = sqlite3_value_type(b) != SQLITE_TEXT;
    double x = 0, y = 0;
    if ((a_num || b_num) && ValueNumber(a, &x) && ValueNumber(b, &y))
        return x == y;
    std::string a_scratch, b_scratch;
    return TextOf(a, &a_scratch) == TextOf(b, &b_scratch);
}

void FnDecode(sqlite3_context* ctx, int argc, sqlite3_value** v) {
    if (argc < 3) {
        ResultError(ctx, "ORA-00938: not enough arguments for function");
        return;
    }
    int i = 1;
    for (; i + 1 < argc; i += 2) {
        if (DecodeEquals(v[0], v[i])) {
            sqlite3_result_value(ctx, v[i + 1]);
            return;
        }
    }
    if (i < argc) {
        sqlite3_result_value(ctx, v[i]);
    } else {
        sqlite3_result_null(ctx);
    }
}

bool IsDateMask(const std::string& mask) {
    std::string u;
    for (char c : mask)
        u.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    if (u.find_first_of("09") != std::string::npos)
        return false;
    static const char* kParts[] = {"YY", "MM", "DD", "HH", "MI", "SS", "MON", "RR"};
    for (const char* p : kParts) {
        if (u.find(p) != std::string::npos)
            return true;
    }
    return false;
}

// A TO_CHAR mask, read once for every row of a statement.
struct ToCharMask {
    bool date = false;
    std::string text;   // as given, for a date mask
    NumberMask number;  // read, for a number mask
    std::string error;  // why a number mask is refused
};

ToCharMask ReadToCharMask(sqlite3_value* v) {
    ToCharMask m;
    m.text = ValueText(v);
    m.date = IsDateMask(m.text);
    if (!m.date)
        ParseNumberMask(m.text, &m.number, &m.error);
    return m;
}

// TO_CHAR(date, mask): 8-digit dates count as midnight.
void DateToChar(sqlite3_context* ctx, sqlite3_value* v, const std::string& mask) {
    std::string date, out, error;
    if (!DateValue(v, &date))
        return ResultError(ctx, "ORA-01861: literal does not match format string");
    if (!FormatDateMask(date, mask, &out, &error))
        return ResultError(ctx, error);
    ResultText(ctx, out);
}

void FnToChar(sqlite3_context* ctx, int argc, sqlite3_value** v) {
    if (sqlite3_value_type(v[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    if (argc == 1) {
        std::string scratch;
        return ResultText(ctx, TextOf(v[0], &scratch));
    }
    ToCharMask fresh;
    const ToCharMask& mask = Kept(
        ctx, 1, &fresh, [](const ToCharMask&) { return true; },
        [&] { return ReadToCharMask(v[1]); });
    if (mask.date)
        return DateToChar(ctx, v[0], mask.text);
    double x = 0;
    if (!ValueNumber(v[0], &x))
        return ResultError(ctx, "ORA-01722: invalid number");
    if (!mask.error.empty())
        return ResultError(ctx, mask.error);
    std::string out;
    FormatNumber(x, mask.number, &out);
    ResultText(ctx, out);
}

// TO_DATE(text, mask) as parsed once: the mask it was parsed by and the date or the error.
struct ParsedDate {
    std::string mask;
    bool ok = false;
    std::string out, error;
};

void FnToDate(sqlite3_context* ctx, int argc, sqlite3_value** v) {
    if (sqlite3_value_type(v[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    if (argc == 1) {
        std::string out;
        if (!DateValue(v[0], &out))
            return ResultError(ctx, "ORA-01861: literal does not match format string");
        return ResultText(ctx, out);
    }
    std::string scratch;
    const std::string_view mask = TextOf(v[1], &scratch);
    ParsedDate fresh;
    const ParsedDate& date = Kept(
        ctx, 0, &fresh, [&](const ParsedDate& kept) { return kept.mask == mask; },
        [&] {
            ParsedDate p;
            p.mask = mask;
            p.ok = ParseDateMask(ValueText(v[0]), p.mask, &p.out, &p.error);
            return p;
        });
    if (!date.ok)
        return ResultError(ctx, date.error);
    ResultText(ctx, date.out);
}

void FnToNumber(sqlite3_context* ctx, int, sqlite3_value** v) {
    if (sqlite3_value_type(v[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    double x = 0;
    if (!ValueNumber(v[0], &x)) {
        ResultError(ctx, "ORA-01722: invalid number");
        return;
    }
    ResultReal(ctx, x);
}

// A position or length argument, cut to a whole number within the range of texts.
long long WholeNumber(sqlite3_value* v) {
    const double d = std::trunc(sqlite3_value_double(v));
    return static_cast<long long>(std::clamp(d, -1e15, 1e15));
}

// SUBSTR(text, start [, length]): start 0 counts as 1, a negative start counts from the end.
void FnSubstr(sqlite3_context* ctx, int argc, sqlite3_value** v) {
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(v[i]) == SQLITE_NULL) {
            sqlite3_result_null(ctx);
            return;
        }
    }
    std::string scratch;
    const std::string_view s = TextOf(v[0], &scratch);
    const size_t chars = CharCount(s);
    const auto n = static_cast<long long>(chars);
    long long pos = WholeNumber(v[1]);
    if (pos == 0)
        pos = 1;
    if (pos < 0)
        pos = n + pos + 1;
    if (pos < 1 || pos > n) {
        sqlite3_result_null(ctx);
        return;
    }
    long long len = n - pos + 1;
    if (argc == 3) {
        len = std::min(len, WholeNumber(v[2]));
        if (len < 1) {
            sqlite3_result_null(ctx);
            return;
        }
    }
    const size_t b = CharOffset(s, chars, static_cast<size_t>(pos - 1));
    const size_t e = CharOffset(s, chars, static_cast<size_t>(pos - 1 + len));
    ResultText(ctx, s.substr(b, e - b));
}

template <int kSides>  // 1 left, 2 right, 3 both
void FnTrim(sqlite3_context* ctx, int argc, sqlite3_value** v) {
    if (sqlite3_value_type(v[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    std::string text_scratch, set_scratch;
    std::string_view s = TextOf(v[0], &text_scratch);
    const std::string_view set = argc > 1 ? TextOf(v[1], &set_scratch) : " ";
    if (kSides & 1)
        s.remove_prefix(std::min(s.size(), s.find_first_not_of(set)));
    if (kSides & 2) {
        const size_t e = s.find_last_not_of(set);
        s = s.substr(0, e == std::string_view::npos ? 0 : e + 1);
    }
    ResultText(ctx, s);
}

template <bool kUpper>
void FnCase(sqlite3_context* ctx, int, sqlite3_value** v) {
    if (sqlite3_value_type(v[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    ResultText(ctx, ChangeCase(ValueText(v[0]), kUpper));
}

template <bool kLeft>
void FnPad(sqlite3_context* ctx, int argc, sqlite3_value** v) {
    if (sqlite3_value_type(v[0]) == SQLITE_NULL || sqlite3_value_type(v[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const std::string s = ValueText(v[0]);
    // A text of the central system holds at most 4000 characters.
    const long long width = std::min<long long>(sqlite3_value_int64(v[1]), 4000);
    const std::string pad = argc > 2 ? ValueText(v[2]) : " ";
    const size_t chars = CharCount(s);
    const auto n = static_cast<long long>(chars);
    if (width <= 0 || pad.empty()) {
        sqlite3_result_null(ctx);
        return;
    }
    if (TooBig(ctx, width))
        return;
    if (n >= width) {
        ResultText(ctx, s.substr(0, CharOffset(s, chars, static_cast<size_t>(width))));
        return;
    }
    std::string fill;
    for (long long i = 0; i < width - n; ++i)
        fill.push_back(pad[static_cast<size_t>(i) % pad.size()]);
    ResultText(ctx, kLeft ? fill + s : s + fill);
}

void FnMod(sqlite3_context* ctx, int, sqlite3_value** v) {
    if (sqlite3_value_type(v[0]) == SQLITE_NULL || sqlite3_value_type(v[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    double a = 0, b = 0;
    if (!ValueNumber(v[0], &a) || !ValueNumber(v[1], &b)) {
        ResultError(ctx, "ORA-01722: invalid number");
        return;
    }
    if (b == 0) {
        sqlite3_result_value(ctx, v[0]);
        return;
    }
    ResultReal(ctx, std::fmod(a, b));
}

// CHR(n): the character of code n (UTF-8), NULL for NULL.
void FnChr(sqlite3_context* ctx, int, sqlite3_value** v) {
    if (sqlite3_value_type(v[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const long long code = sqlite3_value_int64(v[0]);
    std::string out;
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        ResultError(ctx, "ORA-01722: invalid number");
        return;
    }
    sqlite3_result_text(ctx, out.data(), static_cast<int>(out.size()), SQLITE_TRANSIENT);
}

// a || b || ...: the texts of the values in one buffer; NULL adds nothing.
void FnConcat(sqlite3_context* ctx, int argc, sqlite3_value** v) {
    std::string out, scratch;
    for (int i = 0; i < argc; ++i) {
        const std::string_view piece = TextOf(v[i], &scratch);
        if (TooBig(ctx, static_cast<long long>(out.size() + piece.size())))
            return;
        out += piece;
    }
    ResultText(ctx, out);
}

void FnSysdate(sqlite3_context* ctx, int, sqlite3_value**) {
    ResultText(ctx, SysdateText(Ctx(ctx)->clock_offset_seconds));
}

void FnNextval(sqlite3_context* ctx, int, sqlite3_value** v) {
    sqlite3* db = sqlite3_context_db_handle(ctx);
    sqlite3_stmt* stmt = nullptr;
    const char* sql =
        "UPDATE TERV_SEQUENCES SET LAST_VALUE=LAST_VALUE+INCREMENT_BY "
        "WHERE SEQUENCE_NAME=upper(?1) RETURNING LAST_VALUE";
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK) {
        ResultError(ctx, std::string("ORA-02289: sequence does not exist"));
        return;
    }
    const std::string name = ValueText(v[0]);
    sqlite3_bind_text(stmt, 1, name.c_str(), -1, SQLITE_TRANSIENT);
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) {
        sqlite3_result_int64(ctx, sqlite3_column_int64(stmt, 0));
        sqlite3_step(stmt);
    } else if (rc == SQLITE_DONE) {
        ResultError(ctx, "ORA-02289: sequence does not exist");
    } else {
        ResultError(ctx, sqlite3_errmsg(db));
        sqlite3_result_error_code(ctx, rc);
    }
    sqlite3_finalize(stmt);
}

template <int kAxis>
void FnPoint(sqlite3_context* ctx, int, sqlite3_value** v) {
    std::string scratch;
    const std::string_view s = TextOf(v[0], &scratch);
    const size_t open = s.find('(');
    if (s.size() < 5 || open == std::string_view::npos ||
        (s.compare(0, 5, "POINT") != 0 && s.compare(0, 5, "point") != 0)) {
        return sqlite3_result_null(ctx);
    }
    size_t x_bytes = 0, y_bytes = 0;
    const std::string_view coordinates = s.substr(open + 1);
    const double x = ParseDouble(coordinates, &x_bytes);
    const double y = x_bytes == 0 ? 0 : ParseDouble(coordinates.substr(x_bytes), &y_bytes);
    if (x_bytes == 0 || y_bytes == 0)
        return sqlite3_result_null(ctx);
    sqlite3_result_double(ctx, kAxis == 0 ? x : y);
}

void FnPassword(sqlite3_context* ctx, int, sqlite3_value** v) {
    sqlite3* db = sqlite3_context_db_handle(ctx);
    const std::string sql = "SELECT PWD FROM \"" + Ctx(ctx)->users_table +
                            "\" WHERE upper(UTENTE)=upper(?1) AND PWD IS NOT NULL LIMIT 1";
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
        ResultError(ctx, "ORA-00942: table or view does not exist");
        return;
    }
    const std::string user = ValueText(v[0]);
    sqlite3_bind_text(stmt, 1, user.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(stmt) == SQLITE_ROW) {
        sqlite3_result_value(ctx, sqlite3_column_value(stmt, 0));
    } else {
        sqlite3_result_null(ctx);
    }
    sqlite3_finalize(stmt);
}

// Upper-case mask with the quoted literals blanked, for element matching.
struct MaskReader {
    std::string mask;
    size_t pos = 0;
    bool StartsWith(const char* e) const {
        for (size_t i = 0; e[i] != '\0'; ++i) {
            if (pos + i >= mask.size() ||
                std::toupper(static_cast<unsigned char>(mask[pos + i])) != e[i]) {
                return false;
            }
        }
        return true;
    }
};

const char* kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                         "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

}  // namespace

std::string SysdateText(long long offset_seconds) {
    std::time_t now = std::time(nullptr) + offset_seconds;
    std::tm tm{};
    localtime_r(&now, &tm);
    char buf[80];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d%02d%02d%02d", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

std::string OracleNumberText(double value) {
    if (value == std::floor(value) && std::fabs(value) < 1e15) {
        return std::to_string(static_cast<long long>(value));
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", value);
    std::string s = buf;
    if (s.compare(0, 2, "0.") == 0)
        s.erase(0, 1);
    if (s.compare(0, 3, "-0.") == 0)
        s.erase(1, 1);
    for (char& c : s) {
        if (c == 'e')
            c = 'E';
    }
    return s;
}

bool ParseNumberMask(const std::string& raw_mask, NumberMask* m, std::string* error) {
    for (char c : raw_mask)
        m->mask.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    if (m->mask.compare(0, 2, "FM") == 0) {
        m->fm = true;
        m->mask.erase(0, 2);
    }
    bool in_frac = false;
    for (char c : m->mask) {
        if (c == '0' || c == '9') {
            if (in_frac) {
                ++m->frac_digits;
            } else {
                if (c == '0' && m->zero_start == std::string::npos)
                    m->zero_start = m->int_positions;
                ++m->int_positions;
            }
        } else if ((c == '.' || c == 'D') && !in_frac) {
            in_frac = true;
        } else if ((c == ',' || c == 'G') && !in_frac) {
        } else {
            *error = "ORA-01481: invalid number format model";
            return false;
        }
    }
    if (m->int_positions + m->frac_digits == 0) {
        *error = "ORA-01481: invalid number format model";
        return false;
    }
    m->all_zeros = m->mask.find_first_not_of('0') == std::string::npos;
    return true;
}

namespace {

// A mask too narrow for the number prints '#' in every place and in the sign's.
void Overflow(const NumberMask& m, std::string* out) {
    out->assign(m.mask.size() + 1, '#');
}

// A whole number with a mask of zeros only: the sign's place (blank or '-', which FM drops when
// blank) and the digits padded with zeros, without going through printf.
void FormatWholeWithZeros(long long value, const NumberMask& m, std::string* out) {
    char digits[24];
    const auto magnitude = static_cast<unsigned long long>(value < 0 ? -value : value);
    const size_t count =
        static_cast<size_t>(std::to_chars(digits, digits + sizeof digits, magnitude).ptr - digits);
    if (count > m.int_positions)
        return Overflow(m, out);
    out->clear();
    if (value < 0 || !m.fm)
        out->push_back(value < 0 ? '-' : ' ');
    out->append(m.int_positions - count, '0');
    out->append(digits, count);
}

}  // namespace

void FormatNumber(double value, const NumberMask& m, std::string* out) {
    if (m.all_zeros && value == std::trunc(value) && std::fabs(value) < 1e15)
        return FormatWholeWithZeros(static_cast<long long>(value), m, out);
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.*f", static_cast<int>(m.frac_digits), std::fabs(value));
    std::string digits = buf;
    std::string int_digits = digits.substr(0, digits.find('.'));
    std::string frac = m.frac_digits > 0 ? digits.substr(digits.find('.') + 1) : "";
    const bool negative = value < 0 && digits.find_first_not_of("0.") != std::string::npos;
    if (int_digits == "0" && m.frac_digits > 0 && m.zero_start == std::string::npos)
        int_digits = "";
    if (int_digits.size() > m.int_positions)
        return Overflow(m, out);
    // Integer part, right-aligned in its positions, with the group separators of the mask.
    std::string field;
    size_t position = 0;
    bool printed = false;
    const size_t first_digit = m.int_positions - int_digits.size();
    for (char c : m.mask) {
        if (c == '.' || c == 'D')
            break;
        if (c == ',' || c == 'G') {
            field.push_back(printed ? ',' : ' ');
            continue;
        }
        if (position >= first_digit) {
            field.push_back(int_digits[position - first_digit]);
            printed = true;
        } else if (m.zero_start != std::string::npos && position >= m.zero_start) {
            field.push_back('0');
            printed = true;
        } else {
            field.push_back(' ');
        }
        ++position;
    }
    if (m.frac_digits > 0)
        field += "." + frac;
    std::string result = " " + field;
    if (negative) {
        size_t first = result.find_first_not_of(' ');
        result[first - 1] = '-';
    }
    if (m.fm)
        result.erase(0, result.find_first_not_of(' '));
    *out = result;
}

bool FormatDateMask(const std::string& d, const std::string& mask, std::string* out,
                    std::string* error) {
    MaskReader r{mask};
    std::string s;
    const int month = std::stoi(d.substr(4, 2));
    const int hour = std::stoi(d.substr(8, 2));
    while (r.pos < mask.size()) {
        const char c = mask[r.pos];
        if (r.StartsWith("FM")) {
            r.pos += 2;
        } else if (r.StartsWith("YYYY") || r.StartsWith("RRRR")) {
            s += d.substr(0, 4);
            r.pos += 4;
        } else if (r.StartsWith("YY") || r.StartsWith("RR")) {
            s += d.substr(2, 2);
            r.pos += 2;
        } else if (r.StartsWith("MONTH") || r.StartsWith("MON")) {
            s += kMonths[(month + 11) % 12];
            r.pos += r.StartsWith("MONTH") ? 5 : 3;
        } else if (r.StartsWith("MM")) {
            s += d.substr(4, 2);
            r.pos += 2;
        } else if (r.StartsWith("DD")) {
            s += d.substr(6, 2);
            r.pos += 2;
        } else if (r.StartsWith("HH24")) {
            s += d.substr(8, 2);
            r.pos += 4;
        } else if (r.StartsWith("HH12") || r.StartsWith("HH")) {
            char b[4];
            std::snprintf(b, sizeof b, "%02d", hour % 12 == 0 ? 12 : hour % 12);
            s += b;
            r.pos += r.StartsWith("HH12") ? 4 : 2;
        } else if (r.StartsWith("MI")) {
            s += d.substr(10, 2);
            r.pos += 2;
        } else if (r.StartsWith("SS")) {
            s += d.substr(12, 2);
            r.pos += 2;
        } else if (c == '"') {
            size_t end = mask.find('"', r.pos + 1);
            if (end == std::string::npos) {
                *error = "ORA-01821: date format not recognized";
                return false;
            }
            s += mask.substr(r.pos + 1, end - r.pos - 1);
            r.pos = end + 1;
        } else if (std::strchr("/-:.,; ", c) != nullptr) {
            s.push_back(c);
            ++r.pos;
        } else {
            *error = "ORA-01821: date format not recognized";
            return false;
        }
    }
    *out = s;
    return true;
}

bool ParseDateMask(const std::string& text, const std::string& mask, std::string* out,
                   std::string* error) {
    MaskReader r{mask};
    size_t t = 0;
    int y = 1, mo = 1, d = 1, h = 0, mi = 0, sec = 0;
    auto number = [&](size_t max_digits, int* value) {
        size_t start = t;
        while (t < text.size() && t - start < max_digits &&
               std::isdigit(static_cast<unsigned char>(text[t]))) {
            ++t;
        }
        if (t == start)
            return false;
        *value = std::stoi(text.substr(start, t - start));
        return true;
    };
    while (r.pos < mask.size()) {
        bool ok = true;
        if (r.StartsWith("FM")) {
            r.pos += 2;
            continue;
        } else if (r.StartsWith("YYYY") || r.StartsWith("RRRR")) {
            ok = number(4, &y);
            r.pos += 4;
        } else if (r.StartsWith("YY") || r.StartsWith("RR")) {
            ok = number(2, &y);
            y += 2000;
            r.pos += 2;
        } else if (r.StartsWith("MM")) {
            ok = number(2, &mo);
            r.pos += 2;
        } else if (r.StartsWith("DD")) {
            ok = number(2, &d);
            r.pos += 2;
        } else if (r.StartsWith("HH24")) {
            ok = number(2, &h);
            r.pos += 4;
        } else if (r.StartsWith("HH")) {
            ok = number(2, &h);
            r.pos += 2;
        } else if (r.StartsWith("MI")) {
            ok = number(2, &mi);
            r.pos += 2;
        } else if (r.StartsWith("SS")) {
            ok = number(2, &sec);
            r.pos += 2;
        } else if (std::strchr("/-:.,; ", mask[r.pos]) != nullptr) {
            if (t < text.size() && !std::isalnum(static_cast<unsigned char>(text[t])))
                ++t;
            ++r.pos;
            continue;
        } else {
            *error = "ORA-01821: date format not recognized";
            return false;
        }
        if (!ok) {
            *error = t >= text.size() ? "ORA-01840: input value not long enough for date format"
                                      : "ORA-01858: a non-numeric character was found where a "
                                        "numeric was expected";
            return false;
        }
    }
    if (t < text.size()) {
        *error = "ORA-01830: date format picture ends before converting entire input string";
        return false;
    }
    if (mo < 1 || mo > 12) {
        *error = "ORA-01843: not a valid month";
        return false;
    }
    if (d < 1 || d > DaysInMonth(y, mo)) {
        *error = "ORA-01847: day of month must be between 1 and last day of month";
        return false;
    }
    if (h > 23 || mi > 59 || sec > 59) {
        *error = "ORA-01850: hour must be between 0 and 23";
        return false;
    }
    char buf[80];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d%02d%02d%02d", y, mo, d, h, mi, sec);
    *out = buf;
    return true;
}

int RegisterOracleFunctions(sqlite3* db, const FunctionContext* ctx) {
    constexpr int D = SQLITE_DETERMINISTIC;  // same result for the same arguments
    struct Def {
        const char* name;
        int args;
        void (*fn)(sqlite3_context*, int, sqlite3_value**);
        int flags;
    };
    static const Def kDefs[] = {
        {"NVL", 2, FnNvl, D},
        {"NVL2", 3, FnNvl2, D},
        {"DECODE", -1, FnDecode, D},
        {"TO_CHAR", 1, FnToChar, D},
        {"TO_CHAR", 2, FnToChar, D},
        {"TO_DATE", 1, FnToDate, D},
        {"TO_DATE", 2, FnToDate, D},
        {"TO_NUMBER", 1, FnToNumber, D},
        {"TRUNC", 1, FnTrunc, D},
        {"TRUNC", 2, FnTrunc, D},
        {"SUBSTR", 2, FnSubstr, D},
        {"SUBSTR", 3, FnSubstr, D},
        {"TRIM", 1, FnTrim<3>, D},
        {"LTRIM", 1, FnTrim<1>, D},
        {"LTRIM", 2, FnTrim<1>, D},
        {"RTRIM", 1, FnTrim<2>, D},
        {"RTRIM", 2, FnTrim<2>, D},
        {"UPPER", 1, FnCase<true>, D},
        {"LOWER", 1, FnCase<false>, D},
        {"LPAD", 2, FnPad<true>, D},
        {"LPAD", 3, FnPad<true>, D},
        {"RPAD", 2, FnPad<false>, D},
        {"RPAD", 3, FnPad<false>, D},
        {"MOD", 2, FnMod, D},
        {"CHR", 1, FnChr, D},
        {"terv_concat", -1, FnConcat, D},
        {"terv_add", 2, FnAdd, D},
        {"terv_sub", 2, FnSub, D},
        {"terv_mul", 2, FnMul, D},
        {"terv_div", 2, FnDiv, D},
        {"terv_chknum", 1, FnCheckNumber, D},
        {"terv_date", 1, FnDateLiteral, D},
        {"terv_fits", 4, FnFits, D},
        {"terv_sysdate", 0, FnSysdate, 0},
        {"terv_nextval", 1, FnNextval, 0},
        {"SDO_TOOLS_GET_POINT_X", 1, FnPoint<0>, D},
        {"SDO_TOOLS_GET_POINT_Y", 1, FnPoint<1>, D},
        {kPasswordFunction, 1, FnPassword, 0},
    };
    void* data = const_cast<FunctionContext*>(ctx);
    for (const Def& d : kDefs) {
        int rc = sqlite3_create_function_v2(db, d.name, d.args, SQLITE_UTF8 | d.flags, data, d.fn,
                                            nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK)
            return rc;
    }
    return sqlite3_create_function_v2(db, "terv_one", 1, SQLITE_UTF8, data, nullptr, OneRowStep,
                                      OneRowFinal, nullptr);
}

}  // namespace terv::central
