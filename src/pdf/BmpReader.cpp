// Bitmap decoding: file header (14 bytes), information header (40 bytes or one of its longer
// successors), optional palette, pixel rows. All sizes are checked against the buffer in 64-bit
// arithmetic before anything is read, so a lying header cannot make the reader overrun.
#include "BmpReader.h"

#include <cmath>
#include <cstdint>

namespace terv {
namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;

uint32_t U32(std::string_view b, size_t at) {
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 |
           uint32_t(uint8_t(b[at + 2])) << 16 | uint32_t(uint8_t(b[at + 3])) << 24;
}
uint16_t U16(std::string_view b, size_t at) {
    return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8);
}

struct Header {
    uint64_t dataOffset = 0;
    uint64_t paletteOffset = 0;
    int64_t width = 0;
    int64_t height = 0;  // negative: rows stored top-down
    int bits = 0;
    uint64_t paletteEntries = 0;  // entries stored in the file
};

bool ReadHeader(std::string_view file, Header& h) {
    if (file.size() < kFileHeaderSize + kInfoHeaderSize)
        return false;
    if (file[0] != 'B' || file[1] != 'M')
        return false;
    uint32_t infoSize = U32(file, 14);
    if (infoSize < kInfoHeaderSize || kFileHeaderSize + uint64_t(infoSize) > file.size())
        return false;
    h.dataOffset = U32(file, 10);
    h.paletteOffset = kFileHeaderSize + infoSize;
    h.width = int32_t(U32(file, 18));
    h.height = int32_t(U32(file, 22));
    h.bits = U16(file, 28);
    uint32_t compression = U32(file, 30);
    uint32_t coloursUsed = U32(file, 46);
    if (compression != 0 || h.width <= 0 || h.height == 0 || h.height == INT32_MIN)
        return false;
    if (h.bits != 1 && h.bits != 4 && h.bits != 8 && h.bits != 24)
        return false;
    if (h.bits <= 8) {
        uint64_t entries = uint64_t(1) << h.bits;
        if (coloursUsed > entries)
            return false;
        h.paletteEntries = coloursUsed == 0 ? entries : coloursUsed;
        if (h.paletteOffset + h.paletteEntries * 4 > h.dataOffset)
            return false;
    }
    return h.dataOffset <= file.size();
}

std::string ReadPalette(std::string_view file, const Header& h, bool grey) {
    size_t entries = size_t(1) << h.bits;
    std::string palette(entries * (grey ? 1 : 3), '\0');
    for (size_t i = 0; i < h.paletteEntries; ++i) {
        size_t at = h.paletteOffset + i * 4;
        auto blue = uint8_t(file[at]), green = uint8_t(file[at + 1]), red = uint8_t(file[at + 2]);
        if (grey) {
            palette[i] = char(GreyOf(red, green, blue));
        } else {
            palette[i * 3] = char(red), palette[i * 3 + 1] = char(green),
                        palette[i * 3 + 2] = char(blue);
        }
    }
    return palette;
}

void AppendRow(std::string& samples, std::string_view row, int bits, bool grey) {
    if (bits != 24) {
        samples.append(row);
        return;
    }
    for (size_t i = 0; i + 2 < row.size(); i += 3) {
        auto blue = uint8_t(row[i]), green = uint8_t(row[i + 1]), red = uint8_t(row[i + 2]);
        if (grey) {
            samples += char(GreyOf(red, green, blue));
        } else {
            samples += char(red), samples += char(green), samples += char(blue);
        }
    }
}

}  // namespace

unsigned char GreyOf(unsigned char red, unsigned char green, unsigned char blue) {
    double grey = std::nearbyint(0.33 * red + 0.59 * green + 0.11 * blue);
    return static_cast<unsigned char>(grey > 255 ? 255 : grey);
}

bool DecodeBmp(std::string_view file, int ColorSpace, BmpImage& image) {
    Header h;
    if (!ReadHeader(file, h))
        return false;
    uint64_t rows = uint64_t(h.height < 0 ? -h.height : h.height);
    uint64_t rowBytes = (uint64_t(h.width) * h.bits + 7) / 8;
    uint64_t stride = (uint64_t(h.width) * h.bits + 31) / 32 * 4;
    uint64_t available = file.size() - h.dataOffset;
    if (rowBytes > available || (rows > 1 && stride > (available - rowBytes) / (rows - 1))) {
        return false;
    }
    bool grey = ColorSpace != 0;
    BmpImage decoded;
    decoded.Width = int(h.width);
    decoded.Height = int(rows);
    decoded.BitsPerPixel = h.bits;
    if (h.bits <= 8)
        decoded.Palette = ReadPalette(file, h, grey);
    decoded.Samples.reserve(rows * (h.bits == 24 ? uint64_t(h.width) * (grey ? 1 : 3) : rowBytes));
    for (uint64_t r = 0; r < rows; ++r) {
        // Top-down files are turned into the bottom-up order of ordinary bitmaps.
        uint64_t stored = h.height < 0 ? rows - 1 - r : r;
        AppendRow(decoded.Samples, file.substr(h.dataOffset + stored * stride, rowBytes), h.bits,
                  grey);
    }
    image = std::move(decoded);
    return true;
}

}  // namespace terv
