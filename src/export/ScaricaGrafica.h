// The map files of one municipality for the handheld: the project with the extent of the
// exported sheets, the sheet and parcel layers with their property files, and the orthophoto
// tiles at two levels with their index, all fetched from the server's map servlet into
// gAppPath/tmp/palmare/<code>/ (which the export has created).
#pragma once

#include <string>

#include "modTrasfPalm.h"

namespace terv {

inline constexpr const char* kAnswerHeader = "TER_RETCODE:0|*|";
inline constexpr const char* kMsgErroreHeader = "Errore, ";
inline constexpr int kTilePixels = 1024;

// The whole map job of municipality `code` for the export form.lblCodScarico at the photo
// quality form.txtQualita (0: no parcels layer, no photos). A failed download of the extent or
// of a layer ends it without a message, keeping the files written so far.
void ScaricaGrafica(TrasfPalmState& form, const std::string& code);

// The orthophoto tiles of the extent parts (part 2..5 = X1, Y1, X2, Y2 as text), level 1 at one
// map unit per pixel, level 2 at sixteen, with the tile index orvex.orvex_union. Each tile shows
// "Scarico foto di sfondo(i/Total) [code]" and moves the progress bar. Tile downloads are not
// checked.
void ScaricaFoto(TrasfPalmState& form, const std::vector<std::string>& parts,
                 const std::string& code);

// Copies `source` without its 16-character header to `destination` (created or replaced),
// then appends `suffix`. When the header is not the success header, shows "Errore, " and the 16
// characters and leaves `destination` empty. Returns true when the copy was made.
bool StripHeader(const std::string& source, const std::string& destination,
                 const std::string& suffix);

}  // namespace terv
