// The two export steps that follow the registration: the download of the export's data from the
// server into the transit database, and the build of the handheld's databases and map files
// from it. The export procedure calls them in this order and reads their results.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace terv {

// What the export hands to the steps.
struct ExportJob {
    std::string numScarico;  // the export number whose parcels are downloaded
    std::string qualita;     // photo quality of the map files, in percent as typed
};

struct DownloadResult {
    int32_t code = 0;                 // 0: downloaded; anything else skips the build
    std::vector<std::string> comuni;  // municipalities (COD_NAZIONALE) the download found
};

// Downloads the parcels that carry the export number and everything the handheld needs with
// them. Nothing is downloaded yet: the result is a successful download that found no
// municipality, the path of an export without parcels.
DownloadResult ScaricaDatiExport(const ExportJob& job);

// Builds the handheld's main database and, per municipality of the download, its database and
// map files; returns 0 on success. With no municipality there is nothing to build.
int32_t CostruisciPalmare(const ExportJob& job, const DownloadResult& download);

}  // namespace terv
