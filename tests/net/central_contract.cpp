// Contract tests: the client libraries against a real terv-central on a free loopback port.
// Every operation succeeds and fails as the wire protocol says, the exact files and tables are
// written, and the message boxes and HTTP log lines are the program's.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sqlite3.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "NetFixture.h"
#include "ServerValues.h"
#include "data/FileUtil.h"
#include "data/TextUtil.h"
#include "data/db/Database.h"

namespace terv::test {
namespace {

// A terv-central process for one test, stopped with SIGTERM at the end.
class CentralProcess {
  public:
    CentralProcess(const std::string& dbPath, const std::string& mode) {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(fds[1], 1);
            ::close(fds[0]);
            ::close(fds[1]);
            ::execl(TERV_CENTRAL_EXE, TERV_CENTRAL_EXE, "--port", "0", "--db", dbPath.c_str(),
                    "--mode", mode.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        out_ = ::fdopen(fds[0], "r");
        char line[256] = {0};
        if (out_ && std::fgets(line, sizeof line, out_))
            std::sscanf(line, "listening on %d", &port_);
    }
    ~CentralProcess() { Stop(); }

    // SIGTERM, then up to 20 s for the server to end; true when it ended by itself with status
    // 0. A server that does not end is killed, so that no test hangs on it.
    bool Stop() {
        if (pid_ <= 0)
            return false;
        ::kill(pid_, SIGTERM);
        int status = 0;
        bool ended = false;
        for (int i = 0; i < 2000 && !ended; ++i) {
            ended = ::waitpid(pid_, &status, WNOHANG) == pid_;
            if (!ended)
                ::usleep(10000);
        }
        if (!ended) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
        }
        pid_ = 0;
        if (out_)
            std::fclose(out_);
        out_ = nullptr;
        return ended && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    // Ends the server at once, as a crash would.
    void Kill() {
        if (pid_ > 0)
            ::kill(pid_, SIGKILL);
    }

    int port() const { return port_; }
    std::string base() const { return "http://127.0.0.1:" + std::to_string(port_) + "/terv/"; }

  private:
    pid_t pid_ = 0;
    int port_ = 0;
    std::FILE* out_ = nullptr;
};

class ContractTest : public NetTest {
  protected:
    void StartCentral(const std::string& mode = "plain") {
        central = std::make_unique<CentralProcess>(dir / "central.db", mode);
        ASSERT_GT(central->port(), 0) << "terv-central did not say where it listens";
        B1_SetHTTPParams(central->base() + "kovJsSQL?function=", "", "");
        DrvSDESetHttpParams(central->base() + "kovJsSDO", "", "");
    }
    void SetUp() override {
        NetTest::SetUp();
        net::SetTimeouts(5000, 20000);
        StartCentral();
    }

    std::unique_ptr<CentralProcess> central;
};

using Msg = RecordingUiPort::Message;

TEST_F(ContractTest, SequenceGivesIncreasingNumbers) {
    const std::string transit = dir / "tmptransito.dat";
    const int32_t first = GetSequence(transit, "PALM_SCARICHI_SEQ");
    const int32_t second = GetSequence(transit, "PALM_SCARICHI_SEQ");
    EXPECT_GT(first, 0);
    EXPECT_GT(second, first);
    EXPECT_EQ(ReadFileBytes(transit), std::to_string(second) + ",\r\n");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ContractTest, ExecuteThenSelectToTextAndQueryString) {
    ASSERT_EQ(ExecSql("mario",
                      "INSERT INTO PALM_SCARICHI (NUME_SCAR, UTENTE_SCARICO, DESCRIZIONE) VALUES "
                      "(7001, 'mario', 'Città, prima');INSERT INTO PALM_SCARICHI (NUME_SCAR, "
                      "UTENTE_SCARICO, DESCRIZIONE) VALUES (7002, 'mario', '')",
                      false),
              0);
    const std::string out = dir / "scarichi.txt";
    ASSERT_EQ(SelectToTxt("mario",
                          "SELECT NUME_SCAR, DESCRIZIONE, UTENTE_SCARICO FROM PALM_SCARICHI "
                          "WHERE NUME_SCAR IN (7001, 7002) ORDER BY NUME_SCAR",
                          3, out, false),
              0);
    // Empty text is NULL on the server and arrives as nothing between the commas.
    EXPECT_EQ(ReadFileBytes(out), "7001,Citt\xE0, prima,mario\r\n7002,,mario\r\n");

    std::string value;
    EXPECT_EQ(GetQueryString(dir / "t.dat",
                             "SELECT DESCRIZIONE FROM PALM_SCARICHI WHERE NUME_SCAR IN "
                             "(7001,7002) ORDER BY NUME_SCAR",
                             value),
              1);  // the NULL row is a blank line, skipped
    EXPECT_EQ(value, "Città, prima");
}

TEST_F(ContractTest, DescriptorReadEndsEachLineWithAComma) {
    ASSERT_EQ(ExecSql("mario",
                      "INSERT INTO PALM_SCARICHI (NUME_SCAR, UTENTE_SCARICO) VALUES (8001, "
                      "'anna')",
                      false),
              0);
    const std::string out = dir / "d.txt";
    ASSERT_EQ(SdoRead(0, "PALM_SCARICHI|*NUME_SCAR|NUME_SCAR,UTENTE_SCARICO|NUME_SCAR=8001", 0, 0,
                      0, 0, 0, 0, 0, 0, out, "", "", false),
              0);
    EXPECT_EQ(ReadFileBytes(out), "8001,anna,\r\n");
}

TEST_F(ContractTest, UnknownTableIsAnOracleErrorShownAndLogged) {
    const std::string out = dir / "x.txt";
    EXPECT_EQ(SelectToTxt("mario", "SELECT A FROM NESSUNA_TABELLA", 1, out, false), -1);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "SQL");
    EXPECT_EQ(ui.messages[0].style, vbExclamation);
    EXPECT_EQ(ui.messages[0].text.rfind("ORA-00942", 0), 0u) << ui.messages[0].text;
    EXPECT_EQ(LogBytes(), "Select TXT: (mario) SELECT A FROM NESSUNA_TABELLA\r\n" +
                              ui.messages[0].text + "\r\n");
    EXPECT_FALSE(FileExists(out));
}

TEST_F(ContractTest, SqlSyntaxErrorIsAnOracleError) {
    EXPECT_EQ(ExecSql("mario", "UPDATE SET WHERE", true), -1);
    EXPECT_EQ(gLastError.rfind("ORA-", 0), 0u) << gLastError;
}

TEST_F(ContractTest, DuplicateReturnRowIsSuccessInMode0AndFailureInMode2) {
    const std::string attrs = "ID_PART|A001000100012_|CODI_NORMA|N1|DATA_LAV|20240315074508|";
    ASSERT_EQ(SdoWrite("PALMR_NORME_RILE", "I", 0, "", 0, attrs, "", 0), 0);
    EXPECT_EQ(SdoWrite("PALMR_NORME_RILE", "I", 0, "", 0, attrs, "", 0), 0);
    EXPECT_NE(gLastError.find("ORA-20001"), std::string::npos) << gLastError;
    EXPECT_EQ(gErrorCount, 0);
    EXPECT_NE(SdoWrite("PALMR_NORME_RILE", "I", 0, "", 0, attrs, "", 2), 0);
    EXPECT_EQ(gErrorCount, 1);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(
        LogBytes().rfind(
            "Write: PALMR_NORME_RILE O: I Id: 0 SF:  N: 0 A: " + attrs + " W: \r\nORA-20001", 0),
        0u)
        << LogBytes();

    const std::string out = dir / "n.txt";
    ASSERT_EQ(SelectToTxt("mario",
                          "SELECT ID_PART, CODI_NORMA, TO_CHAR(DATA_LAV,'YYYYMMDDHH24MISS') FROM "
                          "PALMR_NORME_RILE",
                          3, out, false),
              0);
    EXPECT_EQ(ReadFileBytes(out), "A001000100012_,N1,20240315074508\r\n");
}

TEST_F(ContractTest, BatchOfWritesIsAppliedAndAFailureRollsItBack) {
    SdoBatchStart();
    for (int i = 0; i < 150; ++i)
        ASSERT_EQ(SdoWrite("PALM_SCARICHI", "I", 0, "", 0,
                           "NUME_SCAR|" + std::to_string(9000 + i) + "|UTENTE_SCARICO|b|", "", 0),
                  0);
    ASSERT_EQ(SdoBatchEnd(false), 0);
    std::string count;
    ASSERT_EQ(GetQueryString(dir / "t.dat",
                             "SELECT COUNT(*) FROM PALM_SCARICHI WHERE UTENTE_SCARICO='b'", count),
              1);
    EXPECT_EQ(count, "150");

    SdoBatchStart();
    SdoWrite("PALM_SCARICHI", "U", 0, "", 0, "UTENTE_SCARICO|c|", "NUME_SCAR=9000", 0);
    SdoWrite("NESSUNA_TABELLA", "I", 0, "", 0, "A|1|", "", 0);
    EXPECT_NE(SdoBatchEnd(false), 0);
    EXPECT_EQ(LogBytes().rfind("Stop Update: \r\nORA-", 0), 0u) << LogBytes();
    ASSERT_EQ(GetQueryString(dir / "t.dat",
                             "SELECT COUNT(*) FROM PALM_SCARICHI WHERE UTENTE_SCARICO='c'", count),
              1);
    EXPECT_EQ(count, "0");
}

TEST_F(ContractTest, SelectToMdbWritesTypedRows) {
    const std::string db = dir / "palmdb.mdb";
    {
        Database local = CreateDatabase(db, dbLangGeneral);
        local.Execute(
            "CREATE TABLE SCARICHI (NUME_SCAR LONG, DESCRIZIONE TEXT(50), DATA TEXT(14))");
    }
    ASSERT_EQ(ExecSql("mario",
                      "INSERT INTO PALM_SCARICHI (NUME_SCAR, UTENTE_SCARICO, DESCRIZIONE) VALUES "
                      "(6001, 'mario', NULL)",
                      false),
              0);
    ASSERT_EQ(SelectToMdb("mario",
                          "SELECT NUME_SCAR, DESCRIZIONE, TO_CHAR(DATA_SCARICO, "
                          "'YYYYMMDDHH24MISS') FROM PALM_SCARICHI WHERE NUME_SCAR = 6001",
                          3, db, "SCARICHI", "", false),
              0);
    Database local = OpenDatabase(db);
    Recordset rs = local.OpenRecordset("SELECT * FROM SCARICHI", dbOpenForwardOnly);
    ASSERT_FALSE(rs.Eof());
    EXPECT_TRUE(rs.Field("NUME_SCAR").IsInteger());
    EXPECT_EQ(rs.Field("NUME_SCAR").AsLong(), 6001);
    EXPECT_TRUE(rs.Field("DESCRIZIONE").IsNull());
    EXPECT_EQ(rs.Field("DATA").AsText().size(), 14u);
}

TEST_F(ContractTest, StoppedServerIsRetriedOnceThenReported) {
    ASSERT_TRUE(central->Stop());
    EXPECT_EQ(ExecSql("mario", "DELETE FROM PALM_SCARICHI WHERE 1=0", false), -10000);
    EXPECT_EQ(ui.beeps, 1);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "SQL");
    EXPECT_EQ(LogBytes(), "Exec: (mario) DELETE FROM PALM_SCARICHI WHERE 1=0\r\n" +
                              ui.messages[0].text + "\r\n");
    const std::string out = dir / "seq.txt";
    EXPECT_EQ(GetSequence(out, "PALM_SCARICHI_SEQ"), 0);
    EXPECT_EQ(ui.beeps, 2);
    EXPECT_EQ(gErrorCount, 1);
}

TEST_F(ContractTest, AnswerCutByAServerCrashIsTransientAndWritesNothing) {
    std::string inserts;
    for (int i = 0; i < 100; ++i)
        inserts += (i ? ";" : "") + std::string("INSERT INTO PALM_SCARICHI (NUME_SCAR) VALUES (") +
                   std::to_string(5000 + i) + ")";
    ASSERT_EQ(ExecSql("mario", inserts, false), 0);
    const std::string out = dir / "grande.txt";
    WriteFileBytes(out, "prima\r\n");
    // The server dies once the client has received part of a result too big to finish.
    std::atomic<bool> done = false;
    std::thread watcher([&] {
        const auto start = std::chrono::steady_clock::now();
        while (!done && std::chrono::steady_clock::now() - start < std::chrono::seconds(30)) {
            for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
                if (e.path().extension() == ".part" && e.file_size() > 100000) {
                    central->Kill();
                    return;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    const int32_t result = B1_SelectToTextFile(
        "mario",
        "SELECT a.NUME_SCAR, b.NUME_SCAR, c.NUME_SCAR, d.NUME_SCAR FROM PALM_SCARICHI a, "
        "PALM_SCARICHI b, PALM_SCARICHI c, PALM_SCARICHI d",
        4, out);
    done = true;
    watcher.join();
    EXPECT_EQ(result, -10000);
    EXPECT_EQ(ReadFileBytes(out), "prima\r\n");
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        EXPECT_NE(e.path().extension(), ".part") << e.path();
}

TEST_F(ContractTest, ServerStopsWhileTheClientKeepsItsConnection) {
    // The client keeps its connection open between calls (keep-alive); SIGTERM must still end
    // the server.
    ASSERT_EQ(ExecSql("mario", "DELETE FROM PALM_SCARICHI WHERE 1=0", false), 0);
    EXPECT_TRUE(central->Stop());
}

TEST_F(ContractTest, SsoModeNeedsTheSessionAndItsOwnUser) {
    ASSERT_EQ(ExecSql("",
                      "INSERT INTO TERVUTENTI (UTENTE, SETTORE, PWD) VALUES ('anna', 1, 'pw1');"
                      "INSERT INTO GISUSERS (USR, RUOLO) VALUES ('anna', 1)",
                      false),
              0);
    HttpDisconnect();
    ASSERT_TRUE(central->Stop());
    StartCentral("sso");
    const std::string base = central->base();
    const std::string probe = base + "kovJsSDO";
    const std::string answer = dir / "login.dat";
    char buffer[1024];

    EXPECT_EQ(HttpDownloadFile(probe, answer, "anna", "sbagliata"), 0);
    KOVICLIGetLastError(buffer, sizeof buffer);
    EXPECT_NE(std::string(buffer).find(" 401"), std::string::npos) << buffer;
    EXPECT_EQ(B1_Execute("anna", "DELETE FROM PALM_SCARICHI WHERE 1=0"), -401);

    // Known credentials without a session: the probe names the single sign-on service.
    ASSERT_NE(HttpDownloadFile(probe, answer, "anna", "pw1"), 0);
    std::string last;
    ReadLastLine(answer, last);
    EXPECT_EQ(last, "<sso_server>" + base + "sso</sso_server>");
    gSsoServer = GetSsoServer(last);

    SsoConnect(gSsoServer, base);
    ASSERT_EQ(velto_sso_login(gSsoHandle, "anna", "pw1", "BACK OFFICE"), 0);
    ASSERT_NE(HttpDownloadFile(probe, answer, "", ""), 0);
    ReadLastLine(answer, last);
    EXPECT_FALSE(last.empty());
    EXPECT_EQ(last.find("sso_server"), std::string::npos) << last;

    EXPECT_EQ(B1_Execute("anna", "DELETE FROM PALM_SCARICHI WHERE 1=0"), 0);
    EXPECT_EQ(B1_Execute("", "DELETE FROM PALM_SCARICHI WHERE 1=0"), 0);
    EXPECT_EQ(B1_Execute("mario", "DELETE FROM PALM_SCARICHI WHERE 1=0"), -401);
    KOVICLIGetLastError(buffer, sizeof buffer);
    EXPECT_NE(std::string(buffer).find(" 401"), std::string::npos) << buffer;

    HttpDisconnect();
    SsoDisconnect();
    EXPECT_EQ(B1_Execute("anna", "DELETE FROM PALM_SCARICHI WHERE 1=0"), -401);
}

}  // namespace
}  // namespace terv::test
