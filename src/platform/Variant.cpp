#include "Variant.h"

#include "VbText.h"

namespace terv {

std::string Variant::AsText() const {
    if (IsText()) return std::get<std::string>(value_);
    if (IsInteger()) return std::to_string(std::get<int64_t>(value_));
    if (IsDouble()) return NumToText(std::get<double>(value_));
    return {};
}

double Variant::AsDouble() const {
    if (IsInteger()) return static_cast<double>(std::get<int64_t>(value_));
    if (IsDouble()) return std::get<double>(value_);
    if (IsText()) return Val(std::get<std::string>(value_));
    return 0.0;
}

int32_t Variant::AsLong() const { return CLng(AsDouble()); }

}  // namespace terv
