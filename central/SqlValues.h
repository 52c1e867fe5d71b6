// Values of the central system's SQL on a SQLite connection, shared by the function files:
// texts (the empty text is NULL), numbers as the central system reads them from texts, and dates,
// which are texts "YYYYMMDDHHNNSS" wherever they are stored, sent or computed.
#pragma once

#include <sqlite3.h>

#include <string>
#include <string_view>

namespace terv::central::sqlvalue {

// Seconds of a day: dates move by days and fractions of a day.
inline constexpr long long kDaySeconds = 86400;

// The value as text (numbers as the central system writes them); NULL is the empty text.
std::string ValueText(sqlite3_value* v);

// The same text without a copy: a view of SQLite's own bytes for a text, or of *scratch, where a
// number is written. Valid until the value or *scratch changes.
std::string_view TextOf(sqlite3_value* v, std::string* scratch);

// Text result; the empty text is NULL on the central system.
void ResultText(sqlite3_context* ctx, std::string_view s);
void ResultError(sqlite3_context* ctx, const std::string& text);

// A number result: whole numbers below 9e15 as integers; an infinite one is ORA-01426.
void ResultReal(sqlite3_context* ctx, double x);

struct Number {
    bool integral = false;
    long long i = 0;
    double d = 0;
};

// A number value, or a text that is a number entirely (blanks around it allowed). False for
// anything else (ORA-01722 for the caller) and for NULL.
bool NumberOf(sqlite3_value* v, Number* n);
bool ValueNumber(sqlite3_value* v, double* out);

bool AllDigits(std::string_view s);

// strtod with "." as decimal point whatever the process or thread locale.
double ParseDouble(const char* text, char** end = nullptr);

// The same reading of the number at the start of `s` (blanks before it skipped), which needs no
// NUL after it; *used is the count of bytes read, 0 when there is no number.
double ParseDouble(std::string_view s, size_t* used);

// The number of UTF-8 characters of `s`.
size_t CharCount(std::string_view s);

// Byte offset of character `k` (from 0) of `s`, which has `chars` characters; s.size() past
// its end. A text of one byte a character needs no scan.
size_t CharOffset(std::string_view s, size_t chars, size_t k);

int DaysInMonth(int y, int m);

// Seconds since 1970-01-01 00:00:00 of a text "YYYYMMDDHHNNSS"; false for no valid date.
bool DateSeconds(std::string_view s, long long* out);

// The text "YYYYMMDDHHNNSS" of a time in seconds; false outside the years 1 to 9999.
bool SecondsDate(long long t, std::string* out);

// The value as a date: a text of 14 digits that is a valid date and time (stored, or given by a
// date function). A text column that holds such digits is a date too.
bool AsDate(sqlite3_value* v, long long* seconds);

// A date result; outside the years 1 to 9999 it is ORA-01841.
void ResultDate(sqlite3_context* ctx, long long seconds);

}  // namespace terv::central::sqlvalue
