// The error texts of the local databases where Jet has a message of its own: what the layer
// refuses and what a check or a function fails with reads as the Access engine would say it.
//
// Constructs Jet accepts but the layer does not carry out are refused with NotSupported(),
// functions it does not know with UndefinedFunction(); nothing runs with another meaning.
#pragma once

#include <string>
#include <string_view>

namespace terv::jet_error {

inline constexpr const char* kFieldTooSmall =
    "The field is too small to accept the amount of data you attempted to add. Try inserting or "
    "pasting less data.";
inline constexpr const char* kTypeMismatch = "Data type mismatch in criteria expression.";
inline constexpr const char* kOverflow = "Numeric field overflow.";
inline constexpr const char* kDivisionByZero = "Division by zero";
inline constexpr const char* kInvalidUseOfNull = "Invalid use of Null";
inline constexpr const char* kInvalidArgument = "Invalid procedure call or argument";
inline constexpr const char* kTrailing = "Characters found after end of SQL statement.";
inline constexpr const char* kInvalidStatement =
    "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'.";

inline std::string UndefinedFunction(std::string_view name) {
    return "Undefined function '" + std::string(name) + "' in expression.";
}
inline std::string NotSupported(std::string_view construct) {
    return "Not supported by the local database: " + std::string(construct);
}
inline std::string SyntaxError(std::string_view where) {
    return "Syntax error in " + std::string(where) + ".";
}
inline std::string AlreadyExists(std::string_view table) {
    return "Table '" + std::string(table) + "' already exists.";
}

inline std::string IndexExists(std::string_view table, std::string_view index) {
    return "Table '" + std::string(table) + "' already has an index named '" + std::string(index) +
           "'.";
}

}  // namespace terv::jet_error
