// The value formatters of the handheld's rows: SqlText and SqlNumber of the text helpers (NULL for
// Null or blank text, numbers with "." whatever the locale), the same values for the writer's
// prepared inserts, and the quoted text of the main database's rows.
#pragma once

#include <string>

#include "data/TextUtil.h"
#include "sql_lite.h"

namespace terv {

// A text between single quotes, quotes inside doubled; "''" for empty text, never NULL.
std::string SqlQuoted(const std::string& text);

// The value SqlText writes, for sqll_insert: NULL for Null or blank text, else the trimmed text.
SqllValue TextValue(const Variant& value);

// The value SqlNumber writes, for sqll_insert: NULL for Null, else the number text.
SqllValue NumberValue(const Variant& value);

}  // namespace terv
