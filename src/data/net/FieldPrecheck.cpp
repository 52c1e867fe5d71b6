#include "FieldPrecheck.h"

#include <charconv>
#include <cmath>
#include <string_view>

#include "platform/VbText.h"

namespace terv::net {
namespace {

// A real number bound for a text field becomes a text of at most this many characters.
constexpr int kLongestRealText = 32;

// The number of characters of a text as the database counts them, or -1 when the text holds a
// NUL or a continuation byte without its leading byte (counted differently by different readers).
int CharacterCount(std::string_view text) {
    int count = 0;
    bool inSequence = false;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == 0)
            return -1;
        if ((c & 0xC0) == 0x80) {
            if (!inSequence)
                return -1;
            continue;
        }
        ++count;
        inSequence = c >= 0xC0;
    }
    return count;
}

int DigitsOf(int64_t value) {
    char buffer[24];
    return static_cast<int>(std::to_chars(buffer, buffer + sizeof buffer, value).ptr - buffer);
}

// "YYYY-MM-DD HH:MM:SS" with the digit ranges the date check allows.
bool IsDateText(std::string_view t) {
    static constexpr std::string_view kPattern = "9999-19-39 29:59:59";
    if (t.size() != kPattern.size())
        return false;
    for (size_t i = 0; i < t.size(); ++i) {
        const char p = kPattern[i];
        if (p < '0' || p > '9') {
            if (t[i] != p)
                return false;
        } else if (t[i] < '0' || t[i] > p) {
            return false;
        }
    }
    return true;
}

}  // namespace

FieldPrecheck::FieldPrecheck(const FieldDef& field) : check_(FieldCheckOf(field.type)) {
    const std::string type = UCase(field.type);
    auto has = [&type](const char* part) { return type.find(part) != std::string::npos; };
    if (has("INT"))
        affinity_ = Affinity::kInteger;
    else if (has("CHAR") || has("CLOB") || has("TEXT"))
        affinity_ = Affinity::kText;
    else if (has("BLOB") || type.empty())
        affinity_ = Affinity::kBlob;
    else if (has("REAL") || has("FLOA") || has("DOUB"))
        affinity_ = Affinity::kReal;
    else
        affinity_ = Affinity::kNumeric;
}

bool FieldPrecheck::Passes(const WireValue& v) const {
    if (v.type == 'N')
        return true;
    const bool number = affinity_ == Affinity::kNumeric || affinity_ == Affinity::kInteger;
    switch (check_.test) {
        case FieldCheck::Test::kNone:
            return true;
        case FieldCheck::Test::kSize:
            return affinity_ == Affinity::kText && TextFits(v);
        case FieldCheck::Test::kWhole:
            return number && v.type == 'I' && v.integer >= check_.low && v.integer <= check_.high;
        case FieldCheck::Test::kReal:
            return (number || affinity_ == Affinity::kReal) &&
                   (v.type == 'I' || (v.type == 'F' && std::isfinite(v.real)));
        case FieldCheck::Test::kDate:
            return affinity_ != Affinity::kBlob && (v.type == 'T' || v.type == 'D') &&
                   IsDateText(v.text);
        case FieldCheck::Test::kYesNo:
            return number && v.type == 'I' && (v.integer == -1 || v.integer == 0);
    }
    return false;
}

bool FieldPrecheck::TextFits(const WireValue& v) const {
    switch (v.type) {
        case 'I':
            return DigitsOf(v.integer) <= check_.size;
        case 'F':
            return check_.size >= kLongestRealText;
        default: {
            // Every character takes at least one byte.
            if (v.text.size() <= static_cast<size_t>(check_.size) &&
                v.text.find('\0') == std::string::npos)
                return true;
            const int count = CharacterCount(v.text);
            return count >= 0 && count <= check_.size;
        }
    }
}

}  // namespace terv::net
