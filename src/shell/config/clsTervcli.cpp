#include "clsTervcli.h"

#include <memory>

#include "data/FileUtil.h"
#include "data/db/TabelleFieldTerv.h"
#include "data/net/Kovicli.h"
#include "data/net/ServerValues.h"
#include "reference/GestTabelle.h"
#include "shell/base/IniFiles.h"
#include "shell/base/LogFiles.h"
#include "shell/base/modMain.h"

namespace terv {

namespace {

// Work folders in the order they are prepared; scratch folders are emptied at every start.
void PrepareFolders(clsTervcli& cli) {
    PrepareWorkFolder(gAppPath + "/tmp", true);
    PrepareWorkFolder(gAppPath + "/tmp/fotoc", true);
    PrepareWorkFolder(gAppPath + "/tmp/fotoc/upload", true);
    gTmpPath = gAppPath + "/tmp/fglc";
    cli.FileTempTransito = gTmpPath + "/tmptransito.dat";
    PrepareWorkFolder(gTmpPath, false);
    gMapPath = gTmpPath + "/map";
    PrepareWorkFolder(gMapPath, false);
    PrepareWorkFolder(gAppPath + "/log", true);
    PrepareWorkFolder(gTmpPath + "/zipagg", false);
}

}  // namespace

clsTervcli::clsTervcli() {
    gAppPath = ProgramFolder();
    gTmpPath = gAppPath + "/tmp";
    InitIni(1024, gAppPath + "/defaults.ini");
    InitLogs();
    FileServerSetting = gAppPath + "/servers.dat";
    NomeFileLogKovicli = gAppPath + "/log/httplog.log";
    PrepareFolders(*this);
    OpenTabelle(gAppPath + "/");
    LoadTabelleFieldTerv(DbTabelle());
    serverterv = ReadIni("SERVER", "LOCATION", "", FileServerSetting);
}

clsTervcli::~clsTervcli() {
    DeleteFiles(gTmpPath, "*.*");
    DeleteFiles(gTmpPath + "/zipagg", "*.*");
    DeleteFiles(gMapPath, "*.*");
    CloseTabelle();
    HttpDisconnect();
}

void clsTervcli::ClearTransito() {
    DeleteIfExists(FileTempTransito);
}

int32_t clsTervcli::GetSequence(const std::string& nomeseq) {
    ClearTransito();
    return terv::GetSequence(FileTempTransito, nomeseq);
}

int32_t clsTervcli::GetQueryString(const std::string& Qry, std::string& thestring) {
    ClearTransito();
    return terv::GetQueryString(FileTempTransito, Qry, thestring);
}

namespace {
std::unique_ptr<clsTervcli>& Instance() {
    static std::unique_ptr<clsTervcli> instance;
    return instance;
}
}  // namespace

clsTervcli& gTervcli() {
    if (!Instance())
        Instance() = std::make_unique<clsTervcli>();
    return *Instance();
}

bool TervcliExists() {
    return Instance() != nullptr;
}

void ReleaseTervcli() {
    Instance().reset();
}

}  // namespace terv
