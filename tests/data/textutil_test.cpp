#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "data/TextUtil.h"
#include "data/clsFastString.h"

namespace terv {
namespace {

TEST(FastStringTest, GrowsInWholeStepsAndCountsWindows1252Characters) {
    clsFastString s;
    s.Add(std::string(3000, 'a'));
    EXPECT_EQ(s.lngAllocated(), 4096);
    s.Add(std::string(1000, 'b'));
    s.Add("");
    EXPECT_EQ(s.lngAllocated(), 4096);
    s.Add(std::string(100, 'c'));
    EXPECT_EQ(s.lngAllocated(), 6144);
    EXPECT_EQ(s.GetStrFrom(4001), std::string(100, 'c'));
    s.ResetString();
    EXPECT_EQ(s.lngAllocated(), 0);
    s.Add("id_part|X|città|");
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

TEST(TextUtilTest, StampsOfAKnownClockAndOfNow) {
    const char* const savedTz = std::getenv("TZ");
    const std::string saved = savedTz ? savedTz : "";
    setenv("TZ", "CET-1", 1);  // one hour east of UTC, no daylight saving
    tzset();
    EXPECT_EQ(StampOf(1710485108), "20240315074508");  // 2024-03-15 06:45:08 UTC
    const std::time_t before = std::time(nullptr);
    const std::string now = NowStamp();
    const std::time_t after = std::time(nullptr);
    EXPECT_LE(StampOf(before), now);
    EXPECT_LE(now, StampOf(after));
    savedTz ? setenv("TZ", saved.c_str(), 1) : unsetenv("TZ");
    tzset();
    EXPECT_EQ(StampToDisplay("20240315074508"), "15/03/2024 07:45:08");
    EXPECT_EQ(StampToDay("20240315074508"), "15/03/2024");
}

TEST(TextUtilTest, LabelsAndSqlLiterals) {
    for (auto [in, out] : {std::pair{"000", "0"}, {"00100", "100"}, {"", "0"}, {"0045", "45"}}) {
        std::string text = in;
        EXPECT_EQ(StripLeadingZeros(text), out);
        EXPECT_EQ(text, out);
    }
    EXPECT_EQ(ParcelLabel("00456", " "), "456");
    EXPECT_EQ(ParcelLabel("0045", "A"), "45/A");
    EXPECT_EQ(SqlText(" abc "), "'abc'");
    EXPECT_EQ(SqlText("   "), "NULL");
    EXPECT_EQ(SqlText(Variant()), "NULL");
    EXPECT_EQ(SqlText("D'Annunzio"), "'D''Annunzio'");
    EXPECT_EQ(SqlText(Variant(12)), "'12'");
    EXPECT_EQ(SqlNumber(Variant()), "NULL");
    EXPECT_EQ(SqlNumber(Variant(-0.5)), "-.5");
    EXPECT_EQ(NumText(Variant("12.5abc")), "12.5");
    EXPECT_EQ(LongOrZero(Variant()), 0);
    EXPECT_EQ(LongOrZero(Variant(2.5)), 2);
}

TEST(TextUtilTest, NumbersAndCodecs) {
    // Whole values stay; the rest rounds up (3.5 alone would round to 4 either way).
    for (auto [in, out] :
         {std::pair{2.0, 2}, {3.0, 3}, {3.0000001, 4}, {2.1, 3}, {-2.5, -2}, {-0.1, 0}, {7.999, 8}})
        EXPECT_EQ(CeilLong(in), out) << in;
    // Odd places as they are, even places doubled (digits of the double summed), then
    // (10 - sum mod 10) mod 10; worked out by hand.
    const struct {
        const char* digits;
        const char* check;
    } vat[] = {{"0246813579", "9"},                  // 0+4+8+3+7 + 4+(1+2)+2+(1+0)+(1+8) = 41
               {"0123456789", "7"},                  // 0+2+4+6+8 + 2+6+(1+0)+(1+4)+(1+8) = 43
               {"0000000000", "0"},    {"12", "5"},  // missing places count 0: 1 + 4
               {"12x0000000", "5"},                  // so do non-digits
               {"12345678901234", "3"}};             // only the first ten count: 25 + 22
    for (const auto& c : vat)
        EXPECT_EQ(VatCheckDigit(c.digits), c.check) << c.digits;
    EXPECT_EQ(ReplaceWithCr("a|b|c", '|'), "a\rb\rc");
    EXPECT_EQ(TrimNul(std::string("abc\0xyz", 7)), "abc");
    EXPECT_EQ(GetSsoServer("x<sso_server>http://h/sso</sso_server>"), "http://h/sso");
    EXPECT_EQ(GetSsoServer("<sso_server>open"), "");
    EXPECT_EQ(GetSsoServer("open</sso_server>"), "");
    // key 3: code XOR 7, then -3 at odd places and +3 at even places
    EXPECT_EQ(ScrambleText(3, "AB"), std::string({char((65 ^ 7) - 3), char((66 ^ 7) + 3)}));
    EXPECT_EQ(ScrambleText(0, "\x05"), std::string(1, char(5 ^ 10)));
}

// Every byte at an odd and an even place comes back through the descrambler, for every key.
TEST(TextUtil, ScrambleTextInverseRoundTrips) {
    std::string all;
    for (int c = 0; c < 256; ++c)
        all += {char(c), char(255 - c)};
    for (int key = 0; key < 256; ++key) {
        const std::string encoded = ScrambleTextInverse(uint8_t(key), all);
        ASSERT_EQ(ScrambleText(uint8_t(key), encoded), all) << "key " << key;
    }
    EXPECT_EQ(ScrambleTextInverse(3, "AB"), std::string({char((65 + 3) ^ 7), char((66 - 3) ^ 7)}));
}

}  // namespace
}  // namespace terv
