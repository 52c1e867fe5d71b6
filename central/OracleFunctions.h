// The central system's SQL functions on a SQLite connection: NVL, NVL2, DECODE, TO_CHAR (number
// masks such as '0000' and date masks), TO_DATE, TO_NUMBER, SUBSTR, TRIM, LTRIM, RTRIM, UPPER,
// LOWER, LPAD, RPAD, MOD, CHR, SDO_TOOLS_GET_POINT_X/Y (after translation of
// SDO_TOOLS.get_point_x), the password function named by the DATOLOGIN server variable, the
// helpers the translator calls (terv_sysdate, terv_nextval, terv_concat), and the operators and
// checks of OracleOperators.h (arithmetic, TRUNC, DATE literals, single-row subqueries, column
// widths). Values follow SqlValues.h: dates are texts "YYYYMMDDHHNNSS", and functions that would
// give an empty text give NULL.
#pragma once

#include <sqlite3.h>

#include <string>

namespace terv::central {

// Name of the password function, usable as the DATOLOGIN server variable.
inline constexpr const char* kPasswordFunction = "GET_PWD_UTENTE";

struct FunctionContext {
    long long clock_offset_seconds = 0;  // added to the system clock for SYSDATE
    std::string users_table;             // table of the users (UTENTE, PWD)
};

// Registers every function on `db`; `ctx` must outlive the connection. Returns a SQLite code.
int RegisterOracleFunctions(sqlite3* db, const FunctionContext* ctx);

// The current date and time "YYYYMMDDHHNNSS" (local time), shifted by the offset.
std::string SysdateText(long long offset_seconds);

// The number as the central system writes it without a mask: integers plainly, fractions
// without a leading zero (".5"), up to 15 significant digits.
std::string OracleNumberText(double value);

// A number mask of TO_CHAR such as '0000', '990.00', 'FM999', read once for every row.
struct NumberMask {
    std::string mask;  // upper case, without FM
    bool fm = false;   // no leading blanks
    size_t int_positions = 0, frac_digits = 0;
    size_t zero_start = std::string::npos;  // first integer position printed even as zero
    bool all_zeros = false;                 // digits '0' only, as in '0000'
};

// Reads a number mask; false with an "ORA-" text in *error for a mask it does not know.
bool ParseNumberMask(const std::string& raw_mask, NumberMask* mask, std::string* error);

// TO_CHAR of a number with a read mask.
void FormatNumber(double value, const NumberMask& mask, std::string* out);

// TO_CHAR of a date text with a date mask ('YYYYMMDDHH24MISS', 'DD/MM/YYYY', 'MMYYYY' ...).
bool FormatDateMask(const std::string& date14, const std::string& mask, std::string* out,
                    std::string* error);

// TO_DATE: parses `text` by `mask` into "YYYYMMDDHHNNSS".
bool ParseDateMask(const std::string& text, const std::string& mask, std::string* out,
                   std::string* error);

}  // namespace terv::central
