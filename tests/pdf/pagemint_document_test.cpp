// The document frame of clsPagemint: exact bytes of small documents, the closing parts, units,
// paper sizes, margins, orientation, generated file names and file errors.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <system_error>

#include "PdfTestUtil.h"
#include "TestSupport.h"
#include "clsPagemint.h"

namespace terv {
namespace {

using test::ExpectWellFormed;
using test::ReadFileBytes;
using test::TempFolder;

const std::string kInfoTail =
    ")\r/Author (TERVPalm)\r/Creator  (clsPagemint LIGHT Version)\r/Producer (TERVPalm - "
    "documento generato automaticamente)\r/CreationDate "
    "(D:20240305140709+01'00')\r>>\r\nendobj\r\n";
const std::string kCatalog =
    "2 0 obj\r\n<<\r/Type /Catalog\r/Pages 3 0 R\r/PageLayout /OneColumn\r/PageMode /UseNone\r"
    "/Lang (it) \r/ViewerPreferences << /HideToolbar false /DisplayDocTitle true /HideWindowUI "
    "false >>\r>>\r\nendobj\r\n";

// Writes a document with the fixed clock: `setup` before InitPDFFile, `body` after it.
std::string Write(const TempFolder& dir, const std::function<void(clsPagemint&)>& body,
                  const std::function<void(clsPagemint&)>& setup = nullptr) {
    clsPagemint pdf;
    pdf.SetClock(test::FixedTime);
    if (setup)
        setup(pdf);
    std::string name = dir / "doc.pdf";
    pdf.InitPDFFile(name);
    body(pdf);
    pdf.ClosePDFFile();
    return ReadFileBytes(name);
}

TEST(PagemintDocument, EmptyDocumentHasObjectsOneToFourOnly) {
    TempFolder dir;
    std::string pdf = Write(dir, [](clsPagemint& p) { EXPECT_EQ(p.Pages(), 0); });
    std::string expected =
        "%PDF-1.3\r\n"
        "1 0 obj\r\n<<\r/Title (\\(senza titolo\\)" +
        kInfoTail + kCatalog +
        "4 0 obj\r\n<<\r/ProcSet [/PDF /Text ]\r>>\r\nendobj\r\n"
        "3 0 obj\r\n<<\r/Type /Pages\r/Count 0\r/MediaBox [0 0 595.2 842]\r"
        "/CropBox [0 0 595.2 842]\r\r/Kids [ ]\r/Resources 4 0 R\r>>\r\nendobj\r\n"
        "xref\r\n0 5\r\n0000000000 65535 f\r\n"
        "0000000010 00000 n\r\n0000000215 00000 n\r\n0000000454 00000 n\r\n0000000407 00000 n\r\n"
        "trailer\r<<\r/Size 5\r/Info 1 0 R\r/Root 2 0 R\r>>\r\n"
        "startxref\r579\r\n%%EOF\r\r\n";
    EXPECT_EQ(pdf, expected);
}

TEST(PagemintDocument, OnePageWithOneFontNumbersObjectsInWritingOrder) {
    TempFolder dir;
    std::string pdf = Write(
        dir,
        [](clsPagemint& p) {
            p.LoadFontStandard("Fnt1", "Times New Roman", 2);
            EXPECT_EQ(p.StartPage(), 1);
            p.DrawText(72, 720, "Ciao (1)", "Fnt1", 12);
        },
        [](clsPagemint& p) { p.Title("Ricevuta Palmare"); });
    std::string content = "BT\r\n/Fnt1 12 Tf\r\n72 720 Td\r\n(Ciao \\(1\\)) Tj\r\nET\r\n";
    std::string expected =
        "%PDF-1.3\r\n"
        "1 0 obj\r\n<<\r/Title (Ricevuta Palmare" +
        kInfoTail + kCatalog +
        "5 0 obj\r\n<< /Type /Font /Subtype /Type1 /Name /Fnt1 /BaseFont /TimesNewRoman,Bold "
        "/Encoding /WinAnsiEncoding >>\r\nendobj\r\n"
        "6 0 obj\r\n<<\r/Type /Page\r/Parent 3 0 R\r/Contents 7 0 R\r>>\r\nendobj\r\n"
        "7 0 obj\r\n<< /Length 8 0 R >>\rstream\r\n" +
        content +
        "endstream\r\nendobj\r\n"
        "8 0 obj\r\n49\r\nendobj\r\n"
        "4 0 obj\r\n<<\r/Font <<\r/Fnt1 5 0 R \r>>\r/ProcSet [/PDF /Text ]\r>>\r\nendobj\r\n"
        "3 0 obj\r\n<<\r/Type /Pages\r/Count 1\r/MediaBox [0 0 595.2 842]\r"
        "/CropBox [0 0 595.2 842]\r\r/Kids [6 0 R  ]\r/Resources 4 0 R\r>>\r\nendobj\r\n"
        "xref\r\n0 9\r\n0000000000 65535 f\r\n"
        "0000000010 00000 n\r\n0000000215 00000 n\r\n0000000792 00000 n\r\n0000000720 00000 n\r\n"
        "0000000407 00000 n\r\n0000000528 00000 n\r\n0000000594 00000 n\r\n0000000699 00000 n\r\n"
        "trailer\r<<\r/Size 9\r/Info 1 0 R\r/Root 2 0 R\r>>\r\n"
        "startxref\r923\r\n%%EOF\r\r\n";
    EXPECT_EQ(content.size(), 49u);
    EXPECT_EQ(pdf, expected);
}

// The page tree line of a document closed after `setup`, from "/MediaBox" to "/Kids".
std::string PageTree(const std::function<void(clsPagemint&)>& setup) {
    TempFolder dir;
    std::string pdf = Write(dir, setup);
    size_t from = pdf.find("/MediaBox");
    return pdf.substr(from, pdf.find("/Kids", from) - from);
}

TEST(PagemintDocument, PaperSizeMarginUnitsAndOrientationShapeThePageTree) {
    struct Case {
        const char* what;
        std::function<void(clsPagemint&)> setup;
        const char* expected;
    };
    const Case cases[] = {
        {"default", [](clsPagemint&) {}, "/MediaBox [0 0 595.2 842]\r/CropBox [0 0 595.2 842]\r\r"},
        {"size 1", [](clsPagemint& p) { p.PaperSize(1); },
         "/MediaBox [0 0 842 1192]\r/CropBox [0 0 842 1192]\r\r"},
        {"size 2", [](clsPagemint& p) { p.PaperSize(2); },
         "/MediaBox [0 0 612 792]\r/CropBox [0 0 612 792]\r\r"},
        {"size 3", [](clsPagemint& p) { p.PaperSize(3); },
         "/MediaBox [0 0 612 864]\r/CropBox [0 0 612 864]\r\r"},
        {"unknown size keeps", [](clsPagemint& p) { p.PaperSize(2), p.PaperSize(7); },
         "/MediaBox [0 0 612 792]\r/CropBox [0 0 612 792]\r\r"},
        {"millimetres",
         [](clsPagemint& p) { p.ScaleMode(3), p.PaperWidth(210), p.PaperHeight(297); },
         "/MediaBox [0 0 595.276 841.89]\r/CropBox [0 0 595.276 841.89]\r\r"},
        {"inches", [](clsPagemint& p) { p.ScaleMode(2), p.PaperWidth(8.5), p.Margin(0.5); },
         "/MediaBox [0 0 612 842]\r/CropBox [36 36 576 806]\r\r"},
        {"centimetre margin", [](clsPagemint& p) { p.ScaleMode(4), p.Margin(1); },
         "/MediaBox [0 0 595.2 842]\r/CropBox [28.346 28.346 566.854 813.654]\r\r"},
        {"points margin", [](clsPagemint& p) { p.Margin(10.5); },
         "/MediaBox [0 0 595.2 842]\r/CropBox [10.5 10.5 584.7 831.5]\r\r"},
        {"unknown unit gives 0", [](clsPagemint& p) { p.ScaleMode(9), p.PaperWidth(100); },
         "/MediaBox [0 0 0 842]\r/CropBox [0 0 0 842]\r\r"},
        {"landscape", [](clsPagemint& p) { p.Orientation(2); },
         "/MediaBox [0 0 595.2 842]\r/CropBox [0 0 595.2 842]\r/Rotate 90\r"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PageTree(c.setup), c.expected) << c.what;
}

TEST(PagemintDocument, PagesCountAndKidsFollowPageOrder) {
    TempFolder dir;
    std::string pdf = Write(dir, [](clsPagemint& p) {
        for (int i = 1; i <= 3; ++i) {
            EXPECT_EQ(p.StartPage(), i);
            p.MoveTo(0, 0);
            p.EndPage();
        }
        EXPECT_EQ(p.Pages(), 3);
    });
    EXPECT_NE(pdf.find("/Count 3\r"), std::string::npos);
    EXPECT_NE(pdf.find("/Kids [5 0 R 8 0 R 11 0 R  ]"), std::string::npos);
    EXPECT_EQ(test::PageContent(pdf, 8), "0 0 m\r\n");
    ExpectWellFormed(pdf);
}

TEST(PagemintDocument, CloseEndsAnOpenPageAndXrefCoversEveryObject) {
    TempFolder dir;
    std::string pdf = Write(dir, [](clsPagemint& p) {
        p.LoadFont("Fnt1", "Arial", 1);
        p.LoadFont("Fnt2", "Arial", 2);
        p.StartPage();
        p.DrawText(1, 2, "uno", "Fnt1", 10);
        p.EndPage();
        p.StartPage();
        p.DrawText(1, 2, "due", "Fnt2", 10);
    });
    EXPECT_NE(pdf.find("xref\r\n0 15\r\n"), std::string::npos);
    EXPECT_NE(pdf.find("/Font <<\r/Fnt1 5 0 R \r/Fnt2 7 0 R \r>>\r"), std::string::npos);
    ExpectWellFormed(pdf);
}

TEST(PagemintDocument, TitleIsEscapedAndWrittenInWindows1252) {
    TempFolder dir;
    std::string pdf = Write(
        dir, [](clsPagemint&) {}, [](clsPagemint& p) { p.Title("Più (c:\\dati)"); });
    EXPECT_NE(pdf.find("/Title (Pi\xF9 \\(c:\\\\dati\\))\r"), std::string::npos);
}

TEST(PagemintDocument, InitOnAnOpenDocumentAbandonsItAndStartsAfresh) {
    TempFolder dir;
    clsPagemint pdf;
    pdf.SetClock(test::FixedTime);
    std::string first = dir / "first.pdf", second = dir / "second.pdf";
    pdf.InitPDFFile(first);
    pdf.LoadFontStandard("Fnt1", "Arial", 1);
    pdf.StartPage();
    pdf.InitPDFFile(second);
    EXPECT_EQ(pdf.Pages(), 0);
    pdf.ClosePDFFile();
    std::string abandoned = ReadFileBytes(first);
    EXPECT_NE(abandoned.find("stream\r\n"), std::string::npos);
    EXPECT_EQ(abandoned.find("xref"), std::string::npos);
    std::string fresh = ReadFileBytes(second);
    EXPECT_EQ(fresh.find("/Font"), std::string::npos);
    ExpectWellFormed(fresh);
}

TEST(PagemintDocument, EmptyFileNameGetsAGeneratedNameInTheProgramFolder) {
    TempFolder dir;
    clsPagemint pdf;
    pdf.SetClock(test::FixedTime);
    pdf.ProgramFolder(dir.path());
    std::string name;
    pdf.InitPDFFile(name);
    pdf.ClosePDFFile();
    std::filesystem::path path(name);
    EXPECT_EQ(path.parent_path().string(), dir.path());
    std::string file = path.filename().string();
    ASSERT_EQ(file.front(), '~');
    ASSERT_EQ(file.substr(file.size() - 4), ".pdf");
    // The hexadecimal number is day, hours, minutes, seconds ("5140709") and one random digit.
    long number = std::stol(file.substr(1, file.size() - 5), nullptr, 16);
    EXPECT_EQ(number / 10, 5140709);
    EXPECT_EQ(file.substr(1, file.size() - 5), [&] {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%lX", number);
        return std::string(hex);
    }());
    ExpectWellFormed(ReadFileBytes(name));
}

TEST(PagemintDocument, UnwritablePathThrowsAFileError) {
    TempFolder dir;
    clsPagemint pdf;
    std::string name = dir / "missing/folder/doc.pdf";
    EXPECT_THROW(pdf.InitPDFFile(name), std::system_error);
    pdf.StartPage();
    pdf.DrawText(1, 1, "x", "Fnt1", 10);
    pdf.ClosePDFFile();
    EXPECT_FALSE(test::FileExists(name));
}

TEST(PagemintDocument, FullDiskSurfacesAsAFileError) {
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    clsPagemint pdf;
    std::string name = "/dev/full";
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

}  // namespace
}  // namespace terv
