// loadfoto "server" + "Þ" + user + "Þ" + password: the photo loader the program starts after a
// return (see PhotoLoader.h). Console program: one line per photo and a summary on standard
// output, also appended to gAppPath/log/loadfoto.log when the program's log folder exists.
// Exit status 0 only when every photo of the upload folder reached the server.
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>

#include "PhotoLoader.h"
#include "data/TextUtil.h"
#include "data/net/velto_sso.h"
#include "platform/Cp1252.h"
#include "shell/base/modMain.h"

namespace {

using namespace terv::loadfoto;

// Progress lines to the console and, when the log folder exists, to the log (Windows code page).
class Progress {
  public:
    explicit Progress(const std::string& appPath) {
        std::error_code ec;
        if (std::filesystem::is_directory(appPath + "/log", ec))
            log_.open(appPath + "/log/loadfoto.log", std::ios::binary | std::ios::app);
    }
    void operator()(const std::string& line) {
        std::cout << line << std::endl;
        if (log_)
            log_ << terv::Utf8ToCp1252(terv::NowStamp() + " " + line) << "\r\n" << std::flush;
    }

  private:
    std::ofstream log_;
};

}  // namespace

int main(int argc, char** argv) {
    // The program passes one argument; a shell may have split it at blanks of the password.
    std::string argument;
    for (int i = 1; i < argc; ++i)
        argument += (i > 1 ? " " : "") + std::string(argv[i]);
    LoaderArgs args;
    if (!ParseLoaderArgument(argument, &args)) {
        std::cerr << "uso: loadfoto server\xC3\x9Eutente\xC3\x9Epassword\n";
        return kBadCommandLine;
    }
    const std::string appPath = terv::ProgramFolder();
    Progress report(appPath);
    const std::string folder = appPath + "/tmp/fotoc/upload";
    std::string error;
    if (!LoaderLogin(args, &error)) {
        report("Accesso al server non riuscito: " + error);
        return kLoginFailed;
    }
    const LoaderCounts counts = UploadFolder(args, folder, std::ref(report));
    terv::SsoDisconnect();
    report("Foto trovate: " + std::to_string(counts.found) + ", inviate: " +
           std::to_string(counts.sent) + ", già presenti: " + std::to_string(counts.already) +
           ", non inviate: " + std::to_string(counts.failed));
    return counts.failed == 0 ? kAllSent : kSomeLeft;
}
