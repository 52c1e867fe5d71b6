// What the central system refuses and the dialect translator (OracleSql.h) checks on the
// statement tree before SQLite would run it with another meaning: a grouped query that reads
// ungrouped columns, and a subquery used as a value that gives two rows. Also the select-list
// helpers the translator shares with these checks.
#pragma once

#include <string>

#include "SqlTokens.h"

namespace terv::central {

// The number of leading words of a select list's first item that are not the item: SELECT and
// DISTINCT, UNIQUE or ALL.
size_t SelectWords(const Nodes& item);

// An aggregate call (COUNT, MAX, ...) anywhere in the nodes except inside subqueries.
bool HasAggregate(const Nodes& nodes);

// Upper-case text of an expression without blanks (texts in quotes as written); without the
// column qualifiers when `qualified` is false.
std::string Canonical(const Nodes& nodes, bool qualified = true);

// A select item without its column alias.
Nodes WithoutAlias(Nodes item);

// The select list `head` and the rest `tail` (GROUP BY, HAVING, ORDER BY) of a query block read
// only grouped expressions and aggregates. Returns false with ORA-00979, or ORA-00937 for an
// aggregate query without GROUP BY, in *error.
bool CheckGrouping(const Nodes& head, const Nodes& tail, std::string* error);

// Row values ("(a, b)" or a subquery of two or more columns) are compared only for equality or
// with IN; an ordering comparison or BETWEEN on one is ORA-00920 in *error, and false.
bool CheckRowComparisons(const Nodes& nodes, std::string* error);

// Wraps the translated subqueries of this level that are used as values (also those of two or
// more columns compared for equality with a row) so that a second row is ORA-01427 when they
// run; those of FROM, IN, EXISTS, ANY and ALL and those that cannot give two rows stay as they
// are.
void CheckScalarSubqueries(Nodes* nodes);

}  // namespace terv::central
