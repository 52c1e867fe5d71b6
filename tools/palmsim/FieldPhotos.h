// The photos of the surveyed parcels: a JPEG picture "<name>.jpg" and a data file "<name>.dat"
// of four scrambled lines (time taken "YYYYMMDDHHNNSS", x, y, angle), where the name is the
// parcel's ID_PART without its "_" for a blank subaltern, followed by the 3-digit photo number.
//
// Once per run the folder also receives what a real handheld leaves behind: a data file whose
// picture is missing, an empty data file, and a second data file for a parcel and photo number
// already taken, named with the "_" kept (the name still reads as the same parcel).
#pragma once

#include <string>
#include <vector>

#include "SimRandom.h"
#include "Simulation.h"
#include "SurveyDb.h"

namespace terv::palmsim {

// The odd files of a run, each written once.
struct PhotoOddities {
    int written = 0;  // photos written so far in the run
    bool empty = false;
    bool duplicate = false;
};

// Writes the photos of `parcels` into `folder` (created when missing). False with a text in
// *error when a file cannot be written.
bool TakePhotos(const std::string& folder, const std::vector<SurveyedParcel>& parcels,
                SimRandom& rng, PhotoOddities& odd, ComuneResult& result, std::string* error);

// The four lines of a data file, each scrambled with the handheld's key, CR LF after each.
std::string PhotoDataFile(const std::string& stamp, double x, double y, int angle);

// A small JPEG picture whose pixels follow from `rng`.
std::string PictureJpeg(SimRandom& rng);

}  // namespace terv::palmsim
