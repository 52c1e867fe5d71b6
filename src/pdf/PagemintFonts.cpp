#include "PagemintFonts.h"

#include <charconv>

#include "PagemintWidths.h"

namespace terv {
namespace {

// Descriptor entries by family (table order) and style 1..4.
constexpr std::string_view kDescriptors[4][4] = {
    {
        "/Flags 34 /FontBBox [-250 -300 720 1000] "
        "/MissingWidth 600 /StemV 109 "
        "/StemH 109 /ItalicAngle 0 /CapHeight 833 /XHeight 417 "
        "/Ascent 833 /Descent -300 /Leading 133 "
        "/MaxWidth 600 /AvgWidth 600",
        "/Flags 16418 /FontBBox [-250 -300 720 1000] "
        "/MissingWidth 600 /StemV 191 "
        "/StemH 191 /ItalicAngle 0 /CapHeight 833 /XHeight 417 "
        "/Ascent 833 /Descent -300 /Leading 133 "
        "/MaxWidth 600 /AvgWidth 600",
        "/Flags 98 /FontBBox [-250 -300 720 1000] "
        "/MissingWidth 600 /StemV 109 "
        "/StemH 109 /ItalicAngle -11 /CapHeight 833 /XHeight 417 "
        "/Ascent 833 /Descent -300 /Leading 133 "
        "/MaxWidth 600 /AvgWidth 600",
        "/Flags 16482 /FontBBox [-250 -300 720 1000] "
        "/MissingWidth 600 /StemV 191 "
        "/StemH 191 /ItalicAngle -11 /CapHeight 833 /XHeight 417 "
        "/Ascent 833 /Descent -300 /Leading 133 "
        "/MaxWidth 600 /AvgWidth 600",
    },
    {
        "/Flags 34 /FontBBox [-250 -216 1200 1000] "
        "/MissingWidth 333 /StemV 73 "
        "/StemH 73 /ItalicAngle 0 /CapHeight 891 /XHeight 446 "
        "/Ascent 891 /Descent -216 /Leading 149 "
        "/MaxWidth 1000 /AvgWidth 401",
        "/Flags 16418 /FontBBox [-250 -216 1201 1000] "
        "/MissingWidth 333 /StemV 136 "
        "/StemH 136 /ItalicAngle 0 /CapHeight 891 /XHeight 446 "
        "/Ascent 891 /Descent -216 /Leading 149 "
        "/MaxWidth 1001 /AvgWidth 401",
        "/Flags 98 /FontBBox [-250 -216 1200 1000] "
        "/MissingWidth 333 /StemV 73 "
        "/StemH 73 /ItalicAngle -11 /CapHeight 891 /XHeight 446 "
        "/Ascent 891 /Descent -216 /Leading 149 "
        "/MaxWidth 1000 /AvgWidth 402",
        "/Flags 16482 /FontBBox [-250 -216 1200 1000] "
        "/MissingWidth 333 /StemV 131 "
        "/StemH 131 /ItalicAngle -11 /CapHeight 891 /XHeight 446 "
        "/Ascent 891 /Descent -216 /Leading 149 "
        "/MaxWidth 1000 /AvgWidth 412",
    },
    {
        "/Flags 6 /FontBBox [-250 -220 1246 1005] "
        "/MissingWidth 332 /StemV 109 "
        "/StemH 109 /ItalicAngle 0 /CapHeight 1005 /XHeight 503 "
        "/Ascent 1005 /Descent -220 /Leading 225 "
        "/MaxWidth 1038 /AvgWidth 601",
        "/Flags 16390 /FontBBox [-250 -220 1246 1005] "
        "/MissingWidth 332 /StemV 191 "
        "/StemH 191 /ItalicAngle 0 /CapHeight 1005 /XHeight 503 "
        "/Ascent 1005 /Descent -220 /Leading 225 "
        "/MaxWidth 1038 /AvgWidth 600",
        "/Flags 70 /FontBBox [-250 -220 1246 1005] "
        "/MissingWidth 332 /StemV 109 "
        "/StemH 109 /ItalicAngle -11 /CapHeight 1005 /XHeight 503 "
        "/Ascent 1005 /Descent -220 /Leading 225 "
        "/MaxWidth 1038 /AvgWidth 600",
        "/Flags 16454 /FontBBox [-250 -220 1246 1005] "
        "/MissingWidth 332 /StemV 191 "
        "/StemH 191 /ItalicAngle -11 /CapHeight 1005 /XHeight 503 "
        "/Ascent 1005 /Descent -220 /Leading 225 "
        "/MaxWidth 1038 /AvgWidth 600",
    },
    {
        "/Flags 32 /FontBBox [-250 -221 1190 1000] "
        "/MissingWidth 272 /StemV 80 "
        "/StemH 80 /ItalicAngle 0 /CapHeight 905 /XHeight 453 "
        "/Ascent 905 /Descent -212 /Leading 150 "
        "/MaxWidth 992 /AvgWidth 441",
        "/Flags 16416 /FontBBox [-250 -212 1120 1000] "
        "/MissingWidth 311 /StemV 153 "
        "/StemH 153 /ItalicAngle 0 /CapHeight 905 /XHeight 453 "
        "/Ascent 905 /Descent -212 /Leading 150 "
        "/MaxWidth 933 /AvgWidth 479",
        "/Flags 96 /FontBBox [-250 -212 1134 1000] "
        "/MissingWidth 259 /StemV 80 "
        "/StemH 80 /ItalicAngle -11 /CapHeight 905 /XHeight 453 "
        "/Ascent 905 /Descent -212 /Leading 150 "
        "/MaxWidth 945 /AvgWidth 441",
        "/Flags 16480 /FontBBox [-250 -212 1120 1000] "
        "/MissingWidth 311 /StemV 153 "
        "/StemH 153 /ItalicAngle -11 /CapHeight 905 /XHeight 453 "
        "/Ascent 905 /Descent -212 /Leading 150 "
        "/MaxWidth 933 /AvgWidth 479",
    },
};

int StyleIndex(int style) {
    return style >= 1 && style <= 4 ? style - 1 : 0;
}

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

}  // namespace

std::string WithoutBlanks(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c != ' ')
            out += c;
    }
    return out;
}

FontFamily FamilyOfBaseFont(std::string_view baseFont) {
    std::string key = WithoutBlanks(baseFont);
    for (char& c : key)
        c = Upper(c);
    if (key == "TIMESNEWROMAN")
        return FontFamily::TimesNewRoman;
    if (key == "COURIERNEW")
        return FontFamily::CourierNew;
    if (key == "SYMBOL")
        return FontFamily::Symbol;
    return FontFamily::Arial;
}

std::string_view FamilyName(FontFamily family) {
    switch (family) {
        case FontFamily::CourierNew:
            return "CourierNew";
        case FontFamily::TimesNewRoman:
            return "TimesNewRoman";
        case FontFamily::Symbol:
            return "Symbol";
        case FontFamily::Arial:
            break;
    }
    return "Arial";
}

std::string_view StyleSuffix(int options) {
    switch (options) {
        case 2:
            return ",Bold";
        case 3:
            return ",Italic";
        case 4:
            return ",BoldItalic";
        default:
            return "";
    }
}

std::string_view FontDescriptor(FontFamily family, int style) {
    return kDescriptors[int(family)][StyleIndex(style)];
}

int MissingWidthOf(FontFamily family, int style) {
    constexpr std::string_view kKey = "/MissingWidth ";
    std::string_view descriptor = FontDescriptor(family, style);
    size_t at = descriptor.find(kKey) + kKey.size();
    int width = 0;
    std::from_chars(descriptor.data() + at, descriptor.data() + descriptor.size(), width);
    return width;
}

std::array<int, 256> WidthsOf(FontFamily family, int style) {
    std::array<int, 256> widths{};
    const auto& table = kPagemintWidths[int(family) * 4 + StyleIndex(style)];
    for (int code = kFirstWidthCode; code <= kLastWidthCode; ++code) {
        widths[code] = table[code - kFirstWidthCode];
    }
    return widths;
}

}  // namespace terv
