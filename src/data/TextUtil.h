// Text helpers: date stamps, number and SQL literal texts, parcel labels and small codecs.
//
// Date and time are stored as the 14-digit stamp "YYYYMMDDHHNNSS"; the open-ended end date is
// 99991231000000. Texts are UTF-8 unless a helper says it works on 8-bit codes.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "platform/Variant.h"

namespace terv {

// The current local date and time as "YYYYMMDDHHNNSS".
std::string NowStamp();
// The given instant (local time) as "YYYYMMDDHHNNSS".
std::string StampOf(std::time_t when);
// "DD/MM/YYYY HH:NN:SS" from a 14-digit stamp.
std::string StampToDisplay(std::string_view stamp);
// "DD/MM/YYYY" from a 14-digit stamp.
std::string StampToDay(std::string_view stamp);

// The value as locale-independent number text ("." decimal point), no leading blank.
std::string NumText(const Variant& value);
// "NULL" for Null or blank text, else the trimmed text in single quotes. Quotes inside the text
// are doubled so that a name like D'Annunzio cannot break the statement.
std::string SqlText(const Variant& value);
// "NULL" for Null, else NumText of the value.
std::string SqlNumber(const Variant& value);
// 0 for Null, else the value as Long.
int32_t LongOrZero(const Variant& value);

// Drops leading "00" pairs, then leading "0" characters; an emptied text becomes "0". The text
// is changed in place and also returned.
std::string StripLeadingZeros(std::string& text);
// The parcel number without leading zeros, then "/" and the sub-parcel when it is not blank.
std::string ParcelLabel(std::string_view number, std::string_view sub);
// The text with every character of the given code replaced by a carriage return.
std::string ReplaceWithCr(std::string_view text, int code);
// The text before its first NUL character.
std::string TrimNul(std::string_view text);
// The text between the first "<sso_server>" and the next "</sso_server>"; empty when missing.
std::string GetSsoServer(std::string_view text);
// The smallest whole number not below the value.
int32_t CeilLong(double value);
// Check digit of an Italian VAT number over its first 10 characters (non-digits count as 0).
std::string VatCheckDigit(std::string_view digits);
// The handheld's line codec on 8-bit codes: code XOR (10 - k), then minus k at odd places and
// plus k at even places (1-based). Codes are kept to 8 bits.
std::string ScrambleText(uint8_t key, std::string_view bytes);
// The handheld's side of that codec, its exact inverse: plus k at odd places and minus k at even
// places, then XOR (10 - k). ScrambleText(k, ScrambleTextInverse(k, s)) gives s back.
std::string ScrambleTextInverse(uint8_t key, std::string_view bytes);

}  // namespace terv
