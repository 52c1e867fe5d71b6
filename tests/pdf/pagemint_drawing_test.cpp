// Page content of clsPagemint: every graphics, path, text state and text operator as written, the
// image and form objects, and the automatic forms of each page.
#include <gtest/gtest.h>

#include <functional>

#include "PdfTestUtil.h"
#include "TestSupport.h"
#include "clsPagemint.h"

namespace terv {
namespace {

using test::ReadFileBytes;
using test::TempFolder;
using Body = std::function<void(clsPagemint&)>;

// Writes a document with "Fnt1" (standard, object 5) and "Fnt2" (Courier New, objects 6 and 7);
// `before` runs before the page, `body` on the page (object 8). Returns the whole file.
std::string Document(
    const Body& body, const Body& before = [](clsPagemint&) {}) {
    TempFolder dir;
    clsPagemint pdf;
    std::string name = dir / "draw.pdf";
    pdf.InitPDFFile(name);
    pdf.LoadFontStandard("Fnt1", "Arial", 1);
    pdf.LoadFont("Fnt2", "Courier New", 1);
    before(pdf);
    pdf.StartPage();
    body(pdf);
    pdf.ClosePDFFile();
    test::ExpectQpdfClean(name);
    return ReadFileBytes(name);
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

}  // namespace
}  // namespace terv
