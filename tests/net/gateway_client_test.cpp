// The query gateway client and the HTTP client against a fake central server: what travels on
// the wire, the text result files, and every way a request can fail.
#include <filesystem>

#include "NetFixture.h"

namespace terv::test {
namespace {

using GatewayTest = NetTest;

TEST_F(GatewayTest, SelectWritesCp1252RowsWithoutTrailingComma) {
    server.Enqueue(Records(RowsAnswer(
        {"COD", "DESCRIZIONE", "AREA", "NOTE"},
        {{"T001", "TForlì-Cesena", "F12.5", "N"}, {"T002", "TSant'Agata", "I-3", "T"}})));
    const std::string out = dir / "risultato.txt";
    ASSERT_EQ(B1_SelectToTextFile("mario", "SELECT COD,DESCRIZIONE,AREA,NOTE FROM T", 4, out), 0);
    EXPECT_EQ(ReadFileBytes(out), "001,Forl\xEC-Cesena,12.5,\r\n002,Sant'Agata,-3,\r\n");

    const auto requests = server.OperationRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].path, "/terv/kovJsSQL");
    EXPECT_EQ(requests[0].function, "select");
    EXPECT_EQ(requests[0].body, nlohmann::json({{"user", "mario"},
                                                {"sql", "SELECT COD,DESCRIZIONE,AREA,NOTE FROM T"},
                                                {"fields", 4}}));
}

TEST_F(GatewayTest, EmptyResultGivesEmptyFile) {
    server.Enqueue(Records(RowsAnswer({"A"}, {})));
    const std::string out = dir / "vuoto.txt";
    ASSERT_EQ(B1_SelectToTextFile("", "SELECT A FROM T WHERE 1=0", 1, out), 0);
    EXPECT_TRUE(FileExists(out));
    EXPECT_EQ(ReadFileBytes(out), "");
}

TEST_F(GatewayTest, ExecuteSendsStatementsAndUser) {
    server.Enqueue(Records({"E\tOK\t3"}));
    ASSERT_EQ(B1_Execute("mario", "UPDATE A SET X=1;DELETE FROM B"), 0);
    const auto requests = server.OperationRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].function, "execute");
    EXPECT_EQ(requests[0].body,
              nlohmann::json({{"user", "mario"}, {"sql", "UPDATE A SET X=1;DELETE FROM B"}}));
}

struct FailureCase {
    const char* name;
    FakeAnswer answer;
    int32_t code;
    std::string errorStart;
};

std::vector<FailureCase> FailureCases() {
    FakeAnswer cut = Records({"C\tA", "R\tT1", "R\tT2"});
    cut.cut = true;
    FakeAnswer slow = Records(RowsAnswer({"A"}, {{"T1"}}));
    slow.delayMillis = 2500;
    return {
        {"sql error", ServerError("ORA-00942: table or view does not exist"), -1,
         "ORA-00942: table or view does not exist"},
        {"transient server error", ServerError("ORA-03113: end-of-file on channel", true), -10000,
         "ORA-03113"},
        {"http 401", HttpFailure(401, "sessione non valida"), -401,
         "HTTP error 401: sessione non valida"},
        {"http 400", HttpFailure(400, "bad JSON"), -400, "HTTP error 400: bad JSON"},
        {"http 502", HttpFailure(502, "bad gateway"), -10000, "HTTP error 502"},
        {"http 503", HttpFailure(503, "in manutenzione"), -10000,
         "HTTP error 503: in manutenzione"},
        {"http 504", HttpFailure(504, ""), -10000, "HTTP error 504"},
        {"stream cut mid-way", cut, -10000, ""},
        {"stream ended without end record", Records({"C\tA", "R\tT1"}), -10000,
         "The server's answer ended before its end record (1 rows received)"},
        {"malformed stream", Records({"<html>", "E\tOK\t0"}), -1, "Malformed server answer"},
        {"slow answer", slow, -10000, "Timeout"},
    };
}

TEST_F(GatewayTest, FailuresGiveTheirCodeAndTextAndLeaveTheFileAsItWas) {
    for (const FailureCase& c : FailureCases()) {
        SCOPED_TRACE(c.name);
        const std::string out = dir / "risultato.txt";
        WriteFileBytes(out, "prima\r\n");
        server.Enqueue(c.answer);
        EXPECT_EQ(B1_SelectToTextFile("mario", "SELECT A FROM T", 1, out), c.code);
        EXPECT_EQ(ReadFileBytes(out), "prima\r\n");
        char buffer[1024];
        KOVICLIGetLastError(buffer, sizeof buffer);
        EXPECT_EQ(std::string(buffer).rfind(c.errorStart, 0), 0u) << buffer;
        EXPECT_NE(std::string(buffer), "");
        // Nothing but the result file and the log is left in the folder.
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            EXPECT_TRUE(entry.path().filename() == "risultato.txt" ||
                        entry.path().filename() == "httplog.log")
                << entry.path();
    }
}

TEST_F(GatewayTest, HttpFailureTextContainsTheStatus) {
    server.Enqueue(HttpFailure(401, "utente diverso dalla sessione"));
    EXPECT_EQ(B1_Execute("luigi", "DELETE FROM X"), -401);
    char buffer[1024];
    KOVICLIGetLastError(buffer, sizeof buffer);
    EXPECT_NE(std::string(buffer).find(" 401"), std::string::npos);
}

TEST_F(GatewayTest, ConnectionRefusedIsTransient) {
    PointAtClosedPort();
    const std::string out = dir / "r.txt";
    EXPECT_EQ(B1_SelectToTextFile("mario", "SELECT 1 FROM DUAL", 1, out), -10000);
    EXPECT_EQ(B1_Execute("mario", "DELETE FROM X"), -10000);
    EXPECT_FALSE(FileExists(out));
    char buffer[1024];
    KOVICLIGetLastError(buffer, sizeof buffer);
    EXPECT_NE(std::string(buffer), "");
}

TEST_F(GatewayTest, MissingOutputFolderFailsWithoutARequest) {
    const std::string out = dir / "manca/r.txt";
    EXPECT_EQ(B1_SelectToTextFile("mario", "SELECT 1 FROM DUAL", 1, out), -1);
    EXPECT_TRUE(server.OperationRequests().empty());
    char buffer[1024];
    KOVICLIGetLastError(buffer, sizeof buffer);
    EXPECT_NE(std::string(buffer).find(out), std::string::npos);
}

TEST_F(GatewayTest, NoAddressFailsWithAText) {
    ResetGatewayClient();
    EXPECT_EQ(B1_Execute("mario", "DELETE FROM X"), -1);
    char buffer[1024];
    KOVICLIGetLastError(buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer), "The query gateway address is not set");
}

TEST_F(GatewayTest, ConsecutiveCallsReuseTheConnectionUntilDisconnect) {
    const std::string out = dir / "r.txt";
    ASSERT_EQ(B1_SelectToTextFile("mario", "SELECT 1 FROM DUAL", 1, out), 0);
    ASSERT_EQ(B1_Execute("mario", "DELETE FROM X"), 0);
    KOVICLIDisconnect();
    ASSERT_EQ(B1_Execute("mario", "DELETE FROM X"), 0);
    const auto requests = server.OperationRequests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].remotePort, requests[1].remotePort);
    EXPECT_NE(requests[1].remotePort, requests[2].remotePort);
    KOVICLIDisconnect();
    KOVICLIDisconnect();  // nothing open: harmless
}

TEST_F(GatewayTest, LastErrorIsCutToTheBufferAndNulTerminated) {
    net::SetLastErrorText("ORA-01400: cannot insert NULL");
    char small[10];
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(KOVICLIGetLastError(small, sizeof small), 9);
    EXPECT_EQ(std::string(small), "ORA-01400");

    char big[1024];
    std::memset(big, 'x', sizeof big);
    net::SetLastErrorText("abc");
    EXPECT_EQ(KOVICLIGetLastError(big, sizeof big), 3);
    EXPECT_EQ(std::string(big, 5), std::string("abc\0x", 5));  // bytes after the NUL untouched
}

TEST_F(GatewayTest, DownloadWritesTheBodyWithBasicCredentials) {
    const std::string out = dir / "login.dat";
    EXPECT_NE(HttpDownloadFile(server.base() + "kovJsSDO", out, "mario", "segreta"), 0);
    EXPECT_EQ(ReadFileBytes(out), "riga\nRegione Demo\n");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].authUser, "mario");
    EXPECT_EQ(requests[0].authPassword, "segreta");
}

TEST_F(GatewayTest, RefusedDownloadReturnsZeroAndKeepsTheFile) {
    const std::string out = dir / "login.dat";
    WriteFileBytes(out, "vecchio");
    EXPECT_EQ(HttpDownloadFile(server.base() + "kovJsSDO", out, "mario", "sbagliata"), 0);
    EXPECT_EQ(ReadFileBytes(out), "vecchio");
    char buffer[1024];
    KOVICLIGetLastError(buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer), "HTTP error 401: credenziali non valide");
}

TEST_F(GatewayTest, DownloadFromAClosedPortReturnsZero) {
    const std::string url = "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/terv/kovJsSDO";
    EXPECT_EQ(HttpDownloadFile(url, dir / "x.dat", "mario", "segreta"), 0);
    EXPECT_FALSE(FileExists(dir / "x.dat"));
}

TEST_F(GatewayTest, SilentModeAndOwnerWindowAreKept) {
    EXPECT_FALSE(KovicliSilent());
    KOVICLISilentMode(-1);
    EXPECT_TRUE(KovicliSilent());
    KOVICLISilentMode(0);
    EXPECT_FALSE(KovicliSilent());
    KOVICLISetParentWnd(4711);
    EXPECT_EQ(KovicliParentWnd(), 4711);
}

}  // namespace
}  // namespace terv::test
