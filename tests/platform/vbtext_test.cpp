#include <gtest/gtest.h>

#include "platform/Cp1252.h"
#include "platform/VbText.h"

namespace terv {
namespace {

TEST(VbTextTest, ValReadsTheLeadingNumber) {
    const struct {
        const char* text;
        double value;
    } cases[] = {
        {"57,", 57}, {"  12.5abc", 12.5}, {"1e3", 1000}, {"-.5", -0.5}, {"abc", 0},
        {"", 0},     {"0045", 45},        {"3,5", 3},    {"+7", 7},     {"1.2.3", 1.2},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(Val(c.text), c.value) << c.text;
}

TEST(VbTextTest, CLngRoundsHalfToEven) {
    const struct {
        double in;
        int32_t out;
    } cases[] = {{2.5, 2}, {3.5, 4}, {-2.5, -2}, {2.6, 3}, {-0.4, 0}, {1e12, 2147483647}};
    for (const auto& c : cases)
        EXPECT_EQ(CLng(c.in), c.out) << c.in;
}

TEST(VbTextTest, NumberTextsAreLocaleIndependent) {
    const struct {
        double in;
        const char* str;
        const char* text;
    } cases[] = {
        {0.5, " .5", ".5"},      {-0.5, "-.5", "-.5"}, {12, " 12", "12"},
        {1.25, " 1.25", "1.25"}, {0, " 0", "0"},       {1e16, " 1E+16", "1E+16"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Str(c.in), c.str);
        EXPECT_EQ(NumToText(c.in), c.text);
    }
    EXPECT_EQ(FormatZeros(7, 4), "0007");
}

TEST(VbTextTest, TextFunctionsCountCharactersNotBytes) {
    EXPECT_EQ(Len("città"), 5u);
    EXPECT_EQ(Mid("perché sì", 6, 1), "é");
    EXPECT_EQ(Left("àèì", 2), "àè");
    EXPECT_EQ(Right("àèì", 1), "ì");
    EXPECT_EQ(Mid("abc", 5), "");
    EXPECT_EQ(UCase("città d'Oro"), "CITTÀ D'ORO");
    EXPECT_EQ(LCase("ÈRBA"), "èrba");
    EXPECT_EQ(Trim("  a b  "), "a b");
    EXPECT_TRUE(EqualsNoCase("Perché", "PERCHÉ"));
    EXPECT_EQ(Split("a|b||c", "|"), (std::vector<std::string>{"a", "b", "", "c"}));
    EXPECT_EQ(Replace("a'b'c", "'", "''"), "a''b''c");
}

TEST(Cp1252Test, RoundTripsEveryMappedByte) {
    std::string all;
    for (int c = 1; c < 256; ++c) {
        if (c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D)
            continue;
        all += static_cast<char>(c);
    }
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
    EXPECT_EQ(Cp1252ToUtf8("\x80\xDE\xE0"), "€Þà");
    EXPECT_EQ(Utf8ToCp1252("Þ"), "\xDE");
}

TEST(Cp1252Test, TellsWellFormedUtf8) {
    const struct {
        const char* bytes;
        bool valid;
    } cases[] = {
        {"", true},
        {"Comunità", true},
        {"\xEF\xBF\xBD", true},  // U+FFFD itself
        {"Comunit\xE0", false},
        {"a\xC3", false},
        {"\xC0\xAF", false},  // overlong
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << c.bytes;
}

TEST(Cp1252Test, ItalianLettersAndCharactersOutsideTheCodePage) {
    const struct {
        const char* utf8;
        const char* cp1252;
        const char* back;  // UTF-8 after the round trip
    } cases[] = {
        {"àèéìòù", "\xE0\xE8\xE9\xEC\xF2\xF9", "àèéìòù"},
        {"ÀÈÉÌÒÙ", "\xC0\xC8\xC9\xCC\xD2\xD9", "ÀÈÉÌÒÙ"},
        {"Forlì-Cesena €5",
         "Forl\xEC-Cesena \x80"
         "5",
         "Forlì-Cesena €5"},
        {"ł→😀", "???", "???"},        // not in the code page
        {"a\xC3(b", "a?(b", "a?(b"},  // not valid UTF-8
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8ToCp1252(c.utf8), c.cp1252) << c.utf8;
        EXPECT_EQ(Cp1252ToUtf8(Utf8ToCp1252(c.utf8)), c.back) << c.utf8;
    }
}

}  // namespace
}  // namespace terv
