// The start of the external photo loader, which sends the photos waiting in
// gAppPath/tmp/fotoc/upload/ to the server. Used by the main window's command and at the end of
// every return.
#pragma once

namespace terv {

// Starts gAppPath/loadfoto with serverterv + "Þ" + gUserName + "Þ" + gPassword, not waiting.
// False, after a message naming the file, when it is missing or cannot be started.
bool StartPhotoLoader();

}  // namespace terv
