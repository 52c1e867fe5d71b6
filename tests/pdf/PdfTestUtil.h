// Helpers of the PDF writer tests: a fixed clock, a document written in one call, the third-party
// readers (qpdf, poppler, ImageMagick) and a bitmap picture made by ImageMagick.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <functional>
#include <string>

#include "TestSupport.h"
#include "clsPagemint.h"

namespace terv::test {

// 5 March 2024, 14:07:09.
inline std::tm FixedTime() {
    std::tm t{};
    t.tm_year = 124, t.tm_mon = 2, t.tm_mday = 5, t.tm_hour = 14, t.tm_min = 7, t.tm_sec = 9;
    return t;
}

// qpdf finds the file sound: cross-reference offsets, stream lengths, object count, syntax.
inline void ExpectQpdfClean(const std::string& path) {
    int status = 0;
    const std::string output = RunCommand("qpdf --check '" + path + "' 2>&1", &status);
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find("No syntax or stream encoding errors found"), std::string::npos)
        << output;
}

using PdfSteps = std::function<void(clsPagemint&)>;

// Writes a document with the fixed clock: `setup` before InitPDFFile, `body` after it; qpdf must
// find it sound. Returns the file's bytes.
inline std::string WritePdf(
    const PdfSteps& body, const PdfSteps& setup = [](clsPagemint&) {}) {
    TempFolder dir;
    clsPagemint pdf;
    pdf.SetClock(FixedTime);
    setup(pdf);
    std::string name = dir / "doc.pdf";
    pdf.InitPDFFile(name);
    body(pdf);
    pdf.ClosePDFFile();
    ExpectQpdfClean(name);
    return ReadFileBytes(name);
}

// The content stream of the page whose object number is `page` (its stream is the next object).
inline std::string PageContent(const std::string& pdf, int page) {
    const std::string head = std::to_string(page + 1) + " 0 obj\r\n<< /Length " +
                             std::to_string(page + 2) + " 0 R >>\rstream\r\n";
    size_t at = pdf.find(head);
    if (at == std::string::npos)
        return "<no page " + std::to_string(page) + ">";
    at += head.size();
    return pdf.substr(at, pdf.find("endstream\r\n", at) - at);
}

// A 41 x 20 picture whose quadrants differ (red, green, blue, and grey-blue stripes), so that a
// wrong row order, mirror or shift shows, and whose odd width makes every depth pad its rows.
inline constexpr int kPictureWidth = 41;
inline constexpr int kPictureHeight = 20;

// Writes the picture as `path` with `bits` bits per pixel (1, 4, 8 or 24). `format` is
// ImageMagick's BMP flavour ("BMP3" with the 40-byte header, "BMP" with the 124-byte one), or
// "top-down": BMP3 with its rows stored top row first (a negative height).
inline void MakeBitmap(const std::string& path, int bits, const std::string& format = "BMP3") {
    if (format == "top-down") {
        MakeBitmap(path, bits, "BMP3");
        const std::string file = ReadFileBytes(path);
        std::string flipped = file;
        const size_t stride = (kPictureWidth * bits + 31) / 32 * 4,
                     data = file.size() - stride * kPictureHeight;
        for (int r = 0; r < kPictureHeight; ++r)
            flipped.replace(data + r * stride, stride, file,
                            data + (kPictureHeight - 1 - r) * stride, stride);
        const int32_t negative = -kPictureHeight;
        flipped.replace(22, 4, reinterpret_cast<const char*>(&negative), 4);
        WriteFileBytes(path, flipped);
        return;
    }
    std::string draw;
    if (bits == 1) {
        draw = "-fill black -draw 'rectangle 0,0 19,9' -draw 'rectangle 20,10 40,19' -type bilevel";
    } else {
        draw =
            "-fill red -draw 'rectangle 0,0 19,9' -fill lime -draw 'rectangle 20,0 40,9' "
            "-fill blue -draw 'rectangle 0,10 19,19'";
        const int stripes = bits == 4 ? 3 : 20;  // 4 bits: at most 16 colours; 8 bits: more
        for (int i = 0; i < 21; ++i) {
            const int level = (i % stripes) * 12;
            const std::string x = std::to_string(20 + i);
            draw += " -fill 'rgb(" + std::to_string(level) + "," + std::to_string(100 + level) +
                    ",200)' -draw 'rectangle " + x + ",10 " + x + ",19'";
        }
        draw += bits == 24 ? " -type truecolor" : " -type palette";
    }
    const std::string command =
        "convert -size 41x20 xc:white " + draw +
        (bits == 4 || bits == 8 ? " -define bmp:bits-per-pixel=" + std::to_string(bits) : "") +
        " -compress none " + format + ":" + path + " 2>&1";
    int status = 0;
    const std::string output = RunCommand(command, &status);
    ASSERT_EQ(status, 0) << command << "\n" << output;
}

// The picture's pixels as ImageMagick reads the file: red, green, blue per pixel, top row first.
inline std::string PixelsOf(const std::string& bmpPath) {
    return RunCommand("convert " + bmpPath + " -depth 8 rgb:-");
}

// The grey level the writer is expected to make of a colour.
inline int ExpectedGrey(int red, int green, int blue) {
    const double grey = std::nearbyint(0.33 * red + 0.59 * green + 0.11 * blue);
    return grey > 255 ? 255 : int(grey);
}

}  // namespace terv::test
