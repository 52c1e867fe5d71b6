#include "AnnullaScarico.h"

#include <string>
#include <vector>

#include "ExportTexts.h"
#include "data/net/SidSde.h"
#include "modItalia.h"
#include "platform/UiPort.h"
#include "platform/VbText.h"
#include "shell/base/modMain.h"

namespace terv {

void AnnullaScarico() {
    std::vector<std::string> lines;
    const int chosen = ScegliScarico(lines);
    if (chosen < 0)
        return;
    std::vector<std::string> f = Split(lines[chosen], ",");
    f.resize(std::max<size_t>(f.size(), 2));
    // The number goes into the statements unquoted: only its numeric value is used.
    const std::string number = NumToText(Val(f[0]));
    if (MsgBox(texts::kAskAnnulla + f[0] + " - " + f[1] + " ?", vbYesNo | vbQuestion) != vbYes)
        return;
    ExecSql(gUserName,
            "UPDATE TERVPLAV SET NUME_SCAR_PALM = NULL WHERE NUME_SCAR_PALM=" + number +
                ";DELETE FROM palm_scarichi WHERE NUME_SCAR=" + number,
            false);
}

}  // namespace terv
