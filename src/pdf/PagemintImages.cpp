// clsPagemint, images and form objects: bitmap files and sample buffers become image objects
// (optionally ASCII85-encoded), forms are content streams that pages draw by name, some of them
// automatically on every new page.
#include <cstdio>

#include "Ascii85.h"
#include "clsPagemint.h"

namespace terv {

namespace {

// The whole file, or false when it cannot be opened or read (a folder, no permission).
bool ReadWholeFile(const std::string& path, std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return false;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, n);
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return !failed;
}

}  // namespace

bool clsPagemint::LeggeBMP(const std::string& FileName, int ColorSpace, BmpImage& image) const {
    std::string bytes;
    return ReadWholeFile(FileName, bytes) && DecodeBmp(bytes, ColorSpace, image);
}

bool clsPagemint::LoadImgFromBMPFile(std::string_view Name, const std::string& FileName,
                                     int ColorSpace) {
    BmpImage image;
    if (!LeggeBMP(FileName, ColorSpace, image))
        return false;
    LoadImgFromBuffer(Name, image.Samples, image.Palette, image.Width, image.Height,
                      image.BitsPerPixel, ColorSpace);
    return true;
}

void clsPagemint::LoadImgFromBuffer(std::string_view Name, std::string_view Samples,
                                    std::string_view Palette, int Width, int Height,
                                    int BitsPerPixel, int ColorSpace) {
    std::string_view base = ColorSpace == 0 ? "DeviceRGB" : "DeviceGray";
    int image = BeginObj();
    out_.Put("<<\r/Type /XObject\r/Subtype /Image\r/Name /");
    out_.Put(Name);
    out_.Put("\r/Width ");
    out_.PutInteger(Width);
    out_.Put("\r/Height ");
    out_.PutInteger(Height);
    out_.Put('\r');
    if (encodeAscii85_)
        out_.Put("/Filter /ASCII85Decode\r");
    out_.EndLine();
    bool indexed = BitsPerPixel != 24;
    if (!indexed) {
        out_.Put("/BitsPerComponent 8\r/ColorSpace /");
        out_.Put(base);
    } else {
        long entries = long(Palette.size()) / (ColorSpace == 0 ? 3 : 1);
        out_.Put("/BitsPerComponent ");
        out_.PutInteger(BitsPerPixel);
        out_.Put("\r/ColorSpace [/Indexed /");
        out_.Put(base);
        out_.Put(' ');
        out_.PutInteger(entries - 1);
        out_.Put(' ');
        out_.PutInteger(image + 2);
        out_.Put(" 0 R]");
    }
    out_.Put("\r/Length ");
    out_.PutInteger(image + 1);
    out_.Put(" 0 R");
    out_.EndLine();

    std::string encoded = encodeAscii85_ ? Ascii85Encode(Samples) : std::string();
    std::string_view data = encodeAscii85_ ? std::string_view(encoded) : Samples;
    // "stream" ends with CR LF: after a lone CR a reader would take a first data byte 10 (LF) for
    // part of the line end and lose it.
    out_.Put(">>\rstream\r\n");
    out_.Put(data);
    out_.Put("\rendstream");
    out_.EndLine();
    EndObj();
    AddResource(imageList_, Name, image);

    BeginObj(image + 1);
    out_.PutInteger(static_cast<long long>(data.size()));
    out_.EndLine();
    EndObj();

    if (!indexed)
        return;
    std::string encodedPalette = encodeAscii85_ ? Ascii85Encode(Palette) : std::string();
    std::string_view palette = encodeAscii85_ ? std::string_view(encodedPalette) : Palette;
    BeginObj(image + 2);
    out_.Put("<<");
    if (encodeAscii85_)
        out_.Put("\r/Filter /ASCII85Decode");
    out_.Put("\r/Length ");
    out_.PutInteger(static_cast<long long>(palette.size()));
    out_.Put(" >>\rstream\r\n");
    out_.Put(palette);
    out_.Put("\rendstream");
    out_.EndLine();
    EndObj();
}

void clsPagemint::DrawImg(std::string_view Name, double DestX, double DestY, double ImgWidth,
                          double ImgHeight) {
    out_.Put("q\r");
    out_.PutNumber(ToPoints(ImgWidth));
    out_.Put(" 0 0 ");
    out_.PutNumber(-ToPoints(ImgHeight));
    out_.Put(' ');
    PutPoint(DestX, DestY);
    out_.Put(" cm\r/");
    out_.Put(Name);
    out_.Put(" Do\rQ");
    out_.EndLine();
}

void clsPagemint::StartObject(std::string_view Name, int Options) {
    int form = BeginObj();
    out_.Put("<<\r/Type /XObject\r/Subtype /Form\r/FormType 1\r/Name /");
    out_.Put(Name);
    out_.Put("\r/BBox ");
    PutBox();
    out_.Put("\r/Matrix [1 0 0 1 0 0]\r/Length ");
    out_.PutInteger(form + 1);
    out_.Put(" 0 R >>\rstream");
    out_.EndLine();
    streamStart_ = out_.Offset();
    formOpen_ = true;
    AddResource(formList_, Name, form);
    automaticForms_.emplace_back(std::string(Name), Options);
}

void clsPagemint::EndObject() {
    if (!formOpen_)
        return;
    formOpen_ = false;
    EndStream();
}

void clsPagemint::DrawObject(std::string_view Name) {
    out_.Put('/');
    out_.Put(Name);
    out_.Put(" Do");
    out_.EndLine();
}

void clsPagemint::DrawAutomaticForms() {
    bool even = pages_ % 2 == 0;
    for (const auto& [name, options] : automaticForms_) {
        bool everyPage = (options & 7) == 7;
        bool parity = even ? (options & 2) != 0 : (options & 4) != 0;
        bool skipFirst = pages_ == 1 && (options & 8) != 0;
        if (everyPage || (parity && !skipFirst))
            DrawObject(name);
    }
}

}  // namespace terv
