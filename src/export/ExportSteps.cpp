#include "ExportSteps.h"

namespace terv {

DownloadResult ScaricaDatiExport(const ExportJob&) {
    return DownloadResult{};
}

int32_t CostruisciPalmare(const ExportJob&, const DownloadResult& download) {
    return download.comuni.empty() ? 0 : -1;
}

}  // namespace terv
