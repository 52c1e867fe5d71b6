#include "HandheldValues.h"

#include "platform/VbText.h"

namespace terv {

std::string SqlQuoted(const std::string& text) {
    return "'" + Replace(text, "'", "''") + "'";
}

SqllValue TextValue(const Variant& value) {
    if (value.IsNull())
        return {};
    std::string text = Trim(value.AsText());
    if (text.empty())
        return {};
    return {SqllValue::kText, std::move(text)};
}

SqllValue NumberValue(const Variant& value) {
    if (value.IsNull())
        return {};
    return {SqllValue::kNumber, NumText(value)};
}

}  // namespace terv
