// clsPagemint, text: font objects (standard and measured), the text state operators, DrawText
// and Length.
#include <cmath>

#include "PdfText.h"
#include "clsPagemint.h"

namespace terv {
namespace {

constexpr double kPi = 3.141592;  // the program's constant for degrees to radians

}  // namespace

void clsPagemint::LoadFontStandard(std::string_view Name, std::string_view BaseFont, int Options) {
    int object = BeginObj();
    out_.Put("<< /Type /Font /Subtype /Type1 /Name /");
    out_.Put(Name);
    out_.Put(" /BaseFont /");
    out_.Put(WithoutBlanks(BaseFont));
    out_.Put(StyleSuffix(Options));
    out_.Put(" /Encoding /WinAnsiEncoding >>");
    out_.EndLine();
    EndObj();
    AddResource(fontList_, Name, object);
}

void clsPagemint::LoadFont(std::string_view Name, std::string_view BaseFont, int Options) {
    FontFamily family = FamilyOfBaseFont(BaseFont);
    FontMetrics& m = metrics_.emplace_back();
    m.BaseFont = std::string(FamilyName(family)) + std::string(StyleSuffix(Options));
    m.Descriptor = FontDescriptor(family, Options);
    m.Widths = WidthsOf(family, Options);
    m.MissingWidth = MissingWidthOf(family, Options);

    int object = BeginObj();
    out_.Put("<< /Type /Font \r/Subtype /TrueType\r/Name /");
    out_.Put(Name);
    out_.Put("\r/BaseFont /");
    out_.Put(m.BaseFont);
    out_.Put("\r/FirstChar ");
    out_.PutInteger(m.FirstChar);
    out_.Put("\r/LastChar ");
    out_.PutInteger(m.LastChar);
    out_.Put("\r/FontDescriptor ");
    out_.PutInteger(object + 1);
    out_.Put(" 0 R\r/Encoding /WinAnsiEncoding\r/Widths [");
    out_.EndLine();
    for (int code = m.FirstChar; code <= m.LastChar; ++code) {
        out_.PutInteger(m.Widths[code]);
        out_.Put(' ');
        if ((code - m.FirstChar) % 16 == 15 || code == m.LastChar)
            out_.EndLine();
    }
    out_.Put("] >>");
    out_.EndLine();
    EndObj();

    AddResource(fontList_, Name, object);
    fontRegistry_.emplace(std::string(Name), int(metrics_.size()) - 1);

    BeginObj(object + 1);
    out_.Put("<<\r/Type /FontDescriptor\r/FontName /");
    out_.Put(m.BaseFont);
    out_.Put('\r');
    out_.Put(m.Descriptor);
    out_.Put("\r>>");
    out_.EndLine();
    EndObj();
}

void clsPagemint::SetWordSpacing(double W) {
    wordSpacing_ = W;
    out_.PutNumber(W);
    out_.Put(" Tw");
    out_.EndLine();
}

void clsPagemint::SetCharSpacing(double W) {
    charSpacing_ = W;
    out_.PutNumber(W);
    out_.Put(" Tc");
    out_.EndLine();
}

void clsPagemint::SetTextHorizontalScaling(double W) {
    horizontalScaling_ = W;
    out_.PutNumber(W);
    out_.Put(" Tz");
    out_.EndLine();
}

void clsPagemint::SetTextRenderingMode(double W) {
    if (W < 0 || W > 2)
        return;
    out_.PutNumber(W);
    out_.Put(" Tr");
    out_.EndLine();
}

double clsPagemint::DrawText(double X, double Y, std::string_view Text, std::string_view FontName,
                             double FontSize, int Align, double Angle) {
    if (Align == 2)
        X -= Length(Text, FontName, FontSize);
    if (Align == 3)
        X -= Length(Text, FontName, FontSize) / 2;
    out_.Put("BT");
    out_.EndLine();
    out_.Put('/');
    out_.Put(FontName);
    out_.Put(' ');
    out_.PutNumber(FontSize);
    out_.Put(" Tf");
    out_.EndLine();
    if (Angle == 0) {
        PutPoint(X, Y);
        out_.Put(" Td");
    } else {
        double r = Angle * kPi / 180;
        double c = std::cos(r), s = std::sin(r);
        out_.PutNumber(c);
        out_.Put(' ');
        out_.PutNumber(s);
        out_.Put(' ');
        out_.PutNumber(-s);
        out_.Put(' ');
        out_.PutNumber(c);
        out_.Put(' ');
        PutPoint(X, Y);
        out_.Put(" Tm");
    }
    out_.EndLine();
    out_.Put('(');
    AppendPdfEscaped(out_.Buffer(), Text);
    out_.Put(") Tj");
    out_.EndLine();
    out_.Put("ET");
    out_.EndLine();
    return X;
}

double clsPagemint::Length(std::string_view Text, std::string_view FontName,
                           double FontSize) const {
    auto found = fontRegistry_.find(FontName);
    if (found == fontRegistry_.end())
        return 0;
    const FontMetrics& m = metrics_[found->second];
    // Plain ASCII text is its own Windows-1252 form; only other text needs converting.
    std::string converted;
    std::string_view bytes = Text;
    if (!IsAscii(Text))
        bytes = converted = ToCp1252(Text);
    long sum = 0;
    long spaces = 0;
    for (char ch : bytes) {
        int code = static_cast<unsigned char>(ch);
        sum += code >= m.FirstChar && code <= m.LastChar ? m.Widths[code] : m.MissingWidth;
        if (code == 32)
            ++spaces;
    }
    double points =
        (sum * FontSize / 1000 + spaces * wordSpacing_ + double(bytes.size()) * charSpacing_) *
        horizontalScaling_ / 100;
    return FromPoints(points);
}

}  // namespace terv
