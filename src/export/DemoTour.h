// A guided run of the export windows for the demo: opens the export window from the main menu,
// picks a work list, municipalities and sheets in the selection window, registers an export,
// sends it to the first memory card of the device folder and shows the list of the operator's
// exports, saving a picture of each window into a folder. It
// ends by writing "fatto.txt" there and closing the main window. Started only when the
// environment asks for it (TERVPALM_DEMO_SHOTS names the folder).
#pragma once

#include <functional>
#include <string>

class QWidget;

namespace terv {

// `rigenera`, when given, is the return window's "Rigenera ricevuta da centrale": the tour runs it
// last, choosing the export numbered kDemoRicevuta in its list and answering Yes.
inline constexpr const char* kDemoRicevuta = "901";
void StartDemoTour(QWidget* mainWindow, const std::string& folder,
                   std::function<void()> rigenera = {});

}  // namespace terv
