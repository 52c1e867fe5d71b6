// Operators and constructs of the central system's SQL as functions of the connection.
#include "OracleOperators.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <string>

#include "OraError.h"
#include "OracleFunctions.h"
#include "SqlValues.h"

namespace terv::central {

using namespace sqlvalue;

namespace {

const char* const kNotANumber = "ORA-01722: invalid number";
const char* const kDateNotNumber = "ORA-00932: inconsistent datatypes: expected NUMBER got DATE";

bool AnyNull(int argc, sqlite3_value** v) {
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(v[i]) == SQLITE_NULL)
            return true;
    }
    return false;
}

// Both operands as numbers; a date operand is refused with the central system's error.
bool Operands(sqlite3_context* ctx, sqlite3_value** v, Number* a, Number* b) {
    long long seconds = 0;
    for (int i = 0; i < 2; ++i) {
        if (AsDate(v[i], &seconds)) {
            ResultError(ctx, kDateNotNumber);
            return false;
        }
    }
    if (!NumberOf(v[0], a) || !NumberOf(v[1], b)) {
        ResultError(ctx, kNotANumber);
        return false;
    }
    return true;
}

// date + days (fractions are parts of a day, to the second).
void ShiftDate(sqlite3_context* ctx, long long seconds, sqlite3_value* days, int sign) {
    Number n;
    if (!NumberOf(days, &n)) {
        ResultError(ctx, kNotANumber);
        return;
    }
    const double shift = std::round(n.d * static_cast<double>(kDaySeconds)) * sign;
    if (!(std::fabs(shift) <= 4e11)) {  // beyond any date
        ResultError(ctx, "ORA-01841: (full) year must be between -4713 and +9999, and not be 0");
        return;
    }
    ResultDate(ctx, seconds + static_cast<long long>(shift));
}

// The date cut to its start of day ('DD'), month ('MM'), year ('YYYY'), hour or minute.
bool TruncDate(long long t, const std::string& raw, long long* out) {
    const std::string unit = [&] {
        std::string u;
        for (char c : raw)
            u.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
        return u;
    }();
    std::string d;
    SecondsDate(t, &d);
    auto keep = [&](size_t digits) {
        std::string s = d.substr(0, digits);
        if (digits < 6)
            s += "01";
        if (s.size() < 8)
            s += "01";
        s.resize(14, '0');
        return DateSeconds(s, out);
    };
    if (unit == "DD" || unit == "DDD" || unit == "J")
        return keep(8);
    if (unit == "MM" || unit == "MON" || unit == "MONTH" || unit == "RM")
        return keep(6);
    if (unit == "YYYY" || unit == "YEAR" || unit == "YY" || unit == "Y" || unit == "RR" ||
        unit == "RRRR" || unit == "SYYYY")
        return keep(4);
    if (unit == "HH" || unit == "HH24" || unit == "HH12")
        return keep(10);
    if (unit == "MI")
        return keep(12);
    return false;
}

// a + b, a - b or a * b of two numbers: exact on whole numbers while the result fits, else in
// floating point.
void Numeric(sqlite3_context* ctx, sqlite3_value** v, char op) {
    Number a, b;
    if (!Operands(ctx, v, &a, &b))
        return;
    long long r = 0;
    const bool overflow = op == '+'   ? __builtin_add_overflow(a.i, b.i, &r)
                          : op == '-' ? __builtin_sub_overflow(a.i, b.i, &r)
                                      : __builtin_mul_overflow(a.i, b.i, &r);
    if (a.integral && b.integral && !overflow)
        return sqlite3_result_int64(ctx, r);
    ResultReal(ctx, op == '+' ? a.d + b.d : op == '-' ? a.d - b.d : a.d * b.d);
}

// a + b and a - b: of numbers, of a date and a number of days, or the days between two dates.
void AddOrSubtract(sqlite3_context* ctx, int argc, sqlite3_value** v, int sign) {
    if (AnyNull(argc, v))
        return sqlite3_result_null(ctx);
    long long da = 0, db = 0;
    const bool a_date = AsDate(v[0], &da), b_date = AsDate(v[1], &db);
    if (a_date && b_date) {
        return sign > 0 ? ResultError(ctx, "ORA-00975: date + date not allowed")
                        : ResultReal(ctx, static_cast<double>(da - db) / kDaySeconds);
    }
    if (a_date)
        return ShiftDate(ctx, da, v[1], sign);
    if (b_date)
        return sign > 0 ? ShiftDate(ctx, db, v[0], 1) : ResultError(ctx, kDateNotNumber);
    Numeric(ctx, v, sign > 0 ? '+' : '-');
}

// A subquery used as a value gives at most one row.
struct OneRow {
    long long rows = 0;
    sqlite3_value* value = nullptr;
};

}  // namespace

void FnAdd(sqlite3_context* ctx, int argc, sqlite3_value** v) {
    AddOrSubtract(ctx, argc, v, 1);
}

void FnSub(sqlite3_context* ctx, int argc, sqlite3_value** v) {
    AddOrSubtract(ctx, argc, v, -1);
}

void FnMul(sqlite3_context* ctx, int argc, sqlite3_value** v) {
    if (AnyNull(argc, v))
        return sqlite3_result_null(ctx);
    Numeric(ctx, v, '*');
}

// Division is exact as on the central system (7/2 is 3.5), and a zero divisor is an error.
void FnDiv(sqlite3_context* ctx, int argc, sqlite3_value** v) {
    Number a, b;
    if (AnyNull(argc, v))
        return sqlite3_result_null(ctx);
    if (!Operands(ctx, v, &a, &b))
        return;
    if (b.d == 0)
        return ResultError(ctx, "ORA-01476: divisor is equal to zero");
    if (a.integral && b.integral && a.i != LLONG_MIN && a.i % b.i == 0)
        return sqlite3_result_int64(ctx, a.i / b.i);
    ResultReal(ctx, a.d / b.d);
}

// A value compared with a number must be one: 1, or ORA-01722 for a text that is no number.
void FnCheckNumber(sqlite3_context* ctx, int, sqlite3_value** v) {
    const int type = sqlite3_value_type(v[0]);
    if (type == SQLITE_INTEGER || type == SQLITE_FLOAT || type == SQLITE_NULL)
        return sqlite3_result_int(ctx, 1);  // the usual case: a number column, nothing to read
    Number n;
    long long seconds = 0;
    if (AsDate(v[0], &seconds))
        return ResultError(ctx, kDateNotNumber);
    if (!NumberOf(v[0], &n))
        return ResultError(ctx, kNotANumber);
    sqlite3_result_int(ctx, 1);
}

// TRUNC(date [, 'MM'...]) keeps the date's start of day, month, year, hour or minute;
// TRUNC(number [, digits]) cuts the digits.
void FnTrunc(sqlite3_context* ctx, int argc, sqlite3_value** v) {
    if (AnyNull(argc, v))
        return sqlite3_result_null(ctx);
    long long t = 0;
    if (AsDate(v[0], &t)) {
        long long out = 0;
        if (!TruncDate(t, argc > 1 ? ValueText(v[1]) : "DD", &out))
            return ResultError(ctx, "ORA-01821: date format not recognized");
        return ResultDate(ctx, out);
    }
    Number x, digits;
    if (argc > 1 && !NumberOf(v[1], &digits))
        return ResultError(ctx, kNotANumber);
    if (!NumberOf(v[0], &x))
        return ResultError(ctx, kNotANumber);
    // Beyond 20 digits a double has nothing left to cut, or nothing left at all.
    const double places = std::clamp(argc > 1 ? std::trunc(digits.d) : 0.0, -20.0, 20.0);
    if (x.integral && places >= 0)
        return sqlite3_result_int64(ctx, x.i);
    if (places == 20)
        return ResultReal(ctx, x.d);
    const double scale = std::pow(10.0, std::fabs(places));
    ResultReal(ctx,
               places >= 0 ? std::trunc(x.d * scale) / scale : std::trunc(x.d / scale) * scale);
}

// DATE 'YYYY-MM-DD'.
void FnDateLiteral(sqlite3_context* ctx, int, sqlite3_value** v) {
    std::string out, error;
    const std::string text = ValueText(v[0]);
    if (text.size() < 8)
        return ResultError(ctx, "ORA-01861: literal does not match format string");
    if (!ParseDateMask(text, "YYYY-MM-DD", &out, &error))
        return ResultError(ctx, error);
    ResultText(ctx, out);
}

void OneRowStep(sqlite3_context* ctx, int, sqlite3_value** v) {
    auto* state = static_cast<OneRow*>(sqlite3_aggregate_context(ctx, sizeof(OneRow)));
    if (state == nullptr)
        return sqlite3_result_error_nomem(ctx);
    if (++state->rows > 1)
        return ResultError(ctx, "ORA-01427: single-row subquery returns more than one row");
    state->value = sqlite3_value_dup(v[0]);
}

void OneRowFinal(sqlite3_context* ctx) {
    auto* state = static_cast<OneRow*>(sqlite3_aggregate_context(ctx, 0));
    if (state == nullptr || state->value == nullptr)
        return sqlite3_result_null(ctx);
    sqlite3_result_value(ctx, state->value);
    sqlite3_value_free(state->value);
}

// Column width check of the schema: terv_fits(value, maximum, 'TABLE', 'COLUMN').
void FnFits(sqlite3_context* ctx, int, sqlite3_value** v) {
    if (sqlite3_value_type(v[0]) != SQLITE_NULL) {
        std::string scratch;
        const size_t actual = CharCount(TextOf(v[0], &scratch));
        const auto maximum = static_cast<size_t>(sqlite3_value_int64(v[1]));
        if (actual > maximum) {
            return ResultError(
                ctx, "ORA-12899: value too large for column \"" + std::string(kSchemaOwner) +
                         "\".\"" + ValueText(v[2]) + "\".\"" + ValueText(v[3]) + "\" (actual: " +
                         std::to_string(actual) + ", maximum: " + std::to_string(maximum) + ")");
        }
    }
    sqlite3_result_int(ctx, 1);
}

}  // namespace terv::central
