// Benchmark of clsPagemint: a 1000-page document of dense text and graphics (the kind of page the
// return receipt prints, fuller), timed and compared in the same run with writing the same bytes
// through plain buffered file writes, line by line (stdio's buffer) and in 64 KiB blocks.
//
// Usage: pdf_bench [pages] [folder]   (defaults: 1000 pages, /tmp)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "clsPagemint.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

// One page: a header, 60 table rows of five columns with alignment, grid lines, boxes, a circle.
void DrawPage(terv::clsPagemint& pdf, int page) {
    pdf.DrawText(2, 28, "Ricevuta di rientro dati dal palmare", "Fnt1", 14);
    pdf.DrawText(19, 28, "Pagina " + std::to_string(page), "Fnt2", 8, 2);
    pdf.SetLineWidth(0.02);
    pdf.SetColorStroke(-128);
    double y = 27;
    for (int row = 0; row < 60; ++row, y -= 0.4) {
        std::string id =
            "F205" + std::to_string(1000 + row) + "0" + std::to_string(page % 97) + "_";
        pdf.DrawText(2, y, id, "Fnt2", 7);
        pdf.DrawText(6, y, "Seminativo irriguo - uso dichiarato " + std::to_string(row), "Fnt2", 7);
        pdf.DrawText(13.5, y, std::to_string(row * 137 % 10000) + ",25", "Fnt2", 7, 2);
        pdf.DrawText(15.5, y, "Conforme", "Fnt2", 7, 3);
        pdf.DrawText(16.5, y, "Perché più città", "Fnt3", 7);
        pdf.MoveTo(2, y - 0.1);
        pdf.LineTo(19, y - 0.1, 1);
    }
    pdf.SetColorFill(0x00E0F0FF);
    pdf.Rectangle(2, 1, 5, 1.2, 4);
    pdf.SetColorStroke(0);
    pdf.Rectangle(8, 1, 5, 1.2, 1, 0.3);
    pdf.DrawCircle(16, 1.6, 0.5, 1);
    pdf.DrawObject("Logo");
}

std::vector<std::string_view> Lines(const std::string& bytes) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.emplace_back(bytes.data() + start, end + 2 - start);
    }
    if (start < bytes.size())
        lines.emplace_back(bytes.data() + start, bytes.size() - start);
    return lines;
}

double WriteLines(const std::string& path, const std::vector<std::string_view>& lines) {
    auto start = Clock::now();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    for (std::string_view line : lines)
        std::fwrite(line.data(), 1, line.size(), file);
    std::fclose(file);
    return Seconds(start);
}

double WriteBlocks(const std::string& path, const std::string& bytes) {
    auto start = Clock::now();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    for (size_t at = 0; at < bytes.size(); at += 65536) {
        std::fwrite(bytes.data() + at, 1, std::min<size_t>(65536, bytes.size() - at), file);
    }
    std::fclose(file);
    return Seconds(start);
}

double WriteDocument(const std::string& path, int pages) {
    auto start = Clock::now();
    terv::clsPagemint pdf;
    pdf.Title("Benchmark");
    pdf.ScaleMode(4);
    std::string name = path;
    pdf.InitPDFFile(name);
    pdf.LoadFont("Fnt1", "Arial", 2);
    pdf.LoadFont("Fnt2", "Arial", 1);
    pdf.LoadFont("Fnt3", "Times New Roman", 3);
    std::string pixels(64 * 32 * 3, '\x7f');
    pdf.LoadImgFromBuffer("Img1", pixels, "", 64, 32, 24, 0);
    pdf.StartObject("Logo", 0);
    pdf.DrawImg("Img1", 17, 28.5, 2, 1);
    pdf.EndObject();
    for (int page = 1; page <= pages; ++page) {
        pdf.StartPage();
        DrawPage(pdf, page);
        pdf.EndPage();
    }
    pdf.ClosePDFFile();
    return Seconds(start);
}

}  // namespace

int main(int argc, char** argv) {
    int pages = argc > 1 ? std::atoi(argv[1]) : 1000;
    std::string folder = argc > 2 ? argv[2] : "/tmp";
    std::string pdfPath = folder + "/pdf_bench.pdf", rawPath = folder + "/pdf_bench.raw";
    constexpr int kRounds = 5;

    double best = 1e9, bestLines = 1e9, bestBlocks = 1e9;
    std::string bytes;
    for (int round = 0; round < kRounds; ++round) {
        best = std::min(best, WriteDocument(pdfPath, pages));
        if (bytes.empty()) {
            std::FILE* file = std::fopen(pdfPath.c_str(), "rb");
            char buffer[65536];
            for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
                bytes.append(buffer, n);
            std::fclose(file);
        }
        bestLines = std::min(bestLines, WriteLines(rawPath, Lines(bytes)));
        bestBlocks = std::min(bestBlocks, WriteBlocks(rawPath, bytes));
    }
    double mb = bytes.size() / 1e6;
    std::printf("clsPagemint: %d pages, %.2f MB, %zu lines (best of %d rounds)\n", pages, mb,
                Lines(bytes).size(), kRounds);
    std::printf("  writer               %8.3f s  %10.0f pages/s  %8.1f MB/s\n", best, pages / best,
                mb / best);
    std::printf("  raw fwrite per line  %8.3f s  %10s          %8.1f MB/s\n", bestLines, "",
                mb / bestLines);
    std::printf("  raw fwrite 64 KiB    %8.3f s  %10s          %8.1f MB/s\n", bestBlocks, "",
                mb / bestBlocks);
    std::printf("  writer / raw per line: %.2f   writer / raw blocks: %.2f\n", bestLines / best,
                bestBlocks / best);
    std::filesystem::remove(pdfPath);
    std::filesystem::remove(rawPath);
    return 0;
}
