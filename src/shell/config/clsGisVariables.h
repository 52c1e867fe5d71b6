// The server variables: named settings of the central server, read at every login from
// gisparam.dat and asked for by name with a default for the rest of the run.
#pragma once

#include <map>
#include <string>

namespace terv {

class clsGisVariables {
  public:
    // Sets the value of `Nome`, adding the name when it is new. Names keep their letter case.
    void AggiungiVariabile(const std::string& Nome, const std::string& Valore);
    // The stored value; else `defvalue` (which is "" when not given).
    std::string GetVariabile(const std::string& Nome, const std::string& defvalue = "") const;
    // Adds "name,value[,...]" lines of the file; lines without "," are skipped, a missing file
    // adds nothing, later lines win.
    void GetVarsFromFile(const std::string& FileName);
    size_t Count() const { return values_.size(); }

  private:
    std::map<std::string, std::string> values_;
};

}  // namespace terv
