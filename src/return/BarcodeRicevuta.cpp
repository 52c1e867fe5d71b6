// Code 39 through zint: the bars are written to a BMP file, the one picture format the PDF
// writer loads.
#include "BarcodeRicevuta.h"

#include <zint.h>

#include <cstring>
#include <memory>

#include "platform/VbText.h"

namespace terv {

int CifraControllo(std::string_view digits) {
    int sum = 0;
    for (size_t i = 0; i < digits.size(); ++i) {
        const char c = digits[i];
        int value = c >= '0' && c <= '9' ? c - '0' : 0;
        if (i % 2 == 1) {
            value *= 2;
            if (value > 9)
                value = value / 10 + value % 10;
        }
        sum += value;
    }
    return (10 - sum % 10) % 10;
}

std::string TestoBarcode(std::string_view province, std::string_view istatp,
                         std::string_view istatc) {
    std::string digits = "5" + Left(province, 3) + std::string(istatp) + std::string(istatc);
    return digits + std::to_string(CifraControllo(digits));
}

int ScriviBarcodeBmp(const std::string& text, const std::string& path, std::string& error) {
    std::unique_ptr<zint_symbol, decltype(&ZBarcode_Delete)> symbol(ZBarcode_Create(),
                                                                    &ZBarcode_Delete);
    if (!symbol) {
        error = "zint: memoria insufficiente";
        return ZINT_ERROR_MEMORY;
    }
    symbol->symbology = BARCODE_CODE39;
    symbol->show_hrt = 0;
    symbol->height = 40;
    symbol->whitespace_width = 10;
    // White above and below the bars: the picture is drawn downwards from the header's top line
    // and its lower edge reaches the column headers, which the bars must leave clear.
    symbol->whitespace_height = 12;
    if (path.size() >= sizeof(symbol->outfile)) {
        error = "zint: percorso troppo lungo";
        return ZINT_ERROR_INVALID_OPTION;
    }
    std::strncpy(symbol->outfile, path.c_str(), sizeof(symbol->outfile) - 1);
    int rc = ZBarcode_Encode(symbol.get(), reinterpret_cast<const unsigned char*>(text.data()),
                             static_cast<int>(text.size()));
    if (rc < ZINT_ERROR)
        rc = ZBarcode_Print(symbol.get(), 0);
    error = rc < ZINT_ERROR ? "" : symbol->errtxt;
    return rc < ZINT_ERROR ? 0 : rc;
}

}  // namespace terv
