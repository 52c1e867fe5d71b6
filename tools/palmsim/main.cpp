// palmsim --root DIR [--card 0|1] [--seed N] [--inspector CODE] [--fraction F]: the handheld
// simulator (see Simulation.h). On success it prints a JSON summary on standard output: the
// inspector, per municipality the rows written to each table and the photo files. Exit status
// 0 on success; otherwise one line on standard error and the codes of Simulation.h.
#include <cstdlib>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>

#include "Simulation.h"

namespace {

using terv::palmsim::SimOptions;

constexpr const char* kUsage =
    "usage: palmsim --root DIR [--card 0|1] [--seed N] [--inspector CODE] [--fraction F]";

bool ParseNumber(const std::string& text, double* out) {
    char* end = nullptr;
    *out = std::strtod(text.c_str(), &end);
    return !text.empty() && end && *end == '\0';
}

std::optional<SimOptions> ParseArguments(int argc, char** argv, std::string* error) {
    SimOptions o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) {
            *error = "missing value after " + arg;
            return std::nullopt;
        }
        const std::string value = argv[++i];
        double n = 0;
        if (arg == "--root") {
            o.root = value;
        } else if (arg == "--inspector") {
            o.inspector = value;
        } else if (arg == "--card" && (value == "0" || value == "1")) {
            o.card = value == "1";
        } else if (arg == "--seed" && ParseNumber(value, &n) && n >= 0 && n < 1e18 &&
                   value.find_first_not_of("0123456789") == std::string::npos) {
            o.seed = std::stoull(value);
        } else if (arg == "--fraction" && ParseNumber(value, &n) && n >= 0 && n <= 1) {
            o.fraction = n;
        } else {
            *error = "bad argument " + arg + " " + value;
            return std::nullopt;
        }
    }
    if (o.root.empty()) {
        *error = "--root is required";
        return std::nullopt;
    }
    return o;
}

nlohmann::json Summary(const terv::palmsim::SimResult& r) {
    nlohmann::json comuni = nlohmann::json::array();
    for (const auto& c : r.comuni) {
        nlohmann::json photos = nlohmann::json::array();
        for (const auto& p : c.photos)
            photos.push_back({{"file", p.file},
                              {"id_part", p.idPart},
                              {"prog_foto", p.progFoto},
                              {"stamp", p.stamp},
                              {"picture", p.picture},
                              {"kind", p.kind}});
        comuni.push_back({{"code", c.code},
                          {"PART_DICH", c.parcels},
                          {"UTIL_RILE", c.uses},
                          {"FAG_RILE", c.trees},
                          {"NORME_RILE", c.rules},
                          {"photos", photos}});
    }
    return {{"inspector", r.inspector}, {"comuni", comuni}};
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto options = ParseArguments(argc, argv, &error);
    if (!options) {
        std::cerr << "palmsim: " << error << "\n" << kUsage << "\n";
        return terv::palmsim::kBadCommandLine;
    }
    terv::palmsim::SimResult result;
    const int code = terv::palmsim::Simulate(*options, &result, &error);
    if (code != terv::palmsim::kOk) {
        std::cerr << "palmsim: " << error << "\n";
        return code;
    }
    std::cout << Summary(result).dump(1) << "\n";
    return 0;
}
