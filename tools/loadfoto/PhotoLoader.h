// The photo loader: sends the field photos the return left in gAppPath/tmp/fotoc/upload/ (each
// "<name>.jpg" with its "<name>.DAT") to the central server's photo store, and deletes a pair
// only after the server confirmed it holds both files.
//
// It logs in as the program does: the probe with throw-away credentials tells a single sign-on
// server (401) from a plain one; on the former the single sign-on login opens the session whose
// cookie rides on every later request; the photo store then checks the credentials. A run that
// ends early leaves the unsent pairs in place for the next run; the store answers success for a
// photo it already holds with the same bytes, so a pair sent just before an interruption is not
// stored twice.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace terv::loadfoto {

// Exit codes of the tool.
enum ExitCode { kAllSent = 0, kSomeLeft = 1, kBadCommandLine = 2, kLoginFailed = 3 };

struct LoaderArgs {
    std::string server;  // base address with its trailing "/", as in servers.dat
    std::string user;
    std::string password;
};

// Splits "server" + "Þ" + user + "Þ" + password (Þ as UTF-8, or as the single Windows-1252
// byte); false when a piece is missing. The password is everything after the second "Þ".
bool ParseLoaderArgument(const std::string& argument, LoaderArgs* out);

struct LoaderCounts {
    int found = 0;    // pairs in the upload folder at the start
    int sent = 0;     // stored by this run
    int already = 0;  // the server already held them with the same bytes
    int failed = 0;   // left in place
};

// Logs in. False with a text in *error (refused credentials, server not reachable).
bool LoaderLogin(const LoaderArgs& args, std::string* error);

// Sends every pair of `folder`, in name order. Each line of progress goes to `report`.
LoaderCounts UploadFolder(const LoaderArgs& args, const std::string& folder,
                          const std::function<void(const std::string&)>& report);

}  // namespace terv::loadfoto
