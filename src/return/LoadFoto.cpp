#include "LoadFoto.h"

#include <filesystem>
#include <string>

#include "platform/Process.h"
#include "platform/UiPort.h"
#include "shell/base/modMain.h"
#include "shell/config/clsTervcli.h"

namespace terv {

bool StartPhotoLoader() {
    const std::string program = gAppPath + "/loadfoto";
    const std::string argument = gTervcli().serverterv + "Þ" + gUserName + "Þ" + gPassword;
    if (StartProgram({program, argument}))
        return true;
    std::error_code ec;
    MsgBox((std::filesystem::exists(program, ec)
                ? "Impossibile avviare il programma di caricamento foto:\r"
                : "Programma di caricamento foto non trovato:\r") +
               program,
           vbExclamation);
    return false;
}

}  // namespace terv
