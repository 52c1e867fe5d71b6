// The login procedure: identifies the operator against the central server, detects single
// sign-on, loads profiles and server variables, checks the clock and the client version and
// refreshes the local reference tables when the server says they are stale.
//
// The outcome is gRuolo: above 0 means logged in and authorised. Every message goes through
// the UI port.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace terv {

// What the procedure needs of the login window.
class LoginForm {
  public:
    virtual ~LoginForm() = default;
    virtual std::string UserText() const = 0;
    virtual std::string PasswordText() const = 0;
    virtual void SetUserText(const std::string& text) = 0;
    virtual void SetPasswordText(const std::string& text) = 0;
    // Focus to the password box with its whole text selected.
    virtual void SelectPassword() = 0;
    // The map view handle passed to the block read.
    virtual int32_t ViewHandle() const { return 0; }
    // One step of the attempt done (kLoginSteps of them when the login succeeds): the splash
    // window's progress.
    virtual void Step() {}
};

inline constexpr int kLoginSteps = 3;

// Runs one login attempt with the texts of the form.
void DoLogin(LoginForm& form);

// The text between the first "<client>" and the next "</client>" of `answer`; "" when missing.
std::string ReadClientName(const std::string& answer);

// The server instant of a "YYYYMMDDHHNNSS" line (a trailing "," ignored) in local time; false
// when the line does not hold 14 digits.
bool ParseServerStamp(const std::string& line, std::time_t& when);

// Applies the command line ("user" + "Þ" + "password" [+ "Þ" + skip flag]) to the form; true
// when both boxes are then filled and the automatic login should run.
bool ApplyCommandLine(const std::string& commandLine, LoginForm& form);

}  // namespace terv
