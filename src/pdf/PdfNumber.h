// Number texts of the PDF writer: every coordinate, length and colour of a page is written rounded
// to a fixed number of decimals, as the shortest text without trailing zeros, with "." as the
// decimal separator whatever the locale.
#pragma once

#include <string>

namespace terv {

// Appends `value` rounded to `decimals` decimals (0 to 10; ties to even on the exact binary value):
// 1.5 -> "1.5", 595.2 -> "595.2", 2.0 -> "2", -0.0001 -> "0". Infinite and NaN values give "0".
void AppendPdfNumber(std::string& out, double value, int decimals = 3);

// The same text as a new string.
std::string PdfNumber(double value, int decimals = 3);

// Appends the decimal text of an integer.
void AppendPdfInteger(std::string& out, long long value);

}  // namespace terv
