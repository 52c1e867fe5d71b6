// The bar code of a receipt: it identifies the reference province and the municipality of a group
// of parcels, with a check digit, and is drawn as Code 39 into a bitmap for the PDF writer.
#pragma once

#include <string>
#include <string_view>

namespace terv {

// Check digit of the bar code's digits: digits in even places (1-based) are doubled, a result
// above 9 replaced by the sum of its two digits, all are added, and the digit is
// (10 - sum mod 10) mod 10. Characters that are not digits count as 0.
int CifraControllo(std::string_view digits);

// The bar code text without Code 39's start and stop characters: "5", the first 3 characters of
// the province, the ISTAT province and municipality codes, and the check digit over all of them.
std::string TestoBarcode(std::string_view province, std::string_view istatp,
                         std::string_view istatc);

// Draws `text` as Code 39 (start and stop "*" added by the encoder, no readable text under the
// bars) into an uncompressed bitmap file at `path`, replacing it. Returns 0 on success, else the
// encoder's error code (the file may then be missing); `error` receives the encoder's message.
int ScriviBarcodeBmp(const std::string& text, const std::string& path, std::string& error);

}  // namespace terv
