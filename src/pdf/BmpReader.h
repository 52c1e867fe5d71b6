// Reader of Windows bitmap (BMP) files for the PDF writer's images: uncompressed bitmaps of 1, 4
// and 8 bits per pixel with a palette and of 24 bits per pixel, in colour or turned to grey.
#pragma once

#include <string>
#include <string_view>

namespace terv {

// One decoded bitmap, ready for an image object.
struct BmpImage {
    int Width = 0;         // pixels
    int Height = 0;        // pixels
    int BitsPerPixel = 0;  // 1, 4, 8 (Samples are palette indices) or 24
    // Rows bottom-up as in the file, each row's padding to 4 bytes dropped (a row of a 1- or 4-bit
    // bitmap still starts on a byte). 24 bits: red, green, blue per pixel in colour, one grey byte
    // per pixel in grey.
    std::string Samples;
    // Palette bitmaps: 2^bits entries, red green blue each in colour, one grey byte each in grey;
    // entries the file does not list are black. Empty for 24 bits.
    std::string Palette;
};

// Decodes the bytes of a bitmap file. ColorSpace 0 keeps colour; any other value turns each colour
// into grey, 0.33 red + 0.59 green + 0.11 blue rounded (at most 255). Returns false, leaving
// `image` unchanged, when the bytes are not a bitmap ("BM"), the bitmap is compressed or of another
// depth, or its header, palette or pixel rows do not fit in the bytes. Never reads outside `file`.
bool DecodeBmp(std::string_view file, int ColorSpace, BmpImage& image);

// The grey level of one colour, as DecodeBmp computes it.
unsigned char GreyOf(unsigned char red, unsigned char green, unsigned char blue);

}  // namespace terv
