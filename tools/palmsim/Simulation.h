// The handheld simulator: plays a field inspector on a device folder prepared by the transfer.
//
// Under the card folder ("Scheda di memoria" or "Scheda di memoria2") of the device root it reads
// orvex/terv34bis_ppc.db for the municipalities and the inspectors, and in each
// orvex/<code>/db_comu.db it marks a share of the parcels still to survey as surveyed and records
// crop uses, tree counts and rule violations for them; their photos (JPEG pictures with
// scrambled data files) go to orvex/<code>/photo/. Everything follows from the seed: the same
// seed on the same device folder writes byte-identical files.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace terv::palmsim {

struct SimOptions {
    std::string root;  // device root folder on the PC
    int card = 0;      // 0: "Scheda di memoria", 1: "Scheda di memoria2"
    uint64_t seed = 1;
    std::string inspector;  // COD_AGRONOMO; empty: the first one of AGRONOMI
    double fraction = 0.5;  // share of the parcels still to survey that get surveyed
};

// One file written into a photo folder.
struct PhotoRecord {
    std::string file;    // the data file's name (".dat")
    std::string idPart;  // parcel the name stands for
    int progFoto = 0;
    std::string stamp;  // time the photo was taken ("" for the empty data file)
    bool picture = false;
    std::string kind;  // "photo", "orphan" (no picture), "empty", "duplicate"
};

struct ComuneResult {
    std::string code;
    int parcels = 0;  // PART_DICH rows marked surveyed
    int uses = 0;     // UTIL_RILE rows written
    int trees = 0;    // FAG_RILE rows written
    int rules = 0;    // NORME_RILE rows written
    std::vector<PhotoRecord> photos;
};

struct SimResult {
    std::string inspector;
    std::vector<ComuneResult> comuni;
};

// Exit codes of the tool.
enum ExitCode { kOk = 0, kBadCommandLine = 1, kNoDevice = 2, kBadDatabase = 3, kWriteFailed = 4 };

// Runs the simulation. Returns kOk, or another ExitCode with a text in *error; a municipality
// database is changed in one transaction, so a failure leaves it as it was.
int Simulate(const SimOptions& options, SimResult* result, std::string* error);

// The card folder of the device root: root + "/Scheda di memoria" (card 0) or "...2".
std::string CardFolder(const SimOptions& options);

}  // namespace terv::palmsim
