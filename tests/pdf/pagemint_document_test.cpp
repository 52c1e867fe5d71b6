// The document frame of clsPagemint: exact bytes of small documents, units, paper sizes, margins,
// orientation, generated file names and file errors.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <system_error>

#include "PdfTestUtil.h"
#include "TestSupport.h"
#include "clsPagemint.h"

namespace terv {
namespace {

using test::ReadFileBytes;
using test::TempFolder;
using Steps = std::function<void(clsPagemint&)>;

const std::string kInfoTail =
    ")\r/Author (TERVPalm)\r/Creator  (clsPagemint LIGHT Version)\r/Producer (TERVPalm - "
    "documento generato automaticamente)\r/CreationDate "
    "(D:20240305140709+01'00')\r>>\r\nendobj\r\n";
const std::string kCatalog =
    "2 0 obj\r\n<<\r/Type /Catalog\r/Pages 3 0 R\r/PageLayout /OneColumn\r/PageMode /UseNone\r"
    "/Lang (it) \r/ViewerPreferences << /HideToolbar false /DisplayDocTitle true /HideWindowUI "
    "false >>\r>>\r\nendobj\r\n";

// Writes a document with the fixed clock: `setup` before InitPDFFile, `body` after it.
std::string Write(
    const Steps& body, const Steps& setup = [](clsPagemint&) {}) {
    TempFolder dir;
    clsPagemint pdf;
    pdf.SetClock(test::FixedTime);
    setup(pdf);
    std::string name = dir / "doc.pdf";
    pdf.InitPDFFile(name);
    body(pdf);
    pdf.ClosePDFFile();
    return ReadFileBytes(name);
}

TEST(PagemintDocument, EmptyDocumentHasObjectsOneToFourOnly) {
    std::string pdf = Write([](clsPagemint& p) { EXPECT_EQ(p.Pages(), 0); });
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
    std::string pdf = Write(
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
    const std::pair<Steps, const char*> cases[] = {
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
        const std::string pdf = Write([](clsPagemint&) {}, setup);
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

}  // namespace
}  // namespace terv
