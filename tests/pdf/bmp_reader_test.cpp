// The bitmap reader behind LoadImgFromBMPFile: every supported depth as ImageMagick writes it, in
// colour and grey, and files that must be refused without reading outside their bytes.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>

#include "BmpReader.h"
#include "PdfImageFixtures.h"
#include "clsPagemint.h"

namespace terv {
namespace {

using test::ReadFileBytes;
using test::TempFolder;

// Bytes placed right before an inaccessible page: reading one byte too far crashes the test.
class GuardedBuffer {
  public:
    explicit GuardedBuffer(const std::string& bytes) {
        long page = sysconf(_SC_PAGESIZE);
        size_ = (bytes.size() / page + 2) * page;
        base_ = static_cast<char*>(
            mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        mprotect(base_ + size_ - page, page, PROT_NONE);
        data_ = base_ + size_ - page - bytes.size();
        std::memcpy(data_, bytes.data(), bytes.size());
        length_ = bytes.size();
    }
    ~GuardedBuffer() { munmap(base_, size_); }
    std::string_view view() const { return {data_, length_}; }

  private:
    char* base_;
    char* data_;
    size_t size_;
    size_t length_;
};

bool Decode(const std::string& bytes, int colorSpace, BmpImage& image) {
    GuardedBuffer guarded(bytes);
    return DecodeBmp(guarded.view(), colorSpace, image);
}

// The colour of pixel (x, y), y counted from the top, of a decoded image, via its palette.
void ColourAt(const BmpImage& image, int x, int y, bool grey, int rgb[3]) {
    int row = image.Height - 1 - y;  // samples are bottom-up
    int index;
    if (image.BitsPerPixel == 24) {
        int perPixel = grey ? 1 : 3;
        const char* p = &image.Samples[(size_t(row) * image.Width + x) * perPixel];
        for (int i = 0; i < 3; ++i)
            rgb[i] = (unsigned char)p[grey ? 0 : i];
        return;
    }
    int rowBytes = (image.Width * image.BitsPerPixel + 7) / 8;
    int bit = x * image.BitsPerPixel;
    unsigned char byte = image.Samples[size_t(row) * rowBytes + bit / 8];
    index = (byte >> (8 - image.BitsPerPixel - bit % 8)) & ((1 << image.BitsPerPixel) - 1);
    for (int i = 0; i < 3; ++i)
        rgb[i] = (unsigned char)image.Palette[grey ? index : index * 3 + i];
}

TEST(BmpReader, EveryDepthGivesImageMagicksPixelsInColourAndGrey) {
    TempFolder dir;
    struct Case {
        int bits;
        const char* format;
    };
    for (Case c : {Case{1, "BMP3"}, Case{4, "BMP3"}, Case{8, "BMP3"}, Case{24, "BMP3"},
                   Case{8, "BMP"}, Case{24, "BMP"}}) {
        std::string path = dir / ("p" + std::to_string(c.bits) + c.format + ".bmp");
        test::MakeBitmap(path, c.bits, c.format);
        std::string file = ReadFileBytes(path);
        ASSERT_EQ(test::HeaderBits(file), c.bits) << path;
        std::string pixels = test::PixelsOf(path);
        ASSERT_EQ(pixels.size(), size_t(test::kPictureWidth * test::kPictureHeight * 3));
        for (int grey = 0; grey <= 1; ++grey) {
            BmpImage image;
            ASSERT_TRUE(Decode(file, grey, image)) << path;
            EXPECT_EQ(image.Width, test::kPictureWidth);
            EXPECT_EQ(image.Height, test::kPictureHeight);
            EXPECT_EQ(image.BitsPerPixel, c.bits);
            if (c.bits <= 8) {
                EXPECT_EQ(image.Palette.size(), size_t(grey ? 1 : 3) << c.bits);
            }
            int mismatches = 0;
            for (int y = 0; y < test::kPictureHeight; ++y) {
                for (int x = 0; x < test::kPictureWidth; ++x) {
                    const char* p = &pixels[(size_t(y) * test::kPictureWidth + x) * 3];
                    int r = (unsigned char)p[0], g = (unsigned char)p[1], b = (unsigned char)p[2];
                    int want[3] = {r, g, b};
                    if (grey)
                        want[0] = want[1] = want[2] = test::ExpectedGrey(r, g, b);
                    int got[3];
                    ColourAt(image, x, y, grey, got);
                    if (got[0] != want[0] || got[1] != want[1] || got[2] != want[2])
                        ++mismatches;
                }
            }
            EXPECT_EQ(mismatches, 0) << path << (grey ? " grey" : " colour");
        }
    }
}

TEST(BmpReader, GreyOfWhiteIsCappedAt255) {
    EXPECT_EQ(GreyOf(255, 255, 255), 255);
    EXPECT_EQ(GreyOf(0, 0, 0), 0);
    EXPECT_EQ(GreyOf(255, 0, 0), 84);  // 84.15
    EXPECT_EQ(GreyOf(0, 0, 255), 28);  // 28.05
}

TEST(BmpReader, TopDownRowsComeOutBottomUp) {
    TempFolder dir;
    std::string path = dir / "p24.bmp";
    test::MakeBitmap(path, 24);
    std::string file = ReadFileBytes(path);
    std::string flipped = file;
    size_t stride = (test::kPictureWidth * 3 + 3) / 4 * 4, data = 54;
    for (int r = 0; r < test::kPictureHeight; ++r) {
        std::memcpy(&flipped[data + r * stride],
                    &file[data + (test::kPictureHeight - 1 - r) * stride], stride);
    }
    int32_t negative = -test::kPictureHeight;
    std::memcpy(&flipped[22], &negative, 4);
    BmpImage bottomUp, topDown;
    ASSERT_TRUE(Decode(file, 0, bottomUp));
    ASSERT_TRUE(Decode(flipped, 0, topDown));
    EXPECT_EQ(topDown.Height, test::kPictureHeight);
    EXPECT_EQ(topDown.Samples, bottomUp.Samples);
}

void PutU32(std::string& b, size_t at, uint32_t v) {
    std::memcpy(&b[at], &v, 4);
}
void PutU16(std::string& b, size_t at, uint16_t v) {
    std::memcpy(&b[at], &v, 2);
}

TEST(BmpReader, RefusesWhatItCannotReadWithoutOverrunning) {
    TempFolder dir;
    test::MakeBitmap(dir / "p8.bmp", 8);
    test::MakeBitmap(dir / "p24.bmp", 24);
    int status = 0;
    test::RunCommand("convert " + (dir / "p8.bmp") + " -compress RLE BMP3:" + (dir / "rle.bmp"),
                     &status);
    ASSERT_EQ(status, 0);
    const std::string p8 = ReadFileBytes(dir / "p8.bmp");
    const std::string p24 = ReadFileBytes(dir / "p24.bmp");
    const std::string rle = ReadFileBytes(dir / "rle.bmp");
    ASSERT_EQ(rle[30], 1);  // BI_RLE8

    struct Case {
        const char* what;
        std::string bytes;
    };
    std::vector<Case> cases = {
        {"text file",
         "Questo non e' un bitmap, ma un testo abbastanza lungo da avere un'intestazione."},
        {"empty", ""},
        {"run-length compressed", rle},
    };
    auto patched = [&](const char* what, const std::string& base, auto change) {
        std::string b = base;
        change(b);
        cases.push_back({what, b});
    };
    patched("16 bits", p24, [](std::string& b) { PutU16(b, 28, 16); });
    patched("32 bits", p24, [](std::string& b) { PutU16(b, 28, 32); });
    patched("bit fields", p24, [](std::string& b) { PutU32(b, 30, 3); });
    patched("palette larger than the depth", p8, [](std::string& b) { PutU32(b, 46, 300); });
    patched("pixels begin inside the palette", p8, [](std::string& b) { PutU32(b, 10, 100); });
    patched("pixels begin after the end", p24,
            [&](std::string& b) { PutU32(b, 10, uint32_t(b.size() + 1)); });
    patched("width beyond the data", p24, [](std::string& b) { PutU32(b, 18, 0x7FFFFFFF); });
    patched("height beyond the data", p24, [](std::string& b) { PutU32(b, 22, 0x7FFFFFFF); });
    patched("most negative height", p24, [](std::string& b) { PutU32(b, 22, 0x80000000); });
    patched("zero width", p24, [](std::string& b) { PutU32(b, 18, 0); });
    patched("negative width", p24, [](std::string& b) { PutU32(b, 18, uint32_t(-5)); });
    patched("zero height", p24, [](std::string& b) { PutU32(b, 22, 0); });
    patched("short information header", p24, [](std::string& b) { PutU32(b, 14, 12); });
    patched("information header beyond the file", p24,
            [](std::string& b) { PutU32(b, 14, 0xFFFFFFF0); });
    cases.push_back({"cut after the file header", p24.substr(0, 14)});
    cases.push_back({"cut in the information header", p24.substr(0, 53)});
    cases.push_back({"cut in the palette", p8.substr(0, 100)});
    cases.push_back({"cut in the pixel rows", p24.substr(0, p24.size() - 200)});
    for (const Case& c : cases) {
        BmpImage image;
        image.Width = 7;
        EXPECT_FALSE(Decode(c.bytes, 0, image)) << c.what;
        EXPECT_FALSE(Decode(c.bytes, 1, image)) << c.what;
        EXPECT_EQ(image.Width, 7) << c.what;
    }
}

// Cut anywhere, a bitmap is refused or read within its bytes, never beyond them.
TEST(BmpReader, EveryPrefixIsSafe) {
    TempFolder dir;
    for (int bits : {1, 4, 8, 24}) {
        std::string path = dir / ("p" + std::to_string(bits) + ".bmp");
        test::MakeBitmap(path, bits);
        std::string file = ReadFileBytes(path);
        size_t stride = (test::kPictureWidth * bits + 31) / 32 * 4;
        size_t lastRowBytes = (test::kPictureWidth * bits + 7) / 8;
        for (size_t length = 0; length < file.size(); ++length) {
            BmpImage image;
            bool accepted = Decode(file.substr(0, length), 0, image);
            // Only the padding of the last row may be missing.
            EXPECT_EQ(accepted, length >= file.size() - (stride - lastRowBytes))
                << bits << " " << length;
        }
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
