// The bitmap reader behind LoadImgFromBMPFile: files that must be refused without reading outside
// their bytes. Its pixels and row orders are checked through a renderer in the readers test.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>

#include "BmpReader.h"
#include "PdfTestUtil.h"
#include "TestSupport.h"
#include "clsPagemint.h"

namespace terv {
namespace {

using test::kPictureHeight;
using test::kPictureWidth;
using test::ReadFileBytes;
using test::TempFolder;

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
        {"empty", ""},
        {"run-length compressed", rle},
        {"cut after the file header", p24.substr(0, 14)},
        {"cut in the information header", p24.substr(0, 53)},
        {"cut in the palette", p8.substr(0, 100)},
        {"cut in the pixel rows", p24.substr(0, p24.size() - 200)}};
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
            BmpImage image;
            const bool accepted = Decode(file.substr(0, length), 0, image);
            // Only the padding of the last row may be missing.
            EXPECT_EQ(accepted, length >= file.size() - (stride - lastRowBytes))
                << bits << " " << length;
        }
        BmpImage image;
        ASSERT_TRUE(Decode(file, 1, image));
        EXPECT_EQ(image.Width, kPictureWidth);
        EXPECT_EQ(image.Height, kPictureHeight);
        EXPECT_EQ(image.BitsPerPixel, bits);
        EXPECT_EQ(image.Palette.size(), bits == 24 ? 0u : size_t(1) << bits);  // grey: 1 byte each
    }
}

TEST(BmpReader, RefusedFileLeavesTheDocumentUntouched) {
    TempFolder dir;
    test::WriteFileBytes(dir / "testo.bmp", "Ricevuta\r\n");
    auto write = [&](bool tryBadImages) {
        clsPagemint pdf;
        pdf.SetClock(test::FixedTime);
        std::string name = dir / "doc.pdf";
        pdf.InitPDFFile(name);
        if (tryBadImages) {
            EXPECT_FALSE(pdf.LoadImgFromBMPFile("Img1", dir / "testo.bmp", 0));
            EXPECT_FALSE(pdf.LoadImgFromBMPFile("Img2", dir / "manca.bmp", 0));
            EXPECT_FALSE(pdf.LoadImgFromBMPFile("Img3", dir.path(), 1));
        }
        pdf.StartPage();
        pdf.ClosePDFFile();
        return ReadFileBytes(name);
    };
    EXPECT_EQ(write(true), write(false));
    EXPECT_FALSE(test::FileExists(dir / "manca.bmp"));
}

}  // namespace
}  // namespace terv
