// terv-central: the reference central server.
//   terv-central --port N --db FILE [--mode plain|sso] [--clock-offset SECONDS] [--demo [SIZE]]
//                [--resources DIR] [--client-name NAME] [--test-hooks]
// Prints "listening on PORT" as its first line; SIGTERM and SIGINT stop it cleanly.
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "CentralServer.h"
#include "DemoData.h"

namespace {

void Usage() {
    std::cerr << "usage: terv-central --port N --db FILE [--mode plain|sso] "
                 "[--clock-offset SECONDS] [--demo [SIZE]] [--resources DIR] "
                 "[--client-name NAME] [--test-hooks]\n";
}

bool ParseNumber(const char* text, long long* out) {
    char* end = nullptr;
    *out = std::strtoll(text, &end, 10);
    return end != text && *end == '\0';
}

// Fills *options from the command line; false on a bad argument.
bool ParseArgs(int argc, char** argv, terv::central::ServerOptions* options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool has_value = i + 1 < argc;
        long long n = 0;
        if (arg == "--port" && has_value && ParseNumber(argv[i + 1], &n) && n >= 0 && n < 65536) {
            options->port = static_cast<int>(n);
            ++i;
        } else if (arg == "--db" && has_value) {
            options->db_path = argv[++i];
        } else if (arg == "--mode" && has_value) {
            options->mode = argv[++i];
        } else if (arg == "--clock-offset" && has_value && ParseNumber(argv[i + 1], &n)) {
            options->clock_offset_seconds = n;
            ++i;
        } else if (arg == "--demo") {
            options->demo_parcels = 200;
            if (has_value && ParseNumber(argv[i + 1], &n) && n >= 0) {
                options->demo_parcels = n;
                ++i;
            }
        } else if (arg == "--resources" && has_value) {
            options->resources = argv[++i];
        } else if (arg == "--client-name" && has_value) {
            options->client_name = argv[++i];
        } else if (arg == "--test-hooks") {
            options->test_hooks = true;
        } else {
            std::cerr << "terv-central: bad argument " << arg << "\n";
            return false;
        }
    }
    return true;
}

// The resources folder beside the executable when there is one, else the compiled-in default.
std::string DefaultResources() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec && std::filesystem::exists(exe.parent_path() / "resources" / "themes.csv", ec)) {
        return (exe.parent_path() / "resources").string();
    }
    return TERV_CENTRAL_RESOURCES;
}

}  // namespace

int main(int argc, char** argv) {
    terv::central::ServerOptions options;
    options.resources = DefaultResources();
    if (!ParseArgs(argc, argv, &options)) {
        Usage();
        return 2;
    }
    // The signals are taken by sigwait below, not by whichever thread happens to run.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGTERM);
    sigaddset(&stop_signals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

    terv::central::CentralServer server(options);
    std::string error;
    if (!server.Start(&error)) {
        std::cerr << "terv-central: " << error << "\n";
        return 1;
    }
    std::cout << "listening on " << server.port() << std::endl;
    if (options.demo_parcels >= 0) {
        std::cout << "demo user: " << terv::central::kDemoUser
                  << " password: " << terv::central::kDemoPassword << std::endl;
    }
    int signal_number = 0;
    sigwait(&stop_signals, &signal_number);
    server.Stop();
    std::cout << "stopped" << std::endl;
    return 0;
}
