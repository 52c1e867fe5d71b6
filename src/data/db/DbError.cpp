#include "DbError.h"

namespace terv {

namespace {

std::string Describe(const std::string& message, const std::string& file,
                     const std::string& statement) {
    std::string text = message;
    if (!file.empty())
        text += " [database: " + file + "]";
    if (!statement.empty())
        text += " [statement: " + statement + "]";
    return text;
}

}  // namespace

DbError::DbError(const std::string& message, const std::string& file, const std::string& statement)
    : std::runtime_error(Describe(message, file, statement)),
      message_(message),
      file_(file),
      statement_(statement) {}

}  // namespace terv
