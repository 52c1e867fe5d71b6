// The two export steps that follow the registration: the download of the export's data from the
// server into the transit database palmdb.mdb, and the build of the handheld's databases and map
// files from it. The export procedure calls them in this order and reads their results.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace terv {

// What the export hands to the steps.
struct ExportJob {
    std::string numScarico;  // the export number whose parcels are downloaded
    std::string qualita;     // photo quality of the map files, in percent as typed
    // Shows a step's caption and the bar's position out of `max` on the export window; without
    // it the steps report through the UI port alone.
    std::function<void(const std::string& caption, long value, long max)> onStep;
    bool mapFiles = true;  // false: the handheld databases without their map files
};

struct DownloadResult {
    int32_t code = 0;                 // 0: downloaded; anything else skips the build
    std::vector<std::string> comuni;  // municipalities (COD_NAZIONALE) the download found
};

// Shows a step of the export on the window (or the UI port) and lets it repaint.
void ShowExportStep(const ExportJob& job, const std::string& caption, long value, long max);

// The transit database gTmpPath/palmdb.mdb.
std::string PalmDbPath();
// The folder of the handheld files, gAppPath/tmp/palmare/.
std::string PalmareFolder();

// Appends the time and `line` to `name` in the program's log folder, gAppPath/log/.
void LogLine(const std::string& name, const std::string& line);
// The export's log, log/scarico.log.
inline void LogScarico(const std::string& line) {
    LogLine("scarico.log", line);
}

// Deletes and creates palmdb.mdb, fills its nine tables from the server with the parcels that
// carry the export number, indexes it and reads its municipality list. A failed step shows a
// message naming it and gives a nonzero code with no municipality.
DownloadResult ScaricaDatiExport(const ExportJob& job);

// Builds, from palmdb.mdb, the handheld's main database terv34bis_ppc.db and, per municipality
// of the download, the folder named by its code with db_comu.db and its map files. Returns 0 on
// success; on a failure it shows a message naming the step and stops, leaving no file of that
// step under its final name. Folders of other municipalities are left as they are.
int32_t CostruisciPalmare(const ExportJob& job, const DownloadResult& download);

// The map layers and orthophotos of municipality `comune` into its folder, with the captions on
// the export window. A failed map download ends the map job quietly; the export goes on (0).
int32_t ScaricaGrafica(const ExportJob& job, const std::string& comune);

}  // namespace terv
