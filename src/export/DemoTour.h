// A guided run of the program for the demo, in two parts that the demo script starts as two runs
// of the program with the handheld simulator in between. It saves a picture of each window it
// passes through into a folder, writes "fatto.txt" there at the end and closes the main window.
// Started only when the environment asks for it: TERVPALM_DEMO_SHOTS names the folder,
// TERVPALM_DEMO_PART the part.
//
// The export part (kDemoScarico, also when the part is not named) opens the export window from
// the main menu, picks a work list, two municipalities and a sheet in the selection window,
// registers an export with photos, sends it to the first memory card of the device folder and
// shows the list of the operator's exports.
//
// The return part (kDemoRientro) opens the return window from the main menu, picks the first
// memory card and runs "Recupera dati dal palmare", answering every message box (a question with
// Yes): the return copies and merges the surveys, uploads them, prints the receipt and starts the
// photo loader.
#pragma once

#include <string>

class QWidget;

namespace terv {

inline constexpr const char* kDemoScarico = "scarico";
inline constexpr const char* kDemoRientro = "rientro";

void StartDemoTour(QWidget* mainWindow, const std::string& folder, const std::string& part);

}  // namespace terv
