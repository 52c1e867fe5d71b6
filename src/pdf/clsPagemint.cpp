// clsPagemint, document frame: settings, units, objects and their offsets, pages, and the closing
// parts (resources, page tree, cross-reference table, trailer). Text, graphics and images are in
// PagemintText.cpp, PagemintGraphics.cpp and PagemintImages.cpp.
#include "clsPagemint.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "PdfText.h"

namespace terv {
namespace {

// Fixed texts of the information dictionary.
constexpr std::string_view kCreator = "clsPagemint LIGHT Version";
constexpr std::string_view kAuthor = "TERVPalm";
constexpr std::string_view kProducer = "TERVPalm - documento generato automaticamente";

constexpr int kPagesObject = 3;
constexpr int kResourcesObject = 4;

std::tm LocalNow() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

std::string DefaultProgramFolder() {
    if (const char* home = std::getenv("TERVPALM_HOME"); home != nullptr && *home != '\0')
        return home;
    std::error_code error;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error)
        return exe.parent_path().string();
    return std::filesystem::current_path(error).string();
}

// "yyyymmddhhmmss" of a local time.
std::string Stamp(const std::tm& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", t.tm_year + 1900, t.tm_mon + 1,
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    return text;
}

}  // namespace

clsPagemint::clsPagemint() : clock_(LocalNow), programFolder_(DefaultProgramFolder()) {}

clsPagemint::~clsPagemint() = default;

void clsPagemint::Title(std::string_view title) {
    title_ = title;
}
void clsPagemint::ScaleMode(int mode) {
    scaleMode_ = mode;
}
void clsPagemint::Orientation(int orientation) {
    orientation_ = orientation;
}
void clsPagemint::EncodeASCII85(bool on) {
    encodeAscii85_ = on;
}
void clsPagemint::PaperWidth(double width) {
    paperWidth_ = ToPoints(width);
}
void clsPagemint::PaperHeight(double height) {
    paperHeight_ = ToPoints(height);
}
void clsPagemint::Margin(double margin) {
    margin_ = ToPoints(margin);
}
void clsPagemint::SetClock(Clock clock) {
    clock_ = std::move(clock);
}
void clsPagemint::ProgramFolder(std::string folder) {
    programFolder_ = std::move(folder);
}

void clsPagemint::PaperSize(int code) {
    static constexpr double kSizes[4][2] = {{595.2, 842}, {842, 1192}, {612, 792}, {612, 864}};
    if (code < 0 || code > 3)
        return;
    paperWidth_ = kSizes[code][0];
    paperHeight_ = kSizes[code][1];
}

double clsPagemint::ToPoints(double value) const {
    switch (scaleMode_) {
        case 1:
            return value;
        case 2:
            return value * 72;
        case 3:
            return value * 72 / 25.4;
        case 4:
            return value * 72 / 2.54;
        default:
            return 0;
    }
}

double clsPagemint::FromPoints(double value) const {
    switch (scaleMode_) {
        case 1:
            return value;
        case 2:
            return value / 72;
        case 3:
            return value / 72 * 25.4;
        case 4:
            return value / 72 * 2.54;
        default:
            return 0;
    }
}

int clsPagemint::BeginObj(int n) {
    if (n == 0)
        n = highestObject_ + 1;
    if (n > highestObject_)
        highestObject_ = n;
    if (offsets_.size() <= size_t(n))
        offsets_.resize(n + 1, 0);
    offsets_[n] = out_.Offset();
    out_.PutInteger(n);
    out_.Put(" 0 obj");
    out_.EndLine();
    return n;
}

void clsPagemint::EndObj() {
    out_.Put("endobj");
    out_.EndLine();
}

// Ends the content stream of a page or form and writes its length as the next object.
void clsPagemint::EndStream() {
    uint64_t length = out_.Offset() - streamStart_;
    out_.Put("endstream");
    out_.EndLine();
    EndObj();
    BeginObj();
    out_.PutInteger(static_cast<long long>(length));
    out_.EndLine();
    EndObj();
}

void clsPagemint::AddResource(std::string& list, std::string_view name, int object) {
    list += '/';
    list += name;
    list += ' ';
    AppendPdfInteger(list, object);
    list += " 0 R \r";
}

void clsPagemint::ResetDocument() {
    pages_ = 0;
    openPages_ = 0;
    formOpen_ = false;
    highestObject_ = 0;
    offsets_.assign(1, 0);
    streamStart_ = 0;
    fontList_.clear();
    imageList_.clear();
    formList_.clear();
    kidsList_.clear();
    metrics_.clear();
    fontRegistry_.clear();
    automaticForms_.clear();
    wordSpacing_ = 0;
    charSpacing_ = 0;
    horizontalScaling_ = 100;
}

std::string clsPagemint::GeneratedFileName() const {
    std::tm now = clock_();
    static std::minstd_rand random{std::random_device{}()};
    long number =
        (((now.tm_mday * 100L + now.tm_hour) * 100 + now.tm_min) * 100 + now.tm_sec) * 10 +
        long(random() % 10);
    char hex[16];
    std::snprintf(hex, sizeof hex, "%lX", number);
    return programFolder_ + "/~" + hex + ".pdf";
}

void clsPagemint::InitPDFFile(std::string& FileName) {
    out_.Close();
    if (FileName.empty())
        FileName = GeneratedFileName();
    ResetDocument();
    out_.Create(FileName);
    out_.Put("%PDF-1.3");
    out_.EndLine();
    WriteInfo();
    WriteCatalog();
    highestObject_ = kResourcesObject;
    offsets_.resize(kResourcesObject + 1, 0);
}

void clsPagemint::WriteInfo() {
    BeginObj(1);
    std::string& b = out_.Buffer();
    b += "<<\r/Title (";
    AppendPdfEscaped(b, title_);
    b += ")\r/Author (";
    AppendPdfEscaped(b, kAuthor);
    b += ")\r/Creator  (";
    AppendPdfEscaped(b, kCreator);
    b += ")\r/Producer (";
    AppendPdfEscaped(b, kProducer);
    b += ")\r/CreationDate (D:";
    b += Stamp(clock_());
    b += "+01'00')\r>>";
    out_.EndLine();
    EndObj();
}

void clsPagemint::WriteCatalog() {
    BeginObj(2);
    out_.Put(
        "<<\r/Type /Catalog\r/Pages 3 0 R\r/PageLayout /OneColumn\r/PageMode /UseNone\r"
        "/Lang (it) \r/ViewerPreferences << /HideToolbar false /DisplayDocTitle true "
        "/HideWindowUI false >>\r>>");
    out_.EndLine();
    EndObj();
}

int clsPagemint::StartPage() {
    ++openPages_;
    ++pages_;
    int page = BeginObj();
    out_.Put("<<\r/Type /Page\r/Parent 3 0 R\r/Contents ");
    out_.PutInteger(page + 1);
    out_.Put(" 0 R\r>>");
    out_.EndLine();
    EndObj();
    AppendPdfInteger(kidsList_, page);
    kidsList_ += " 0 R ";
    BeginObj(page + 1);
    out_.Put("<< /Length ");
    out_.PutInteger(page + 2);
    out_.Put(" 0 R >>\rstream");
    out_.EndLine();
    streamStart_ = out_.Offset();
    DrawAutomaticForms();
    wordSpacing_ = 0;
    charSpacing_ = 0;
    horizontalScaling_ = 100;
    return pages_;
}

void clsPagemint::EndPage() {
    if (openPages_ == 0)
        return;
    --openPages_;
    EndStream();
}

void clsPagemint::ClosePDFFile() {
    if (!out_.IsOpen())
        return;
    if (openPages_ > 0)
        EndPage();
    WriteResources();
    WritePageTree();
    WriteXrefAndTrailer();
    out_.Close();
}

void clsPagemint::WriteResources() {
    BeginObj(kResourcesObject);
    out_.Put("<<\r");
    if (!fontList_.empty()) {
        out_.Put("/Font <<\r");
        out_.Put(fontList_);
        out_.Put(">>\r");
    }
    out_.Put("/ProcSet [/PDF /Text");
    if (!imageList_.empty())
        out_.Put(" /ImageB /ImageC /ImageI");
    out_.Put(" ]\r");
    if (!imageList_.empty() || !formList_.empty()) {
        out_.Put("/XObject <<\r");
        out_.Put(imageList_);
        out_.Put("\r");
        out_.Put(formList_);
        out_.Put(">>\r");
    }
    out_.Put(">>");
    out_.EndLine();
    EndObj();
}

// "[M M W-M H-M]" of the paper size and margin, the crop box of pages and the box of forms.
void clsPagemint::PutBox() {
    out_.Put('[');
    out_.PutNumber(margin_);
    out_.Put(' ');
    out_.PutNumber(margin_);
    out_.Put(' ');
    out_.PutNumber(paperWidth_ - margin_);
    out_.Put(' ');
    out_.PutNumber(paperHeight_ - margin_);
    out_.Put(']');
}

void clsPagemint::WritePageTree() {
    BeginObj(kPagesObject);
    out_.Put("<<\r/Type /Pages\r/Count ");
    out_.PutInteger(pages_);
    out_.Put("\r/MediaBox [0 0 ");
    out_.PutNumber(paperWidth_);
    out_.Put(' ');
    out_.PutNumber(paperHeight_);
    out_.Put("]\r/CropBox ");
    PutBox();
    out_.Put('\r');
    if (orientation_ == 2)
        out_.Put("/Rotate 90");
    out_.Put("\r/Kids [");
    out_.Put(kidsList_);
    out_.Put(" ]\r/Resources 4 0 R\r>>");
    out_.EndLine();
    EndObj();
}

void clsPagemint::WriteXrefAndTrailer() {
    uint64_t xref = out_.Offset();
    out_.Put("xref");
    out_.EndLine();
    out_.Put("0 ");
    out_.PutInteger(highestObject_ + 1);
    out_.EndLine();
    out_.Put("0000000000 65535 f");
    out_.EndLine();
    for (int n = 1; n <= highestObject_; ++n) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "%010llu 00000 n",
                      static_cast<unsigned long long>(offsets_[n] % 10000000000ULL));
        out_.Put(entry);
        out_.EndLine();
    }
    out_.Put("trailer\r<<\r/Size ");
    out_.PutInteger(highestObject_ + 1);
    out_.Put("\r/Info 1 0 R\r/Root 2 0 R\r>>");
    out_.EndLine();
    out_.Put("startxref\r");
    out_.PutInteger(static_cast<long long>(xref));
    out_.EndLine();
    out_.Put("%%EOF\r");
    out_.EndLine();
}

}  // namespace terv
