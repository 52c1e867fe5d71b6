// The functions the dialect translator puts in place of operators and constructs of the central
// system's SQL (OracleSql.h), registered with the others by RegisterOracleFunctions:
// terv_add, terv_sub, terv_mul, terv_div (+ - * / on numbers, texts that are numbers and dates),
// terv_chknum (a value compared with a number must be one), TRUNC of dates and numbers,
// terv_date (DATE literals), the aggregate terv_one (a subquery used as a value gives at most one
// row) and terv_fits, the column width check of the schema.
#pragma once

#include <sqlite3.h>

namespace terv::central {

void FnAdd(sqlite3_context* ctx, int argc, sqlite3_value** v);
void FnSub(sqlite3_context* ctx, int argc, sqlite3_value** v);
void FnMul(sqlite3_context* ctx, int argc, sqlite3_value** v);
void FnDiv(sqlite3_context* ctx, int argc, sqlite3_value** v);
void FnCheckNumber(sqlite3_context* ctx, int argc, sqlite3_value** v);
void FnTrunc(sqlite3_context* ctx, int argc, sqlite3_value** v);
void FnDateLiteral(sqlite3_context* ctx, int argc, sqlite3_value** v);
void FnFits(sqlite3_context* ctx, int argc, sqlite3_value** v);
void OneRowStep(sqlite3_context* ctx, int argc, sqlite3_value** v);
void OneRowFinal(sqlite3_context* ctx);

}  // namespace terv::central
