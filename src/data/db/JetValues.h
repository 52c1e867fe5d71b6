// Jet's conversions of values that SQLite lacks: date literals, number texts, Format patterns,
// and the text order of Jet's general sort order, which LIKE and every text comparison follow.
//
// Dates have no type of their own in the SQLite files: a date is the text
// "YYYY-MM-DD HH:MM:SS" (sorts and compares in time order). A date placed in a text field keeps
// that form; Jet would write the system's short date instead.
#pragma once

#include <string>
#include <string_view>

namespace terv {

// The canonical date text of the body of a #...# literal: "12/31/2026", "2026-12-31",
// "12/31/2026 10:30:00 PM", "2026-12-31 22:30", "10:30:00" (on 12/30/1899). False when it is no
// date.
bool ParseDateLiteral(std::string_view text, std::string& canonical);

// Whether the whole text, blanks around allowed, is a number ("12", " -1.5 ", "1e3"); Jet's
// implicit conversion of a text used as a number.
bool StrictNumber(std::string_view text, double& value);

// A number as Jet and CStr write it: "." decimal point, "0.5", up to 15 significant digits.
std::string NumberText(double value);

// Format(value, pattern) of a number (number patterns "0000", "0.00", "#,##0", "0%", or date
// patterns of a date serial) or of a date text (date patterns "yyyymmdd", "dd/mm/yyyy",
// "hh:nn:ss" ...). A text that is neither passes through unchanged; character patterns (@, &,
// <, >, !) are not supported. False with `error` set when the pattern uses what is not
// supported.
bool FormatNumber(double value, std::string_view pattern, std::string& out, std::string& error);
bool FormatText(std::string_view text, std::string_view pattern, std::string& out,
                std::string& error);

// Jet's general sort order: letters without regard to case (every Windows-1252 letter, à = À),
// accented letters next to their base letter. <0, 0 or >0.
int CompareText(std::string_view a, std::string_view b);

// Jet's LIKE: "*" any run, "?" one character, "#" one digit, "[a-z]" and "[!a-z]" lists; every
// other character, "_" and "%" included, stands for itself, compared without regard to case.
bool LikeMatch(std::string_view text, std::string_view pattern);

// The date and time now, and today at midnight, as date texts.
std::string NowText();
std::string TodayText();

}  // namespace terv
