#include "JetFunctions.h"

#include <sqlite3.h>

#include <cmath>
#include <limits>
#include <string>

#include "JetErrors.h"
#include "JetValues.h"
#include "platform/VbText.h"

namespace terv {

namespace {

// --- FIRST / LAST

// Aggregate state: whether a row was read, and the value kept.
struct Kept {
    bool seen;
    sqlite3_value* value;
};

Kept* State(sqlite3_context* ctx, bool create) {
    return static_cast<Kept*>(sqlite3_aggregate_context(ctx, create ? sizeof(Kept) : 0));
}

void Keep(Kept* k, sqlite3_value* v) {
    sqlite3_value_free(k->value);
    k->value = sqlite3_value_dup(v);
    k->seen = true;
}

void FirstStep(sqlite3_context* ctx, int, sqlite3_value** argv) {
    Kept* k = State(ctx, true);
    if (k && !k->seen)
        Keep(k, argv[0]);
}

void LastStep(sqlite3_context* ctx, int, sqlite3_value** argv) {
    Kept* k = State(ctx, true);
    if (k)
        Keep(k, argv[0]);
}

void Final(sqlite3_context* ctx) {
    Kept* k = State(ctx, false);
    if (k && k->value) {
        sqlite3_result_value(ctx, k->value);
        sqlite3_value_free(k->value);
        k->value = nullptr;
    } else {
        sqlite3_result_null(ctx);
    }
}

// --- values

// A function's failure with Jet's text; thrown inside, reported to SQLite at the edge.
struct Failure {
    const char* text;
};

bool IsNull(sqlite3_value* v) {
    return sqlite3_value_type(v) == SQLITE_NULL;
}

bool IsText(sqlite3_value* v) {
    int t = sqlite3_value_type(v);
    return t == SQLITE_TEXT || t == SQLITE_BLOB;
}

std::string TextOf(sqlite3_value* v) {
    switch (sqlite3_value_type(v)) {
        case SQLITE_INTEGER:
            return std::to_string(sqlite3_value_int64(v));
        case SQLITE_FLOAT:
            return NumberText(sqlite3_value_double(v));
        case SQLITE_NULL:
            return "";
        default: {
            const char* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
            return std::string(p ? p : "", static_cast<size_t>(sqlite3_value_bytes(v)));
        }
    }
}

// The value as a number: a text must be a number as a whole.
double NumberOf(sqlite3_value* v) {
    if (!IsText(v))
        return sqlite3_value_double(v);
    double d = 0;
    if (!StrictNumber(TextOf(v), d))
        throw Failure{jet_error::kTypeMismatch};
    return d;
}

// The value as a whole number, rounded half to even (Jet's operands of \ and Mod, CLng).
int64_t WholeOf(sqlite3_value* v, double lo, double hi) {
    if (IsNull(v))
        throw Failure{jet_error::kInvalidUseOfNull};
    if (sqlite3_value_type(v) == SQLITE_INTEGER) {
        int64_t i = sqlite3_value_int64(v);
        if (i < lo || i > hi)
            throw Failure{"Overflow"};
        return i;
    }
    double r = std::nearbyint(NumberOf(v));
    if (std::isnan(r) || r < lo || r > hi)
        throw Failure{"Overflow"};
    return static_cast<int64_t>(r);
}

constexpr double kLongMin = std::numeric_limits<int32_t>::min();
constexpr double kLongMax = std::numeric_limits<int32_t>::max();

bool BothIntegers(sqlite3_value* a, sqlite3_value* b) {
    return sqlite3_value_type(a) == SQLITE_INTEGER && sqlite3_value_type(b) == SQLITE_INTEGER;
}

void ResultText(sqlite3_context* ctx, const std::string& text) {
    sqlite3_result_text(ctx, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void ResultNumber(sqlite3_context* ctx, double d) {
    if (std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 9e15)
        sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(d));
    else
        sqlite3_result_double(ctx, d);
}

using Body = void (*)(sqlite3_context*, int, sqlite3_value**);

// Runs a function body, turning a Failure into the SQLite error of the statement.
template <Body body>
void Guarded(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    try {
        body(ctx, argc, argv);
    } catch (const Failure& f) {
        sqlite3_result_error(ctx, f.text, -1);
    } catch (const std::exception& e) {
        sqlite3_result_error(ctx, e.what(), -1);
    }
}

bool AnyNull(int argc, sqlite3_value** argv) {
    for (int i = 0; i < argc; ++i)
        if (IsNull(argv[i]))
            return true;
    return false;
}

// --- operators

void Cat(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (IsNull(argv[0]) && IsNull(argv[1]))
        return sqlite3_result_null(ctx);
    ResultText(ctx, TextOf(argv[0]) + TextOf(argv[1]));
}

// + - * on numbers; whole numbers stay whole while they fit.
template <char op>
void Arith(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (AnyNull(argc, argv))
        return sqlite3_result_null(ctx);
    if (op == '+' && IsText(argv[0]) && IsText(argv[1]))
        return ResultText(ctx, TextOf(argv[0]) + TextOf(argv[1]));
    if (BothIntegers(argv[0], argv[1])) {
        int64_t a = sqlite3_value_int64(argv[0]), b = sqlite3_value_int64(argv[1]), r = 0;
        bool overflow = op == '+'   ? __builtin_add_overflow(a, b, &r)
                        : op == '-' ? __builtin_sub_overflow(a, b, &r)
                                    : __builtin_mul_overflow(a, b, &r);
        if (!overflow)
            return sqlite3_result_int64(ctx, r);
    }
    double a = NumberOf(argv[0]), b = NumberOf(argv[1]);
    double r = op == '+' ? a + b : op == '-' ? a - b : a * b;
    if (BothIntegers(argv[0], argv[1]) || IsText(argv[0]) || IsText(argv[1]))
        return ResultNumber(ctx, r);
    sqlite3_result_double(ctx, r);
}

void Div(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (AnyNull(argc, argv))
        return sqlite3_result_null(ctx);
    double b = NumberOf(argv[1]);
    if (b == 0)
        throw Failure{jet_error::kDivisionByZero};
    sqlite3_result_double(ctx, NumberOf(argv[0]) / b);
}

template <bool modulo>
void WholeDiv(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (AnyNull(argc, argv))
        return sqlite3_result_null(ctx);
    int64_t a = WholeOf(argv[0], kLongMin, kLongMax), b = WholeOf(argv[1], kLongMin, kLongMax);
    if (b == 0)
        throw Failure{jet_error::kDivisionByZero};
    sqlite3_result_int64(ctx, modulo ? a % b : a / b);
}

void Pow(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (AnyNull(argc, argv))
        return sqlite3_result_null(ctx);
    sqlite3_result_double(ctx, std::pow(NumberOf(argv[0]), NumberOf(argv[1])));
}

void Like(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (AnyNull(argc, argv))
        return sqlite3_result_null(ctx);
    sqlite3_result_int(ctx, LikeMatch(TextOf(argv[0]), TextOf(argv[1])) ? 1 : 0);
}

// --- functions

void Nz(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (!IsNull(argv[0]))
        return sqlite3_result_value(ctx, argv[0]);
    if (argc > 1)
        return sqlite3_result_value(ctx, argv[1]);
    ResultText(ctx, "");
}

long Count(sqlite3_value* v, long lowest) {
    int64_t n = WholeOf(v, kLongMin, kLongMax);
    if (n < lowest)
        throw Failure{jet_error::kInvalidArgument};
    return static_cast<long>(n);
}

void MidFn(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    long start = Count(argv[1], 1);
    long length = argc > 2 ? Count(argv[2], 0) : -1;
    if (IsNull(argv[0]))
        return sqlite3_result_null(ctx);
    ResultText(ctx, Mid(TextOf(argv[0]), start, length));
}

template <bool left>
void Side(sqlite3_context* ctx, int, sqlite3_value** argv) {
    long n = Count(argv[1], 0);
    if (IsNull(argv[0]))
        return sqlite3_result_null(ctx);
    ResultText(ctx, left ? Left(TextOf(argv[0]), n) : Right(TextOf(argv[0]), n));
}

void LenFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (IsNull(argv[0]))
        return sqlite3_result_null(ctx);
    sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(Len(TextOf(argv[0]))));
}

using TextMap = std::string (*)(std::string_view);

template <TextMap map>
void Mapped(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (IsNull(argv[0]))
        return sqlite3_result_null(ctx);
    ResultText(ctx, map(TextOf(argv[0])));
}

void CStr(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (IsNull(argv[0]))
        throw Failure{jet_error::kInvalidUseOfNull};
    ResultText(ctx, TextOf(argv[0]));
}

template <int bits>
void CWhole(sqlite3_context* ctx, int, sqlite3_value** argv) {
    double lo = bits == 32 ? kLongMin : std::numeric_limits<int16_t>::min();
    double hi = bits == 32 ? kLongMax : std::numeric_limits<int16_t>::max();
    sqlite3_result_int64(ctx, WholeOf(argv[0], lo, hi));
}

void CDbl(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (IsNull(argv[0]))
        throw Failure{jet_error::kInvalidUseOfNull};
    sqlite3_result_double(ctx, NumberOf(argv[0]));
}

void ValFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (IsNull(argv[0]))
        throw Failure{jet_error::kInvalidUseOfNull};
    ResultNumber(ctx, IsText(argv[0]) ? Val(TextOf(argv[0])) : sqlite3_value_double(argv[0]));
}

void NowFn(sqlite3_context* ctx, int, sqlite3_value**) {
    ResultText(ctx, NowText());
}

void DateFn(sqlite3_context* ctx, int, sqlite3_value**) {
    ResultText(ctx, TodayText());
}

void FormatFn(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (IsNull(argv[0]))
        return sqlite3_result_null(ctx);
    std::string pattern = argc > 1 ? TextOf(argv[1]) : "";
    std::string out, error;
    bool ok = true;
    if (pattern.empty())
        out = TextOf(argv[0]);
    else if (IsText(argv[0]))
        ok = FormatText(TextOf(argv[0]), pattern, out, error);
    else
        ok = FormatNumber(sqlite3_value_double(argv[0]), pattern, out, error);
    if (!ok)
        return sqlite3_result_error(ctx, jet_error::NotSupported(error).c_str(), -1);
    ResultText(ctx, out);
}

// The compare argument of StrComp and InStr: 0 binary, 1 (the default) text.
bool TextCompare(sqlite3_value* v) {
    int64_t mode = WholeOf(v, kLongMin, kLongMax);
    if (mode != 0 && mode != 1)
        throw Failure{jet_error::kInvalidArgument};
    return mode == 1;
}

void StrCompFn(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    bool text = argc < 3 || TextCompare(argv[2]);
    if (IsNull(argv[0]) || IsNull(argv[1]))
        return sqlite3_result_null(ctx);
    std::string a = TextOf(argv[0]), b = TextOf(argv[1]);
    int c = text ? CompareText(a, b) : a.compare(b);
    sqlite3_result_int(ctx, c < 0 ? -1 : c > 0 ? 1 : 0);
}

void InStrFn(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    int first = argc >= 3 ? 1 : 0;
    long start = first ? Count(argv[0], 1) : 1;
    bool text = argc < 4 || TextCompare(argv[3]);
    if (IsNull(argv[first]) || IsNull(argv[first + 1]))
        return sqlite3_result_null(ctx);
    std::string hay = TextOf(argv[first]), needle = TextOf(argv[first + 1]);
    long length = static_cast<long>(Len(hay));
    if (start > length + (needle.empty() ? 1 : 0))
        return sqlite3_result_int(ctx, 0);
    long width = static_cast<long>(Len(needle));
    for (long at = start; at + width - 1 <= length; ++at) {
        std::string part = Mid(hay, at, width);
        if (text ? CompareText(part, needle) == 0 : part == needle)
            return sqlite3_result_int64(ctx, at);
    }
    sqlite3_result_int(ctx, 0);
}

int Collate(void*, int na, const void* a, int nb, const void* b) {
    return CompareText(std::string_view(static_cast<const char*>(a), static_cast<size_t>(na)),
                       std::string_view(static_cast<const char*>(b), static_cast<size_t>(nb)));
}

struct Registration {
    const char* name;
    int args;  // -1: any number
    Body body;
    bool deterministic;
};

const Registration kRegistrations[] = {
    {"jet_cat", 2, Guarded<Cat>, true},
    {"jet_add", 2, Guarded<Arith<'+'>>, true},
    {"jet_sub", 2, Guarded<Arith<'-'>>, true},
    {"jet_mul", 2, Guarded<Arith<'*'>>, true},
    {"jet_div", 2, Guarded<Div>, true},
    {"jet_idiv", 2, Guarded<WholeDiv<false>>, true},
    {"jet_mod", 2, Guarded<WholeDiv<true>>, true},
    {"jet_pow", 2, Guarded<Pow>, true},
    {"jet_like", 2, Guarded<Like>, true},
    {"jet_nz", -1, Guarded<Nz>, true},
    {"jet_mid", -1, Guarded<MidFn>, true},
    {"jet_left", 2, Guarded<Side<true>>, true},
    {"jet_right", 2, Guarded<Side<false>>, true},
    {"jet_len", 1, Guarded<LenFn>, true},
    {"jet_ucase", 1, Guarded<Mapped<UCase>>, true},
    {"jet_lcase", 1, Guarded<Mapped<LCase>>, true},
    {"jet_trim", 1, Guarded<Mapped<Trim>>, true},
    {"jet_ltrim", 1, Guarded<Mapped<LTrim>>, true},
    {"jet_rtrim", 1, Guarded<Mapped<RTrim>>, true},
    {"jet_cstr", 1, Guarded<CStr>, true},
    {"jet_clng", 1, Guarded<CWhole<32>>, true},
    {"jet_cint", 1, Guarded<CWhole<16>>, true},
    {"jet_cdbl", 1, Guarded<CDbl>, true},
    {"jet_val", 1, Guarded<ValFn>, true},
    {"jet_now", 0, Guarded<NowFn>, false},
    {"jet_date", 0, Guarded<DateFn>, false},
    {"jet_format", -1, Guarded<FormatFn>, true},
    {"jet_strcomp", -1, Guarded<StrCompFn>, true},
    {"jet_instr", -1, Guarded<InStrFn>, true},
};

}  // namespace

void RegisterJetFunctions(sqlite3* db) {
    sqlite3_create_collation_v2(db, "NOCASE", SQLITE_UTF8, nullptr, Collate, nullptr);
    for (const Registration& r : kRegistrations)
        sqlite3_create_function_v2(db, r.name, r.args,
                                   SQLITE_UTF8 | (r.deterministic ? SQLITE_DETERMINISTIC : 0),
                                   nullptr, r.body, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "FIRST", 1, SQLITE_UTF8, nullptr, nullptr, FirstStep, Final,
                               nullptr);
    sqlite3_create_function_v2(db, "LAST", 1, SQLITE_UTF8, nullptr, nullptr, LastStep, Final,
                               nullptr);
}

}  // namespace terv
