// What a request may read and write. In single sign-on mode the rights follow the role of the
// session's user (GISUSERS.RUOLO); in plain mode, which has no identity, a request has the rights
// of the legacy gateway account: every table of the schema. The users table's password column
// is readable only in plain mode; the password function answers a session only for its own user.
#pragma once

#include <sqlite3.h>

#include <map>
#include <string>

#include "Themes.h"

namespace terv::central {

enum class Right { kNone, kRead, kWrite };

class Grants {
  public:
    // The rights of plain mode.
    static Grants Plain();
    // The rights of `user` with `role` (0 when the user has no role).
    static Grants ForRole(const ThemeList& themes, const std::string& user, long long role);

    // Reading `column` of `table` (an upper-case or mixed-case name of the main schema).
    bool MayRead(const std::string& table, const std::string& column) const;
    bool MayWrite(const std::string& table) const;
    // Whether the password function may answer for `user`.
    bool MayReadPasswordOf(const std::string& user) const;

  private:
    Right RightOn(const std::string& table) const;

    bool everything_ = false;
    std::string user_;                     // upper case
    std::string users_table_;              // upper case; its PWD column stays unreadable
    std::map<std::string, Right> tables_;  // upper-case name -> right
    Right others_ = Right::kNone;          // tables and views not listed
};

// The role of `user` in the roles table: the largest RUOLO of its rows, 0 without one.
long long RoleOf(sqlite3* db, const ThemeList& themes, const std::string& user);

}  // namespace terv::central
