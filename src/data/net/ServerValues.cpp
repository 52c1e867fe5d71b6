#include "ServerValues.h"

#include "SidSde.h"
#include "data/FileUtil.h"
#include "shell/base/modMain.h"

namespace terv {

int32_t GetSequence(const std::string& transitFile, const std::string& nomeseq) {
    DeleteIfExists(transitFile);
    if (SdoRead(0, "DUAL|*|" + nomeseq + ".NEXTVAL", 0, 0, 0, 0, 0, 0, 0, 0, transitFile, "", "",
                true) != 0)
        return 0;
    long value = 0;
    ReadMaxNumber(transitFile, value);
    return static_cast<int32_t>(value);
}

int32_t GetQueryString(const std::string& transitFile, const std::string& Qry,
                       std::string& thestring) {
    DeleteIfExists(transitFile);
    if (SelectToTxt(gUserName, Qry, 1, transitFile, false) != 0)
        return 0;
    std::string line;
    const long count = ReadLastLine(transitFile, line);
    thestring = line;
    return static_cast<int32_t>(count);
}

}  // namespace terv
