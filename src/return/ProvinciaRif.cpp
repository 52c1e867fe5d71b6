#include "ProvinciaRif.h"

#include "data/db/mdbUtil.h"
#include "platform/VbText.h"
#include "shell/config/clsTervcli.h"

namespace terv {

int32_t LeggiProvinciaRif(Database& db, int32_t numeScar, std::string& province) {
    int32_t lines = gTervcli().GetQueryString(
        "SELECT PROV_RIF FROM TERVLISTALAV WHERE id_lav IN(SELECT ID_LAV FROM TERVPLAV WHERE "
        "NUME_SCAR_PALM=" +
            std::to_string(numeScar) + " AND ROWNUM=1) AND ROWNUM=1",
        province);
    if (lines > 0)
        return lines;
    const std::string id = DbGetText(db, "SELECT FIRST(ID_PART) FROM PART_DICH");
    if (id.empty())
        return 0;
    // ID_PART: municipality code, sheet as "0000", parcel number, sub-parcel ("_" for blank).
    const std::string sub = Replace(Mid(id, 14), "_", " ");
    return gTervcli().GetQueryString(
        "SELECT PROV_RIF FROM TERVLISTALAV WHERE id_lav IN(SELECT MAX(ID_LAV) FROM TERVPLAV WHERE "
        "COD_NAZIONALE='" +
            Replace(Left(id, 4), "'", "''") +
            "' AND FOGLIO=" + std::to_string(CLng(Mid(id, 5, 4))) + " AND PARTICELLA='" +
            Replace(Mid(id, 9, 5), "'", "''") + "' AND SUB='" + Replace(sub, "'", "''") +
            "') AND ROWNUM=1",
        province);
}

}  // namespace terv
