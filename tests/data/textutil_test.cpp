#include <gtest/gtest.h>

#include "data/TextUtil.h"
#include "data/clsFastString.h"

namespace terv {
namespace {

TEST(FastStringTest, GrowsInWholeStepsOf2048) {
    clsFastString s;
    s.Add(std::string(3000, 'a'));
    EXPECT_EQ(s.lngAllocated(), 4096);
    s.Add(std::string(1000, 'b'));
    EXPECT_EQ(s.lngAllocated(), 4096);
    s.Add(std::string(100, 'c'));
    EXPECT_EQ(s.lngAllocated(), 6144);
    EXPECT_EQ(s.lngUsed(), 4100);
    s.Add("");
    EXPECT_EQ(s.lngUsed(), 4100);
    EXPECT_EQ(s.GetStrFrom(4001), std::string(100, 'c'));
    s.ResetString();
    EXPECT_EQ(s.lngAllocated(), 0);
    EXPECT_EQ(s.GetStr(), "");
}

TEST(FastStringTest, CountsAndSumsOverWindows1252Characters) {
    clsFastString s;
    s.Add("id_part|X|");
    s.Add("città|");
    EXPECT_EQ(s.GetStr(), "id_part|X|città|");
    EXPECT_EQ(s.lngUsed(), 16);  // à is one character
    EXPECT_EQ(s.GenNumStr("|", "X"), 1);
    EXPECT_EQ(s.GenNumStr("|", "#"), 3);
    EXPECT_EQ(s.GenNumStr(" ", "#"), 2048 - 16);  // the blank padding counts
    EXPECT_EQ(s.GenNumStr("|", ""), 0);
    clsFastString n;
    n.Add("Aà");
    EXPECT_EQ(n.GetNumber(), 65 + 0xE0);
}

TEST(TextUtilTest, StampsAndLabels) {
    EXPECT_EQ(StampToDisplay("20240315074508"), "15/03/2024 07:45:08");
    EXPECT_EQ(StampToDay("20240315074508"), "15/03/2024");
    EXPECT_EQ(NowStamp().size(), 14u);
    const struct {
        const char* in;
        const char* out;
    } zeros[] = {{"000", "0"}, {"00100", "100"}, {"", "0"}, {"0045", "45"}, {"1000", "1000"}};
    for (const auto& z : zeros) {
        std::string text = z.in;
        EXPECT_EQ(StripLeadingZeros(text), z.out);
        EXPECT_EQ(text, z.out);
    }
    EXPECT_EQ(ParcelLabel("00456", " "), "456");
    EXPECT_EQ(ParcelLabel("0045", "A"), "45/A");
}

TEST(TextUtilTest, SqlLiterals) {
    EXPECT_EQ(SqlText(" abc "), "'abc'");
    EXPECT_EQ(SqlText(""), "NULL");
    EXPECT_EQ(SqlText("   "), "NULL");
    EXPECT_EQ(SqlText(Variant()), "NULL");
    EXPECT_EQ(SqlText("D'Annunzio"), "'D''Annunzio'");
    EXPECT_EQ(SqlText(Variant(12)), "'12'");
    EXPECT_EQ(SqlNumber(Variant()), "NULL");
    EXPECT_EQ(SqlNumber(Variant(0.5)), ".5");
    EXPECT_EQ(SqlNumber(Variant(-3)), "-3");
    EXPECT_EQ(NumText(Variant(1234.25)), "1234.25");
    EXPECT_EQ(LongOrZero(Variant()), 0);
    EXPECT_EQ(LongOrZero(Variant(2.5)), 2);
}

TEST(TextUtilTest, NumbersAndCodecs) {
    const struct {
        double in;
        int32_t out;
    } ceil[] = {{2.0, 2}, {2.1, 3}, {-2.5, -2}, {2.5, 3}, {-0.1, 0}, {7.999, 8}};
    for (const auto& c : ceil)
        EXPECT_EQ(CeilLong(c.in), c.out) << c.in;
    EXPECT_EQ(VatCheckDigit("0246813579"), "9");
    EXPECT_EQ(VatCheckDigit("0000000000"), "0");
    EXPECT_EQ(VatCheckDigit("12"), VatCheckDigit("12x0000000"));
    EXPECT_EQ(ReplaceWithCr("a|b|c", '|'), "a\rb\rc");
    EXPECT_EQ(TrimNul(std::string("abc\0xyz", 7)), "abc");
    EXPECT_EQ(GetSsoServer("x<sso_server>http://h/sso</sso_server>"), "http://h/sso");
    EXPECT_EQ(GetSsoServer("<sso_server>open"), "");
    EXPECT_EQ(GetSsoServer("nothing"), "");
    // key 3: code XOR 7, then -3 at odd places and +3 at even places
    const std::string expected{char((65 ^ 7) - 3), char((66 ^ 7) + 3)};
    EXPECT_EQ(ScrambleText(3, "AB"), expected);
    EXPECT_EQ(ScrambleText(0, std::string(1, '\x05')), std::string(1, char(5 ^ 10)));
    EXPECT_EQ(ScrambleText(20, "").size(), 0u);
}

}  // namespace
}  // namespace terv
