// The login procedure end to end against terv-central: probe and single sign-on, credential
// filter, clock check, profiles, version check, reference table refresh and crop database.
#include <filesystem>

#include "LoginFixture.h"
#include "data/FileUtil.h"

namespace terv::test {
namespace {

namespace fs = std::filesystem;

// --- Plain and single sign-on servers ---------------------------------------------------------

TEST_F(LoginTest, PlainServerRightPassword) {
    StartServer();
    WriteDefaults("3.2");
    Login("Demo", "demo");
    EXPECT_EQ(ui.messages, std::vector<Message>{});
    ExpectDemoLoggedIn("Demo", "demo");
    EXPECT_FALSE(gSso);
    // The plain server let the random probe credentials through, so the credential read ran.
    EXPECT_TRUE(fs::exists(TmpFile("login.dat")));
    EXPECT_EQ(gTervcli().VariabiliGis.GetVariabile("FILTERLOGIN", ""), "SI");
    EXPECT_EQ(ReadIni("GISPARAMS", "DATATABELLE", "", Defaults()), kServerStamp);
}

TEST_F(LoginTest, PlainServerWrongPassword) {
    StartServer();
    WriteDefaults("3.2");
    TestForm form("DEMO", "sbagliata");
    Login(form);
    EXPECT_EQ(ui.messages, std::vector<Message>{Box(kWrongCredentials, vbExclamation)});
    ExpectNoProfiles();
    EXPECT_FALSE(gSso);
    EXPECT_EQ(gUserName, "DEMO");
    EXPECT_EQ(gPassword, "sbagliata");
    EXPECT_EQ(gClientName, kClientName);
    EXPECT_EQ(form.selections, 0);
}

TEST_F(LoginTest, SsoServerRightPassword) {
    StartServer({.mode = "sso"});
    WriteDefaults("3.2");
    Login("demo", "demo");
    EXPECT_EQ(ui.messages, std::vector<Message>{});
    ExpectDemoLoggedIn("demo", "demo");
    EXPECT_TRUE(gSso);
    EXPECT_TRUE(gSsoOpen);
    EXPECT_EQ(gSsoServer, base_ + "sso");
}

TEST_F(LoginTest, SsoServerQueuesNoCredentialRead) {
    StartServer({.mode = "sso"});
    WriteDefaults("3.2");
    SetVariable("FILTERLOGIN", "NO");
    Login("DEMO", "demo");
    EXPECT_EQ(ui.messages, std::vector<Message>{});
    ExpectDemoLoggedIn("DEMO", "demo");
    EXPECT_TRUE(gSso);
    EXPECT_FALSE(fs::exists(TmpFile("login.dat")));
}

TEST_F(LoginTest, SsoServerWithoutLoginFunctionFindsNoCredentialFile) {
    // No credential read is queued on a single sign-on server, so the check on login.dat refuses.
    StartServer({.mode = "sso"});
    WriteDefaults("3.2");
    SetVariable("DATOLOGIN", "");
    Login("DEMO", "demo");
    EXPECT_EQ(ui.messages, std::vector<Message>{Box(kWrongCredentials, vbExclamation)});
    ExpectNoProfiles();
    EXPECT_TRUE(gSso);
}

TEST_F(LoginTest, SsoServerWrongPassword) {
    StartServer({.mode = "sso"});
    WriteDefaults("3.2");
    TestForm form("DEMO", "sbagliata");
    Login(form);
    // The refusal's error text holds " 401", so only the refusal is shown.
    EXPECT_EQ(ui.messages, (std::vector<Message>{{kRefused, vbExclamation, "Login"}}));
    EXPECT_EQ(form.selections, 1);
    EXPECT_TRUE(gSso);
    ExpectNoProfiles();
    EXPECT_EQ(gUserName, "");
    EXPECT_EQ(gClientName, "");
}

TEST_F(LoginTest, SecondSsoAttemptLogsOutOfTheFirst) {
    // OSPITE gets through single sign-on but has no role; DEMO then tries on the same window.
    StartServer({.mode = "sso"});
    WriteDefaults("3.2");
    Login("OSPITE", "ospite");
    ASSERT_EQ(ui.messages, std::vector<Message>{Box(kNotAuthorised, vbExclamation)});
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

TEST_F(LoginTest, FailedBlockReadStopsTheLogin) {
    StartServer();
    WriteDefaults("3.2");
    Administer("ALTER TABLE TERVVARIABILI RENAME TO TERVVARIABILI_ALTROVE");
    Login("DEMO", "demo");
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text.rfind("Errore lettura SDO: ", 0), 0u) << ui.messages[0].text;
    EXPECT_NE(ui.messages[0].text.find("ORA-00942"), std::string::npos) << ui.messages[0].text;
    EXPECT_EQ(ui.messages[0].style, vbExclamation);
    EXPECT_EQ(ui.messages[0].title, "SDO");
    EXPECT_EQ(ui.messages[1],
              Box("Errore scaricando i dati dal server, riprovare!", vbExclamation));
    ExpectNoProfiles();
    EXPECT_EQ(gUserName, "DEMO");
}

TEST_F(LoginTest, UnreachableServerShowsTheErrorThenTheRefusal) {
    StartServer();
    WriteDefaults("3.2");
    WriteFileBytes(home / "servers.dat", "[SERVER]\r\nLOCATION=http://127.0.0.1:1/terv/\r\n");
    TestForm form("DEMO", "demo");
    Login(form);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_FALSE(ui.messages[0].text.empty());
    EXPECT_EQ(ui.messages[0].style, vbExclamation);
    EXPECT_EQ(ui.messages[1], (Message{kRefused, vbExclamation, "Login"}));
    EXPECT_EQ(form.selections, 1);
    EXPECT_FALSE(gSso);
    ExpectNoProfiles();
}

// A quote in a user name is doubled in every statement that carries it.
class QuoteInUserNameTest : public LoginTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(QuoteInUserNameTest, UserWithApostropheLogsIn) {
    StartServer();
    WriteDefaults("3.2");
    Execute(
        "INSERT INTO TERVUTENTI (UTENTE, SETTORE, PROV_RIF, ELENCO_DEF, PWD) VALUES "
        "('D''ANGELO', 2, '063', 1, 'x''y');"
        "INSERT INTO GISUSERS (USR, RUOLO) VALUES ('D''ANGELO', 1)");
    SetVariable("DATOLOGIN", GetParam());
    Login("d'Angelo", "x'y");
    EXPECT_EQ(ui.messages, std::vector<Message>{});
    EXPECT_EQ(gRuolo, 1);
    EXPECT_EQ(gSettore, 2);
    EXPECT_EQ(gProvRif, "063");
    EXPECT_EQ(gUserName, "d'Angelo");
}

INSTANTIATE_TEST_SUITE_P(Login, QuoteInUserNameTest, ::testing::Values("", "GET_PWD_UTENTE"),
                         [](const auto& info) {
                             return std::string(*info.param ? "LoginFunction" : "UsersTable");
                         });

TEST_F(LoginTest, NoServerAddressShowsTheErrorThenTheRefusal) {
    WriteDefaults("3.2");
    WriteFileBytes(home / "servers.dat", "[DEFAULT]\r\nUID=DEMO\r\n");
    TestForm form("DEMO", "demo");
    Login(form);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_FALSE(ui.messages[0].text.empty());
    EXPECT_EQ(ui.messages[1], (Message{kRefused, vbExclamation, "Login"}));
    EXPECT_EQ(form.selections, 1);
    ExpectNoProfiles();
}

// Result files of the server are in the Windows code page; the program's texts are UTF-8.
class AccentedPasswordTest : public LoginTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(AccentedPasswordTest, AccentedPasswordIsAccepted) {
    StartServer();
    WriteDefaults("3.2");
    Execute("UPDATE TERVUTENTI SET PWD='pàlmé' WHERE UTENTE='ISPETTORE'");
    SetVariable("DATOLOGIN", GetParam());
    Login("ISPETTORE", "pàlmé");
    EXPECT_EQ(ui.messages, std::vector<Message>{});
    EXPECT_EQ(gRuolo, 1);
    EXPECT_EQ(gPassword, "pàlmé");
    ui.Reset();
    Login("ISPETTORE", "palme");
    EXPECT_EQ(ui.messages, std::vector<Message>{Box(kWrongCredentials, vbExclamation)});
}

INSTANTIATE_TEST_SUITE_P(Login, AccentedPasswordTest, ::testing::Values("", "GET_PWD_UTENTE"),
                         [](const auto& info) {
                             return std::string(*info.param ? "LoginFunction" : "UsersTable");
                         });

// --- Clock and credential filter --------------------------------------------------------------

struct FilterCase {
    const char* name;
    long long clockOffset;
    const char* filterLogin;
    const char* datoLogin;  // nullptr: left as the demo data has it
    const char* user;
    const char* password;
    std::vector<const char*> messages;  // exclamation boxes in order
    bool loggedIn;
};

class CredentialFilterTest : public LoginTest, public ::testing::WithParamInterface<FilterCase> {};

TEST_P(CredentialFilterTest, MessagesAndOutcome) {
    const FilterCase& c = GetParam();
    StartServer({.clockOffsetSeconds = c.clockOffset});
    WriteDefaults("3.2");
    SetVariable("FILTERLOGIN", c.filterLogin);
    if (c.datoLogin)
        SetVariable("DATOLOGIN", c.datoLogin);
    Login(c.user, c.password);
    std::vector<Message> expected;
    for (const char* text : c.messages)
        expected.push_back(Box(text, vbExclamation));
    EXPECT_EQ(ui.messages, expected);
    if (c.loggedIn) {
        ExpectDemoLoggedIn(c.user, c.password);
    } else {
        ExpectNoProfiles();
        EXPECT_EQ(gUserName, c.user);
    }
}

// Injected conditions would return every users row; the last one belongs to ULTIMO (role 2).
class InjectionTest : public LoginTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(InjectionTest, QuoteInPasswordIsRefused) {
    StartServer();
    WriteDefaults("3.2");
    Execute(
        "INSERT INTO TERVUTENTI (UTENTE, SETTORE, PROV_RIF, ELENCO_DEF, PWD) VALUES "
        "('ULTIMO', 1, '063', 0, 'segreta');"
        "INSERT INTO GISUSERS (USR, RUOLO) VALUES ('ULTIMO', 2)");
    SetVariable("DATOLOGIN", GetParam());
    Login("ULTIMO", "' OR '1'='1");
    EXPECT_EQ(ui.messages, std::vector<Message>{Box(kWrongCredentials, vbExclamation)});
    ExpectNoProfiles();
    EXPECT_EQ(gPassword, "' OR '1'='1");
    // The right password still works.
    ui.Reset();
    Login("ULTIMO", "segreta");
    EXPECT_EQ(ui.messages, std::vector<Message>{});
    EXPECT_EQ(gRuolo, 2);
    EXPECT_EQ(gProvRif, "063");
}

INSTANTIATE_TEST_SUITE_P(Login, InjectionTest, ::testing::Values("", "GET_PWD_UTENTE"),
                         [](const auto& info) {
                             return std::string(*info.param ? "LoginFunction" : "UsersTable");
                         });

const FilterCase kFilterCases[] = {
    {"ClockSixHoursAheadRightPassword", 6 * 3600, "SI", nullptr, "DEMO", "demo", {kClockOff}, true},
    {"ClockSixHoursBehindRightPassword",
     -6 * 3600,
     "SI",
     nullptr,
     "DEMO",
     "demo",
     {kClockOff},
     true},
    {"ClockSixHoursAheadWrongPassword",
     6 * 3600,
     "SI",
     nullptr,
     "DEMO",
     "nope",
     {kClockOff, kWrongCredentials},
     false},
    {"ClockFourHoursAheadIsAccepted", 4 * 3600, "SI", nullptr, "DEMO", "demo", {}, true},
    {"NoFilterAcceptsAnyPassword", 0, "NO", nullptr, "DEMO", "qualsiasi", {}, true},
    {"NoFilterStopsAfterTheClockMessage",
     6 * 3600,
     "NO",
     nullptr,
     "DEMO",
     "demo",
     {kClockOff},
     false},
    {"LoginFunctionRefusesPasswordDifferingInCase",
     0,
     "SI",
     "GET_PWD_UTENTE",
     "DEMO",
     "DEMO",
     {kWrongCredentials},
     false},
    {"LoginFunctionFindsUserIgnoringCase", 0, "SI", "GET_PWD_UTENTE", "dEmO", "demo", {}, true},
    {"UsersTableComparesUserIgnoringCase", 0, "SI", "", "demo", "demo", {}, true},
    {"UsersTableRefusesPasswordDifferingInCase",
     0,
     "SI",
     "",
     "DEMO",
     "Demo",
     {kWrongCredentials},
     false},
    {"InjectionRefusedByUsersTable",
     0,
     "SI",
     "",
     "DEMO",
     "' OR '1'='1",
     {kWrongCredentials},
     false},
    {"InjectionRefusedByLoginFunction",
     0,
     "SI",
     "GET_PWD_UTENTE",
     "DEMO",
     "' OR '1'='1",
     {kWrongCredentials},
     false},
    {"InjectionInUserNameRefusedByUsersTable",
     0,
     "SI",
     "",
     "DEMO' OR '1'='1",
     "' OR '1'='1",
     {kWrongCredentials},
     false},
    {"UnknownLoginFunctionIsAServerError",
     0,
     "SI",
     "NON_ESISTE",
     "DEMO",
     "demo",
     {"Errore sul server, riprovare il login", kWrongCredentials},
     false},
};

INSTANTIATE_TEST_SUITE_P(Login, CredentialFilterTest, ::testing::ValuesIn(kFilterCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Profiles ---------------------------------------------------------------------------------

TEST_F(LoginTest, NoProfileRow) {
    StartServer();
    WriteDefaults("3.2");
    SetVariable("FILTERLOGIN", "NO");
    Login("NESSUNO", "x");
    EXPECT_EQ(ui.messages, std::vector<Message>{Box(kNotAuthorised, vbExclamation)});
    EXPECT_EQ(gRuolo, 0);
    EXPECT_EQ(gProfCount, 0);
    EXPECT_EQ(gProfRuolo, std::vector<int32_t>{0});
    EXPECT_EQ(gProvRif, "");
    EXPECT_EQ(ReadFileBytes(TmpFile("utenti.dat")), "");
}

TEST_F(LoginTest, RoleZero) {
    StartServer();
    WriteDefaults("3.2");
    Login("OSPITE", "ospite");
    EXPECT_EQ(ui.messages, std::vector<Message>{Box(kNotAuthorised, vbExclamation)});
    EXPECT_EQ(gRuolo, 0);
    EXPECT_EQ(gProfCount, 1);
    EXPECT_EQ(gProfRuolo, (std::vector<int32_t>{0, 0}));
    EXPECT_EQ(gProfProvRif, (std::vector<std::string>{kFirstProvince, ""}));
    EXPECT_EQ(gProvRif, kFirstProvince);
}

TEST_F(LoginTest, InspectorWithOneProfile) {
    StartServer();
    WriteDefaults("3.2");
    Login("ispettore", "palm2026");
    EXPECT_EQ(ui.messages, std::vector<Message>{});
    EXPECT_EQ(gRuolo, 1);
    EXPECT_EQ(gSettore, 1);
    EXPECT_EQ(gProvRif, kFirstProvince);
    EXPECT_EQ(gProfCount, 1);
}

struct ProfileCase {
    const char* name;
    int firstDefault;
    int secondDefault;
    int chosenSector;
    const char* chosenProvince;
};

class ProfileChoiceTest : public LoginTest, public ::testing::WithParamInterface<ProfileCase> {};

TEST_P(ProfileChoiceTest, LastProfileWithDefaultListWins) {
    const ProfileCase& c = GetParam();
    StartServer();
    WriteDefaults("3.2");
    // The two profiles of DEMO: sector 1 in the first province, sector 2 in the second.
    Execute("UPDATE TERVUTENTI SET SETTORE=2 WHERE UTENTE='DEMO' AND PROV_RIF='" +
            std::string(kSecondProvince) + "'");
    Execute("UPDATE TERVUTENTI SET ELENCO_DEF=" + std::to_string(c.firstDefault) +
            " WHERE UTENTE='DEMO' AND PROV_RIF='" + kFirstProvince + "'");
    Execute("UPDATE TERVUTENTI SET ELENCO_DEF=" + std::to_string(c.secondDefault) +
            " WHERE UTENTE='DEMO' AND PROV_RIF='" + kSecondProvince + "'");
    Login("DEMO", "demo");
    EXPECT_EQ(ui.messages, std::vector<Message>{});
    EXPECT_EQ(gRuolo, 2);
    EXPECT_EQ(gSettore, c.chosenSector);
    EXPECT_EQ(gProvRif, c.chosenProvince);
    EXPECT_EQ(gProfCount, 2);
    EXPECT_EQ(gProfSettore, (std::vector<int32_t>{1, 2, 0}));
}

INSTANTIATE_TEST_SUITE_P(Login, ProfileChoiceTest,
                         ::testing::Values(ProfileCase{"ZeroAndThree", 0, 3, 2, kSecondProvince},
                                           ProfileCase{"ZeroAndZero", 0, 0, 1, kFirstProvince},
                                           ProfileCase{"TwoAndZero", 2, 0, 1, kFirstProvince},
                                           ProfileCase{"OneAndOne", 1, 1, 2, kSecondProvince}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Client version ---------------------------------------------------------------------------

struct VersionCase {
    const char* name;
    const char* installed;
    const char* recommended;  // nullptr: the variable is removed
    const char* minimum;      // nullptr: the variable is removed
    int32_t skip;
    int expected;  // 0 none, 1 advice, 2 refusal
};

class VersionCheckTest : public LoginTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(VersionCheckTest, AdviceOrRefusal) {
    const VersionCase& c = GetParam();
    StartServer();
    WriteDefaults(c.installed);
    for (auto [name, value] :
         {std::pair{"TERVCVERSION", c.recommended}, std::pair{"TERVCMINVERSION", c.minimum}}) {
        if (value) {
            SetVariable(name, value);
        } else {
            Execute(std::string("DELETE FROM TERVVARIABILI WHERE VARIABILE='") + name + "'");
        }
    }
    gSkipVersionCheck = c.skip;
    Login("DEMO", "demo");
    std::vector<Message> expected;
    if (c.expected == 1)
        expected.push_back(VersionAdvice(c.installed));
    if (c.expected == 2)
        expected.push_back(VersionRefusal(c.installed));
    EXPECT_EQ(ui.messages, expected);
    EXPECT_EQ(gRuolo, c.expected == 2 ? 0 : 2);
    // The profiles are read before the version check refuses.
    EXPECT_EQ(gProfCount, 2);
    EXPECT_EQ(gProvRif, kSecondProvince);
}

INSTANTIATE_TEST_SUITE_P(
    Login, VersionCheckTest,
    ::testing::Values(VersionCase{"Current", "3.2", "3.2", "3.0", 0, 0},
                      VersionCase{"Newer", "3.3", "3.2", "3.0", 0, 0},
                      VersionCase{"Advice", "3.1", "3.2", "3.0", 0, 1},
                      VersionCase{"AtMinimum", "3.0", "3.2", "3.0", 0, 1},
                      VersionCase{"Refusal", "3.1", "3.2", "3.2", 0, 2},
                      VersionCase{"SkippedRefusal", "3.1", "3.2", "3.2", 1, 0},
                      VersionCase{"NoVersionInstalled", "", "3.2", "3.0", 0, 2},
                      VersionCase{"NoServerVersions", "3.1", nullptr, nullptr, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Crop code database -----------------------------------------------------------------------

struct CropCase {
    const char* name;
    const char* localStamp;
    bool kept;
};

class CropDatabaseTest : public LoginTest, public ::testing::WithParamInterface<CropCase> {};

TEST_P(CropDatabaseTest, DeletedWhenTheServerStampDiffers) {
    const CropCase& c = GetParam();
    StartServer();
    WriteDefaults("3.2", kServerStamp, c.localStamp);
    WriteFileBytes(home / "colture.mdb", "crop codes");
    Login("DEMO", "demo");
    EXPECT_EQ(ui.messages, std::vector<Message>{});
    EXPECT_EQ(gRuolo, 2);
    EXPECT_EQ(fs::exists(home / "colture.mdb"), c.kept);
    // The login never writes the crop stamp.
    EXPECT_EQ(ReadIni("GISPARAMS", "DATACOLTURE", "", Defaults()), c.localStamp);
}

INSTANTIATE_TEST_SUITE_P(Login, CropDatabaseTest,
                         ::testing::Values(CropCase{"SameStamp", kServerStamp, true},
                                           CropCase{"OlderStamp", "20250101000000", false},
                                           CropCase{"NoLocalStamp", "", false}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Command line and client name -------------------------------------------------------------

struct CommandLineCase {
    const char* name;
    const char* commandLine;
    bool autoLogin;
    const char* user;
    const char* password;
    int32_t skip;
};

class CommandLineTest : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLineTest, FillsTheBoxes) {
    const CommandLineCase& c = GetParam();
    ResetProgramState();
    gSkipVersionCheck = -7;
    TestForm form("before", "");
    EXPECT_EQ(ApplyCommandLine(c.commandLine, form), c.autoLogin);
    EXPECT_EQ(form.UserText(), c.user);
    EXPECT_EQ(form.PasswordText(), c.password);
    EXPECT_EQ(gSkipVersionCheck, c.skip);
    ResetProgramState();
}

INSTANTIATE_TEST_SUITE_P(
    Login, CommandLineTest,
    ::testing::Values(CommandLineCase{"ThreeFields", "DEMOÞdemoÞ1", true, "DEMO", "demo", 1},
                      CommandLineCase{"TwoFields", "DEMOÞdemo", true, "DEMO", "demo", -7},
                      CommandLineCase{"LeadingNumber", "DEMOÞdemoÞ2abc", true, "DEMO", "demo", 2},
                      CommandLineCase{"NoNumber", "DEMOÞdemoÞsi", true, "DEMO", "demo", 0},
                      CommandLineCase{"OneField", "DEMO", false, "before", "", -7},
                      CommandLineCase{"Empty", "", false, "before", "", -7},
                      CommandLineCase{"EmptyPassword", "DEMOÞÞ1", false, "DEMO", "", 1},
                      CommandLineCase{"EmptyUser", "ÞdemoÞ0", false, "", "demo", 0}),
    [](const auto& info) { return std::string(info.param.name); });

struct ClientNameCase {
    const char* name;
    const char* answer;
    const char* client;
};

class ClientNameTest : public ::testing::TestWithParam<ClientNameCase> {};

TEST_P(ClientNameTest, TextBetweenTheTags) {
    EXPECT_EQ(ReadClientName(GetParam().answer), GetParam().client);
}

INSTANTIATE_TEST_SUITE_P(
    Login, ClientNameTest,
    ::testing::Values(ClientNameCase{"Plain", "<client>Regione</client>", "Regione"},
                      ClientNameCase{"Surrounded", "x <client>A B</client> y", "A B"},
                      ClientNameCase{"FirstOfTwo", "<client>A</client><client>B</client>", "A"},
                      ClientNameCase{"NoClosingTag", "<client>Regione", ""},
                      ClientNameCase{"NoOpeningTag", "Regione</client>", ""},
                      ClientNameCase{"ClosingBeforeOpening", "</client><client>A</client>", "A"},
                      ClientNameCase{"EmptyName", "<client></client>", ""},
                      ClientNameCase{"EmptyAnswer", "", ""},
                      ClientNameCase{"NestedOpening", "<client>a<client>b</client>", "a<client>b"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ServerStampTest, FourteenDigitsWithOptionalComma) {
    std::time_t when = 0;
    ASSERT_TRUE(ParseServerStamp("20260102030405,", when));
    std::tm parts{};
    localtime_r(&when, &parts);
    EXPECT_EQ(parts.tm_year, 126);
    EXPECT_EQ(parts.tm_mon, 0);
    EXPECT_EQ(parts.tm_mday, 2);
    EXPECT_EQ(parts.tm_hour, 3);
    EXPECT_EQ(parts.tm_min, 4);
    EXPECT_EQ(parts.tm_sec, 5);
    EXPECT_TRUE(ParseServerStamp("20260102030405", when));
    EXPECT_FALSE(ParseServerStamp("2026010203040", when));
    EXPECT_FALSE(ParseServerStamp("2026-01-02 03:04", when));
    EXPECT_FALSE(ParseServerStamp("", when));
}

}  // namespace
}  // namespace terv::test
