// clsPagemint: the program's writer of PDF 1.3 files (used for the return receipt).
//
// The file is written front to back while the caller draws: fonts, images and form objects go to
// the file when they are loaded, each page's content as it is drawn; the resource dictionary, the
// page tree, the cross-reference table and the trailer follow at ClosePDFFile. Object 1 is the
// document information, 2 the catalog, 3 the page tree and 4 the resources shared by all pages;
// every other object takes the next free number when it is begun.
//
// Order of use: settings, InitPDFFile, then fonts / images / forms while no page is open, pages
// (StartPage, drawing calls, EndPage), ClosePDFFile. Loading a resource inside a page or drawing
// outside one is not detected and gives a broken file.
//
// Coordinates and lengths are in ScaleMode units, origin at the bottom left corner, y upwards.
// Text arguments are UTF-8; the file holds them in Windows-1252 ('?' for other characters).
//
// Errors: no method reports one; a file that cannot be created or written throws
// std::system_error (from InitPDFFile, ClosePDFFile, or any call that fills the write buffer).
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "BmpReader.h"
#include "PagemintFonts.h"
#include "PdfOutput.h"

namespace terv {

class clsPagemint {
  public:
    // Local time used for the creation date and for generated file names.
    using Clock = std::function<std::tm()>;

    clsPagemint();
    // An open document is abandoned: the file is closed without its final parts.
    ~clsPagemint();
    clsPagemint(const clsPagemint&) = delete;
    clsPagemint& operator=(const clsPagemint&) = delete;

    // ---- Properties (set before InitPDFFile for the title, before ClosePDFFile for the rest).
    // Document title, default "(senza titolo)".
    void Title(std::string_view title);
    // Unit of every later coordinate and length: 1 points (default), 2 inches, 3 millimetres,
    // 4 centimetres; any other value turns every length into 0.
    void ScaleMode(int mode);
    // 0 595.2 x 842 (default), 1 842 x 1192, 2 612 x 792, 3 612 x 864 points; other codes keep the
    // size.
    void PaperSize(int code);
    void PaperWidth(double width);    // ScaleMode units
    void PaperHeight(double height);  // ScaleMode units
    void Margin(double margin);       // crop margin, ScaleMode units; default 0
    // 1 portrait (default), 2 landscape (the page tree gets /Rotate 90).
    void Orientation(int orientation);
    // Image data in ASCII85 instead of binary; default false.
    void EncodeASCII85(bool on);
    // Pages started so far.
    int Pages() const { return pages_; }

    // Replaces the clock (tests fix the creation date with it).
    void SetClock(Clock clock);
    // Folder of generated file names; default TERVPALM_HOME when set, else the executable's folder.
    void ProgramFolder(std::string folder);

    // ---- Document.
    // Starts a document in FileName (replacing the file); an open one is abandoned first. An empty
    // FileName is replaced by a new name "~<hex>.pdf" in the program folder, returned to the
    // caller. Throws std::system_error when the file cannot be created.
    void InitPDFFile(std::string& FileName);
    // Begins a page, draws the automatic forms that apply to it, returns the new page count.
    int StartPage();
    // Ends the open page (nothing when none is open).
    void EndPage();
    // Ends an open page, writes resources, page tree, cross-reference table and trailer, closes the
    // file. Nothing when no document is open.
    void ClosePDFFile();

    // ---- Text and fonts.
    // Declares a font by name only (no widths): Length gives 0 for it. Options 1 regular, 2 bold,
    // 3 italic, 4 bold italic.
    void LoadFontStandard(std::string_view Name, std::string_view BaseFont, int Options);
    // Declares a measured font with widths and descriptor; BaseFont "Times New Roman", "Courier
    // New", "Symbol" (blanks and case ignored), anything else Arial. Options 1 to 4 as above.
    void LoadFont(std::string_view Name, std::string_view BaseFont, int Options);
    // Text state of the page, in points without unit conversion; reset by StartPage.
    void SetWordSpacing(double W);
    void SetCharSpacing(double W);
    void SetTextHorizontalScaling(double W);  // percent
    void SetTextRenderingMode(double W);      // written only for 0 to 2
    // One line of text at (X, Y) in font FontName (a loaded resource name) of FontSize points.
    // Align 2 right, 3 centre (measured with Length), anything else left; Angle in degrees counter-
    // clockwise. Returns X as adjusted for the alignment.
    double DrawText(double X, double Y, std::string_view Text, std::string_view FontName,
                    double FontSize, int Align = 1, double Angle = 0);
    // Width of Text in ScaleMode units with the page's word and character spacing and horizontal
    // scaling; 0 for a font not loaded with LoadFont.
    double Length(std::string_view Text, std::string_view FontName, double FontSize) const;

    // ---- Graphics state. Color: -255..0 grey level (0 black, -255 white), else 0x00BBGGRR.
    void SetColorStroke(int32_t Color);
    void SetColorFill(int32_t Color);
    void SetDash(double dash_on, double dash_off);  // dash_on 0: solid
    void SetLineWidth(double W);
    void SetLineCap(int W);        // 0 to 2, else nothing
    void SetLineJoin(int W);       // 0 to 2, else nothing
    void SetMiterLimit(double W);  // no unit conversion; only W >= 1

    // ---- Paths. Options: 4 fill; else 2 close and 1 stroke (3 both); 0 leaves the path open.
    void MoveTo(double x, double y);
    void LineTo(double x, double y, int Options);
    void Curve(double x1, double y1, double x2, double y2, double x3, double y3, int Options);
    // Discards any open path first. Radius > 0 rounds the corners (at most half width and height).
    void Rectangle(double X, double Y, double Width, double Height, int Options, double Radius = 0);
    void DrawCircle(double X, double Y, double Radius, int Options);
    // Arc of the ellipse centred at (X, Y) with radii RadiusX, RadiusY from StartAngle to EndAngle
    // (degrees, counter-clockwise), as straight segments of at most one degree; ToCenter joins both
    // ends to the centre (a pie slice). Discards any open path first.
    void Arc(double X, double Y, double RadiusX, double RadiusY, double StartAngle, double EndAngle,
             int Options, bool ToCenter = false);

    // ---- Images (load while no page is open).
    // Loads a bitmap file as image Name; ColorSpace 0 colour, other grey. Returns false and writes
    // nothing when the file is missing, not a bitmap, compressed, of an unsupported depth or
    // truncated.
    bool LoadImgFromBMPFile(std::string_view Name, const std::string& FileName, int ColorSpace);
    // Writes an image object from samples (rows as drawn bottom-up, see DrawImg) and, for 1, 4 or 8
    // bits per pixel, a palette (3 bytes per entry in colour, 1 in grey).
    void LoadImgFromBuffer(std::string_view Name, std::string_view Samples,
                           std::string_view Palette, int Width, int Height, int BitsPerPixel,
                           int ColorSpace);
    // Draws image Name with its top left corner at (DestX, DestY), ImgWidth wide and ImgHeight
    // down; bottom-up bitmap rows appear upright.
    void DrawImg(std::string_view Name, double DestX, double DestY, double ImgWidth,
                 double ImgHeight);
    // Reads a bitmap file into `image`; false (image unchanged) as for LoadImgFromBMPFile.
    bool LeggeBMP(const std::string& FileName, int ColorSpace, BmpImage& image) const;

    // ---- Form objects (start and end while no page is open).
    // Opens form Name; drawing calls go into it until EndObject. Options: 2 drawn automatically on
    // even pages, 4 on odd pages, 8 but not on page 1, 7 on every page; 0 never automatically.
    void StartObject(std::string_view Name, int Options);
    void EndObject();
    // Draws form Name on the page.
    void DrawObject(std::string_view Name);

  private:
    struct FontMetrics {
        std::string BaseFont;
        int FirstChar = 32;
        int LastChar = 255;
        std::string_view Descriptor;
        std::array<int, 256> Widths{};
        int MissingWidth = 0;
    };

    int BeginObj(int n = 0);
    void EndObj();
    void EndStream();
    void AddResource(std::string& list, std::string_view name, int object);
    void WriteInfo();
    void WriteCatalog();
    void WriteResources();
    void WritePageTree();
    void WriteXrefAndTrailer();
    void ResetDocument();
    void DrawAutomaticForms();
    void Paint(int Options);
    void PutPoint(double x, double y);
    void PutColor(int32_t Color, std::string_view greyOp, std::string_view rgbOp);
    void PutBox();
    double ToPoints(double value) const;
    double FromPoints(double value) const;
    std::string GeneratedFileName() const;

    PdfOutput out_;
    Clock clock_;
    std::string programFolder_;

    // Settings.
    std::string title_ = "(senza titolo)";
    int scaleMode_ = 1;
    double paperWidth_ = 595.2;
    double paperHeight_ = 842;
    int orientation_ = 1;
    double margin_ = 0;
    bool encodeAscii85_ = false;

    // Document state.
    int pages_ = 0;
    int openPages_ = 0;
    bool formOpen_ = false;
    int highestObject_ = 0;
    std::vector<uint64_t> offsets_;  // index = object number
    uint64_t streamStart_ = 0;
    std::string fontList_;
    std::string imageList_;
    std::string formList_;
    std::string kidsList_;
    std::vector<FontMetrics> metrics_;
    std::map<std::string, int, std::less<>> fontRegistry_;  // name -> index into metrics_
    std::vector<std::pair<std::string, int>> automaticForms_;

    // Text state of the page.
    double wordSpacing_ = 0;
    double charSpacing_ = 0;
    double horizontalScaling_ = 100;
};

}  // namespace terv
