// Fuzz target: the bitmap reader of the PDF writer. A decoded image has exactly the samples and
// palette its size and depth call for.
#include "BmpReader.h"
#include "FuzzInput.h"

namespace {

void CheckShape(const terv::BmpImage& image, bool grey) {
    using terv::fuzz::Require;
    const size_t width = static_cast<size_t>(image.Width);
    const size_t height = static_cast<size_t>(image.Height);
    const int bits = image.BitsPerPixel;
    Require(image.Width > 0 && image.Height > 0, "a decoded image has pixels");
    Require(bits == 1 || bits == 4 || bits == 8 || bits == 24, "a decoded depth is supported");
    const size_t channels = grey ? 1 : 3;
    const size_t rowBytes = bits == 24 ? width * channels : (width * bits + 7) / 8;
    Require(image.Samples.size() == rowBytes * height, "samples fill every row, no more");
    const size_t paletteBytes = bits == 24 ? 0 : (size_t{1} << bits) * channels;
    Require(image.Palette.size() == paletteBytes, "the palette has one entry per index");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    for (const int colorSpace : {0, 1}) {
        terv::BmpImage image;
        if (terv::DecodeBmp(file, colorSpace, image))
            CheckShape(image, colorSpace != 0);
    }
    return 0;
}
