// The export against a real terv-central: a fresh program folder, an in-process server (plain or
// single sign-on) on a copy of one demo database made once per test program and size, DEMO logged
// in through the real login, the recording UI port, and a direct read-only look at the server's
// database to check what arrived.
#pragma once

#include <sqlite3.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>

#include "../login/LoginFixture.h"
#include "export/ExportTexts.h"
#include "export/modItalia.h"
#include "export/modTrasfPalm.h"
#include "platform/VbText.h"

namespace terv::test {

// Demo data of a 2000-parcel database: municipalities with parcels and the earlier exports.
inline constexpr const char* kRomaA = "A062";    // Affile (RM)
inline constexpr const char* kRomaB = "A084";    // Agosta (RM)
inline constexpr const char* kMilanoA = "A010";  // Abbiategrasso (MI)
inline constexpr long long kDemoSize = 2000;

// The lines of `text` cut at `eol`, without the empty piece after a last line end.
inline std::vector<std::string> TextLines(const std::string& text, const std::string& eol = "\n") {
    std::vector<std::string> lines = Split(text, eol);
    if (!lines.empty() && lines.back().empty())
        lines.pop_back();
    return lines;
}

// A UI port that runs `onStop` (stops the server, fills the disk...) when the export shows the
// caption `stopAtCaption` or moves its progress to `stopAtValue`.
class StoppingPort : public RecordingUiPort {
  public:
    void Progress(const std::string& caption) override {
        RecordingUiPort::Progress(caption);
        if (!stopAtCaption.empty() && caption == stopAtCaption && onStop)
            onStop();
    }
    void ProgressValue(long value, long max) override {
        RecordingUiPort::ProgressValue(value, max);
        if (value == stopAtValue && onStop)
            onStop();
    }
    std::string stopAtCaption;
    long stopAtValue = -1;
    std::function<void()> onStop;
};

class ExportTest : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        ResetEverything();
        ui.Reset();
        SetUiPort(&ui);
        CopyTemplate();
        StartServer();
        WriteFileBytes(home / "defaults.ini",
                       "[AGGIO]\r\nVERSION=3.2\r\n[GISPARAMS]\r\nDATATABELLE=20260101000000\r\n"
                       "DATACOLTURE=20260101000000\r\n");
        LogIn("DEMO", "demo");
    }
    void TearDown() override {
        ResetEverything();
        SetUiPort(nullptr);
        if (server)
            server->Stop();
    }

    void LogIn(const std::string& user, const std::string& password) {
        TestForm form(user, password);
        gTervcli();
        DoLogin(form);
        ASSERT_GT(gRuolo, 0) << "login of " << user;
        ui.Reset();
    }

    // Starts the server on this test's database; `port` 0 picks a free one.
    void StartServer(int port = 0, long long maxAnswerBytes = 1LL << 30) {
        central::ServerOptions options;
        options.port = port;
        options.max_answer_bytes = maxAnswerBytes;
        options.db_path = db_;
        options.mode = GetParam();
        options.demo_parcels = DemoSize();
        options.threads = 4;
        server = std::make_unique<central::CentralServer>(options);
        std::string error;
        ASSERT_TRUE(server->Start(&error)) << error;
        WriteFileBytes(home / "servers.dat", "[SERVER]\r\nLOCATION=http://127.0.0.1:" +
                                                 std::to_string(server->port()) + "/terv/\r\n");
    }

    // Rows of a query on the server's database, cells joined by "|".
    std::vector<std::string> Rows(const std::string& sql) const {
        std::vector<std::string> rows;
        sqlite3* db = nullptr;
        sqlite3_open_v2(db_.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << sqlite3_errmsg(db) << " in " << sql;
        }
        while (stmt && sqlite3_step(stmt) == SQLITE_ROW) {
            std::string row;
            for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
                const auto* text = sqlite3_column_text(stmt, i);
                row +=
                    (i ? "|" : "") + std::string(text ? reinterpret_cast<const char*>(text) : "");
            }
            rows.push_back(row);
        }
        sqlite3_finalize(stmt);
        sqlite3_close(db);
        return rows;
    }
    // Runs a statement on the server's database behind the server's back.
    void RunOnServerDatabase(const std::string& sql) const {
        sqlite3* db = nullptr;
        sqlite3_open_v2(db_.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
        char* message = nullptr;
        if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK)
            ADD_FAILURE() << (message ? message : "?") << " in " << sql;
        sqlite3_free(message);
        sqlite3_close(db);
    }
    std::string Value(const std::string& sql) const {
        const std::vector<std::string> rows = Rows(sql);
        return rows.empty() ? "" : rows.front();
    }

    // Parcels of the demo database; a fixture that needs more municipalities asks for more.
    virtual long long DemoSize() const { return kDemoSize; }

    // The selection window loaded for DEMO with its work lists.
    void LoadSelection() {
        sel.Form_Load();
        sel.Form_Activate();
    }
    void ChooseList(int32_t idLav) {
        for (size_t i = 0; i < sel.cmbElenchi.size(); ++i) {
            const int data = sel.cmbElenchi[i].itemData;
            if (data >= 0 && sel.elenchi[data].id_lav == idLav)
                sel.cmbElenchiIndex = static_cast<int>(i);
        }
        sel.cmbElenchi_Click();
        ASSERT_EQ(sel.ChosenIdLav(), idLav);
    }
    // Expands the nodes in order, as the tree's expand event does.
    void Expand(std::initializer_list<std::string> keys) {
        for (const std::string& key : keys) {
            TreeNode* node = sel.TreeViewElenco.Find(key);
            ASSERT_NE(node, nullptr) << key;
            node->expanded = true;
            sel.ExpandNode(key);
        }
    }
    // Keys of a node's children.
    std::vector<std::string> Children(const std::string& key) const {
        return sel.TreeViewElenco.Children(key);
    }
    // The copy tool `tool` behind a wrapper in the program folder that runs `before`, then logs
    // the command line to runs.txt ("|" after each argument, one run a line); the tool's errors
    // go to `errors`.
    void WrapCopyTool(const std::string& tool, const std::string& before,
                      const std::string& errors) {
        const std::string runs = "'" + (home / "runs.txt") + "'";
        WriteFileBytes(home / "RAPIFileCopy", "#!/bin/sh\n" + before + "printf '%s|' \"$@\" >>" +
                                                  runs + "\necho >>" + runs + "\nexec '" + tool +
                                                  "' \"$@\" 2>>'" + errors + "'\n");
        std::filesystem::permissions(home / "RAPIFileCopy", std::filesystem::perms::owner_all);
    }

    TempHome home;
    RecordingUiPort ui;
    TerritorySelection sel;
    TrasfPalmState trasf;
    std::unique_ptr<central::CentralServer> server;

  private:
    void CopyTemplate() {
        namespace fs = std::filesystem;
        static std::map<long long, std::unique_ptr<TempFolder>> templates;
        std::unique_ptr<TempFolder>& made = templates[DemoSize()];
        if (!made) {
            made = std::make_unique<TempFolder>();
            central::ServerOptions options;
            options.port = 0;
            options.db_path = *made / "central.db";
            options.demo_parcels = DemoSize();
            central::CentralServer maker(options);
            std::string error;
            ASSERT_TRUE(maker.Start(&error)) << error;
            maker.Stop();
        }
        db_ = dbFolder_ / "central.db";
        for (const char* suffix : {"", "-wal", "-shm"}) {
            const std::string from = *made / (std::string("central.db") + suffix);
            if (fs::exists(from))
                fs::copy_file(from, db_ + suffix);
        }
    }
    TempFolder dbFolder_;
    std::string db_;
};

inline std::string ModeName(const ::testing::TestParamInfo<std::string>& info) {
    return info.param;
}

}  // namespace terv::test
