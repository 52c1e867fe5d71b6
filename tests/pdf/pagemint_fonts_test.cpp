// Fonts of clsPagemint: the font objects as written, family and style selection, and Length
// checked against the advance widths of the metric-compatible fonts, read here with fontTools.
#include <gtest/gtest.h>

#include <sstream>

#include "PdfTestUtil.h"

namespace terv {
namespace {

// Prints, per font file given, each Windows-1252 code 32..255 as its UTF-8 bytes in hexadecimal,
// ":" and its width in 1/1000 em (-1 when the font has no glyph for it; codes the code page leaves
// undefined stand for the control character of the same value).
constexpr const char* kWidthScript = R"(
import sys
from fontTools.ttLib import TTFont
for path in sys.argv[1:]:
    font = TTFont(path)
    cmap, hmtx, em = font.getBestCmap(), font['hmtx'].metrics, font['head'].unitsPerEm
    out = []
    for code in range(32, 256):
        try:
            ch = bytes([code]).decode('cp1252')
        except UnicodeDecodeError:
            ch = chr(code)
        glyph = cmap.get(ord(ch)) if code not in (0x7F, 0x81, 0x8D, 0x8F, 0x90, 0x9D) else None
        width = -1 if glyph is None else int(hmtx[glyph][0] * 1000 / em + 0.5)
        out.append(ch.encode('utf-8').hex() + ':' + str(width))
    print(' '.join(out))
)";

TEST(PagemintFonts, LengthMatchesTheMetricCompatibleFonts) {
    const struct {
        const char* baseFont;
        const char* file;  // below /usr/share/fonts/, one per style 1 to 4
        int missingWidth[4];
    } families[] = {
        {"Courier New", "truetype/liberation/LiberationMono-", {600, 600, 600, 600}},
        {"Times New Roman", "truetype/liberation/LiberationSerif-", {333, 333, 333, 333}},
        {"Symbol", "opentype/urw-base35/StandardSymbolsPS.otf", {332, 332, 332, 332}},
        {"Arial", "truetype/liberation/LiberationSans-", {272, 311, 259, 311}}};
    const char* const styles[] = {"Regular.ttf", "Bold.ttf", "Italic.ttf", "BoldItalic.ttf"};
    std::string command =
        "/usr/bin/python3 -c \"$(cat <<'PY'\n" + std::string(kWidthScript) + "PY\n)\"";
    for (const auto& f : families) {
        for (const char* style : styles)
            command += std::string(" /usr/share/fonts/") + f.file + (f.file[0] == 'o' ? "" : style);
    }
    int status = 0;
    std::istringstream lines(test::RunCommand(command, &status));
    ASSERT_EQ(status, 0) << "python3 with fontTools and the Debian fonts are needed";

    test::WritePdf([&](clsPagemint& pdf) {
        for (int i = 0; i < 16; ++i)
            pdf.LoadFont("F" + std::to_string(i), families[i / 4].baseFont, i % 4 + 1);
        pdf.StartPage();
        for (int i = 0; i < 16; ++i) {
            const std::string font = "F" + std::to_string(i);
            const int missing = families[i / 4].missingWidth[i % 4];
            std::string line, entry;
            ASSERT_TRUE(std::getline(lines, line));
            std::istringstream entries(line);
            int codes = 0;
            for (; entries >> entry; ++codes) {
                std::string text;
                for (size_t k = 0; entry[k] != ':'; k += 2)
                    text += static_cast<char>(std::stoi(entry.substr(k, 2), nullptr, 16));
                const int width = std::stoi(entry.substr(entry.find(':') + 1));
                EXPECT_DOUBLE_EQ(pdf.Length(text, font, 1000), width < 0 ? missing : width)
                    << font << " " << entry;
            }
            EXPECT_EQ(codes, 224) << font;
            // Below the first code the font's MissingWidth applies.
            EXPECT_DOUBLE_EQ(pdf.Length("\x01", font, 1000), missing);
        }
    });
}

// Length adds spacing and scaling, which a new page resets; aligned text moves by it.
TEST(PagemintFonts, LengthAddsSpacingAndScalingAndPlacesAlignedText) {
    const std::string bytes = test::WritePdf([](clsPagemint& pdf) {
        pdf.LoadFont("Fnt1", "Courier New", 1);
        pdf.LoadFontStandard("Fnt2", "Courier New", 1);
        pdf.StartPage();
        // "a b": 3 characters of 600/1000 at 10 points = 18 points.
        EXPECT_DOUBLE_EQ(pdf.Length("a b", "Fnt1", 10), 18);
        EXPECT_DOUBLE_EQ(pdf.Length("a b", "Fnt2", 10), 0);
        EXPECT_DOUBLE_EQ(pdf.Length("a b", "Fnt9", 10), 0);
        EXPECT_DOUBLE_EQ(pdf.DrawText(100, 200, "abc", "Fnt1", 10, 2), 82);
        EXPECT_DOUBLE_EQ(pdf.DrawText(100, 200, "abc", "Fnt1", 10, 3), 91);
        EXPECT_DOUBLE_EQ(pdf.DrawText(100, 200, "abc", "Fnt2", 10, 3), 100);
        pdf.SetWordSpacing(2);
        EXPECT_DOUBLE_EQ(pdf.Length("a b", "Fnt1", 10), 20);
        pdf.SetCharSpacing(1);
        EXPECT_DOUBLE_EQ(pdf.Length("a b", "Fnt1", 10), 23);
        EXPECT_DOUBLE_EQ(pdf.Length("città", "Fnt1", 10), 30 + 5);  // à is one character
        pdf.SetTextHorizontalScaling(50);
        EXPECT_DOUBLE_EQ(pdf.Length("a b", "Fnt1", 10), 11.5);
        pdf.ScaleMode(4);
        EXPECT_DOUBLE_EQ(pdf.Length("a b", "Fnt1", 10), 11.5 / 72 * 2.54);
        pdf.ScaleMode(1);
        pdf.EndPage();
        pdf.StartPage();
        EXPECT_DOUBLE_EQ(pdf.Length("a b", "Fnt1", 10), 18);
    });
    const std::string content = test::PageContent(bytes, 8);
    EXPECT_NE(content.find("/Fnt1 10 Tf\r\n82 200 Td"), std::string::npos);
    EXPECT_NE(content.find("/Fnt1 10 Tf\r\n91 200 Td"), std::string::npos);
    EXPECT_NE(content.find("/Fnt2 10 Tf\r\n100 200 Td"), std::string::npos);
}

// The family comes from the name (case and blanks ignored, anything unknown is Arial), the style
// from the options.
TEST(PagemintFonts, FontObjectsAsWritten) {
    auto fontFile = [](const char* baseFont, int options) {
        return test::WritePdf([&](clsPagemint& pdf) { pdf.LoadFont("Fnt1", baseFont, options); });
    };
    const struct {
        const char* baseFont;
        int options;
        const char* name;
        const char* descriptorStart;
    } cases[] = {
        {"times new roman", 1, "TimesNewRoman", "/Flags 34 /FontBBox [-250 -216 1200 1000] "},
        {"Courier New", 3, "CourierNew,Italic", "/Flags 98 /FontBBox [-250 -300 720 1000] "},
        {"symbol", 2, "Symbol,Bold", "/Flags 16390 /FontBBox [-250 -220 1246 1005] "},
        {"Verdana", 4, "Arial,BoldItalic", "/Flags 16480 /FontBBox [-250 -212 1120 1000] "},
        {"Arial", 3, "Arial,Italic", "/Flags 96 /FontBBox [-250 -212 1134 1000] "}};
    for (const auto& c : cases) {
        const std::string bytes = fontFile(c.baseFont, c.options);
        EXPECT_NE(bytes.find(std::string("/BaseFont /") + c.name + "\r/FirstChar 32\r"),
                  std::string::npos)
            << c.baseFont;
        EXPECT_NE(bytes.find(std::string("/FontName /") + c.name + "\r" + c.descriptorStart),
                  std::string::npos)
            << c.baseFont;
    }
    std::string row, widthLines;  // 14 lines of 16 widths
    for (int i = 0; i < 16; ++i)
        row += "600 ";
    for (int line = 0; line < 14; ++line)
        widthLines += row + "\r\n";
    EXPECT_NE(
        fontFile("Courier New", 1)
            .find("5 0 obj\r\n<< /Type /Font \r/Subtype /TrueType\r/Name /Fnt1\r/BaseFont "
                  "/CourierNew\r/FirstChar 32\r/LastChar 255\r/FontDescriptor 6 0 R\r/Encoding "
                  "/WinAnsiEncoding\r/Widths [\r\n" +
                  widthLines +
                  "] >>\r\nendobj\r\n6 0 obj\r\n<<\r/Type /FontDescriptor\r/FontName "
                  "/CourierNew\r/Flags 34 /FontBBox [-250 -300 720 1000] /MissingWidth 600 "
                  "/StemV 109 /StemH 109 /ItalicAngle 0 /CapHeight 833 /XHeight 417 /Ascent 833 "
                  "/Descent -300 /Leading 133 /MaxWidth 600 /AvgWidth 600\r>>\r\nendobj\r\n"),
        std::string::npos);
}

}  // namespace
}  // namespace terv
