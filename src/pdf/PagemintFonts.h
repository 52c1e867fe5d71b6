// The standard fonts of clsPagemint: which family a base font name selects, the style suffixes,
// and the font descriptor and widths of each measured family and style.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace terv {

// The measured families, in the order of the width tables.
enum class FontFamily { CourierNew = 0, TimesNewRoman = 1, Symbol = 2, Arial = 3 };

// The family of a base font name: blanks removed and upper-cased, "TIMESNEWROMAN", "COURIERNEW"
// and "SYMBOL" select their family, any other name Arial.
FontFamily FamilyOfBaseFont(std::string_view baseFont);

// "TimesNewRoman", "CourierNew", "Symbol" or "Arial".
std::string_view FamilyName(FontFamily family);

// Suffix of a style option: 2 ",Bold", 3 ",Italic", 4 ",BoldItalic", anything else "".
std::string_view StyleSuffix(int options);

// The font descriptor entries of a family in a style (1 to 4; other values count as 1).
std::string_view FontDescriptor(FontFamily family, int style);

// The /MissingWidth value of that descriptor.
int MissingWidthOf(FontFamily family, int style);

// Widths of codes 0..255 in 1/1000 of the text size; codes 0..31 are 0 (not in the font's range).
std::array<int, 256> WidthsOf(FontFamily family, int style);

// The text without blanks.
std::string WithoutBlanks(std::string_view text);

}  // namespace terv
