// The writer's small formats: number texts, Windows-1252 text with PDF escaping, ASCII85.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "Ascii85.h"
#include "PdfNumber.h"
#include "PdfText.h"
#include "TestSupport.h"

namespace terv {
namespace {

TEST(PdfNumberFormat, ShortestTextWithThreeDecimals) {
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {1.5, "1.5"},
        {595.2, "595.2"},
        {2.0, "2"},
        {0, "0"},
        {-0.0, "0"},
        {-0.0001, "0"},
        {0.0004999, "0"},
        {210 * 72 / 25.4, "595.276"},
        {-128 / -255.0, "0.502"},
        {0.0625, "0.062"},
        {0.0375, "0.037"},
        {1.0005, "1"},
        {2.0005, "2.001"},
        {-12.25, "-12.25"},
        {1e7 + 0.0625, "10000000.062"},
        {123456.7894, "123456.789"},
        {0.9996, "1"},
        {-0.9996, "-1"},
        {1e12, "1000000000000"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PdfNumber(c.value), c.text) << c.value;
    EXPECT_EQ(PdfNumber(2.5, 0), "2");
    EXPECT_EQ(PdfNumber(3.5, 0), "4");
    EXPECT_EQ(PdfNumber(1.0 / 0.0), "0");
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
        if (expected == "-0")
            expected = "0";
        ASSERT_EQ(PdfNumber(value), expected) << value;
    }
}

// The program runs with the user's locale (Qt sets it); Italian writes numbers with a comma.
TEST(PdfNumberFormat, DecimalPointWhateverTheLocale) {
    test::TempFolder dir;
    std::string build = "localedef -i it_IT -f UTF-8 " + dir.path() + "/it_IT.UTF-8 2>/dev/null";
    if (std::system(build.c_str()) != 0 && !std::filesystem::exists(dir / "it_IT.UTF-8")) {
        GTEST_SKIP() << "cannot build the Italian locale";
    }
    setenv("LOCPATH", dir.path().c_str(), 1);
    ASSERT_NE(std::setlocale(LC_ALL, "it_IT.UTF-8"), nullptr);
    unsetenv("LOCPATH");
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    EXPECT_EQ(PdfNumber(595.2), "595.2");
    EXPECT_EQ(PdfNumber(1e7 + 0.0625), "10000000.062");
    std::setlocale(LC_ALL, "C");
}

TEST(PdfText, Windows1252AndEscaping) {
    struct Case {
        const char* utf8;
        const char* bytes;
    };
    const Case cases[] = {
        {"città è già più perché", "citt\xE0 \xE8 gi\xE0 pi\xF9 perch\xE9"},
        {"€ ‚ … ‰ Š Ž ž Ÿ", "\x80 \x82 \x85 \x89 \x8A \x8E \x9E \x9F"},
        {"日本", "??"},
        {"\xFF ok \xC3", "? ok ?"},
        {"\xC0\xAF", "??"},                  // overlong "/"
        {"\xED\xA0\x80", "???"},             // surrogate
        {"\xC2\x81 \xC2\x9D", "\x81 \x9D"},  // codes Windows-1252 leaves undefined
    };
    for (const Case& c : cases)
        EXPECT_EQ(ToCp1252(c.utf8), c.bytes) << c.utf8;

    std::string escaped;
    AppendPdfEscaped(escaped, "a(b)c\\d è");
    EXPECT_EQ(escaped, "a\\(b\\)c\\\\d \xE8");
}

TEST(Ascii85, KnownEncodings) {
    struct Case {
        std::string data;
        const char* text;
    };
    const Case cases[] = {
        {"", "~>"},
        {"Man ", "9jqo^~>"},
        {"Man is", "9jqo^Bla~>"},
        {std::string(4, '\0'), "z~>"},
        {std::string("\0\0\0\0\x01", 5), "z!<~>"},
        {"\xff\xff\xff\xff", "s8W-!~>"},
        {"\x80", "J,~>"},
        {std::string("\0\xff", 2), "!<3~>"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Ascii85Encode(c.data), c.text);
}

}  // namespace
}  // namespace terv
