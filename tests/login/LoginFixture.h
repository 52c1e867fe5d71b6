// Login against a real terv-central: a fresh program folder, an in-process server with demo data
// on a free loopback port, every client module back at its start state, the recording UI port and
// a login form with typed texts.
#pragma once

#include <gtest/gtest.h>
#include <httplib.h>
#include <sqlite3.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "../central/ServerFixture.h"
#include "CentralServer.h"
#include "TestSupport.h"
#include "data/db/TabelleFieldTerv.h"
#include "data/net/HttpSession.h"
#include "data/net/KovSso.h"
#include "data/net/Kovicli.h"
#include "data/net/KovicliLib.h"
#include "data/net/NetState.h"
#include "data/net/SdoDriver.h"
#include "data/net/SidSde.h"
#include "data/net/ZolvinClient.h"
#include "data/net/velto_sso.h"
#include "login/modLogin.h"
#include "platform/UiPort.h"
#include "reference/GestTabelle.h"
#include "shell/base/IniFiles.h"
#include "shell/base/clsCtrlForms.h"
#include "shell/base/modMain.h"
#include "shell/config/clsTervcli.h"

namespace terv {

// Recorded message boxes print as text, style and title.
inline void PrintTo(const RecordingUiPort::Message& m, std::ostream* os) {
    *os << "{\"" << m.text << "\", " << m.style << ", \"" << m.title << "\"}";
}

}  // namespace terv

namespace terv::test {

// Demo data of the server: the provinces of DEMO's two profiles and the installation name.
inline constexpr const char* kFirstProvince = "058";
inline constexpr const char* kSecondProvince = "015";
inline constexpr const char* kClientName = "Comunità Montana di Prova";
// The server's stamps of the demo data.
inline constexpr const char* kServerStamp = "20260101000000";

inline constexpr const char* kWrongCredentials = "Nomeutente o Password sbagliata";
inline constexpr const char* kRefused =
    "Accesso non autorizzato, riprovare!\r\rVerificare che il nome utente e password siano "
    "corretti,\r\reventualmente controllare il percorso del server";
inline constexpr const char* kClockOff =
    "C'è una differenza maggiore di 5 ore, verificare la data e l'ora del sistema";
inline constexpr const char* kNotAuthorised =
    "L'utente corrente non ha l'autorizzazione per utilizzare questo software.";
inline constexpr const char* kRefreshDone =
    "L'aggiornamento della tabella dei comuni è andato a buon fine.";
inline constexpr const char* kRefreshFailed =
    "L'aggiornamento della tabella dei comuni non è andato a buon fine.\rRiprovare l'operazione";

// Every client module, the reference database, the theme catalogue, the configuration object and
// the program globals back at their start state.
inline void ResetEverything() {
    ReleaseTervcli();
    ReleaseCtrlForms();
    ResetGestTabelle();
    ResetTabelleFieldTerv();
    ResetNetState();
    ResetProgramState();
}

// The login window as the procedure sees it: two texts and a count of password selections.
class TestForm : public LoginForm {
  public:
    TestForm(std::string user, std::string password)
        : user_(std::move(user)), password_(std::move(password)) {}
    std::string UserText() const override { return user_; }
    std::string PasswordText() const override { return password_; }
    void SetUserText(const std::string& text) override { user_ = text; }
    void SetPasswordText(const std::string& text) override { password_ = text; }
    void SelectPassword() override { ++selections; }
    int selections = 0;

  private:
    std::string user_;
    std::string password_;
};

using Message = RecordingUiPort::Message;

// The message box with the application title.
inline Message Box(const std::string& text, int style) {
    return {text, style, gAppTitle};
}

struct ServerSetup {
    std::string mode = "plain";
    long long clockOffsetSeconds = 0;
};

class LoginTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetEverything();
        ui.Reset();
        SetUiPort(&ui);
    }
    void TearDown() override {
        ResetEverything();
        SetUiPort(nullptr);
        gateway_.reset();
        if (server_)
            server_->Stop();
    }

    // Starts the server on a fresh database and writes servers.dat pointing at it.
    void StartServer(const ServerSetup& setup = {}) {
        central::ServerOptions options;
        options.port = 0;
        options.db_path = dbFolder_ / "central.db";
        options.mode = setup.mode;
        options.clock_offset_seconds = setup.clockOffsetSeconds;
        options.demo_parcels = 50;
        options.client_name = kClientName;
        options.threads = 4;
        server_ = std::make_unique<central::CentralServer>(options);
        std::string error;
        ASSERT_TRUE(server_->Start(&error)) << error;
        mode_ = setup.mode;
        base_ = "http://127.0.0.1:" + std::to_string(server_->port()) + "/terv/";
        WriteFileBytes(home / "servers.dat", "[SERVER]\r\nLOCATION=" + base_ + "\r\n");
        gateway_ = std::make_unique<httplib::Client>("127.0.0.1", server_->port());
        // Start() returns before the serving thread accepts; a Stop() that comes earlier than
        // that does not reach the thread and waits for it forever. One answered request proves
        // the thread is serving.
        auto probe = gateway_->Get("/terv/kovJsSDO");
        ASSERT_TRUE(probe) << "terv-central does not answer";
    }

    // defaults.ini with the installed version and, when given, the local stamps.
    void WriteDefaults(const std::string& version, const std::string& tablesStamp = kServerStamp,
                       const std::string& cropsStamp = kServerStamp) {
        std::string text = "[AGGIO]\r\nVERSION=" + version + "\r\n";
        if (!tablesStamp.empty() || !cropsStamp.empty())
            text += "[GISPARAMS]\r\n";
        if (!tablesStamp.empty())
            text += "DATATABELLE=" + tablesStamp + "\r\n";
        if (!cropsStamp.empty())
            text += "DATACOLTURE=" + cropsStamp + "\r\n";
        WriteFileBytes(home / "defaults.ini", text);
    }

    // Runs statements on the server through the gateway, as user DEMO (in sso mode after a
    // single sign-on login of its own); fails the test unless the server answers "E OK".
    void Execute(const std::string& sql) {
        httplib::Headers headers;
        if (mode_ == "sso")
            headers = central::test::SessionHeaders(*gateway_, "DEMO", "demo");
        ASSERT_EQ(headers.empty(), mode_ != "sso") << "no session of DEMO";
        auto res = gateway_->Post("/terv/kovJsSQL?function=execute", headers,
                                  nlohmann::json{{"user", "DEMO"}, {"sql", sql}}.dump(),
                                  "application/json");
        ASSERT_TRUE(res) << sql;
        ASSERT_EQ(res->status, 200) << res->body;
        ASSERT_NE(res->body.find("E\tOK\t"), std::string::npos) << sql << ": " << res->body;
    }
    // Changes the server's schema directly in its database file (the gateway refuses DDL).
    void Administer(const std::string& sql) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open((dbFolder_ / "central.db").c_str(), &db), SQLITE_OK);
        char* message = nullptr;
        const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
        const std::string text = message ? message : "";
        sqlite3_free(message);
        sqlite3_close(db);
        ASSERT_EQ(rc, SQLITE_OK) << sql << ": " << text;
    }
    void SetVariable(const std::string& name, const std::string& value) {
        Execute("UPDATE TERVVARIABILI SET VALORE='" + value + "' WHERE VARIABILE='" + name + "'");
    }

    // Constructs the configuration object (as the login window's load does) and runs one login.
    void Login(TestForm& form) {
        gTervcli();
        DoLogin(form);
    }
    void Login(const std::string& user, const std::string& password) {
        TestForm form(user, password);
        Login(form);
    }

    // The globals of DEMO logged in on its second profile (ELENCO_DEF 1), role 2, sector 1.
    void ExpectDemoLoggedIn(const std::string& typedUser, const std::string& typedPassword) {
        EXPECT_EQ(gRuolo, 2);
        EXPECT_EQ(gSettore, 1);
        EXPECT_EQ(gProvRif, kSecondProvince);
        EXPECT_EQ(gProfCount, 2);
        EXPECT_EQ(gProfProvRif, (std::vector<std::string>{kFirstProvince, kSecondProvince, ""}));
        EXPECT_EQ(gProfRuolo, (std::vector<int32_t>{2, 2, 0}));
        EXPECT_EQ(gProfSettore, (std::vector<int32_t>{1, 1, 0}));
        EXPECT_EQ(gClientName, kClientName);
        EXPECT_EQ(gUserName, typedUser);
        EXPECT_EQ(gPassword, typedPassword);
    }
    std::string TmpFile(const std::string& name) const { return home / ("tmp/fglc/" + name); }
    std::string Defaults() const { return home / "defaults.ini"; }

    TempHome home;
    RecordingUiPort ui;
    std::string base_;

  private:
    TempFolder dbFolder_;
    std::unique_ptr<central::CentralServer> server_;
    std::unique_ptr<httplib::Client> gateway_;
    std::string mode_ = "plain";
};

}  // namespace terv::test
