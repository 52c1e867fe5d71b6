// The login procedure end to end against terv-central: probe and single sign-on, credential
// filter, clock check, profiles, version check, reference table refresh and crop database.
#include <gmock/gmock.h>

#include <filesystem>

#include "LoginFixture.h"

namespace terv::test {
namespace {

namespace fs = std::filesystem;

Message Bang(const std::string& text) {
    return Box(text, vbExclamation);
}
const Message kRefusedBox{kRefused, vbExclamation, "Login"};

// DEMO's two profiles of role 2: sector 1 in kFirstProvince, sector 2 in kSecondProvince, with
// the given default work list flags.
std::string DemoDefaultLists(int first, int second) {
    return "UPDATE TERVUTENTI SET ELENCO_DEF=" + std::to_string(first) +
           " WHERE UTENTE='DEMO' AND PROV_RIF='" + kFirstProvince +
           "';UPDATE TERVUTENTI SET SETTORE=2, ELENCO_DEF=" + std::to_string(second) +
           " WHERE UTENTE='DEMO' AND PROV_RIF='" + kSecondProvince + "'";
}
// D'ANGELO (role 1, province 063) with a quote in the name and in the password.
const std::string kQuotedUser =
    "INSERT INTO TERVUTENTI (UTENTE, SETTORE, PROV_RIF, ELENCO_DEF, PWD) VALUES "
    "('D''ANGELO', 2, '063', 1, 'x''y');INSERT INTO GISUSERS (USR, RUOLO) VALUES ('D''ANGELO', 1)";
// ULTIMO (role 2, province 063) is the last users row: an injected condition would return it.
const std::string kLastUser =
    "INSERT INTO TERVUTENTI (UTENTE, SETTORE, PROV_RIF, ELENCO_DEF, PWD) VALUES "
    "('ULTIMO', 1, '063', 0, 'segreta');INSERT INTO GISUSERS (USR, RUOLO) VALUES ('ULTIMO', 2)";
const std::string kAccented = "UPDATE TERVUTENTI SET PWD='pàlmé' WHERE UTENTE='ISPETTORE'";

using Variables = std::vector<std::pair<const char*, const char*>>;
const Variables kUsersTable = {{"DATOLOGIN", ""}};
const Variables kLoginFunction = {{"DATOLOGIN", "GET_PWD_UTENTE"}};
const Variables kNoFilter = {{"FILTERLOGIN", "NO"}};

struct LoginCase {
    const char* name;
    const char* user;
    const char* password;
    std::vector<Message> messages;  // in order
    int role = 0;                   // gRuolo after the attempt; 0: refused
    int sector = 0;                 // gSettore after it
    const char* province = "";      // gProvRif after it
    int profiles = 0;               // gProfCount after it
    Variables variables = {};       // server variables set first
    std::string setup = "";         // statements run on the server first
    const char* mode = "plain";
    long long clockOffset = 0;
};

void PrintTo(const LoginCase& c, std::ostream* os) {
    *os << c.name;
}

class LoginCaseTest : public LoginTest, public ::testing::WithParamInterface<LoginCase> {};

TEST_P(LoginCaseTest, MessagesAndOutcome) {
    const LoginCase& c = GetParam();
    StartServer({.mode = c.mode, .clockOffsetSeconds = c.clockOffset});
    WriteDefaults("3.2");
    for (const auto& [name, value] : c.variables)
        SetVariable(name, value);
    if (!c.setup.empty())
        Administer(c.setup);
    TestForm form(c.user, c.password);
    Login(form);
    EXPECT_EQ(ui.messages, c.messages);
    EXPECT_EQ(gRuolo, c.role);
    EXPECT_EQ(gSettore, c.sector);
    EXPECT_EQ(gProvRif, c.province);
    EXPECT_EQ(gProfCount, c.profiles);
    EXPECT_EQ(gSso, std::string(c.mode) == "sso");
    // Refused at the probe: the password is selected for another try and nothing was kept.
    const bool atProbe = !c.messages.empty() && c.messages.back() == kRefusedBox;
    EXPECT_EQ(form.selections, atProbe ? 1 : 0);
    EXPECT_EQ(gUserName, atProbe ? "" : c.user);
    EXPECT_EQ(gPassword, atProbe ? "" : c.password);
    EXPECT_EQ(gClientName, atProbe ? "" : kClientName);
}

// clang-format off
const LoginCase kLoginCases[] = {
    {"PlainRightPassword", "Demo", "demo", {}, 2, 1, kSecondProvince, 2},
    {"PlainWrongPassword", "DEMO", "sbagliata", {Bang(kWrongCredentials)}},
    {"SsoRightPassword", "demo", "demo", {}, 2, 1, kSecondProvince, 2, {}, "", "sso"},
    {"SsoWrongPassword", "DEMO", "sbagliata", {kRefusedBox}, 0, 0, "", 0, {}, "", "sso"},
    // No credential read is queued on a single sign-on server, so the users table check refuses.
    {"SsoWithUsersTableCheck", "DEMO", "demo", {Bang(kWrongCredentials)}, 0, 0, "", 0, kUsersTable, "", "sso"},
    {"FailedBlockRead", "DEMO", "demo",
     {{"Errore lettura SDO: ORA-00942: table or view does not exist", vbExclamation, "SDO"},
      Bang("Errore scaricando i dati dal server, riprovare!")},
     0, 0, "", 0, {}, "ALTER TABLE TERVVARIABILI RENAME TO TERVVARIABILI_ALTROVE"},
    // Clock and credential filter.
    {"ClockSixHoursAhead", "DEMO", "demo", {Bang(kClockOff)}, 2, 1, kSecondProvince, 2, {}, "", "plain", 6 * 3600},
    {"ClockSixHoursBehind", "DEMO", "demo", {Bang(kClockOff)}, 2, 1, kSecondProvince, 2, {}, "", "plain", -6 * 3600},
    {"ClockOffWrongPassword", "DEMO", "nope", {Bang(kClockOff), Bang(kWrongCredentials)}, 0, 0, "", 0, {}, "", "plain", 6 * 3600},
    {"ClockFourHoursAhead", "DEMO", "demo", {}, 2, 1, kSecondProvince, 2, {}, "", "plain", 4 * 3600},
    {"NoFilterAcceptsAnyPassword", "DEMO", "qualsiasi", {}, 2, 1, kSecondProvince, 2, kNoFilter},
    {"NoFilterStopsAtTheClock", "DEMO", "demo", {Bang(kClockOff)}, 0, 0, "", 0, kNoFilter, "", "plain", 6 * 3600},
    {"LoginFunctionPasswordCase", "DEMO", "DEMO", {Bang(kWrongCredentials)}, 0, 0, "", 0, kLoginFunction},
    {"LoginFunctionUserCase", "dEmO", "demo", {}, 2, 1, kSecondProvince, 2, kLoginFunction},
    {"UsersTableUserCase", "demo", "demo", {}, 2, 1, kSecondProvince, 2, kUsersTable},
    {"UsersTablePasswordCase", "DEMO", "Demo", {Bang(kWrongCredentials)}, 0, 0, "", 0, kUsersTable},
    {"UnknownLoginFunction", "DEMO", "demo",
     {Bang("Errore sul server, riprovare il login"), Bang(kWrongCredentials)}, 0, 0, "", 0, {{"DATOLOGIN", "NON_ESISTE"}}},
    // Quotes typed by the operator are doubled in the statements; injected conditions fail.
    {"QuotesUsersTable", "d'Angelo", "x'y", {}, 1, 2, "063", 1, kUsersTable, kQuotedUser},
    {"QuotesLoginFunction", "d'Angelo", "x'y", {}, 1, 2, "063", 1, kLoginFunction, kQuotedUser},
    {"InjectionUsersTable", "ULTIMO", "' OR '1'='1", {Bang(kWrongCredentials)}, 0, 0, "", 0, kUsersTable, kLastUser},
    {"InjectionLoginFunction", "ULTIMO", "' OR '1'='1", {Bang(kWrongCredentials)}, 0, 0, "", 0, kLoginFunction, kLastUser},
    {"InjectionInUserName", "DEMO' OR '1'='1", "' OR '1'='1", {Bang(kWrongCredentials)}, 0, 0, "", 0, kUsersTable},
    {"LastUserRightPassword", "ULTIMO", "segreta", {}, 2, 1, "063", 1, kUsersTable, kLastUser},
    // Result files are in the Windows code page; the typed texts are UTF-8.
    {"AccentsUsersTable", "ISPETTORE", "pàlmé", {}, 1, 1, kFirstProvince, 1, kUsersTable, kAccented},
    {"AccentsLoginFunction", "ISPETTORE", "pàlmé", {}, 1, 1, kFirstProvince, 1, kLoginFunction, kAccented},
    {"AccentsMissing", "ISPETTORE", "palme", {Bang(kWrongCredentials)}, 0, 0, "", 0, kUsersTable, kAccented},
    // Profiles: the last row with a default work list wins, else the first.
    {"NoProfileRow", "NESSUNO", "x", {Bang(kNotAuthorised)}, 0, 0, "", 0, kNoFilter},
    {"RoleZero", "OSPITE", "ospite", {Bang(kNotAuthorised)}, 0, 1, kFirstProvince, 1},
    {"OneProfile", "ispettore", "palm2026", {}, 1, 1, kFirstProvince, 1},
    {"DefaultListsZeroAndThree", "DEMO", "demo", {}, 2, 2, kSecondProvince, 2, {}, DemoDefaultLists(0, 3)},
    {"DefaultListsZeroAndZero", "DEMO", "demo", {}, 2, 1, kFirstProvince, 2, {}, DemoDefaultLists(0, 0)},
    {"DefaultListsTwoAndZero", "DEMO", "demo", {}, 2, 1, kFirstProvince, 2, {}, DemoDefaultLists(2, 0)},
    {"DefaultListsOneAndOne", "DEMO", "demo", {}, 2, 2, kSecondProvince, 2, {}, DemoDefaultLists(1, 1)},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Login, LoginCaseTest, ::testing::ValuesIn(kLoginCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A server that cannot be reached, or no server address at all: the HTTP client's error (up to
// its NUL), then the refusal.
TEST_F(LoginTest, NoServerShowsTheErrorThenTheRefusal) {
    WriteDefaults("3.2");
    const std::pair<const char*, const char*> cases[] = {
        {"[SERVER]\r\nLOCATION=http://127.0.0.1:1/terv/\r\n",
         "Failed to connect to 127\\.0\\.0\\.1 port 1 after [0-9]+ ms: Couldn't connect to server"},
        {"[DEFAULT]\r\nUID=DEMO\r\n", "Could not resolve host: kovJsSDO"},
    };
    for (const auto& [servers, error] : cases) {
        WriteFileBytes(home / "servers.dat", servers);
        ResetEverything();
        ui.Reset();
        TestForm form("DEMO", "demo");
        Login(form);
        ASSERT_EQ(ui.messages.size(), 2u) << servers;
        EXPECT_THAT(ui.messages[0].text, ::testing::MatchesRegex(error));
        EXPECT_EQ(ui.messages[0].text.find('\0'), std::string::npos);
        EXPECT_EQ(ui.messages[0].style, vbExclamation);
        EXPECT_EQ(ui.messages[1], kRefusedBox);
        EXPECT_EQ(form.selections, 1);
        EXPECT_EQ(gRuolo, 0);
        EXPECT_EQ(gProfCount, 0);
    }
}

TEST_F(LoginTest, SecondSsoAttemptLogsOutOfTheFirst) {
    // OSPITE gets through single sign-on but has no role; DEMO then tries on the same window.
    StartServer({.mode = "sso"});
    WriteDefaults("3.2");
    Login("OSPITE", "ospite");
    ASSERT_EQ(ui.messages, std::vector<Message>{Bang(kNotAuthorised)});
    ASSERT_TRUE(gSso);
    const int32_t first = gSsoHandle;
    ui.Reset();
    Login("DEMO", "demo");
    EXPECT_EQ(ui.messages, std::vector<Message>{});
    ExpectDemoLoggedIn("DEMO", "demo");
    EXPECT_TRUE(gSso);
    EXPECT_EQ(gSsoHandle, first + 1);
    EXPECT_EQ(SsoOpenConnections(), 1u);
    // The server session is DEMO's: the gateway runs DEMO's statements.
    EXPECT_EQ(SelectToTxt(gUserName, "SELECT 1 FROM DUAL", 1, TmpFile("uno.dat"), true), 0)
        << LastServerError();
}

// Advice or refusal when the installed version is behind the server's; missing variables read
// as 0, so the check never fires without them (the last case).
TEST_F(LoginTest, ClientVersionCheck) {
    StartServer();
    const struct {
        const char* installed;
        const char* recommended;
        const char* minimum;
        int32_t skip;
        const char* firstLine;  // nullptr: no message
        int role;
    } cases[] = {
        {"3.2", "3.2", "3.0", 0, nullptr, 2},
        {"3.3", "3.2", "3.0", 0, nullptr, 2},
        {"3.1", "3.2", "3.0", 0, "Si consiglia di controllare lo stato degli aggiornamenti.", 2},
        {"3.0", "3.2", "3.0", 0, "Si consiglia di controllare lo stato degli aggiornamenti.", 2},
        {"3.1", "3.2", "3.2", 0, "E' necessario aggiornare TERVClient.", 0},
        {"3.1", "3.2", "3.2", 1, nullptr, 2},
        {"", "3.2", "3.0", 0, "E' necessario aggiornare TERVClient.", 0},
        {"3.1", nullptr, nullptr, 0, nullptr, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("case " + std::to_string(&c - cases));
        if (c.recommended) {
            SetVariable("TERVCVERSION", c.recommended);
            SetVariable("TERVCMINVERSION", c.minimum);
        } else {
            Execute(
                "DELETE FROM TERVVARIABILI WHERE VARIABILE IN ('TERVCVERSION', "
                "'TERVCMINVERSION')");
        }
        WriteDefaults(c.installed);
        ResetEverything();
        ui.Reset();
        gSkipVersionCheck = c.skip;
        Login("DEMO", "demo");
        std::vector<Message> expected;
        if (c.firstLine) {
            expected.push_back({std::string(c.firstLine) +
                                    "\rAccedere al portale di FRONT OFFICE alla pagina Download "
                                    "e documentazione.",
                                vbInformation, std::string("TERVClient Versione ") + c.installed});
        }
        EXPECT_EQ(ui.messages, expected);
        EXPECT_EQ(gRuolo, c.role);
        // The profiles are read before the version check refuses.
        EXPECT_EQ(gProvRif, kSecondProvince);
    }
}

// The crop code database goes when the server's stamp differs from the local one; the login
// never writes that stamp.
TEST_F(LoginTest, CropDatabaseDeletedWhenTheServerStampDiffers) {
    StartServer();
    const std::pair<const char*, bool> cases[] = {
        {kServerStamp, true}, {"20250101000000", false}, {"", false}};
    for (const auto& [localStamp, kept] : cases) {
        WriteDefaults("3.2", kServerStamp, localStamp);
        WriteFileBytes(home / "colture.mdb", "crop codes");
        ResetEverything();
        Login("DEMO", "demo");
        EXPECT_EQ(gRuolo, 2);
        EXPECT_EQ(fs::exists(home / "colture.mdb"), kept) << localStamp;
        EXPECT_EQ(ReadIni("GISPARAMS", "DATACOLTURE", "", Defaults()), localStamp);
    }
    EXPECT_EQ(ui.messages, std::vector<Message>{});
}

TEST(CommandLineTest, FillsTheBoxes) {
    const struct {
        const char* commandLine;
        bool autoLogin;
        const char* user;
        const char* password;
        int32_t skip;
    } cases[] = {
        {"DEMOÞdemoÞ1", true, "DEMO", "demo", 1},
        {"DEMOÞdemo", true, "DEMO", "demo", -7},
        {"DEMOÞdemoÞ2abc", true, "DEMO", "demo", 2},
        {"DEMO", false, "before", "", -7},
        {"", false, "before", "", -7},
        {"DEMOÞÞ1", false, "DEMO", "", 1},
    };
    for (const auto& c : cases) {
        ResetProgramState();
        gSkipVersionCheck = -7;
        TestForm form("before", "");
        EXPECT_EQ(ApplyCommandLine(c.commandLine, form), c.autoLogin) << c.commandLine;
        EXPECT_EQ(form.UserText(), c.user) << c.commandLine;
        EXPECT_EQ(form.PasswordText(), c.password) << c.commandLine;
        EXPECT_EQ(gSkipVersionCheck, c.skip) << c.commandLine;
    }
    ResetProgramState();
}

TEST(ClientNameTest, TextBetweenTheTags) {
    const std::pair<const char*, const char*> cases[] = {
        {"x <client>A B</client> y", "A B"},
        {"<client>A</client><client>B</client>", "A"},
        {"<client>Regione", ""},
        {"Regione</client>", ""},
        {"</client><client>A</client>", "A"},
    };
    for (const auto& [answer, client] : cases)
        EXPECT_EQ(ReadClientName(answer), client) << answer;
}

TEST(ServerStampTest, FourteenDigitsWithOptionalComma) {
    std::time_t when = 0;
    ASSERT_TRUE(ParseServerStamp("20260102030405,", when));
    std::tm parts{};
    localtime_r(&when, &parts);
    EXPECT_EQ(std::vector<int>({parts.tm_year, parts.tm_mon, parts.tm_mday, parts.tm_hour,
                                parts.tm_min, parts.tm_sec}),
              std::vector<int>({126, 0, 2, 3, 4, 5}));
    EXPECT_FALSE(ParseServerStamp("2026010203040", when));
    EXPECT_FALSE(ParseServerStamp("2026-01-02 03:04", when));
}

}  // namespace
}  // namespace terv::test
