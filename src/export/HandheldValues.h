// The value formatters of the handheld's INSERT statements: SqlText and SqlNumber of the text
// helpers (NULL for Null or blank text, numbers with "." whatever the locale), and the quoted
// text of the main database's rows.
#pragma once

#include <string>

#include "data/TextUtil.h"

namespace terv {

// A text between single quotes, quotes inside doubled; "''" for empty text, never NULL.
std::string SqlQuoted(const std::string& text);

}  // namespace terv
