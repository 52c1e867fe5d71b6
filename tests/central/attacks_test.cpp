// Hostile requests against a real terv-central in both modes. Each one gets its exact refusal
// (or, in plain mode, the legacy answer documented for it), and afterwards the server still
// answers a normal read and write and its database file passes SQLite's integrity check. The
// login's reads and each role's own work still run. Then what a table cannot show: a statement
// whose client leaves, and slow clients.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <unistd.h>

#include <map>
#include <thread>

#include "ServerFixture.h"

namespace terv::central::test {
namespace {

constexpr const char* kPrivileges = "ORA-01031: insufficient privileges";
constexpr const char* kCancelled = "ORA-01013: user requested cancel of current operation";
constexpr const char* kTooLarge = "ORA-01706: user function result value was too large";
constexpr const char* kRefused = "HTTP 401: unknown user or wrong password";
constexpr const char* kRunaway =
    "(WITH RECURSIVE r(n) AS (SELECT 1 FROM DUAL UNION ALL SELECT n+1 FROM r) "
    "SELECT COUNT(*) FROM r)";
constexpr long long kLimit = 256 * 1024;

// The HTTP status and the last line of an answer.
struct Outcome {
    int status = 0;
    std::string last;
    bool operator==(const Outcome&) const = default;
};
void PrintTo(const Outcome& o, std::ostream* os) {
    *os << o.status << " " << o.last;
}
Outcome Err(const std::string& text) {
    return {200, "E\tERR\t0\t" + text};
}
Outcome Ok(int count) {
    return {200, "E\tOK\t" + std::to_string(count)};
}

std::string Sql(const std::string& sql) {
    return nlohmann::json{{"sql", sql}}.dump();
}

struct Attack {
    const char* name;
    const char* as;    // the session's user in sso mode; none in plain mode
    const char* path;  // after the base path; a GET of the probe when `body` is empty
    std::string body;
    Outcome plain, sso = {};  // sso: none when it is the same as plain
    std::string authorization = "";
};

const char* kSelect = "kovJsSQL?function=select";
const char* kExecute = "kovJsSQL?function=execute";
const char* kRead = "kovJsSDO?function=read";
const char* kUpdate = "kovJsSDO?function=update";

std::vector<Attack> Attacks() {
    const Outcome unknown_tokenizer = Err("ORA-00904: \"FTS3_TOKENIZER\": invalid identifier");
    const Outcome privileges = Err(kPrivileges);
    const Outcome invalid = Err("ORA-00900: invalid SQL statement");
    const Outcome refused = {401, kRefused};
    const std::string profile =
        "TERVUTENTI|*UTENTE|UTENTE,SETTORE,PROV_RIF,ELENCO_DEF,(SELECT MAX(RUOLO) FROM GISUSERS "
        "WHERE UPPER(USR)=UPPER(UTENTE))|UPPER(UTENTE)='";
    return {
        // The login's reads (the exact statements of the program) and each role's own work.
        {"OwnSysdate", "OSPITE", kRead, R"({"descriptor":"DUAL|*SYSDATE|SYSDATE"})", Ok(1)},
        {"OwnProfile", "OSPITE", kRead, nlohmann::json{{"descriptor", profile + "OSPITE'"}}.dump(),
         Ok(1)},
        {"Variables", "OSPITE", kRead,
         R"({"descriptor":"TERVVARIABILI|*VARIABILE|VARIABILE,VALORE"})", Ok(6)},
        {"OwnPassword", "OSPITE", kSelect, Sql("SELECT GET_PWD_UTENTE('OSPITE') FROM DUAL"), Ok(1)},
        {"GuestReadsNoData", "OSPITE", kSelect, Sql("SELECT COUNT(*) FROM TERVCOMUNI"), Ok(1),
         privileges},
        {"OperatorProfile", "ISPETTORE", kRead,
         nlohmann::json{{"descriptor", profile + "ISPETTORE'"}}.dump(), Ok(1)},
        {"OperatorSequence", "ISPETTORE", kRead,
         R"({"descriptor":"DUAL|*|PALM_SCARICHI_SEQ.NEXTVAL"})", Ok(1)},
        {"OperatorRegisters", "ISPETTORE", kExecute,
         Sql("INSERT INTO PALM_SCARICHI (NUME_SCAR, UTENTE_SCARICO) VALUES (77, 'ISPETTORE')"),
         Ok(1)},
        {"OperatorMarks", "ISPETTORE", kUpdate,
         R"({"writes":[{"table":"TERVPLAV","op":"U","attributes":"NUME_SCAR_PALM|77|","where":"1=0"}]})",
         Ok(0)},
        {"AdministratorSetsVariables", "DEMO", kExecute,
         Sql("UPDATE TERVVARIABILI SET VALORE='SI' WHERE VARIABILE='FILTERLOGIN'"), Ok(1)},
        // Only the dialect's statements, on the schema's tables, with the dialect's functions.
        {"TokenizerPointer", "DEMO", kSelect,
         Sql("SELECT fts3_tokenizer('zz', x'4141414141414141') FROM DUAL"), unknown_tokenizer},
        {"VirtualTable", "DEMO", kExecute,
         Sql("CREATE VIRTUAL TABLE temp.zzv USING fts3(a, tokenize=zz)"), privileges},
        {"Attach", "DEMO", kExecute, Sql("ATTACH DATABASE 'other.db' AS other"), invalid},
        {"Pragma", "DEMO", kExecute, Sql("PRAGMA writable_schema=ON"), invalid},
        {"PragmaFunction", "DEMO", kSelect, Sql("SELECT name FROM pragma_database_list"),
         privileges},
        {"EponymousTable", "DEMO", kSelect, Sql("SELECT COUNT(*) FROM json_each('[1,2]')"),
         privileges},
        {"SchemaTable", "DEMO", kSelect, Sql("SELECT sql FROM sqlite_master"), privileges},
        {"TransactionControl", "DEMO", kExecute, Sql("COMMIT"), privileges},
        {"DropTable", "DEMO", kExecute, Sql("DROP TABLE PALM_NORME"), privileges},
        // Grants: in sso mode by role; plain mode has the legacy gateway account's rights.
        {"PasswordsRead", "OSPITE", kSelect, Sql("SELECT UTENTE,PWD FROM TERVUTENTI"), Ok(5),
         privileges},
        {"PasswordsByDescriptor", "OSPITE", kRead,
         R"({"descriptor":"TERVUTENTI|*UTENTE|UTENTE,PWD"})", Ok(5), privileges},
        {"OtherUsersPassword", "OSPITE", kSelect,
         Sql("SELECT GET_PWD_UTENTE('ISPETTORE') FROM DUAL"), Ok(1), privileges},
        {"OwnRoleRaised", "OSPITE", kExecute, Sql("UPDATE GISUSERS SET RUOLO=9 WHERE USR='OSPITE'"),
         Ok(1), privileges},
        {"OtherPasswordChanged", "OSPITE", kExecute,
         Sql("UPDATE TERVUTENTI SET PWD='x' WHERE UTENTE='ISPETTORE'"), Ok(1), privileges},
        {"OtherPasswordByWrite", "ISPETTORE", kUpdate,
         R"({"writes":[{"table":"TERVUTENTI","op":"U","attributes":"PWD|x|","where":"UTENTE='OSPITE'"}]})",
         Ok(1), privileges},
        {"VariablesByOperator", "ISPETTORE", kExecute,
         Sql("UPDATE TERVVARIABILI SET VALORE='NO' WHERE VARIABILE='FILTERLOGIN'"), Ok(1),
         privileges},
        {"RolesByAdministrator", "DEMO", kExecute,
         Sql("INSERT INTO GISUSERS (USR, RUOLO) VALUES ('OSPITE', 9)"), Ok(1), privileges},
        {"SequenceRewound", "DEMO", kExecute,
         Sql("UPDATE TERV_SEQUENCES SET LAST_VALUE=0 WHERE SEQUENCE_NAME='TERVPALMC_SEQ'"), Ok(1),
         privileges},
        // Nothing outlives a request on a shared connection.
        {"TemporaryViewOverRoles", "OSPITE", kExecute,
         Sql("CREATE TEMP VIEW GISUSERS AS SELECT 'OSPITE' AS USR, 9 AS RUOLO"), privileges},
        {"TemporaryTable", "OSPITE", kExecute, Sql("CREATE TEMP TABLE T(X)"), privileges},
        // Credentials holding NUL.
        {"NulPasswordSignOn", "", "sso?function=login",
         R"({"user":"DEMO","password":"demo\u0000garbage","application":"BACK OFFICE"})", refused},
        {"NulPasswordProbe",
         "",
         "kovJsSDO",
         "",
         {200, "<client>TERV Demo</client>"},
         refused,
         "Basic REVNTzpkZW1vAGdhcmJhZ2U="},
        // Time limit.
        {"RunawaySelect", "DEMO", kSelect, Sql(std::string("SELECT ") + kRunaway + " FROM DUAL"),
         Err(kCancelled)},
        {"RunawayExecute", "DEMO", kExecute,
         Sql(std::string("DELETE FROM PALM_SCARICHI WHERE NUME_SCAR=") + kRunaway),
         Err(kCancelled)},
        // Sizes.
        {"BodyTooLarge",
         "DEMO",
         kSelect,
         nlohmann::json{{"sql", "SELECT 1 FROM DUAL"}, {"pad", std::string(kLimit, 'x')}}.dump(),
         {413, "request body larger than the server's limit of 262144 bytes"}},
        // Padding stops at the central system's 4000 characters; a replacement that grows past
        // the value limit is refused before it is built.
        {"PaddedValue", "DEMO", kSelect, Sql("SELECT LENGTH(RPAD('x', 2000000000, 'y')) FROM DUAL"),
         Ok(1)},
        {"ReplacedValue", "DEMO", kSelect,
         Sql("SELECT LENGTH(REPLACE(RPAD('x', 4000, 'y'), 'y', RPAD('y', 4000, 'y'))) FROM DUAL"),
         Err(kTooLarge)},
        {"RandomBlob", "DEMO", kSelect, Sql("SELECT randomblob(1000000000) FROM DUAL"),
         Err("ORA-00904: \"RANDOMBLOB\": invalid identifier")},
        {"EndlessAnswer", "DEMO", kSelect,
         Sql("WITH RECURSIVE r(n) AS (SELECT 1 FROM DUAL UNION ALL SELECT n+1 FROM r) "
             "SELECT n FROM r"),
         Err("ORA-04030: out of process memory: the answer exceeds the server's limit of "
             "262144 bytes")},
    };
}

// A server with small limits, in the given mode.
class HostileFixture : public ServerFixture {
  protected:
    void StartIn(const char* mode) {
        options_.mode = mode;
        options_.demo_parcels = 10;
        options_.test_hooks = false;
        options_.statement_timeout_ms = 300;
        options_.max_body_bytes = kLimit;
        options_.max_value_bytes = kLimit;
        options_.max_answer_bytes = kLimit;
        StartServer();
    }
    bool Sso() const { return options_.mode == "sso"; }

    // The Cookie header of a session of `user` (whose password is its demo one).
    httplib::Headers Session(const std::string& user) {
        static const std::map<std::string, std::string> kPasswords = {
            {"DEMO", "demo"}, {"ISPETTORE", "palm2026"}, {"OSPITE", "ospite"}};
        if (!Sso() || user.empty())
            return {};
        return ServerFixture::Session(user, kPasswords.at(user));
    }

    Outcome Send(const Attack& a) {
        httplib::Headers headers = Session(a.as);
        if (!a.authorization.empty())
            headers.emplace("Authorization", a.authorization);
        const std::string path = std::string("/terv/") + a.path;
        auto res = a.body.empty()
                       ? client_->Get(path.c_str(), headers)
                       : client_->Post(path.c_str(), headers, a.body, "application/json");
        if (!res)
            return {};
        std::string body = res->body;
        if (!body.empty() && body.back() == '\n')
            body.pop_back();
        return {res->status, body.substr(body.rfind('\n') + 1)};
    }

    std::string IntegrityCheck() {
        sqlite3* db = nullptr;
        std::string result = "cannot open";
        if (sqlite3_open_v2(options_.db_path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) ==
            SQLITE_OK) {
            sqlite3_stmt* stmt = nullptr;
            sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr);
            result = stmt && sqlite3_step(stmt) == SQLITE_ROW
                         ? reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))
                         : sqlite3_errmsg(db);
            sqlite3_finalize(stmt);
        }
        sqlite3_close(db);
        return result;
    }
};

class AttackTest : public HostileFixture, public ::testing::WithParamInterface<const char*> {
  protected:
    void SetUp() override { StartIn(GetParam()); }
};

TEST_P(AttackTest, EachAttackIsRefusedAndTheServerGoesOn) {
    const httplib::Headers demo = Session("DEMO");
    for (const Attack& a : Attacks()) {
        SCOPED_TRACE(a.name);
        EXPECT_EQ(Send(a), Sso() && a.sso.status != 0 ? a.sso : a.plain);
        EXPECT_EQ(Select("SELECT COUNT(*) FROM DUAL", "", demo), "C\tCOUNT(*)\nR\tI1\nE\tOK\t1\n");
        auto res = Post("/terv/kovJsSQL?function=execute",
                        {{"sql", "DELETE FROM PALM_NORME WHERE 1=0"}}, demo);
        ASSERT_TRUE(res);
        EXPECT_EQ(res->body, "E\tOK\t0\n");
        EXPECT_EQ(IntegrityCheck(), "ok");
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, AttackTest, ::testing::Values("plain", "sso"),
                         [](const auto& info) { return std::string(info.param); });

// A statement stops when its client leaves: the write lock it held is free at once.
class ClientLeavesTest : public ServerFixture {};

TEST_F(ClientLeavesTest, ItsStatementStops) {
    httplib::Client leaving("127.0.0.1", server_->port());
    leaving.set_read_timeout(1, 0);
    EXPECT_FALSE(
        leaving.Post("/terv/kovJsSQL?function=execute",
                     Sql(std::string("DELETE FROM PALM_SCARICHI WHERE NUME_SCAR=") + kRunaway),
                     "application/json"));
    leaving.stop();
    httplib::Client next("127.0.0.1", server_->port());
    next.set_read_timeout(60, 0);
    auto res = next.Post("/terv/kovJsSQL?function=execute", Sql("DELETE FROM PALM_NORME WHERE 1=0"),
                         "application/json");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->body, "E\tOK\t0\n");
}

// A loopback socket that sends a request's first line and then one header line at a time.
class SlowClient {
  public:
    explicit SlowClient(int port) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<uint16_t>(port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        Send("POST /terv/kovJsSQL?function=select HTTP/1.1\r\n");
    }
    ~SlowClient() { close(fd_); }
    bool connected() const { return connected_; }
    // Sends one more header line; false once the server closed the connection.
    bool Send(const std::string& text = "X-Slow: 1\r\n") {
        char c;
        if (recv(fd_, &c, 1, MSG_DONTWAIT) == 0)
            return false;
        return send(fd_, text.data(), text.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(text.size());
    }

  private:
    int fd_;
    bool connected_ = false;
};

class SlowClientsTest : public ServerFixture {
  protected:
    void SetUp() override {
        options_.demo_parcels = 5;
        options_.test_hooks = false;
    }
    std::vector<std::unique_ptr<SlowClient>> Open(int count) {
        std::vector<std::unique_ptr<SlowClient>> slow;
        for (int i = 0; i < count; ++i) {
            slow.push_back(std::make_unique<SlowClient>(server_->port()));
            EXPECT_TRUE(slow.back()->connected());
        }
        return slow;
    }
};

TEST_F(SlowClientsTest, OthersAreAnsweredWhileEightyTrickle) {
    options_.request_timeout_ms = 120000;
    StartServer();
    auto slow = Open(80);
    for (auto& s : slow)
        EXPECT_TRUE(s->Send());
    client_->set_read_timeout(30, 0);
    EXPECT_EQ(Select("SELECT 1 FROM DUAL"), "C\t1\nR\tI1\nE\tOK\t1\n");
}

TEST_F(SlowClientsTest, ARequestNotDeliveredInTimeIsClosed) {
    options_.request_timeout_ms = 500;
    StartServer();
    auto slow = Open(80);
    size_t open = slow.size();
    for (int round = 0; round < 300 && open > 0; ++round) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        open = 0;
        for (auto& s : slow)
            open += s->Send() ? 1 : 0;
    }
    EXPECT_EQ(open, 0u);
    EXPECT_EQ(Select("SELECT 1 FROM DUAL"), "C\t1\nR\tI1\nE\tOK\t1\n");
}

}  // namespace
}  // namespace terv::central::test
