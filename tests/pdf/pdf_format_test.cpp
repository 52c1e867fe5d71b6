// The writer's small formats: number texts, Windows-1252 text with PDF escaping, ASCII85.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "../export/ItalianLocale.h"
#include "Ascii85.h"
#include "PdfNumber.h"
#include "PdfText.h"

namespace terv {
namespace {

using std::pair;

TEST(PdfNumberFormat, ShortestTextWithThreeDecimals) {
    // Beside the random values below: signs of zero, exact ties, large values, infinity.
    const pair<double, const char*> cases[] = {{-0.0, "0"},
                                               {-0.0001, "0"},
                                               {0.0625, "0.062"},
                                               {2.0005, "2.001"},
                                               {210 * 72 / 25.4, "595.276"},
                                               {-0.9996, "-1"},
                                               {1e7 + 0.0625, "10000000.062"},
                                               {1e12, "1000000000000"},
                                               {1.0 / 0.0, "0"}};
    for (auto [value, text] : cases)
        EXPECT_EQ(PdfNumber(value), text) << value;
    EXPECT_EQ(PdfNumber(2.5, 0), "2");
    EXPECT_EQ(PdfNumber(3.5, 0), "4");
}

// The fast path for three decimals must agree with correctly rounded formatting everywhere.
TEST(PdfNumberFormat, AgreesWithCorrectRoundingOnRandomValues) {
    std::mt19937_64 random(42);
    std::uniform_real_distribution<double> wide(-2e6, 2e6), narrow(-2, 2);
    for (int i = 0; i < 200000; ++i) {
        double value = i % 2 ? wide(random) : narrow(random);
        if (i % 7 == 0)
            value = std::round(value * 2000) / 2000;  // exact and near ties
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.3f", value);
        std::string expected = buf;
        while (expected.back() == '0')
            expected.pop_back();
        if (expected.back() == '.')
            expected.pop_back();
        ASSERT_EQ(PdfNumber(value), expected == "-0" ? "0" : expected) << value;
    }
}

// The program runs with the user's locale (Qt sets it); Italian writes numbers with a comma.
TEST(PdfNumberFormat, DecimalPointWhateverTheLocale) {
    test::ItalianNumbers italian(true);
    ASSERT_TRUE(italian.Active()) << "no Italian locale to test under";
    EXPECT_EQ(PdfNumber(595.2), "595.2");
    EXPECT_EQ(PdfNumber(1e7 + 0.0625), "10000000.062");
}

TEST(PdfText, Windows1252AndEscaping) {
    const pair<const char*, const char*> cases[] = {
        {"città è più perché", "citt\xE0 \xE8 pi\xF9 perch\xE9"},
        {"€ ‚ … ‰ Š Ž ž Ÿ", "\x80 \x82 \x85 \x89 \x8A \x8E \x9E \x9F"},
        {"日本", "??"},
        {"\xFF ok \xC3", "? ok ?"},
        {"\xC0\xAF", "??"},       // overlong "/"
        {"\xED\xA0\x80", "???"},  // surrogate
        {"\xC2\x81 \xC2\x9D", "\x81 \x9D"}};
    for (auto [utf8, bytes] : cases)  // codes Windows-1252 leaves undefined
        EXPECT_EQ(ToCp1252(utf8), bytes) << utf8;
    std::string escaped;
    AppendPdfEscaped(escaped, "a(b)c\\d è");
    EXPECT_EQ(escaped, "a\\(b\\)c\\\\d \xE8");
}

TEST(Ascii85, KnownEncodings) {
    const pair<std::string, const char*> cases[] = {{"", "~>"},
                                                    {"Man ", "9jqo^~>"},
                                                    {"Man is", "9jqo^Bla~>"},
                                                    {std::string(4, '\0'), "z~>"},
                                                    {std::string("\0\0\0\0\x01", 5), "z!<~>"},
                                                    {"\xff\xff\xff\xff", "s8W-!~>"},
                                                    {"\x80", "J,~>"},
                                                    {std::string("\0\xff", 2), "!<3~>"}};
    for (auto [data, text] : cases)
        EXPECT_EQ(Ascii85Encode(data), text);
}

}  // namespace
}  // namespace terv
