// A field value as the program's language sees it: Null, a whole number, a real number or text.
//
// Local database fields, server result values and the "any value" arguments of the text helpers
// all use this type, so that Null stays distinct from empty text and numbers stay numbers.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace terv {

class Variant {
public:
    Variant() = default;  // Null
    Variant(int64_t v) : value_(v) {}
    Variant(int v) : value_(static_cast<int64_t>(v)) {}
    Variant(double v) : value_(v) {}
    Variant(std::string v) : value_(std::move(v)) {}
    Variant(const char* v) : value_(std::string(v)) {}

    static Variant Null() { return Variant(); }

    bool IsNull() const { return std::holds_alternative<std::monostate>(value_); }
    bool IsInteger() const { return std::holds_alternative<int64_t>(value_); }
    bool IsDouble() const { return std::holds_alternative<double>(value_); }
    bool IsNumber() const { return IsInteger() || IsDouble(); }
    bool IsText() const { return std::holds_alternative<std::string>(value_); }

    // Text form: numbers through the locale-independent conversion, Null as "".
    std::string AsText() const;
    // Numeric value: text through its leading number, Null as 0.
    double AsDouble() const;
    // As Long: rounded half to even.
    int32_t AsLong() const;

    bool operator==(const Variant& other) const = default;

private:
    std::variant<std::monostate, int64_t, double, std::string> value_;
};

}  // namespace terv
