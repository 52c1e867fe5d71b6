// Jet's functions, operators and text order for SQLite, registered on every connection the
// layer opens. The query rewrite (JetQuery.h) writes Jet expressions in terms of these:
//  - the NOCASE collation is replaced by Jet's general sort order: text compares and sorts
//    without regard to case for every Windows-1252 letter (à = À), accents next to their letter;
//  - jet_cat (&: Null as empty), jet_add (+: texts join, Null propagates), jet_sub, jet_mul,
//    jet_div (/: always real), jet_idiv (\: operands rounded half to even), jet_mod, jet_pow,
//    jet_like (LIKE with *, ?, #, [a-z], [!a-z]);
//  - jet_nz, jet_mid, jet_left, jet_right, jet_len, jet_ucase, jet_lcase, jet_trim, jet_ltrim,
//    jet_rtrim, jet_cstr, jet_clng, jet_cint, jet_cdbl, jet_val, jet_now, jet_date, jet_format,
//    jet_strcomp, jet_instr;
//  - FIRST(x) and LAST(x): the value of the first / last row the aggregate reads, Null included;
//    Null for no rows.
// A text used as a number must be a number as a whole, else the function fails with Jet's
// "Data type mismatch in criteria expression."; the conversions fail on Null with "Invalid use
// of Null", as Jet's do.
#pragma once

struct sqlite3;

namespace terv {

void RegisterJetFunctions(sqlite3* db);

}  // namespace terv
