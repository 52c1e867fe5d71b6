// The Visual Basic-style conversions the program's procedures are written against.
//
// Each conversion is implemented once here and used wherever a procedure names it, so that
// numbers, texts and splits behave the same in every module. Texts are UTF-8; positions and
// lengths count characters, not bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace terv {

// Numeric value of a text: blanks skipped, then the longest leading number ("57," gives 57,
// "12.5abc" 12.5, "1e3" 1000, "-.5" -0.5); "." is the decimal point; 0 when there is none.
double Val(std::string_view text);

// A number as Long / Integer: rounded half to even, clamped to the type's range.
int32_t CLng(double value);
int16_t CInt(double value);
// A text as Long: its numeric value first.
inline int32_t CLng(std::string_view text) { return CLng(Val(text)); }

// Locale-independent number to text: "." decimal point, no zero before the point (".5"),
// up to 15 significant digits, exponent form ("1E+16", "1E-06") for very large or small values.
// Str() puts a blank before values >= 0; NumToText() never does.
std::string Str(double value);
std::string NumToText(double value);

// Zero-padded to at least `width` digits, as Format(value, "000").
std::string FormatZeros(int64_t value, int width);

// Blanks (spaces only) removed from both ends / the left / the right.
std::string Trim(std::string_view text);
std::string LTrim(std::string_view text);
std::string RTrim(std::string_view text);

// Upper / lower case over the Windows-1252 letters (à gives À, ÿ gives Ÿ); other characters kept.
std::string UCase(std::string_view text);
std::string LCase(std::string_view text);

// Number of characters of a UTF-8 text.
size_t Len(std::string_view text);
// 1-based substring of up to `length` characters (all the rest when length < 0); clamps.
std::string Mid(std::string_view text, long start, long length = -1);
std::string Left(std::string_view text, long length);
std::string Right(std::string_view text, long length);

// Splits at every occurrence of `sep`. An empty text gives no parts; "a," gives "a" and "".
std::vector<std::string> Split(std::string_view text, std::string_view sep);

// Every occurrence of `what` replaced by `with`.
std::string Replace(std::string_view text, std::string_view what, std::string_view with);

// True when both texts are equal ignoring letter case (Windows-1252 letters included).
bool EqualsNoCase(std::string_view a, std::string_view b);

}  // namespace terv
