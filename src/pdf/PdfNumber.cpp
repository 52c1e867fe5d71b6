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
    if (thousandths < 0) {
        out += '-';
        thousandths = -thousandths;
    }
    char buf[32];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, thousandths / 1000);
    out.append(buf, end);
    int fractionDigits = static_cast<int>(thousandths % 1000);
    if (fractionDigits != 0) {
        char digits[4] = {'.', char('0' + fractionDigits / 100),
                          char('0' + fractionDigits / 10 % 10), char('0' + fractionDigits % 10)};
        int length = 4;
        while (digits[length - 1] == '0')
            --length;
        out.append(digits, length);
    }
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
