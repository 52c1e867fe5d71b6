// The error every local-database operation throws: a clear text that names the database file and
// the statement that failed, so that a caller can report it as it stands.
#pragma once

#include <stdexcept>
#include <string>

namespace terv {

class DbError : public std::runtime_error {
  public:
    // `message` says what went wrong; `file` and `statement` may be empty when unknown.
    DbError(const std::string& message, const std::string& file, const std::string& statement);

    // The reason alone, without file and statement.
    const std::string& message() const { return message_; }
    const std::string& file() const { return file_; }
    const std::string& statement() const { return statement_; }

  private:
    std::string message_;
    std::string file_;
    std::string statement_;
};

}  // namespace terv
