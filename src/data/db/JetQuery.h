// Parses SELECT, INSERT, UPDATE and DELETE statements in Jet's dialect and writes them out as
// SQLite statements with Jet's meaning (see JetSql.h for the whole list). Expressions are parsed
// with Jet's operator precedence and written out with functions registered by JetFunctions, so
// that "&", "+", "/", "\", Mod, LIKE and text comparison mean what they mean in Jet.
#pragma once

#include <vector>

#include "JetSql.h"
#include "JetTokens.h"

namespace terv {

// Name of the column a "SELECT TOP n ... ORDER BY" adds at the end to keep the rows tied with
// the n-th; recordsets do not show it.
inline constexpr const char* kTopRankColumn = "jet top rank";

// `tokens` hold no blanks or comments. Throws JetSqlError with Jet's text for what it cannot
// read or does not carry out.
RewrittenSql RewriteJetQuery(std::vector<Token> tokens, const ColumnLookup& columns);

}  // namespace terv
