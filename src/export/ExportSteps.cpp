#include "ExportSteps.h"

#include "platform/UiPort.h"
#include "shell/base/modMain.h"

namespace terv {

void ShowExportStep(const ExportJob& job, const std::string& caption, long value, long max) {
    if (job.onStep) {
        job.onStep(caption, value, max);
        return;
    }
    Ui().Progress(caption);
    Ui().ProgressValue(value, max);
    Ui().Repaint();
}

std::string PalmDbPath() {
    return gTmpPath + "/palmdb.mdb";
}

std::string PalmareFolder() {
    return gAppPath + "/tmp/palmare/";
}

int32_t ScaricaGrafica(const ExportJob&, const std::string&) {
    return 0;
}

}  // namespace terv
