// Documents that use every feature of clsPagemint, read back by third-party readers: qpdf checks
// the structure, pdftotext gives back the text (and where it stands), pdftoppm renders the
// bitmaps, which must show their own pixels, upright, where they were placed. The bitmap reader
// behind LoadImgFromBMPFile refuses the files it cannot read without reading outside their bytes.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <regex>

#include "BmpReader.h"
#include "PdfTestUtil.h"

namespace terv {
namespace {

using test::ExpectQpdfClean;
using test::kPictureHeight;
using test::kPictureWidth;
using test::ReadFileBytes;
using test::RunCommand;
using test::TempFolder;

const char* const kFamilies[] = {"Courier New", "Times New Roman", "Symbol", "Arial"};

std::string PageText(const std::string& path, int page) {
    std::string n = std::to_string(page);
    return RunCommand("pdftotext -enc UTF-8 -f " + n + " -l " + n + " " + path + " - 2>&1");
}

// A three-page document, in centimetres, with every font, text placement and graphic operator and
// three automatic forms.
std::string WriteFeatureDocument(const TempFolder& dir) {
    clsPagemint pdf;
    pdf.Title("Ricevuta di prova (più funzioni, c:\\dati)");
    pdf.ScaleMode(4);
    pdf.PaperSize(0);
    pdf.Margin(0.5);
    std::string name = dir / "features.pdf";
    pdf.InitPDFFile(name);
    for (int family = 0; family < 4; ++family) {
        for (int style = 1; style <= 4; ++style) {
            pdf.LoadFont("F" + std::to_string(family * 4 + style), kFamilies[family], style);
        }
    }
    pdf.LoadFontStandard("S1", "Arial", 2);
    test::MakeBitmap(dir / "logo.bmp", 24);
    EXPECT_TRUE(pdf.LoadImgFromBMPFile("Logo", dir / "logo.bmp", 0));
    for (auto [form, options, text] : {std::tuple{"Tutte", 7, "Intestazione comune"},
                                       {"Pari", 2, "Modulo pari"},
                                       {"Dispari", 12, "Modulo dispari"}}) {
        pdf.StartObject(form, options);
        pdf.DrawText(2, options == 7 ? 28.5 : 1, text, "F13", 9);
        pdf.EndObject();
    }

    for (int page = 1; page <= 3; ++page) {
        EXPECT_EQ(pdf.StartPage(), page);
        double y = 27;
        for (int f = 1; f <= 16; ++f, y -= 0.7) {
            if (f >= 9 && f <= 12)
                continue;  // Symbol shows Greek, checked by its widths instead
            pdf.DrawText(2, y, "Font " + std::to_string(f) + " pagina " + std::to_string(page),
                         "F" + std::to_string(f), 11);
        }
        pdf.DrawText(10, 20, "Perché più città è già così", "F13", 12);
        pdf.DrawText(19, 18, "Totale", "F14", 12, 2);
        pdf.DrawText(10.5, 17, "Centrato", "F5", 12, 3);
        pdf.DrawText(18, 8, "Verticale", "F13", 12, 1, 90);
        pdf.DrawText(12, 6, "Obliquo", "F13", 12, 1, 45);
        pdf.DrawText(2, 5, "Standard (grassetto)", "S1", 10);
        pdf.SetWordSpacing(1), pdf.SetCharSpacing(0.5), pdf.SetTextHorizontalScaling(90);
        pdf.SetTextRenderingMode(0);
        pdf.DrawText(2, 4, "Spaziatura larga", "F13", 10);
        pdf.SetColorStroke(0x000000FF), pdf.SetColorFill(-200), pdf.SetDash(0.2, 0.1);
        pdf.SetLineWidth(0.05), pdf.SetLineCap(1), pdf.SetLineJoin(1), pdf.SetMiterLimit(4);
        pdf.MoveTo(2, 15), pdf.LineTo(8, 15, 0), pdf.LineTo(8, 12, 0);
        pdf.Curve(6, 10, 4, 14, 2, 12, 3);
        pdf.SetDash(0, 0);
        pdf.Rectangle(9, 12, 4, 3, 4), pdf.Rectangle(14, 12, 4, 3, 1, 0.8);
        pdf.DrawCircle(5, 9, 1.5, 1), pdf.Arc(10, 9, 2, 1, 0, 300, 4, true);
        pdf.DrawImg("Logo", 2, 3.5, 4.1, 2);
        pdf.EndPage();
    }
    pdf.ClosePDFFile();
    return name;
}

TEST(PagemintReaders, FeatureDocumentPassesQpdfAndGivesBackItsText) {
    TempFolder dir;
    std::string path = WriteFeatureDocument(dir);
    ExpectQpdfClean(path);
    for (int page = 1; page <= 3; ++page) {
        std::string text = PageText(path, page);
        for (int f : {1, 2, 3, 4, 5, 6, 7, 8, 13, 14, 15, 16}) {
            EXPECT_NE(text.find("Font " + std::to_string(f) + " pagina " + std::to_string(page)),
                      std::string::npos)
                << page << ": " << f;
        }
        for (const char* words : {"Perché più città è già così", "Totale", "Centrato", "Verticale",
                                  "Standard (grassetto)", "Intestazione comune"}) {
            EXPECT_NE(text.find(words), std::string::npos) << page << ": " << words;
        }
        // Text at 45 degrees comes back one letter per line.
        std::string raw = RunCommand("pdftotext -raw -f " + std::to_string(page) + " -l " +
                                     std::to_string(page) + " " + path + " -");
        std::erase_if(raw, [](char c) { return std::isspace((unsigned char)c); });
        EXPECT_NE(raw.find("Obliquo"), std::string::npos) << page;
        EXPECT_EQ(text.find("Modulo pari") != std::string::npos, page == 2) << page;
        EXPECT_EQ(text.find("Modulo dispari") != std::string::npos, page == 3) << page;
    }
    // pdftotext places each word by the widths the file carries: right-aligned text ends, and
    // centred text is centred, where it was asked to.
    const std::string boxes = RunCommand("pdftotext -bbox -f 1 -l 1 " + path + " - 2>&1");
    for (auto [word, at, centred] : {std::tuple{"Totale", 19.0, false}, {"Centrato", 10.5, true}}) {
        std::smatch m;
        ASSERT_TRUE(std::regex_search(
            boxes, m,
            std::regex(
                std::string("<word xMin=\"([0-9.]+)\" yMin=\"[0-9.]+\" xMax=\"([0-9.]+)\"[^>]*>") +
                word + "<")))
            << word;
        const double xMin = std::stod(m[1]), xMax = std::stod(m[2]);
        EXPECT_NEAR(centred ? (xMin + xMax) / 2 : xMax, at / 2.54 * 72, 0.1) << word;
    }
    std::string info = RunCommand("pdfinfo " + path);
    EXPECT_NE(info.find("Ricevuta di prova (più funzioni, c:\\dati)"), std::string::npos) << info;
    EXPECT_TRUE(std::regex_search(info, std::regex("Pages:\\s+3\\n"))) << info;
}

// One rendered page: width, height and RGB pixels, top row first.
struct Raster {
    int width = 0, height = 0;
    std::string pixels;
    const unsigned char* at(int x, int y) const {
        return reinterpret_cast<const unsigned char*>(&pixels[(size_t(y) * width + x) * 3]);
    }
};

Raster Render(const std::string& path) {
    Raster r;
    std::string ppm = RunCommand("pdftoppm -r 72 -f 1 -l 1 " + path);
    std::smatch m;
    if (!std::regex_search(ppm, m, std::regex("^P6\\s+([0-9]+)\\s+([0-9]+)\\s+255\\s")))
        return r;
    r.width = std::stoi(m[1]);
    r.height = std::stoi(m[2]);
    r.pixels = ppm.substr(m.length());
    return r;
}

// Every depth, in both header flavours, rows bottom-up and top-down, in colour and grey, with and
// without ASCII85: rendered, each shows ImageMagick's pixels of its file, upright, where it was
// placed.
TEST(PagemintReaders, BitmapsOfEveryDepthRenderUprightWithTheirOwnPixels) {
    TempFolder dir;
    struct Placed {
        std::string what, pixels;
        int grey, x, top;
    };
    std::vector<Placed> placed;
    clsPagemint pdf;
    std::string path = dir / "images.pdf";
    pdf.InitPDFFile(path);
    constexpr int kScale = 4;  // each bitmap pixel becomes 4 x 4 points (pixels at 72 dpi)
    const std::pair<int, const char*> bitmaps[] = {{1, "BMP3"},    {4, "BMP3"}, {8, "BMP3"},
                                                   {24, "BMP3"},   {8, "BMP"},  {24, "BMP"},
                                                   {8, "top-down"}};
    for (const auto& [bits, format] : bitmaps) {
        const std::string bmp = dir / (std::to_string(bits) + format + ".bmp");
        test::MakeBitmap(bmp, bits, format);
        for (int grey = 0; grey <= 1; ++grey) {
            const int slot = static_cast<int>(placed.size()), ascii85 = (slot / 2 + grey) % 2;
            pdf.EncodeASCII85(ascii85 == 1);
            ASSERT_TRUE(pdf.LoadImgFromBMPFile("I" + std::to_string(slot), bmp, grey)) << bmp;
            placed.push_back(
                {bmp + " grey " + std::to_string(grey) + " ASCII85 " + std::to_string(ascii85),
                 test::PixelsOf(bmp), grey, 20 + (slot % 3) * 190, 830 - (slot / 3) * 100});
        }
    }
    pdf.StartPage();
    for (size_t i = 0; i < placed.size(); ++i) {
        pdf.DrawImg("I" + std::to_string(i), placed[i].x, placed[i].top,
                    test::kPictureWidth * kScale, test::kPictureHeight * kScale);
    }
    pdf.ClosePDFFile();
    ExpectQpdfClean(path);

    const Raster raster = Render(path);
    ASSERT_EQ(raster.height, 842);
    for (const Placed& p : placed) {
        int wrong = 0;
        for (int y = 0; y < test::kPictureHeight; ++y) {
            for (int x = 0; x < test::kPictureWidth; ++x) {
                const char* src = &p.pixels[(size_t(y) * test::kPictureWidth + x) * 3];
                int want[3] = {(unsigned char)src[0], (unsigned char)src[1], (unsigned char)src[2]};
                if (p.grey)
                    want[0] = want[1] = want[2] = test::ExpectedGrey(want[0], want[1], want[2]);
                const unsigned char* got =
                    raster.at(p.x + x * kScale + kScale / 2, 842 - p.top + y * kScale + kScale / 2);
                for (int c = 0; c < 3; ++c)
                    wrong += std::abs(got[c] - want[c]) > 1;
            }
        }
        EXPECT_EQ(wrong, 0) << p.what;
        // Just outside the placed area the page is still white.
        const unsigned char* above = raster.at(p.x + 10, 842 - p.top - 2);
        const unsigned char* left = raster.at(p.x - 2, 842 - p.top + 10);
        EXPECT_EQ(above[0] + above[1] + above[2] + left[0] + left[1] + left[2], 6 * 255) << p.what;
    }
}

// Decodes bytes placed right before an inaccessible page: reading one byte too far crashes.
bool Decode(const std::string& bytes, int colorSpace, BmpImage& image) {
    const size_t page = sysconf(_SC_PAGESIZE), size = (bytes.size() / page + 2) * page;
    auto* base = static_cast<char*>(
        mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    mprotect(base + size - page, page, PROT_NONE);
    char* data = base + size - page - bytes.size();
    std::memcpy(data, bytes.data(), bytes.size());
    const bool ok = DecodeBmp({data, bytes.size()}, colorSpace, image);
    munmap(base, size);
    return ok;
}

TEST(BmpReader, RefusesWhatItCannotReadWithoutOverrunning) {
    TempFolder dir;
    test::MakeBitmap(dir / "p8.bmp", 8);
    test::MakeBitmap(dir / "p24.bmp", 24);
    int status = 0;
    test::RunCommand("convert " + (dir / "p8.bmp") + " -compress RLE BMP3:" + (dir / "rle.bmp"),
                     &status);
    ASSERT_EQ(status, 0);
    const std::string p8 = ReadFileBytes(dir / "p8.bmp"), p24 = ReadFileBytes(dir / "p24.bmp");
    const std::string rle = ReadFileBytes(dir / "rle.bmp");
    ASSERT_EQ(rle[30], 1);  // BI_RLE8
    std::vector<std::pair<const char*, std::string>> cases = {
        {"text file",
         "Questo non e' un bitmap, ma un testo abbastanza lungo da avere un'intestazione."},
        {"run-length compressed", rle}};
    auto patched = [&](const char* what, const std::string& base, size_t at, uint32_t value,
                       size_t width = 4) {
        std::string b = base;
        std::memcpy(&b[at], &value, width);
        cases.emplace_back(what, b);
    };
    patched("16 bits", p24, 28, 16, 2);
    patched("32 bits", p24, 28, 32, 2);
    patched("bit fields", p24, 30, 3);
    patched("palette larger than the depth", p8, 46, 300);
    patched("pixels begin inside the palette", p8, 10, 100);
    patched("pixels begin after the end", p24, 10, uint32_t(p24.size() + 1));
    patched("width beyond the data", p24, 18, 0x7FFFFFFF);
    patched("height beyond the data", p24, 22, 0x7FFFFFFF);
    patched("most negative height", p24, 22, 0x80000000);
    patched("zero width", p24, 18, 0);
    patched("negative width", p24, 18, uint32_t(-5));
    patched("zero height", p24, 22, 0);
    patched("short information header", p24, 14, 12);
    patched("information header beyond the file", p24, 14, 0xFFFFFFF0);
    for (const auto& [what, bytes] : cases) {
        BmpImage image;
        image.Width = 7;
        EXPECT_FALSE(Decode(bytes, 0, image)) << what;
        EXPECT_FALSE(Decode(bytes, 1, image)) << what;
        EXPECT_EQ(image.Width, 7) << what;
    }
}

// Cut anywhere, a bitmap is refused or read within its bytes, never beyond them.
TEST(BmpReader, EveryPrefixIsSafe) {
    TempFolder dir;
    for (int bits : {1, 4, 8, 24}) {
        const std::string path = dir / ("p" + std::to_string(bits) + ".bmp");
        test::MakeBitmap(path, bits);
        const std::string file = ReadFileBytes(path);
        const size_t stride = (kPictureWidth * bits + 31) / 32 * 4;
        const size_t lastRowBytes = (kPictureWidth * bits + 7) / 8;
        for (size_t length = 0; length <= file.size(); ++length) {
            for (const int grey : {0, 1}) {
                BmpImage image;
                image.Width = 7;
                const bool accepted = Decode(file.substr(0, length), grey, image);
                // Only the padding of the last row may be missing; a refusal leaves the image.
                EXPECT_EQ(accepted, length >= file.size() - (stride - lastRowBytes))
                    << bits << " " << length;
                EXPECT_EQ(image.Width, accepted ? kPictureWidth : 7) << bits << " " << length;
            }
        }
        BmpImage image;
        ASSERT_TRUE(Decode(file, 1, image));
        EXPECT_EQ(image.Height, kPictureHeight);
        EXPECT_EQ(image.BitsPerPixel, bits);
        EXPECT_EQ(image.Palette.size(), bits == 24 ? 0u : size_t(1) << bits);  // grey: 1 byte each
    }
}

TEST(BmpReader, RefusedFileLeavesTheDocumentUntouched) {
    TempFolder dir;
    test::WriteFileBytes(dir / "testo.bmp", "Ricevuta\r\n");
    auto write = [&](bool tryBadImages) {
        return test::WritePdf([&](clsPagemint& pdf) {
            if (tryBadImages) {
                EXPECT_FALSE(pdf.LoadImgFromBMPFile("Img1", dir / "testo.bmp", 0));
                EXPECT_FALSE(pdf.LoadImgFromBMPFile("Img2", dir / "manca.bmp", 0));
                EXPECT_FALSE(pdf.LoadImgFromBMPFile("Img3", dir.path(), 1));
            }
            pdf.StartPage();
        });
    };
    EXPECT_EQ(write(true), write(false));
    EXPECT_FALSE(test::FileExists(dir / "manca.bmp"));
}

}  // namespace
}  // namespace terv
