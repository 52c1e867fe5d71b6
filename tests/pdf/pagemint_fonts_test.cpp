// Fonts of clsPagemint: the font objects as written, family and style selection, and Length
// checked against the advance widths of the metric-compatible fonts, read here with fontTools.
#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "PdfTestUtil.h"
#include "TestSupport.h"
#include "clsPagemint.h"

namespace terv {
namespace {

using test::ReadFileBytes;
using test::TempFolder;

// Prints, per font file given, the widths of Windows-1252 codes 32..255 in 1/1000 em (-1 when the
// font has no glyph for the code).
constexpr const char* kWidthScript = R"(
import sys
from fontTools.ttLib import TTFont
for path in sys.argv[1:]:
    font = TTFont(path)
    cmap, hmtx, em = font.getBestCmap(), font['hmtx'].metrics, font['head'].unitsPerEm
    out = []
    for code in range(32, 256):
        try:
            cp = ord(bytes([code]).decode('cp1252'))
        except UnicodeDecodeError:
            cp = None
        glyph = cmap.get(cp) if cp not in (None, 0x7F) else None
        out.append(-1 if glyph is None else int(hmtx[glyph][0] * 1000 / em + 0.5))
    print(' '.join(map(str, out)))
)";

struct FontCase {
    const char* baseFont;
    int style;
    const char* file;
    int missingWidth;
};

const FontCase kFonts[] = {
    {"Courier New", 1, "truetype/liberation/LiberationMono-Regular.ttf", 600},
    {"Courier New", 2, "truetype/liberation/LiberationMono-Bold.ttf", 600},
    {"Courier New", 3, "truetype/liberation/LiberationMono-Italic.ttf", 600},
    {"Courier New", 4, "truetype/liberation/LiberationMono-BoldItalic.ttf", 600},
    {"Times New Roman", 1, "truetype/liberation/LiberationSerif-Regular.ttf", 333},
    {"Times New Roman", 2, "truetype/liberation/LiberationSerif-Bold.ttf", 333},
    {"Times New Roman", 3, "truetype/liberation/LiberationSerif-Italic.ttf", 333},
    {"Times New Roman", 4, "truetype/liberation/LiberationSerif-BoldItalic.ttf", 333},
    {"Symbol", 1, "opentype/urw-base35/StandardSymbolsPS.otf", 332},
    {"Symbol", 2, "opentype/urw-base35/StandardSymbolsPS.otf", 332},
    {"Symbol", 3, "opentype/urw-base35/StandardSymbolsPS.otf", 332},
    {"Symbol", 4, "opentype/urw-base35/StandardSymbolsPS.otf", 332},
    {"Arial", 1, "truetype/liberation/LiberationSans-Regular.ttf", 272},
    {"Arial", 2, "truetype/liberation/LiberationSans-Bold.ttf", 311},
    {"Arial", 3, "truetype/liberation/LiberationSans-Italic.ttf", 259},
    {"Arial", 4, "truetype/liberation/LiberationSans-BoldItalic.ttf", 311},
};

// UTF-8 of one Windows-1252 code.
std::string Utf8OfCode(int code) {
    static const char32_t kHigh[32] = {
        0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
    char32_t cp = code >= 0x80 && code < 0xA0 ? kHigh[code - 0x80] : char32_t(code);
    std::string out;
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6)), out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xE0 | (cp >> 12)), out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
    return out;
}

TEST(PagemintFonts, LengthMatchesTheMetricCompatibleFonts) {
    std::string command =
        "/usr/bin/python3 -c \"$(cat <<'PY'\n" + std::string(kWidthScript) + "PY\n)\"";
    for (const FontCase& f : kFonts)
        command += std::string(" /usr/share/fonts/") + f.file;
    int status = 0;
    std::istringstream lines(test::RunCommand(command, &status));
    ASSERT_EQ(status, 0) << "python3 with fontTools and the Debian fonts are needed";

    TempFolder dir;
    clsPagemint pdf;
    std::string name = dir / "widths.pdf";
    pdf.InitPDFFile(name);
    for (size_t i = 0; i < std::size(kFonts); ++i) {
        pdf.LoadFont("F" + std::to_string(i), kFonts[i].baseFont, kFonts[i].style);
    }
    pdf.StartPage();
    for (size_t i = 0; i < std::size(kFonts); ++i) {
        const FontCase& f = kFonts[i];
        std::string line;
        ASSERT_TRUE(std::getline(lines, line));
        std::istringstream widths(line);
        std::string font = "F" + std::to_string(i);
        for (int code = 32; code <= 255; ++code) {
            int width;
            ASSERT_TRUE(widths >> width);
            if (width < 0)
                width = f.missingWidth;
            EXPECT_DOUBLE_EQ(pdf.Length(Utf8OfCode(code), font, 1000), width)
                << f.baseFont << " style " << f.style << " code " << code;
        }
        // Below the first code the font's MissingWidth applies.
        EXPECT_DOUBLE_EQ(pdf.Length("\x01", font, 1000), f.missingWidth);
    }
    pdf.ClosePDFFile();
}

TEST(PagemintFonts, LengthAddsSpacingAndScaling) {
    TempFolder dir;
    clsPagemint pdf;
    std::string name = dir / "length.pdf";
    pdf.InitPDFFile(name);
    pdf.LoadFont("Fnt1", "Courier New", 1);
    pdf.LoadFontStandard("Fnt2", "Courier New", 1);
    pdf.StartPage();
    // "a b": 3 characters of 600/1000 at 10 points = 18 points.
    EXPECT_DOUBLE_EQ(pdf.Length("a b", "Fnt1", 10), 18);
    EXPECT_DOUBLE_EQ(pdf.Length("a b", "Fnt2", 10), 0);
    EXPECT_DOUBLE_EQ(pdf.Length("a b", "Fnt9", 10), 0);
    pdf.SetWordSpacing(2);
    EXPECT_DOUBLE_EQ(pdf.Length("a b", "Fnt1", 10), 20);
    pdf.SetCharSpacing(1);
    EXPECT_DOUBLE_EQ(pdf.Length("a b", "Fnt1", 10), 23);
    EXPECT_DOUBLE_EQ(pdf.Length("città", "Fnt1", 10), 30 + 5);  // à is one character
    pdf.SetTextHorizontalScaling(50);
    EXPECT_DOUBLE_EQ(pdf.Length("a b", "Fnt1", 10), 11.5);
    pdf.ScaleMode(4);
    EXPECT_DOUBLE_EQ(pdf.Length("a b", "Fnt1", 10), 11.5 / 72 * 2.54);
    pdf.ClosePDFFile();
}

TEST(PagemintFonts, BaseFontSelectsFamilyAndStyle) {
    struct Case {
        const char* baseFont;
        int options;
        const char* name;
        const char* descriptorStart;
    };
    const Case cases[] = {
        {"times new roman", 1, "TimesNewRoman", "/Flags 34 /FontBBox [-250 -216 1200 1000] "},
        {"TimesNewRoman", 2, "TimesNewRoman,Bold", "/Flags 16418 /FontBBox [-250 -216 1201 1000] "},
        {"Courier New", 3, "CourierNew,Italic", "/Flags 98 /FontBBox [-250 -300 720 1000] "},
        {"symbol", 2, "Symbol,Bold", "/Flags 16390 /FontBBox [-250 -220 1246 1005] "},
        {"Verdana", 4, "Arial,BoldItalic", "/Flags 16480 /FontBBox [-250 -212 1120 1000] "},
        {"Arial", 3, "Arial,Italic", "/Flags 96 /FontBBox [-250 -212 1134 1000] "},
    };
    for (const Case& c : cases) {
        TempFolder dir;
        clsPagemint pdf;
        std::string name = dir / "font.pdf";
        pdf.InitPDFFile(name);
        pdf.LoadFont("Fnt1", c.baseFont, c.options);
        pdf.ClosePDFFile();
        std::string bytes = ReadFileBytes(name);
        EXPECT_NE(bytes.find(std::string("/BaseFont /") + c.name + "\r/FirstChar 32\r"),
                  std::string::npos)
            << c.baseFont;
        EXPECT_NE(bytes.find(std::string("/FontName /") + c.name + "\r" + c.descriptorStart),
                  std::string::npos)
            << c.baseFont;
    }
}

TEST(PagemintFonts, MeasuredFontObjectsAsWritten) {
    TempFolder dir;
    clsPagemint pdf;
    std::string name = dir / "courier.pdf";
    pdf.InitPDFFile(name);
    pdf.LoadFont("Fnt1", "Courier New", 1);
    pdf.ClosePDFFile();
    std::string widthLines;
    for (int line = 0; line < 14; ++line) {
        for (int i = 0; i < 16; ++i)
            widthLines += "600 ";
        widthLines += "\r\n";
    }
    std::string expected =
        "5 0 obj\r\n<< /Type /Font \r/Subtype /TrueType\r/Name /Fnt1\r/BaseFont /CourierNew\r"
        "/FirstChar 32\r/LastChar 255\r/FontDescriptor 6 0 R\r/Encoding /WinAnsiEncoding\r"
        "/Widths [\r\n" +
        widthLines +
        "] >>\r\nendobj\r\n"
        "6 0 obj\r\n<<\r/Type /FontDescriptor\r/FontName /CourierNew\r"
        "/Flags 34 /FontBBox [-250 -300 720 1000] /MissingWidth 600 /StemV 109 /StemH 109 "
        "/ItalicAngle 0 /CapHeight 833 /XHeight 417 /Ascent 833 /Descent -300 /Leading 133 "
        "/MaxWidth 600 /AvgWidth 600\r>>\r\nendobj\r\n";
    std::string bytes = ReadFileBytes(name);
    EXPECT_NE(bytes.find(expected), std::string::npos);
    EXPECT_NE(bytes.find("/Font <<\r/Fnt1 5 0 R \r>>\r"), std::string::npos);
    test::ExpectWellFormed(bytes);
}

}  // namespace
}  // namespace terv
