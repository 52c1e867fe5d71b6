#include "clsGisVariables.h"

#include <vector>

#include "data/FileUtil.h"
#include "platform/VbText.h"

namespace terv {

void clsGisVariables::AggiungiVariabile(const std::string& Nome, const std::string& Valore) {
    values_[Nome] = Valore;
}

std::string clsGisVariables::GetVariabile(const std::string& Nome,
                                          const std::string& defvalue) const {
    const auto found = values_.find(Nome);
    return found == values_.end() ? defvalue : found->second;
}

void clsGisVariables::GetVarsFromFile(const std::string& FileName) {
    std::vector<std::string> lines;
    ReadLines(FileName, lines);
    for (const std::string& line : lines) {
        const std::vector<std::string> parts = Split(line, ",");
        if (parts.size() >= 2)
            AggiungiVariabile(parts[0], parts[1]);
    }
}

}  // namespace terv
