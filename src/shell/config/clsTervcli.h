// The configuration object: lays out the work folders, names the program's fixed files, opens
// the reference database and holds the server address.
//
// One instance, gTervcli(), created on first use (the login window's load) and destroyed at
// program end, when it empties the scratch folders tmp/fglc, tmp/fglc/zipagg and tmp/fglc/map.
#pragma once

#include <cstdint>
#include <string>

#include "clsGisVariables.h"

namespace terv {

class clsTervcli {
  public:
    // Sets the program folder and work folders up, in a fixed order (see the .cpp), opens
    // tabelle.mdb, loads the theme catalogue and reads the server address. Failures (a folder
    // that cannot be made, a notice file that cannot be written) propagate as exceptions.
    clsTervcli();
    // Empties the scratch folders (read-only files too), closes the reference database and
    // disconnects the HTTP client.
    ~clsTervcli();
    clsTervcli(const clsTervcli&) = delete;
    clsTervcli& operator=(const clsTervcli&) = delete;

    // Deletes FileTempTransito when it exists.
    void ClearTransito();
    // The next value of a server sequence: 0 when the read failed, -10 when the answer was empty.
    int32_t GetSequence(const std::string& nomeseq);
    // Runs a one-column query; the last line (trimmed) goes to `thestring` and the number of
    // lines is returned; 0 and `thestring` unchanged on failure.
    int32_t GetQueryString(const std::string& Qry, std::string& thestring);

    std::string serverterv;          // SERVER/LOCATION of servers.dat: the server's base address
    std::string FileServerSetting;   // gAppPath/servers.dat
    std::string FileTempTransito;    // gTmpPath/tmptransito.dat: single-value server results
    std::string NomeFileLogKovicli;  // gAppPath/log/httplog.log: the HTTP log
    clsGisVariables VariabiliGis;    // the server variables, filled by the login
};

// The configuration object, constructed on first use.
clsTervcli& gTervcli();
// True once gTervcli() has constructed the object (and it was not released since).
bool TervcliExists();
// Destroys the object (program end; tests). The next gTervcli() constructs a new one.
void ReleaseTervcli();

}  // namespace terv
