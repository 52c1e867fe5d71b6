#include "ExportSteps.h"

#include "ScaricaGrafica.h"

#include "data/FileUtil.h"
#include "data/TextUtil.h"
#include "platform/UiPort.h"
#include "shell/base/LogFiles.h"
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

void LogLine(const std::string& name, const std::string& line) {
    MakePath(gAppPath + "/log/");
    const long log = OpenLog(gAppPath + "/log/" + name, true);
    WriteLog(log, NowStamp() + " " + line, 0, true);
    CloseLog(log, 0);
}

int32_t ScaricaGrafica(const ExportJob& job, const std::string& comune) {
    // The map job reads the export number and quality from a form state and reports each
    // caption through it; forward those to the export window.
    TrasfPalmState form;
    form.lblCodScarico = job.numScarico;
    form.txtQualita = job.qualita;
    form.onChange = [&job, &form] {
        if (job.onStep)
            job.onStep(form.lblcurrop, form.progressValue, form.progressMax);
    };
    ScaricaGrafica(form, comune);
    return 0;
}

}  // namespace terv
