#include "modLogin.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <random>

#include "RefreshComuni.h"
#include "data/FileUtil.h"
#include "data/TextUtil.h"
#include "data/db/TabelleFieldTerv.h"
#include "data/db/mdbUtil.h"
#include "data/net/KovSso.h"
#include "data/net/Kovicli.h"
#include "data/net/KovicliLib.h"
#include "data/net/SdoDriver.h"
#include "data/net/SidSde.h"
#include "data/net/ZolvinClient.h"
#include "data/net/velto_sso.h"
#include "platform/Cp1252.h"
#include "platform/UiPort.h"
#include "platform/VbText.h"
#include "reference/GestTabelle.h"
#include "shell/base/IniFiles.h"
#include "shell/base/modMain.h"
#include "shell/config/clsTervcli.h"

namespace terv {

namespace {

constexpr int kThemeVariables = 31;
constexpr int kThemeUsers = 32;

const char kRefused[] =
    "Accesso non autorizzato, riprovare!||Verificare che il nome utente e password siano "
    "corretti,||eventualmente controllare il percorso del server";

// Quotes typed by the operator are doubled inside the statements that carry them.
std::string Quoted(const std::string& text) {
    return Replace(text, "'", "''");
}

std::string RandomCredential() {
    static std::mt19937 engine{std::random_device{}()};
    return NumToText(std::uniform_real_distribution<double>(0.0, 1.0)(engine));
}

std::string DefaultsIni() {
    return gAppPath + "/defaults.ini";
}

// The last non-empty line of the probe answer, trimmed. The answer is the server's body as it
// arrived, UTF-8 text; a body that is not valid UTF-8 is read as Windows-1252.
std::string ProbeAnswerLastLine(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::string line, last;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            last = line;
    }
    return Trim(IsValidUtf8(last) ? last : Cp1252ToUtf8(last));
}

// F1 and F2: the refusal message, then the password selected for another try. The error text
// ends at its NUL, as a message box shows it.
void RefuseAccess(LoginForm& form, const std::string& errorText, bool showError) {
    const std::string shown = TrimNul(errorText);
    if (showError && !Trim(shown).empty())
        MsgBox(shown, vbExclamation);
    MsgBox(ReplaceWithCr(kRefused, '|'), vbExclamation, "Login");
    form.SelectPassword();
}

// Steps 4 to 8: the probe, single sign-on when the server asks for it, the client name.
bool Probe(LoginForm& form) {
    clsTervcli& cli = gTervcli();
    const std::string probe = cli.serverterv + "kovJsSDO";
    int32_t ok =
        HttpDownloadFile(probe, cli.FileTempTransito, RandomCredential(), RandomCredential());
    std::string error = GetServerError();
    if (ok == 0 && error.find(" 401") != std::string::npos) {
        gSso = true;
        ok = HttpDownloadFile(probe, cli.FileTempTransito, form.UserText(), form.PasswordText());
        error = GetServerError();
    }
    if (ok == 0) {
        RefuseAccess(form, error, error.find(" 401") == std::string::npos);
        return false;
    }
    gClientName = ProbeAnswerLastLine(cli.FileTempTransito);
    if (gClientName.find("sso_server") != std::string::npos) {
        gSsoServer = GetSsoServer(gClientName);
        SsoConnect(gSsoServer, cli.serverterv);
        const int32_t result =
            form.PasswordText().empty()
                ? 1
                : velto_sso_login(gSsoHandle, form.UserText(), form.PasswordText(), "BACK OFFICE");
        if (result == 0) {
            HttpDownloadFile(probe, cli.FileTempTransito, "", "");
            gClientName = ProbeAnswerLastLine(cli.FileTempTransito);
        }
    }
    if (gClientName.find("sso_server") != std::string::npos) {
        RefuseAccess(form, GetServerError(), true);
        return false;
    }
    gClientName = ReadClientName(gClientName);
    return true;
}

// Steps 11 to 13: the four block reads. False after the failure message.
bool ReadLoginFiles(LoginForm& form) {
    const std::string users = NomeTabella(kThemeUsers);
    const std::string key = CampoTema(kThemeUsers, 0).NomeCampo;
    const std::string upperUser = Quoted(UCase(gUserName));
    for (const char* name : {"sysdate.dat", "utenti.dat", "gisparam.dat"}) {
        DeleteIfExists(gTmpPath + "/" + name);
    }
    auto add = [](const std::string& descriptor, const char* file) {
        SdoBlockAdd(0, descriptor, gTmpPath + "/" + file, "", "", "", 1.0, 1.0, 0.0, "");
    };
    add("DUAL|*SYSDATE|SYSDATE", "sysdate.dat");
    add(users + "|*" + key +
            "|UTENTE,SETTORE,PROV_RIF,ELENCO_DEF,(SELECT MAX(RUOLO) FROM GISUSERS WHERE "
            "UPPER(USR)=UPPER(UTENTE))|UPPER(UTENTE)='" +
            upperUser + "'",
        "utenti.dat");
    add(NomeTabella(kThemeVariables) + "|*VARIABILE|VARIABILE,VALORE", "gisparam.dat");
    if (!gSso) {
        add(users + "|*" + key + "|UPPER(UTENTE)|UPPER(UTENTE)='" + upperUser + "' AND PWD='" +
                Quoted(gPassword) + "'",
            "login.dat");
    }
    form.Step();
    if (SdoBlockGo(form.ViewHandle(), 0, 0, 0, 0, 0, 0, 0, 0, false) != 0) {
        MsgBox("Errore scaricando i dati dal server, riprovare!", vbExclamation);
        gRuolo = 0;
        return false;
    }
    return true;
}

// Step 14: false when the server clock is more than 5 hours away from ours.
bool ClockAgrees() {
    std::string line;
    std::time_t server = 0;
    if (ReadLastLine(gTmpPath + "/sysdate.dat", line) == 0 || !ParseServerStamp(line, server)) {
        return true;
    }
    if (std::fabs(std::difftime(server, std::time(nullptr))) <= 18000)
        return true;
    MsgBox("C'è una differenza maggiore di 5 ore, verificare la data e l'ora del sistema",
           vbExclamation);
    return false;
}

// Step 16: the credential filter.
bool CredentialsAccepted() {
    const clsGisVariables& vars = gTervcli().VariabiliGis;
    const std::string loginFile = gTmpPath + "/login.dat";
    const std::string datoLogin = vars.GetVariabile("DATOLOGIN", "");
    bool ok = false;
    std::string line;
    if (!datoLogin.empty()) {
        DeleteIfExists(loginFile);
        const std::string sql = "SELECT " + datoLogin + "('" + Quoted(gUserName) + "') FROM DUAL";
        if (SelectToTxt("", sql, 1, loginFile, false) != 0) {
            MsgBox("Errore sul server, riprovare il login", vbExclamation);
            gRuolo = 0;
        } else {
            ok = ReadLastLine(loginFile, line) > 0 && line == gPassword;
        }
    } else {
        ok = ReadLastLine(loginFile, line) > 0 && UCase(line) == UCase(gUserName) + ",";
    }
    if (!ok)
        MsgBox("Nomeutente o Password sbagliata", vbExclamation);
    return ok;
}

// Steps 18 and 19: the profiles; false when the chosen one has no role.
bool LoadProfiles() {
    std::vector<std::string> lines;
    gProfCount = ReadLines(gTmpPath + "/utenti.dat", lines);
    gProfProvRif.assign(gProfCount + 1, "");
    gProfRuolo.assign(gProfCount + 1, 0);
    gProfSettore.assign(gProfCount + 1, 0);
    int chosen = 0;
    for (int i = 0; i < gProfCount; ++i) {
        std::vector<std::string> parts = Split(lines[i], ",");
        if (parts.size() < 2)
            continue;
        parts.resize(std::max<size_t>(parts.size(), 5));
        gProfProvRif[i] = parts[2];
        gProfRuolo[i] = CLng(parts[4]);
        gProfSettore[i] = CLng(parts[1]);
        if (Val(parts[3]) > 0)
            chosen = i;
    }
    gRuolo = gProfRuolo[chosen];
    gSettore = gProfSettore[chosen];
    gProvRif = gProfProvRif[chosen];
    if (gRuolo != 0)
        return true;
    MsgBox("L'utente corrente non ha l'autorizzazione per utilizzare questo software.",
           vbExclamation);
    return false;
}

// Step 20: refreshes the municipality tables when the server stamp differs or they are empty.
void RefreshReferenceTablesIfStale() {
    try {
        const long count = DbGetLong(DbTabelle(), "SELECT count(*) from provincie");
        const std::string server =
            gTervcli().VariabiliGis.GetVariabile("DATATABELLE", "20040301000000");
        const std::string local = ReadIni("GISPARAMS", "DATATABELLE", "", DefaultsIni());
        if (server == local && count != 0)
            return;
        if (RefreshComuni() == 0)
            WriteIni("GISPARAMS", "DATATABELLE", server, DefaultsIni());
    } catch (const std::exception&) {
        // The refresh is retried at the next login; the login itself goes on.
    }
}

// Step 22: advice or refusal when the installed version is behind the server's.
void CheckClientVersion(const std::string& versionText) {
    if (gSkipVersionCheck != 0)
        return;
    const clsGisVariables& vars = gTervcli().VariabiliGis;
    const double installed = Val(versionText);
    if (installed >= Val(vars.GetVariabile("TERVCVERSION", "")))
        return;
    const std::string where =
        "\rAccedere al portale di FRONT OFFICE alla pagina Download e documentazione.";
    const std::string title = "TERVClient Versione " + versionText;
    if (installed < Val(vars.GetVariabile("TERVCMINVERSION", ""))) {
        MsgBox("E' necessario aggiornare TERVClient." + where, vbInformation, title);
        gRuolo = 0;
    } else {
        MsgBox("Si consiglia di controllare lo stato degli aggiornamenti." + where, vbInformation,
               title);
    }
}

void LoginSteps(LoginForm& form, const std::string& versionText) {
    clsTervcli& cli = gTervcli();
    cli.ClearTransito();
    gSso = false;
    // A single sign-on session left by an earlier attempt would let the probe through as if the
    // server were plain, and the reads would run as that attempt's user: log out of it first.
    SsoDisconnect();
    form.Step();
    if (!Probe(form))
        return;
    gUserName = form.UserText();
    gPassword = form.PasswordText();
    DrvSDESetHttpParams(cli.serverterv + "kovJsSDO", "", "");
    B1_SetHTTPParams(cli.serverterv + "kovJsSQL?function=", "", "");
    if (!ReadLoginFiles(form))
        return;
    bool ok = ClockAgrees();
    cli.VariabiliGis.GetVarsFromFile(gTmpPath + "/gisparam.dat");
    if (cli.VariabiliGis.GetVariabile("FILTERLOGIN", "") != "NO")
        ok = CredentialsAccepted();
    if (!ok)
        return;
    form.Step();
    if (!LoadProfiles())
        return;
    RefreshReferenceTablesIfStale();
    if (cli.VariabiliGis.GetVariabile("DATACOLTURE", "") !=
        ReadIni("GISPARAMS", "DATACOLTURE", "", DefaultsIni())) {
        DeleteIfExists(gAppPath + "/colture.mdb");
    }
    CheckClientVersion(versionText);
}

}  // namespace

std::string ReadClientName(const std::string& answer) {
    const size_t open = answer.find("<client>");
    if (open == std::string::npos)
        return "";
    const size_t from = open + 8;
    const size_t close = answer.find("</client>", from);
    if (close == std::string::npos)
        return "";
    return answer.substr(from, close - from);
}

bool ParseServerStamp(const std::string& line, std::time_t& when) {
    const std::string stamp = Trim(line).substr(0, 14);
    if (stamp.size() != 14 || stamp.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    std::tm parts{};
    parts.tm_year = std::stoi(stamp.substr(0, 4)) - 1900;
    parts.tm_mon = std::stoi(stamp.substr(4, 2)) - 1;
    parts.tm_mday = std::stoi(stamp.substr(6, 2));
    parts.tm_hour = std::stoi(stamp.substr(8, 2));
    parts.tm_min = std::stoi(stamp.substr(10, 2));
    parts.tm_sec = std::stoi(stamp.substr(12, 2));
    parts.tm_isdst = -1;
    when = std::mktime(&parts);
    return when != static_cast<std::time_t>(-1);
}

bool ApplyCommandLine(const std::string& commandLine, LoginForm& form) {
    if (commandLine.empty())
        return false;
    const std::vector<std::string> fields = Split(commandLine, "Þ");
    if (fields.size() < 2)
        return false;
    form.SetUserText(fields[0]);
    form.SetPasswordText(fields[1]);
    if (fields.size() >= 3)
        gSkipVersionCheck = CLng(Val(fields[2]));
    return !form.UserText().empty() && !form.PasswordText().empty();
}

void DoLogin(LoginForm& form) {
    const std::string versionText = ReadIni("AGGIO", "VERSION", "", DefaultsIni());
    SetSilent(1);
    LoginSteps(form, versionText);
    SetSilent(-1);
}

}  // namespace terv
