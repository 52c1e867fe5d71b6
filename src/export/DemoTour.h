// A guided run of the export windows for the demo: opens the export window from the main menu,
// picks a work list, municipalities and sheets in the selection window, registers an export,
// sends it to the first memory card of the device folder and shows the list of the operator's
// exports, saving a picture of each window into a folder. It
// ends by writing "fatto.txt" there and closing the main window. Started only when the
// environment asks for it (TERVPALM_DEMO_SHOTS names the folder).
#pragma once

#include <string>

class QWidget;

namespace terv {

void StartDemoTour(QWidget* mainWindow, const std::string& folder);

}  // namespace terv
