// clsPagemint's documents and page content: exact bytes of small documents, units, paper sizes,
// margins, orientation, generated file names and file errors; every graphics, path, text state
// and text operator as written, the image and form objects, and the automatic forms of each page;
// the font objects, family and style selection, and Length checked against the advance widths of
// the metric-compatible fonts, read here with fontTools.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <system_error>

#include "PdfTestUtil.h"

namespace terv {
namespace {

using test::ReadFileBytes;
using test::TempFolder;
using Body = test::PdfSteps;

const std::string kInfoTail =
    ")\r/Author (TERVPalm)\r/Creator  (clsPagemint LIGHT Version)\r/Producer (TERVPalm - "
    "documento generato automaticamente)\r/CreationDate "
    "(D:20240305140709+01'00')\r>>\r\nendobj\r\n";
const std::string kCatalog =
    "2 0 obj\r\n<<\r/Type /Catalog\r/Pages 3 0 R\r/PageLayout /OneColumn\r/PageMode /UseNone\r"
    "/Lang (it) \r/ViewerPreferences << /HideToolbar false /DisplayDocTitle true /HideWindowUI "
    "false >>\r>>\r\nendobj\r\n";

TEST(PagemintDocument, EmptyDocumentHasObjectsOneToFourOnly) {
    std::string pdf = test::WritePdf([](clsPagemint& p) { EXPECT_EQ(p.Pages(), 0); });
    EXPECT_EQ(pdf, "%PDF-1.3\r\n1 0 obj\r\n<<\r/Title (\\(senza titolo\\)" + kInfoTail + kCatalog +
                       "4 0 obj\r\n<<\r/ProcSet [/PDF /Text ]\r>>\r\nendobj\r\n"
                       "3 0 obj\r\n<<\r/Type /Pages\r/Count 0\r/MediaBox [0 0 595.2 842]\r"
                       "/CropBox [0 0 595.2 842]\r\r/Kids [ ]\r/Resources 4 0 R\r>>\r\nendobj\r\n"
                       "xref\r\n0 5\r\n0000000000 65535 f\r\n0000000010 00000 n\r\n"
                       "0000000215 00000 n\r\n0000000454 00000 n\r\n0000000407 00000 n\r\n"
                       "trailer\r<<\r/Size 5\r/Info 1 0 R\r/Root 2 0 R\r>>\r\n"
                       "startxref\r579\r\n%%EOF\r\r\n");
}

// The page is left open: closing the document ends it.
TEST(PagemintDocument, OnePageWithOneFontNumbersObjectsInWritingOrder) {
    std::string pdf = test::WritePdf(
        [](clsPagemint& p) {
            p.LoadFontStandard("Fnt1", "Times New Roman", 2);
            EXPECT_EQ(p.StartPage(), 1);
            p.DrawText(72, 720, "Ciao (1)", "Fnt1", 12);
        },
        [](clsPagemint& p) { p.Title("Ricevuta Palmare"); });
    EXPECT_EQ(pdf,
              "%PDF-1.3\r\n1 0 obj\r\n<<\r/Title (Ricevuta Palmare" + kInfoTail + kCatalog +
                  "5 0 obj\r\n<< /Type /Font /Subtype /Type1 /Name /Fnt1 /BaseFont "
                  "/TimesNewRoman,Bold /Encoding /WinAnsiEncoding >>\r\nendobj\r\n"
                  "6 0 obj\r\n<<\r/Type /Page\r/Parent 3 0 R\r/Contents 7 0 R\r>>\r\nendobj\r\n"
                  "7 0 obj\r\n<< /Length 8 0 R >>\rstream\r\n"
                  "BT\r\n/Fnt1 12 Tf\r\n72 720 Td\r\n(Ciao \\(1\\)) Tj\r\nET\r\n"  // 49 bytes
                  "endstream\r\nendobj\r\n8 0 obj\r\n49\r\nendobj\r\n"
                  "4 0 obj\r\n<<\r/Font <<\r/Fnt1 5 0 R \r>>\r/ProcSet [/PDF /Text ]\r>>\r\n"
                  "endobj\r\n3 0 obj\r\n<<\r/Type /Pages\r/Count 1\r/MediaBox [0 0 595.2 842]\r"
                  "/CropBox [0 0 595.2 842]\r\r/Kids [6 0 R  ]\r/Resources 4 0 R\r>>\r\nendobj\r\n"
                  "xref\r\n0 9\r\n0000000000 65535 f\r\n0000000010 00000 n\r\n"
                  "0000000215 00000 n\r\n0000000792 00000 n\r\n0000000720 00000 n\r\n"
                  "0000000407 00000 n\r\n0000000528 00000 n\r\n0000000594 00000 n\r\n"
                  "0000000699 00000 n\r\ntrailer\r<<\r/Size 9\r/Info 1 0 R\r/Root 2 0 R\r>>\r\n"
                  "startxref\r923\r\n%%EOF\r\r\n");
}

TEST(PagemintDocument, PaperSizeMarginUnitsAndOrientationShapeThePageTree) {
    const std::pair<Body, const char*> cases[] = {
        {[](clsPagemint& p) { p.PaperSize(1); }, "[0 0 842 1192]\r/CropBox [0 0 842 1192]\r\r"},
        {[](clsPagemint& p) { p.PaperSize(2); }, "[0 0 612 792]\r/CropBox [0 0 612 792]\r\r"},
        {[](clsPagemint& p) { p.PaperSize(3); }, "[0 0 612 864]\r/CropBox [0 0 612 864]\r\r"},
        {[](clsPagemint& p) { p.PaperSize(2), p.PaperSize(7); },  // unknown size: kept
         "[0 0 612 792]\r/CropBox [0 0 612 792]\r\r"},
        {[](clsPagemint& p) { p.ScaleMode(3), p.PaperWidth(210), p.PaperHeight(297); },
         "[0 0 595.276 841.89]\r/CropBox [0 0 595.276 841.89]\r\r"},
        {[](clsPagemint& p) { p.ScaleMode(2), p.PaperWidth(8.5), p.Margin(0.5); },
         "[0 0 612 842]\r/CropBox [36 36 576 806]\r\r"},
        {[](clsPagemint& p) { p.ScaleMode(4), p.Margin(1); },
         "[0 0 595.2 842]\r/CropBox [28.346 28.346 566.854 813.654]\r\r"},
        {[](clsPagemint& p) { p.Margin(10.5); },
         "[0 0 595.2 842]\r/CropBox [10.5 10.5 584.7 831.5]\r\r"},
        {[](clsPagemint& p) { p.ScaleMode(9), p.PaperWidth(100); },  // unknown unit: 0
         "[0 0 0 842]\r/CropBox [0 0 0 842]\r\r"},
        {[](clsPagemint& p) { p.Orientation(2); },
         "[0 0 595.2 842]\r/CropBox [0 0 595.2 842]\r/Rotate 90\r"}};
    for (const auto& [setup, expected] : cases) {
        const std::string pdf = test::WritePdf([](clsPagemint&) {}, setup);
        const size_t from = pdf.find("/MediaBox ") + 10;
        EXPECT_EQ(pdf.substr(from, pdf.find("/Kids", from) - from), expected);
    }
}

TEST(PagemintDocument, InitOnAnOpenDocumentAbandonsItAndStartsAfresh) {
    TempFolder dir;
    clsPagemint pdf;
    std::string first = dir / "first.pdf", second = dir / "second.pdf";
    pdf.InitPDFFile(first);
    pdf.LoadFontStandard("Fnt1", "Arial", 1);
    pdf.StartPage();
    pdf.InitPDFFile(second);
    EXPECT_EQ(pdf.Pages(), 0);
    pdf.ClosePDFFile();
    const std::string abandoned = ReadFileBytes(first);
    EXPECT_NE(abandoned.find("stream\r\n"), std::string::npos);
    EXPECT_EQ(abandoned.find("xref"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(second).find("/Font"), std::string::npos);
    test::ExpectQpdfClean(second);
}

TEST(PagemintDocument, EmptyFileNameGetsAGeneratedNameInTheProgramFolder) {
    TempFolder dir;
    clsPagemint pdf;
    pdf.SetClock(test::FixedTime);
    pdf.ProgramFolder(dir.path());
    std::string name;
    pdf.InitPDFFile(name);
    pdf.ClosePDFFile();
    // "~", then in hexadecimal day, hours, minutes, seconds ("5140709") and one random digit.
    const std::filesystem::path path(name);
    EXPECT_EQ(path.parent_path().string(), dir.path());
    const std::string file = path.filename().string();
    char expected[2][16];
    std::snprintf(expected[0], 16, "~%lX.pdf", 51407090L);
    std::snprintf(expected[1], 16, "~%lX.pdf", 51407099L);
    EXPECT_GE(file, expected[0]);
    EXPECT_LE(file, expected[1]);
    EXPECT_EQ(file.size(), std::string(expected[0]).size());
    test::ExpectQpdfClean(name);
}

TEST(PagemintDocument, UnwritableFileAndFullDiskAreFileErrors) {
    TempFolder dir;
    clsPagemint pdf;
    std::string name = dir / "missing/folder/doc.pdf";
    EXPECT_THROW(pdf.InitPDFFile(name), std::system_error);
    pdf.StartPage();
    pdf.DrawText(1, 1, "x", "Fnt1", 10);
    pdf.ClosePDFFile();
    EXPECT_FALSE(test::FileExists(name));
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    name = "/dev/full";
    pdf.InitPDFFile(name);
    EXPECT_THROW(
        {
            pdf.StartPage();
            for (int i = 0; i < 100000; ++i)
                pdf.LineTo(i, i, 1);
            pdf.ClosePDFFile();
        },
        std::system_error);
}

// A document with "Fnt1" (standard, object 5) and "Fnt2" (Courier New, objects 6 and 7); `before`
// runs before the page, `body` on the page (object 8). Returns the whole file.
std::string Document(
    const Body& body, const Body& before = [](clsPagemint&) {}) {
    return test::WritePdf([&](clsPagemint& pdf) {
        pdf.LoadFontStandard("Fnt1", "Arial", 1);
        pdf.LoadFont("Fnt2", "Courier New", 1);
        before(pdf);
        pdf.StartPage();
        body(pdf);
    });
}

std::string Content(const Body& body) {
    return test::PageContent(Document(body), 8);
}

TEST(PagemintDrawing, OperatorsWriteTheirExactLines) {
    const std::pair<Body, const char*> cases[] = {
        {[](clsPagemint& p) {
             p.SetColorFill(-128), p.SetColorFill(255), p.SetColorStroke(0), p.SetColorStroke(-255);
             p.SetColorStroke(0x0080FF00), p.SetColorFill(0x00336699);
             p.SetDash(0, 5), p.SetDash(3, 1.5), p.SetLineWidth(0.5);
             p.SetLineCap(1), p.SetLineCap(3), p.SetLineCap(-1), p.SetLineJoin(2), p.SetLineJoin(3);
             p.SetMiterLimit(0.5), p.SetMiterLimit(1);
             p.ScaleMode(4), p.SetMiterLimit(2.5), p.SetLineWidth(0.1), p.MoveTo(2.54, 1);
         },
         "0.502 g\r\n1 0 0 rg\r\n0 G\r\n1 G\r\n0 1 0.502 RG\r\n0.6 0.4 0.2 rg\r\n[ ] 0 d\r\n"
         "[3 1.5] 0 d\r\n0.5 w\r\n1 J\r\n2 j\r\n1 M\r\n2.5 M\r\n2.835 w\r\n72 28.346 m\r\n"},
        {[](clsPagemint& p) {
             for (int o : {0, 1, 2, 3, 4, 7})
                 p.LineTo(o, 1, o);
             p.Curve(1, 2, 3, 4, 5, 6, 3);
             p.Rectangle(10, 20, 30, 40, 0), p.Rectangle(10, 20, 30, 40, 4, -1);
         },
         "0 1 l\r\n1 1 l\r\nS\r\n2 1 l\r\nh\r\n3 1 l\r\nh\r\nS\r\n4 1 l\r\nf\r\n7 1 l\r\nf\r\n"
         "1 2 3 4 5 6 c\r\nh\r\nS\r\nn\r\n10 20 30 40 re\r\nn\r\n10 20 30 40 re\r\nf\r\n"},
        {[](clsPagemint& p) { p.Rectangle(0, 0, 100, 20, 1, 50); },  // radius: half the height
         "n\r\n10 0 m\r\n90 0 l\r\n95.5 0 100 4.5 100 10 c\r\n100 10 l\r\n"
         "100 15.5 95.5 20 90 20 c\r\n10 20 l\r\n4.5 20 0 15.5 0 10 c\r\n0 10 l\r\n"
         "0 4.5 4.5 0 10 0 c\r\nS\r\n"},
        {[](clsPagemint& p) { p.Rectangle(0, 0, 20, 100, 3, 50); },  // semicircular ends
         "n\r\n10 0 m\r\n10 0 l\r\n15.5 0 20 4.5 20 10 c\r\n20 90 l\r\n20 95.5 15.5 100 10 100 "
         "c\r\n"
         "10 100 l\r\n4.5 100 0 95.5 0 90 c\r\n0 10 l\r\n0 4.5 4.5 0 10 0 c\r\nh\r\nS\r\n"},
        {[](clsPagemint& p) {
             p.DrawCircle(100, 100, 10, 4), p.DrawImg("Img1", 10, 200, 50, 30),
                 p.DrawObject("Frm1");
         },
         "100 90 m\r\n105.5 90 110 94.5 110 100 c\r\n110 105.5 105.5 110 100 110 c\r\n"
         "94.5 110 90 105.5 90 100 c\r\n90 94.5 94.5 90 100 90 c\r\nf\r\n"
         "q\r50 0 0 -30 10 200 cm\r/Img1 Do\rQ\r\n/Frm1 Do\r\n"},
        {[](clsPagemint& p) {
             p.SetWordSpacing(2), p.SetCharSpacing(0.25), p.SetTextHorizontalScaling(50);
             p.SetTextRenderingMode(1), p.SetTextRenderingMode(3), p.SetTextRenderingMode(-1);
             p.DrawText(100, 200, "a(b)c\\d", "Fnt1", 10);
             p.DrawText(1, 2, "Perché più €", "Fnt1", 9.5);
             p.DrawText(100, 200, "x", "Fnt1", 10.5, 1, 90);
             p.DrawText(100, 200, "x", "Fnt1", 12, 1, 30);
         },
         "2 Tw\r\n0.25 Tc\r\n50 Tz\r\n1 Tr\r\n"
         "BT\r\n/Fnt1 10 Tf\r\n100 200 Td\r\n(a\\(b\\)c\\\\d) Tj\r\nET\r\n"
         "BT\r\n/Fnt1 9.5 Tf\r\n1 2 Td\r\n(Perch\xE9 pi\xF9 \x80) Tj\r\nET\r\n"
         "BT\r\n/Fnt1 10.5 Tf\r\n0 1 -1 0 100 200 Tm\r\n(x) Tj\r\nET\r\n"
         "BT\r\n/Fnt1 12 Tf\r\n0.866 0.5 -0.5 0.866 100 200 Tm\r\n(x) Tj\r\nET\r\n"}};
    for (const auto& [body, expected] : cases)
        EXPECT_EQ(Content(body), expected);
}

TEST(PagemintDrawing, ArcIsStraightSegmentsOfAtMostOneDegree) {
    std::string content = Content([](clsPagemint& p) { p.Arc(0, 0, 10, 10, 0, 90, 1); });
    EXPECT_EQ(content.rfind("n\r\n10 0 m\r\n9.998 0.175 l\r\n", 0), 0u);
    EXPECT_TRUE(content.ends_with("\r\n0 10 l\r\nS\r\n"));
    EXPECT_EQ(std::count(content.begin(), content.end(), '\n'), 1 + 91 + 1);
    std::string pie = Content([](clsPagemint& p) { p.Arc(5, 5, 10, 20, 90, 0, 4, true); });
    EXPECT_EQ(pie.rfind("n\r\n5 5 m\r\n5 25 l\r\n", 0), 0u);
    EXPECT_TRUE(pie.ends_with("\r\n15 5 l\r\n5 5 l\r\nf\r\n"));
}

TEST(PagemintDrawing, ImageObjectsWithAndWithoutAscii85) {
    const std::string pdf =
        Document([](clsPagemint&) {},
                 [](clsPagemint& p) {
                     p.LoadImgFromBuffer("Img1", "\x01\x02\x03", "", 1, 1, 24, 0);
                     p.EncodeASCII85(true);
                     p.LoadImgFromBuffer("Img2", "\x80", std::string("\x00\xff", 2), 1, 1, 1, 1);
                 });
    EXPECT_NE(
        pdf.find("8 0 obj\r\n<<\r/Type /XObject\r/Subtype /Image\r/Name /Img1\r/Width 1\r"
                 "/Height 1\r\r\n/BitsPerComponent 8\r/ColorSpace /DeviceRGB\r/Length 9 0 R\r\n"
                 ">>\rstream\r\n\x01\x02\x03\rendstream\r\nendobj\r\n9 0 obj\r\n3\r\nendobj\r\n"
                 "10 0 obj\r\n<<\r/Type /XObject\r/Subtype /Image\r/Name /Img2\r/Width 1\r"
                 "/Height 1\r/Filter /ASCII85Decode\r\r\n/BitsPerComponent 1\r"
                 "/ColorSpace [/Indexed /DeviceGray 1 12 0 R]\r/Length 11 0 R\r\n"
                 ">>\rstream\r\nJ,~>\rendstream\r\nendobj\r\n11 0 obj\r\n4\r\nendobj\r\n"
                 "12 0 obj\r\n<<\r/Filter /ASCII85Decode\r/Length 5 >>\rstream\r\n!<3~>\r"
                 "endstream\r\nendobj\r\n"),
        std::string::npos);
    EXPECT_NE(pdf.find("/ProcSet [/PDF /Text /ImageB /ImageC /ImageI ]\r/XObject <<\r"
                       "/Img1 8 0 R \r/Img2 10 0 R \r\r>>\r"),
              std::string::npos);
}

TEST(PagemintDrawing, FormObjectHasThePaperBoxAndItsOwnLength) {
    const std::string pdf = Document([](clsPagemint& p) { p.DrawObject("Frm1"); },
                                     [](clsPagemint& p) {
                                         p.ScaleMode(4);
                                         p.Margin(1);
                                         p.StartObject("Frm1", 0);
                                         p.MoveTo(1, 1);
                                         p.EndObject();
                                     });
    EXPECT_NE(pdf.find("8 0 obj\r\n<<\r/Type /XObject\r/Subtype /Form\r/FormType 1\r/Name /Frm1\r"
                       "/BBox [28.346 28.346 566.854 813.654]\r/Matrix [1 0 0 1 0 0]\r"
                       "/Length 9 0 R >>\rstream\r\n28.346 28.346 m\r\nendstream\r\nendobj\r\n"
                       "9 0 obj\r\n17\r\nendobj\r\n"),
              std::string::npos);
    EXPECT_NE(pdf.find("/XObject <<\r\r/Frm1 8 0 R \r>>\r"), std::string::npos);
    EXPECT_EQ(test::PageContent(pdf, 10), "/Frm1 Do\r\n");
}

TEST(PagemintDrawing, AutomaticFormsFollowTheirOptionBits) {
    // Options, and '1' where pages 1 to 4 draw the form.
    const std::pair<int, const char*> cases[] = {
        {0, "0000"}, {2, "0101"},  {4, "1010"},  {6, "1111"},  {7, "1111"},
        {8, "0000"}, {12, "0010"}, {14, "0111"}, {15, "1111"}, {10, "0101"}};
    const std::string pdf = Document(
        [](clsPagemint& p) {
            for (int i = 0; i < 3; ++i)
                p.EndPage(), p.StartPage();
        },
        [&](clsPagemint& p) {
            for (const auto& [options, pages] : cases)
                p.StartObject("F" + std::to_string(options), options), p.EndObject();
        });
    const int firstPage = 8 + 2 * static_cast<int>(std::size(cases));  // after forms and lengths
    for (const auto& [options, pages] : cases) {
        std::string drawn;
        for (int page = 0; page < 4; ++page) {
            const std::string content = test::PageContent(pdf, firstPage + 3 * page);
            drawn += content.find("/F" + std::to_string(options) + " Do") != std::string::npos
                         ? '1'
                         : '0';
        }
        EXPECT_EQ(drawn, pages) << "options " << options;
    }
}

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
