// Bitmap fixtures of the PDF writer tests, made by ImageMagick: a 41 x 20 picture whose quadrants
// differ (red, green, blue, and 20 grey-blue stripes), so that a wrong row order, mirror or shift
// shows, and whose odd width makes every depth pad its rows.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "PdfTestUtil.h"
#include "TestSupport.h"

namespace terv::test {

inline constexpr int kPictureWidth = 41;
inline constexpr int kPictureHeight = 20;

// Writes the picture as `path` (a .bmp) with `bits` bits per pixel (1, 4, 8 or 24). `format` is
// ImageMagick's BMP flavour ("BMP3" with the 40-byte header, "BMP" with the 124-byte one).
inline void MakeBitmap(const std::string& path, int bits, const std::string& format = "BMP3") {
    std::string draw;
    if (bits == 1) {
        draw = "-fill black -draw 'rectangle 0,0 19,9' -draw 'rectangle 20,10 40,19' -type bilevel";
    } else {
        draw =
            "-fill red -draw 'rectangle 0,0 19,9' -fill lime -draw 'rectangle 20,0 40,9' "
            "-fill blue -draw 'rectangle 0,10 19,19'";
        int stripes = bits == 4 ? 3 : 20;  // 4 bits: at most 16 colours; 8 bits: more than 16
        for (int i = 0; i < 21; ++i) {
            int level = (i % stripes) * 12;
            draw += " -fill 'rgb(" + std::to_string(level) + "," + std::to_string(100 + level) +
                    ",200)' -draw 'rectangle " + std::to_string(20 + i) + ",10 " +
                    std::to_string(20 + i) + ",19'";
        }
        draw += bits == 24 ? " -type truecolor" : " -type palette";
    }
    std::string command =
        "convert -size 41x20 xc:white " + draw +
        (bits == 4 || bits == 8 ? " -define bmp:bits-per-pixel=" + std::to_string(bits) : "") +
        " -compress none " + format + ":" + path + " 2>&1";
    int status = 0;
    std::string output = RunCommand(command, &status);
    ASSERT_EQ(status, 0) << command << "\n" << output;
}

// The picture's pixels as ImageMagick reads the file: red, green, blue per pixel, top row first.
inline std::string PixelsOf(const std::string& bmpPath) {
    return RunCommand("convert " + bmpPath + " -depth 8 rgb:-");
}

// Bits per pixel recorded in a bitmap file's header.
inline int HeaderBits(const std::string& bmp) {
    return bmp.size() > 29 ? (unsigned char)bmp[28] | (unsigned char)bmp[29] << 8 : 0;
}

// The grey level the writer is expected to make of a colour.
inline int ExpectedGrey(int red, int green, int blue) {
    double grey = std::nearbyint(0.33 * red + 0.59 * green + 0.11 * blue);
    return grey > 255 ? 255 : int(grey);
}

}  // namespace terv::test
