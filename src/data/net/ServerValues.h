// Single values drawn from the server: the next number of a server sequence and the answer of a
// one-column query. clsTervcli's GetSequence and GetQueryString forward here with the
// configuration object's scratch file (FileTempTransito).
#pragma once

#include <cstdint>
#include <string>

namespace terv {

// Deletes `transitFile`, then reads "DUAL|*|" + nomeseq + ".NEXTVAL" into it (SdoRead, silent).
// Returns the largest number in the file (ReadMaxNumber): 0 when the read failed, -10 when the
// file held no non-empty line.
int32_t GetSequence(const std::string& transitFile, const std::string& nomeseq);

// Deletes `transitFile`, then runs `Qry` for gUserName with one field into it (SelectToTxt, not
// silent). On success `thestring` receives the last non-empty line, trimmed, and the number of
// non-empty lines is returned; on failure 0 is returned and `thestring` is left unchanged.
int32_t GetQueryString(const std::string& transitFile, const std::string& Qry,
                       std::string& thestring);

}  // namespace terv
