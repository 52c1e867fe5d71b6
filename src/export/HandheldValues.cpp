#include "HandheldValues.h"

#include "platform/VbText.h"

namespace terv {

std::string SqlQuoted(const std::string& text) {
    return "'" + Replace(text, "'", "''") + "'";
}

}  // namespace terv
