// Single sign-on sessions: a random token (cookie TERVSSO) per logged-in user.
#pragma once

#include <map>
#include <mutex>
#include <string>

namespace terv::central {

inline constexpr const char* kSessionCookie = "TERVSSO";

class Sessions {
  public:
    // A new session of `user`; returns its token.
    std::string Open(const std::string& user);
    // The user of a token; false when the token is unknown.
    bool Find(const std::string& token, std::string* user) const;
    void Close(const std::string& token);

  private:
    mutable std::mutex mutex_;
    std::map<std::string, std::string> users_;
};

// The value of cookie `name` in a Cookie header; empty when absent.
std::string CookieValue(const std::string& header, const std::string& name);

}  // namespace terv::central
