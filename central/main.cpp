// terv-central: the reference central server.
//   terv-central --port N --db FILE [--mode plain|sso] [--clock-offset SECONDS] [--demo [SIZE]]
//                [--resources DIR] [--client-name NAME] [--test-hooks] [--threads N]
//                [--statement-timeout SECONDS] [--request-timeout SECONDS]
//                [--max-body-bytes N] [--max-value-bytes N] [--max-answer-bytes N]
// Prints "listening on PORT" as its first line; SIGTERM and SIGINT stop it cleanly.
#include <signal.h>
#include <sqlite3.h>

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
                 "[--client-name NAME] [--test-hooks] [--threads N] [--statement-timeout SECONDS] "
                 "[--request-timeout SECONDS] [--max-body-bytes N] [--max-value-bytes N] "
                 "[--max-answer-bytes N]\n";
}

bool ParseNumber(const char* text, long long* out) {
    char* end = nullptr;
    *out = std::strtoll(text, &end, 10);
    return end != text && *end == '\0';
}

// The positive number options: name, target, and the factor from the given unit to the stored one.
struct Limit {
    const char* name;
    long long terv::central::ServerOptions::*field;
    long long factor;
};
constexpr Limit kLimits[] = {
    {"--statement-timeout", &terv::central::ServerOptions::statement_timeout_ms, 1000},
    {"--request-timeout", &terv::central::ServerOptions::request_timeout_ms, 1000},
    {"--max-body-bytes", &terv::central::ServerOptions::max_body_bytes, 1},
    {"--max-value-bytes", &terv::central::ServerOptions::max_value_bytes, 1},
    {"--max-answer-bytes", &terv::central::ServerOptions::max_answer_bytes, 1},
};

// A positive number option at argv[i]; false when `arg` is none of them or its value is bad.
bool ParseLimit(const std::string& arg, const char* value, terv::central::ServerOptions* options) {
    long long n = 0;
    for (const Limit& l : kLimits) {
        if (arg == l.name && value != nullptr && ParseNumber(value, &n) && n > 0 &&
            n < (1LL << 40)) {
            options->*l.field = n * l.factor;
            return true;
        }
    }
    return false;
}

// Fills *options from the command line; false on a bad argument.
bool ParseArgs(int argc, char** argv, terv::central::ServerOptions* options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool has_value = i + 1 < argc;
        long long n = 0;
        if (ParseLimit(arg, has_value ? argv[i + 1] : nullptr, options)) {
            ++i;
        } else if (arg == "--threads" && has_value && ParseNumber(argv[i + 1], &n) && n > 0 &&
                   n <= 4096) {
            options->threads = static_cast<int>(n);
            ++i;
        } else if (arg == "--port" && has_value && ParseNumber(argv[i + 1], &n) && n >= 0 &&
                   n < 65536) {
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
    // No memory statistics: nothing reads them, and keeping them takes a global mutex on every
    // allocation of every connection. Only possible before SQLite's first use.
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
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
