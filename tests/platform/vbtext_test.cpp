#include <gtest/gtest.h>

#include "platform/Cp1252.h"
#include "platform/VbText.h"

namespace terv {
namespace {

using std::pair;

TEST(VbTextTest, NumberConversions) {
    for (auto [text, value] : {pair{"57,", 57.0},
                               {"  12.5abc", 12.5},
                               {"1e3", 1000},
                               {"-.5", -0.5},
                               {"abc", 0},
                               {"", 0},
                               {"0045", 45},
                               {"3,5", 3},
                               {"1.2.3", 1.2}})
        EXPECT_DOUBLE_EQ(Val(text), value) << text;
    for (auto [in, out] :
         {pair{2.5, 2}, {3.5, 4}, {-2.5, -2}, {2.6, 3}, {-0.4, 0}, {1e12, 2147483647}})
        EXPECT_EQ(CLng(in), out) << in;
    EXPECT_EQ(FormatZeros(7, 4), "0007");
    // Up to 15 significant digits, then the exponent form.
    for (auto [in, str] : {pair{0.5, " .5"},
                           {-0.5, "-.5"},
                           {12, " 12"},
                           {1.25, " 1.25"},
                           {0, " 0"},
                           {999999999999999, " 999999999999999"},
                           {1e15, " 1E+15"},
                           {-123456789012345, "-123456789012345"},
                           {1.5e16, " 1.5E+16"}}) {
        EXPECT_EQ(Str(in), str);
        EXPECT_EQ(NumToText(in), str[0] == ' ' ? str + 1 : str);
    }
}

TEST(VbTextTest, TextFunctionsCountCharactersNotBytes) {
    EXPECT_EQ(Len("città"), 5u);
    EXPECT_EQ(Mid("perché sì", 6, 1), "é");
    EXPECT_EQ(Left("àèì", 2), "àè");
    EXPECT_EQ(Right("àèì", 1), "ì");
    EXPECT_EQ(Mid("abc", 5), "");
    EXPECT_EQ(Trim("  a b  "), "a b");
    EXPECT_EQ(Split("a|b||c", "|"), (std::vector<std::string>{"a", "b", "", "c"}));
    EXPECT_EQ(Replace("a'b'c", "'", "''"), "a''b''c");
    EXPECT_TRUE(EqualsNoCase("Perché", "PERCHÉ"));
    for (auto [lower, upper] : {pair{"città d'oro", "CITTÀ D'ORO"}, {"šœžÿ", "ŠŒŽŸ"}, {"è", "È"}}) {
        EXPECT_EQ(UCase(lower), upper);
        EXPECT_EQ(LCase(upper), lower);
    }
    for (const char* kept : {"µß×÷€", "ł"}) {  // symbols, and a letter outside the code page
        EXPECT_EQ(UCase(kept), kept);
        EXPECT_EQ(LCase(kept), kept);
    }
}

TEST(Cp1252Test, MapsEveryByteBothWays) {
    std::string all, high;
    for (int c = 1; c < 256; ++c)
        all += static_cast<char>(c);
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
    for (int c = 0x80; c < 0xA0; ++c)
        high += static_cast<char>(c);
    EXPECT_EQ(Cp1252ToUtf8(high), "€\u0081‚ƒ„…†‡ˆ‰Š‹Œ\u008DŽ\u008F\u0090‘’“”•–—˜™š›œ\u009DžŸ");
    EXPECT_EQ(Cp1252ToUtf8("\xA0\xB5\xDE\xE0\xFF"), "\u00A0µÞàÿ");
}

TEST(Cp1252Test, RefusedUtf8BecomesQuestionMarks) {
    const struct {
        const char* utf8;
        bool valid;
        const char* cp1252;
    } cases[] = {{"", true, ""},
                 {"Forlì €5", true,
                  "Forl\xEC \x80"
                  "5"},
                 {"\xEF\xBF\xBD", true, "?"},  // U+FFFD itself: valid, not in the code page
                 {"ł→😀", true, "???"},
                 {"Comunit\xE0", false, "Comunit?"},
                 {"a\xC3(b", false, "a?(b"},
                 {"\xC0\xAF", false, "?"},           // overlong "/"
                 {"a\xED\xA0\x80z", false, "a?z"},   // surrogate
                 {"\xF4\x90\x80\x80", false, "?"}};  // past U+10FFFF
    for (const auto& c : cases) {
        EXPECT_EQ(IsValidUtf8(c.utf8), c.valid) << c.utf8;
        EXPECT_EQ(Utf8ToCp1252(c.utf8), c.cp1252) << c.utf8;
    }
}

}  // namespace
}  // namespace terv
