// Number formatting of the PDF writer. The common case (3 decimals, moderate magnitude) takes an
// integer path; values whose scaled fraction lies too near one half for a double product to decide
// go through std::to_chars, which rounds on the exact binary value and ignores the locale.
#include "PdfNumber.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace terv {
namespace {

// Removes trailing zeros of the fraction, then a bare ".", and turns "-0" into "0".
void TidyFixed(std::string& out, size_t start) {
    if (out.find('.', start) != std::string::npos) {
        while (out.back() == '0')
            out.pop_back();
        if (out.back() == '.')
            out.pop_back();
    }
    if (out.size() - start == 2 && out[start] == '-' && out[start + 1] == '0') {
        out.erase(start, 1);
    }
}

void AppendExact(std::string& out, double value, int decimals) {
    char buf[400];
    auto [end, ec] =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (ec != std::errc()) {
        out += '0';
        return;
    }
    size_t start = out.size();
    out.append(buf, end);
    TidyFixed(out, start);
}

// Three decimals from the integer nearest to value * 1000, when that integer is certain.
bool AppendThreeDecimals(std::string& out, double value) {
    if (!(std::fabs(value) < 1e6))
        return false;
    double scaled = value * 1000.0;
    double floor = std::floor(scaled);
    double fraction = scaled - floor;
    // The product's error is below 1e-7 here; nearer to one half the side is not certain.
    if (std::fabs(fraction - 0.5) < 1e-6)
        return false;
    auto thousandths = static_cast<int64_t>(fraction > 0.5 ? floor + 1 : floor);
    bool negative = thousandths < 0;
    uint64_t magnitude = negative ? uint64_t(-thousandths) : uint64_t(thousandths);
    // Digits from the right into a small buffer: fraction (without trailing zeros), point, integer.
    char text[24];
    char* end = text + sizeof text;
    char* p = end;
    auto fractionDigits = static_cast<unsigned>(magnitude % 1000);
    magnitude /= 1000;
    if (fractionDigits != 0) {
        int digits = 3;
        while (fractionDigits % 10 == 0)
            fractionDigits /= 10, --digits;
        for (int i = 0; i < digits; ++i, fractionDigits /= 10)
            *--p = char('0' + fractionDigits % 10);
        *--p = '.';
    }
    do {
        *--p = char('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (negative)
        *--p = '-';
    out.append(p, end);
    return true;
}

}  // namespace

void AppendPdfNumber(std::string& out, double value, int decimals) {
    if (!std::isfinite(value)) {
        out += '0';
        return;
    }
    if (decimals == 3 && AppendThreeDecimals(out, value))
        return;
    AppendExact(out, value, decimals < 0 ? 0 : (decimals > 10 ? 10 : decimals));
}

std::string PdfNumber(double value, int decimals) {
    std::string text;
    AppendPdfNumber(text, value, decimals);
    return text;
}

void AppendPdfInteger(std::string& out, long long value) {
    char buf[24];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, end);
}

}  // namespace terv
