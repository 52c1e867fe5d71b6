// Receipts read back by third-party readers: qpdf checks the file, pdftotext gives each page's
// text, zbarimg reads each page's bar code from a 150 dpi rendering by pdftoppm.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/VbText.h"

namespace terv::test {

// Blanks of any length read as one, so that layout spacing does not matter.
inline std::string Squeeze(const std::string& text) {
    return std::regex_replace(text, std::regex("[ \t]+"), " ");
}

// Page texts of a receipt (blanks squeezed), after checking that qpdf finds the file sound and
// has no warning about it.
inline std::vector<std::string> ReceiptPages(const std::string& pdf) {
    int status = 0;
    const std::string check = RunCommand("qpdf --check '" + pdf + "' 2>&1", &status);
    EXPECT_EQ(status, 0) << check;
    EXPECT_EQ(check.find("WARNING"), std::string::npos) << check;
    std::vector<std::string> pages;
    const std::string info = Squeeze(RunCommand("pdfinfo '" + pdf + "' | grep Pages:"));
    const int count = info.size() > 7 ? std::stoi(info.substr(7)) : 0;
    for (int i = 1; i <= count; ++i)
        pages.push_back(Squeeze(RunCommand("pdftotext -layout -f " + std::to_string(i) + " -l " +
                                           std::to_string(i) + " '" + pdf + "' -")));
    return pages;
}

// The bar codes zbarimg reads on each of the first `pages` pages rendered at 150 dpi; the
// pictures go into `folder` and are removed again.
inline std::vector<std::string> ReceiptBarcodes(const std::string& pdf, size_t pages,
                                                const std::string& folder) {
    const std::string prefix = folder + "/page";
    RunCommand("pdftoppm -r 150 -png '" + pdf + "' '" + prefix + "'");
    std::vector<std::string> codes;
    for (size_t i = 1; i <= pages; ++i) {
        const std::string png = prefix + "-" + std::to_string(i) + ".png";
        EXPECT_TRUE(std::filesystem::exists(png)) << png;
        codes.push_back(Trim(Replace(RunCommand("zbarimg -q --raw '" + png + "'"), "\n", "")));
        std::filesystem::remove(png);
    }
    return codes;
}

}  // namespace terv::test
