// SidSde over the client libraries and a fake central server: retries and beeps, message boxes,
// HTTP log lines, the error count, "ORA-20001" by write mode, the batch restart at 101, the
// error text's NUL handling, and the single-value helpers.
#include "NetFixture.h"
#include "ServerValues.h"

namespace terv::test {
namespace {

using SidSdeTest = NetTest;
using Msg = RecordingUiPort::Message;

const std::string kOra942 = "ORA-00942: table or view does not exist";
const std::string kOra20001 = "ORA-20001: riga gia' presente";

// The error as gLastError holds it: text, then the NUL the buffer ends it with.
std::string Held(const std::string& text) {
    return text + std::string(1, '\0');
}

struct SqlCase {
    const char* label;
    std::function<int32_t(const std::string& out, bool silent)> call;
};

std::vector<SqlCase> SqlCases() {
    return {
        {"Select TXT: (",
         [](const std::string& out, bool silent) {
             return SelectToTxt("mario", "SELECT A FROM T", 1, out, silent);
         }},
        {"Exec: (", [](const std::string&,
                       bool silent) { return ExecSql("mario", "SELECT A FROM T", silent); }},
    };
}

TEST_F(SidSdeTest, TransientFailureThenSuccessShowsAndLogsNothingAndBeepsOnce) {
    for (const SqlCase& c : SqlCases()) {
        SCOPED_TRACE(c.label);
        ui.Reset();
        server.Enqueue(HttpFailure(503, "occupato"));
        server.Enqueue(Records(RowsAnswer({"A"}, {{"T1"}})));
        EXPECT_EQ(c.call(dir / "r.txt", false), 0);
        EXPECT_TRUE(ui.messages.empty());
        EXPECT_EQ(ui.beeps, 1);
    }
    EXPECT_EQ(server.OperationRequests().size(), 4u);
    EXPECT_EQ(LogBytes(), "");
    EXPECT_EQ(gSilentCount, 0);
}

TEST_F(SidSdeTest, SdoReadRetriesOnceThenBeeps) {
    server.Enqueue(ServerError("ORA-03113: end-of-file on communication channel", true));
    server.Enqueue(Records(RowsAnswer({"NEXTVAL"}, {{"I7"}})));
    const std::string out = dir / "seq.txt";
    EXPECT_EQ(SdoRead(0, "DUAL|*|S.NEXTVAL", 0, 0, 0, 0, 0, 0, 0, 0, out, "", "", false), 0);
    EXPECT_EQ(ReadFileBytes(out), "7,\r\n");
    EXPECT_EQ(ui.beeps, 1);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(gErrorCount, 0);
    EXPECT_EQ(LogBytes(), "");
}

TEST_F(SidSdeTest, RetryFailureIsFinalAndReported) {
    server.Enqueue(HttpFailure(503, "occupato"));
    server.Enqueue(HttpFailure(503, "ancora occupato"));
    EXPECT_EQ(ExecSql("mario", "DELETE FROM X", false), -10000);
    EXPECT_EQ(server.OperationRequests().size(), 2u);
    EXPECT_EQ(ui.beeps, 1);
    const std::string text = "HTTP error 503: ancora occupato";
    EXPECT_EQ(gLastError, Held(text));
    EXPECT_EQ(ui.messages, (std::vector<Msg>{{text, vbExclamation, "SQL"}}));
    EXPECT_EQ(LogBytes(), "Exec: (mario) DELETE FROM X\r\n" + text + "\r\n");
}

TEST_F(SidSdeTest, SqlFailureShowsTheErrorAndLogsTwoLines) {
    std::string expectedLog;
    for (const SqlCase& c : SqlCases()) {
        SCOPED_TRACE(c.label);
        ui.Reset();
        server.Enqueue(ServerError(kOra942));
        EXPECT_EQ(c.call(dir / "r.txt", false), -1);
        EXPECT_EQ(gLastError, Held(kOra942));
        EXPECT_EQ(ui.messages, (std::vector<Msg>{{kOra942, vbExclamation, "SQL"}}));
        EXPECT_EQ(ui.beeps, 0);
        expectedLog += std::string(c.label) + "mario) SELECT A FROM T\r\n" + kOra942 + "\r\n";
    }
    EXPECT_EQ(LogBytes(), expectedLog);
    EXPECT_EQ(gErrorCount, 0);  // SQL operations are not counted
}

TEST_F(SidSdeTest, SilentCallsAndSilentBracketsShowNoMessageButLog) {
    server.Enqueue(ServerError(kOra942));
    EXPECT_EQ(ExecSql("mario", "DELETE FROM X", true), -1);
    SetSilent(1);
    server.Enqueue(ServerError(kOra942));
    EXPECT_EQ(ExecSql("mario", "DELETE FROM Y", false), -1);
    EXPECT_TRUE(KovicliSilent());
    SetSilent(-1);
    EXPECT_FALSE(KovicliSilent());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(LogBytes(), "Exec: (mario) DELETE FROM X\r\n" + kOra942 +
                              "\r\nExec: (mario) DELETE FROM Y\r\n" + kOra942 + "\r\n");
}

TEST_F(SidSdeTest, SilentCounterNests) {
    SetSilent(1);
    SetSilent(1);
    SetSilent(-1);
    EXPECT_EQ(gSilentCount, 1);
    EXPECT_TRUE(KovicliSilent());
    SetSilent(-1);
    EXPECT_EQ(gSilentCount, 0);
    EXPECT_FALSE(KovicliSilent());
}

TEST_F(SidSdeTest, SdoReadFailureIsCountedShownAndLogged) {
    server.Enqueue(ServerError(kOra942));
    const std::string descriptor = "TERVCOMU|*COD_NAZIONALE|COD_NAZIONALE,DESCRIZIONE|";
    EXPECT_EQ(SdoRead(0, descriptor, 0, 0, 0, 0, 0, 0, 0, 0, dir / "c.txt", "", "", false), -1);
    EXPECT_EQ(ui.messages,
              (std::vector<Msg>{{"Errore lettura SDO: " + kOra942, vbExclamation, "SDO"}}));
    EXPECT_EQ(gErrorCount, 1);
    server.Enqueue(ServerError(kOra942));
    EXPECT_EQ(SdoRead(0, descriptor, 0, 0, 0, 0, 0, 0, 0, 0, dir / "c.txt", "", "", true), -1);
    EXPECT_EQ(ui.messages.size(), 1u);  // silent: no second box
    EXPECT_EQ(gErrorCount, 2);
    const std::string lines = "Read: Filename:" + descriptor + "\r\n" + kOra942 + "\r\n";
    EXPECT_EQ(LogBytes(), lines + lines);
    EXPECT_FALSE(FileExists(dir / "c.txt"));
}

TEST_F(SidSdeTest, BlockReadsRunInOrderWithoutRetry) {
    server.Enqueue(Records(RowsAnswer({"COD_ELE", "DESCR"}, {{"I1", "TUno"}, {"I2", "TDue"}})));
    server.Enqueue(Records(RowsAnswer({"ID_LAV"}, {{"I15"}})));
    EXPECT_EQ(SdoBlockAdd(0, "CODS|*COD_ELE|COD_ELE,DESCR|", dir / "a.txt", "", "", "", 1.0, 1.0,
                          0.0, ""),
              0);
    EXPECT_EQ(SdoBlockAdd(0, "LAV|*id_lav|ID_LAV|", dir / "b.txt", "", "", "", 1.0, 1.0, 0.0, ""),
              0);
    EXPECT_EQ(SdoBlockGo(0, 0, 0, 0, 0, 0, 0, 0, 0, false), 0);
    EXPECT_EQ(ReadFileBytes(dir / "a.txt"), "1,Uno,\r\n2,Due,\r\n");
    EXPECT_EQ(ReadFileBytes(dir / "b.txt"), "15,\r\n");
    const auto requests = server.OperationRequests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].path, "/terv/kovJsSDO");
    EXPECT_EQ(requests[0].function, "read");
    EXPECT_EQ(requests[0].body, nlohmann::json({{"descriptor", "CODS|*COD_ELE|COD_ELE,DESCR|"}}));
    EXPECT_EQ(ui.beeps, 0);
}

TEST_F(SidSdeTest, BlockRunFailureIsNotRetriedAndIsReported) {
    server.Enqueue(HttpFailure(503, "occupato"));
    SdoBlockAdd(0, "A|*|X|", dir / "a.txt", "", "", "", 1.0, 1.0, 0.0, "");
    SdoBlockAdd(0, "B|*|Y|", dir / "b.txt", "", "", "", 1.0, 1.0, 0.0, "");
    EXPECT_EQ(SdoBlockGo(0, 0, 0, 0, 0, 0, 0, 0, 0, false), -10000);
    EXPECT_EQ(server.OperationRequests().size(), 1u);  // stopped at the first failure
    EXPECT_EQ(ui.beeps, 0);
    const std::string text = "HTTP error 503: occupato";
    EXPECT_EQ(ui.messages,
              (std::vector<Msg>{{"Errore lettura SDO: " + text, vbExclamation, "SDO"}}));
    EXPECT_EQ(gErrorCount, 1);
    EXPECT_EQ(LogBytes(), "Read GO: \r\n" + text + "\r\n");
    // The queue is empty afterwards.
    EXPECT_EQ(SdoBlockGo(0, 0, 0, 0, 0, 0, 0, 0, 0, false), 0);
}

TEST_F(SidSdeTest, DuplicateKeyOnWriteIsSuccessInModes0And1Only) {
    struct Case {
        int32_t mode;
        int32_t result;
        int errorCount;
        bool logged;
    };
    const Case cases[] = {{0, 0, 0, false}, {1, 0, 0, false}, {2, -1, 1, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        ResetSidSde();
        WriteFileBytes(LogPath(), "");
        server.Enqueue(ServerError(kOra20001));
        EXPECT_EQ(SdoWrite("PALMR_NORME_RILE", "I", 0, "", 0, "ID_PART|A1|", "", c.mode), c.result);
        EXPECT_EQ(gErrorCount, c.errorCount);
        EXPECT_EQ(gLastError, Held(kOra20001));
        EXPECT_TRUE(ui.messages.empty());
        EXPECT_EQ(LogBytes().empty(), !c.logged);
    }
}

TEST_F(SidSdeTest, OtherWriteErrorsAreCountedShownInMode0AndLogged) {
    const std::string ora1 = "ORA-01400: cannot insert NULL into (\"ID_PART\")";
    const std::string line =
        "Write: PALMR_PART_DICH O: U Id: 0 SF:  N: 0 A: COD_STAT|3|DATA|X| "
        "W: ID_PART='A1'";
    for (int32_t mode : {0, 1, 2}) {
        SCOPED_TRACE(mode);
        ui.Reset();
        WriteFileBytes(LogPath(), "");
        const int32_t before = gErrorCount;
        server.Enqueue(ServerError(ora1));
        EXPECT_EQ(
            SdoWrite("PALMR_PART_DICH", "U", 0, "", 0, "COD_STAT|3|DATA|X|", "ID_PART='A1'", mode),
            -1);
        EXPECT_EQ(gErrorCount, before + 1);
        if (mode == 0)
            EXPECT_EQ(ui.messages,
                      (std::vector<Msg>{{"Errore scrittura SDO: " + ora1, vbExclamation, "SDO"}}));
        else
            EXPECT_TRUE(ui.messages.empty());
        EXPECT_EQ(LogBytes(), line + "\r\n" + ora1 + "\r\n");
    }
}

TEST_F(SidSdeTest, WriteOutsideABatchIsSentAtOnce) {
    server.Enqueue(Records({"E\tOK\t1"}));
    EXPECT_EQ(SdoWrite("PALM_SCARICHI", "I", 0, "", 0, "NUME_SCAR|12|DESCR|prova|", "", 0), 0);
    const auto requests = server.OperationRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].function, "update");
    EXPECT_EQ(requests[0].body, nlohmann::json::parse(R"({"writes":[{"table":"PALM_SCARICHI",
        "op":"I","attributes":"NUME_SCAR|12|DESCR|prova|","where":""}]})"));
    EXPECT_FALSE(SdoBatchIsOpen());
}

TEST_F(SidSdeTest, WriteThatFindsTheCounterAt101RestartsTheBatch) {
    auto write = [](int i) {
        return SdoWrite("TERVPLAV", "U", 0, "", 0, "NUME_SCAR|5|",
                        "ID_PART='" + std::to_string(i) + "'", 0);
    };
    SdoBatchStart();
    for (int i = 1; i <= 101; ++i)
        ASSERT_EQ(write(i), 0);
    EXPECT_EQ(gBatchCounter, 101);
    EXPECT_TRUE(server.OperationRequests().empty());
    ASSERT_EQ(write(102), 0);  // commits the first 101 and starts again
    EXPECT_EQ(gBatchCounter, 0);
    ASSERT_EQ(server.OperationRequests().size(), 1u);
    EXPECT_EQ(server.OperationRequests()[0].body["writes"].size(), 101u);
    EXPECT_EQ(server.OperationRequests()[0].body["writes"][100]["where"], "ID_PART='101'");
    for (int i = 103; i <= 203; ++i)
        ASSERT_EQ(write(i), 0);
    EXPECT_EQ(server.OperationRequests().size(), 1u);
    ASSERT_EQ(write(204), 0);  // finds the counter at 101 again
    ASSERT_EQ(server.OperationRequests().size(), 2u);
    const auto second = server.OperationRequests()[1].body["writes"];
    EXPECT_EQ(second.size(), 102u);
    EXPECT_EQ(second[0]["where"], "ID_PART='102'");
    EXPECT_EQ(SdoBatchEnd(false), 0);
    ASSERT_EQ(server.OperationRequests().size(), 3u);
    EXPECT_EQ(server.OperationRequests()[2].body["writes"].size(), 1u);
    EXPECT_EQ(gBatchState, 0);
    EXPECT_EQ(gBatchCounter, 0);
    EXPECT_EQ(gSilentCount, 0);
}

TEST_F(SidSdeTest, BatchEndFailureIsLoggedUnlessQuiet) {
    SdoBatchStart();
    SdoWrite("PALMR_FOTO_RILE", "I", 0, "", 0, "ID_PART|A|", "", 0);
    server.Enqueue(ServerError(kOra942));
    EXPECT_EQ(SdoBatchEnd(false), -1);
    EXPECT_EQ(LogBytes(), "Stop Update: \r\n" + kOra942 + "\r\n");
    EXPECT_EQ(gBatchState, 0);
    EXPECT_TRUE(ui.messages.empty());

    WriteFileBytes(LogPath(), "");
    SdoBatchStart();
    SdoWrite("PALMR_FOTO_RILE", "I", 0, "", 0, "ID_PART|A|", "", 0);
    server.Enqueue(ServerError(kOra942));
    EXPECT_EQ(SdoBatchEnd(true), -1);
    EXPECT_EQ(LogBytes(), "");
    EXPECT_EQ(gBatchState, 0);
    EXPECT_EQ(gBatchCounter, 0);
}

TEST_F(SidSdeTest, ErrorTextKeepsItsFirstNulAndTurnsLineFeedsIntoCrLf) {
    struct Case {
        std::string lastError;
        std::string expected;
    };
    const Case cases[] = {
        {std::string("abc\0garbage", 11), std::string("abc\0", 4)},
        {std::string("\0abc", 4), ""},
        {"", ""},
        {"riga1\nriga2", std::string("riga1\r\nriga2\0", 13)},
    };
    for (const Case& c : cases) {
        net::SetLastErrorText(c.lastError);
        ReadServerError();
        EXPECT_EQ(gLastError, c.expected);
    }
}

TEST_F(SidSdeTest, ShorterErrorAfterALongerOneLeavesTheOldBytesBehindItsNul) {
    net::SetLastErrorText("un errore molto lungo");
    EXPECT_EQ(GetServerError(), Held("un errore molto lungo"));
    net::SetLastErrorText("abc");
    EXPECT_EQ(GetServerError(), Held("abc"));
    EXPECT_EQ(std::string(gErrorBuffer.data(), 8), std::string("abc\0rror", 8));
    net::SetLastErrorText("altro");
    EXPECT_EQ(LastServerError(), Held("abc"));  // not fetched
}

TEST_F(SidSdeTest, QueryStringSkipsBlankLinesOfNullRows) {
    const std::string transit = dir / "tmptransito.dat";
    server.Enqueue(Records(RowsAnswer({"X"}, {{"T12"}, {"N"}, {"T 34 "}, {"N"}})));
    std::string value = "prima";
    EXPECT_EQ(GetQueryString(transit, "SELECT X FROM T", value), 2);
    EXPECT_EQ(ReadFileBytes(transit), "12\r\n\r\n 34 \r\n\r\n");
    EXPECT_EQ(value, "34");

    server.Enqueue(Records(RowsAnswer({"X"}, {{"T12"}, {"T 34 "}})));
    std::string same = "prima";
    EXPECT_EQ(GetQueryString(transit, "SELECT X FROM T", same), 2);
    EXPECT_EQ(same, value);
}

TEST_F(SidSdeTest, QueryStringFailureLeavesTheTextAndShowsTheError) {
    const std::string transit = dir / "tmptransito.dat";
    WriteFileBytes(transit, "vecchio\r\n");
    server.Enqueue(ServerError(kOra942));
    std::string value = "prima";
    EXPECT_EQ(GetQueryString(transit, "SELECT X FROM NOTAB", value), 0);
    EXPECT_EQ(value, "prima");
    EXPECT_FALSE(FileExists(transit));  // cleared before the query
    EXPECT_EQ(ui.messages, (std::vector<Msg>{{kOra942, vbExclamation, "SQL"}}));
}

TEST_F(SidSdeTest, SequenceReadsDualAndReturnsTheNumber) {
    const std::string transit = dir / "tmptransito.dat";
    server.Enqueue(Records(RowsAnswer({"NEXTVAL"}, {{"I41"}})));
    EXPECT_EQ(GetSequence(transit, "PALM_SCARICHI_SEQ"), 41);
    EXPECT_EQ(server.OperationRequests()[0].body,
              nlohmann::json({{"descriptor", "DUAL|*|PALM_SCARICHI_SEQ.NEXTVAL"}}));

    server.Enqueue(Records(RowsAnswer({"NEXTVAL"}, {})));
    EXPECT_EQ(GetSequence(transit, "PALM_SCARICHI_SEQ"), -10);

    server.Enqueue(ServerError("ORA-02289: sequence does not exist"));
    EXPECT_EQ(GetSequence(transit, "NESSUNA_SEQ"), 0);
    EXPECT_TRUE(ui.messages.empty());  // the sequence read is silent
    EXPECT_EQ(gErrorCount, 1);
}

}  // namespace
}  // namespace terv::test
