// SidSde over the client libraries and a fake central server: retries and beeps, message boxes,
// HTTP log lines and the error count of every operation, "ORA-20001" by write mode, the failed
// writes of a batch, the batch restart at 101, the error text's NUL, the single-value helpers.
#include <filesystem>
#include <thread>

#include "NetFixture.h"
#include "ServerValues.h"
#include "data/db/Database.h"

namespace terv::test {
namespace {

using SidSdeTest = NetTest;
using Msg = RecordingUiPort::Message;

const std::string kOra942 = "ORA-00942: table or view does not exist";
const std::string kOra20001 = "ORA-20001: riga gia' presente";
const std::string kOra1400 = "ORA-01400: cannot insert NULL into (\"ID_PART\")";
const std::string kOra1 = "ORA-00001: unique constraint (PALM_NORME.CODI_NORMA) violated";

// The error as gLastError holds it: text, then the NUL the buffer ends it with.
std::string Held(const std::string& text) {
    return text + std::string(1, '\0');
}

struct OperationCase {
    const char* name;
    std::vector<FakeAnswer> answers;
    std::function<int32_t(const std::string& dir)> call;
    int32_t result;
    std::vector<Msg> messages;
    std::string log;
    int counted;  // added to gErrorCount
    int beeps;
};

int32_t Write(int32_t mode) {
    return SdoWrite("PALMR_PART_DICH", "U", 0, "", 0, "COD_STAT|3|", "ID_PART='A1'", mode);
}
const std::string kWriteLine =
    "Write: PALMR_PART_DICH O: U Id: 0 SF:  N: 0 A: COD_STAT|3| W: ID_PART='A1'\r\n";

// A batch of `writes` writes ended with SdoBatchEnd.
int32_t Batch(int writes, bool quiet) {
    SdoBatchStart();
    for (int i = 0; i < writes; ++i)
        SdoWrite("PALM_NORME", "I", 0, "", 0, "CODI_NORMA|" + std::to_string(i) + "|", "", 0);
    return SdoBatchEnd(quiet);
}

std::vector<OperationCase> OperationCases() {
    const FakeAnswer row = Records(RowsAnswer({"A"}, {{"I7"}}));
    const FakeAnswer busy = HttpFailure(503, "occupato");
    const std::string busyText = "HTTP error 503: occupato";
    const std::string read = "TERVCOMU|*COD_NAZIONALE|COD_NAZIONALE|";
    auto sdoRead = [read](bool silent) {
        return [read, silent](const std::string& dir) {
            return SdoRead(0, read, 0, 0, 0, 0, 0, 0, 0, 0, dir + "/c.txt", "", "", silent);
        };
    };
    auto write = [](int32_t mode) { return [mode](const std::string&) { return Write(mode); }; };
    auto batch = [](int writes, bool quiet) {
        return [writes, quiet](const std::string&) { return Batch(writes, quiet); };
    };
    // A select into a table run on a thread of its own, then reported on this one.
    auto aside = [](bool silent) {
        return [silent](const std::string& dir) {
            const std::string file = dir + "/aside.mdb";
            std::filesystem::remove(file);
            CreateDatabase(file, dbLangGeneral).Execute("CREATE TABLE T (A LONG)");
            DeferredSelect run;
            std::thread([&] {
                run = RunSelectToMdb("mario", "SELECT A FROM T", 1, file, "T");
            }).join();
            return ReportSelectToMdb(run, "mario", "SELECT A FROM T", silent);
        };
    };
    auto exec = [](const std::string& sql, bool silent) {
        return [sql, silent](const std::string&) { return ExecSql("mario", sql, silent); };
    };
    const Msg sql = {kOra942, vbExclamation, "SQL"};
    const Msg readBox = {"Errore lettura SDO: " + kOra942, vbExclamation, "SDO"};
    const Msg writeBox = {"Errore scrittura SDO: " + kOra1400, vbExclamation, "SDO"};
    const std::string readLog = "Read: Filename:" + read + "\r\n" + kOra942 + "\r\n";
    const std::string write1400 = kWriteLine + kOra1400 + "\r\n";
    const std::string stop = "Stop Update: \r\n";
    // clang-format off
    return {
        {"select retried", {busy, row}, [](const std::string& dir) {
             return SelectToTxt("m", "S", 1, dir + "/r.txt", false); }, 0, {}, "", 0, 1},
        {"execute retried", {busy, Records({"E\tOK\t1"})}, exec("S", false), 0, {}, "", 0, 1},
        {"read retried", {ServerError("ORA-03113: end-of-file", true), row}, sdoRead(false), 0, {},
         "", 0, 1},
        {"retry fails too", {busy, HttpFailure(503, "ancora")}, exec("DELETE FROM X", false),
         -10000, {{"HTTP error 503: ancora", vbExclamation, "SQL"}},
         "Exec: (mario) DELETE FROM X\r\nHTTP error 503: ancora\r\n", 0, 1},
        {"select fails", {ServerError(kOra942)}, [](const std::string& dir) {
             return SelectToTxt("mario", "SELECT A FROM T", 1, dir + "/r.txt", false); }, -1, {sql},
         "Select TXT: (mario) SELECT A FROM T\r\n" + kOra942 + "\r\n", 0, 0},
        {"select into a table fails", {ServerError(kOra942)}, [](const std::string& dir) {
             CreateDatabase(dir + "/p.mdb", dbLangGeneral).Execute("CREATE TABLE T (A LONG)");
             return SelectToMdb("mario", "SELECT X FROM NOTAB", 1, dir + "/p.mdb", "T", "", false);
         }, -1, {sql}, "Select MDB: (mario) SELECT X FROM NOTAB\r\n" + kOra942 + "\r\n", 0, 0},
        {"select run aside, retried", {busy, row}, aside(false), 0, {}, "", 0, 1},
        {"select run aside fails after its retry", {busy, HttpFailure(503, "ancora")},
         aside(false), -10000, {{"HTTP error 503: ancora", vbExclamation, "SQL"}},
         "Select MDB: (mario) SELECT A FROM T\r\nHTTP error 503: ancora\r\n", 0, 1},
        {"silent execute fails", {ServerError(kOra942)}, exec("DELETE FROM X", true), -1, {},
         "Exec: (mario) DELETE FROM X\r\n" + kOra942 + "\r\n", 0, 0},
        {"execute in nested silent brackets fails", {ServerError(kOra942)}, [](const std::string&) {
             SetSilent(1);
             SetSilent(1);
             SetSilent(-1);
             const bool silent = gSilentCount == 1 && KovicliSilent();
             const int32_t result = ExecSql("mario", "DELETE FROM Y", false);
             SetSilent(-1);
             return silent && !KovicliSilent() ? result : 0;
         }, -1, {}, "Exec: (mario) DELETE FROM Y\r\n" + kOra942 + "\r\n", 0, 0},
        {"read fails", {ServerError(kOra942)}, sdoRead(false), -1, {readBox}, readLog, 1, 0},
        {"silent read fails", {ServerError(kOra942)}, sdoRead(true), -1, {}, readLog, 1, 0},
        {"block run fails at its first read, no retry", {busy}, [](const std::string& dir) {
             SdoBlockAdd(0, "A|*|X|", dir + "/a.txt", "", "", "", 1.0, 1.0, 0.0, "");
             SdoBlockAdd(0, "B|*|Y|", dir + "/b.txt", "", "", "", 1.0, 1.0, 0.0, "");
             const int32_t result = SdoBlockGo(0, 0, 0, 0, 0, 0, 0, 0, 0, false);
             return SdoBlockGo(0, 0, 0, 0, 0, 0, 0, 0, 0, false) == 0 ? result : 0;  // queue empty
         }, -10000, {{"Errore lettura SDO: " + busyText, vbExclamation, "SDO"}},
         "Read GO: \r\n" + busyText + "\r\n", 1, 0},
        {"write fails, mode 0", {ServerError(kOra1400)}, write(0), -1, {writeBox}, write1400, 1, 0},
        {"write fails, mode 1", {ServerError(kOra1400)}, write(1), -1, {}, write1400, 1, 0},
        {"duplicate return row, mode 0", {ServerError(kOra20001)}, write(0), 0, {}, "", 0, 0},
        {"duplicate return row, mode 1", {ServerError(kOra20001)}, write(1), 0, {}, "", 0, 0},
        {"duplicate return row, mode 2", {ServerError(kOra20001)}, write(2), -1, {},
         kWriteLine + kOra20001 + "\r\n", 1, 0},
        {"batch fails as a whole", {ServerError(kOra942)}, batch(1, false), -1, {},
         stop + kOra942 + "\r\n", 1, 0},
        {"quiet batch fails", {ServerError(kOra942)}, batch(1, true), -1, {}, "", 1, 0},
        {"batch with failed writes",
         {Records({"X\t1\t0\t" + kOra1, "X\t2\t0\t" + kOra20001, "E\tERR\t0\t" + kOra1})},
         batch(3, false), -1, {}, stop + kOra1 + "\r\nWrite failed: 1 " + kOra1 +
         "\r\nWrite failed: 2 " + kOra20001 + "\r\n", 1, 0},
        {"batch whose only failures are duplicate return rows",
         {Records({"X\t0\t0\t" + kOra20001, "E\tERR\t0\t" + kOra20001})}, batch(2, false), -1,
         {}, stop + kOra20001 + "\r\n", 0, 0},
        {"batch answer naming a write it was not sent",
         {Records({"X\t2\t0\tboh", "E\tERR\t0\tboh"})}, batch(2, false), -1, {},
         stop + "Malformed server answer: failed write 2 of a request of 2 writes\r\n", 1, 0},
        {"batch answer with failed writes out of order",
         {Records({"X\t1\t0\ta", "X\t1\t0\tb", "E\tERR\t0\ta"})}, batch(2, false), -1, {},
         stop + "Malformed server answer: write failure records out of order\r\n", 1, 0},
        {"batch answer with failed writes and a good end",
         {Records({"X\t0\t0\ta", "E\tOK\t1"})}, batch(2, false), -1, {},
         stop + "Malformed server answer: end record OK after failed writes\r\n", 1, 0},
        {"batch answer with a bad failed write", {Records({"X\t-1\t0\ta", "E\tERR\t0\ta"})},
         batch(2, false), -1, {}, stop + "Malformed server answer: bad write failure record\r\n",
         1, 0},
    };
    // clang-format on
}

TEST_F(SidSdeTest, EachOperationReportsAsTheProgramExpects) {
    for (const OperationCase& c : OperationCases()) {
        SCOPED_TRACE(c.name);
        ui.Reset();
        WriteFileBytes(LogPath(), "");
        const int32_t before = gErrorCount;
        for (const FakeAnswer& a : c.answers)
            server.Enqueue(a);
        EXPECT_EQ(c.call(dir.path()), c.result);
        EXPECT_EQ(ui.messages, c.messages);
        EXPECT_EQ(LogBytes(), c.log);
        EXPECT_EQ(gErrorCount - before, c.counted);
        EXPECT_EQ(ui.beeps, c.beeps);
        EXPECT_EQ(gSilentCount, 0);
        EXPECT_EQ(gBatchState, 0);
    }
    EXPECT_EQ(server.OperationRequests().size(), 32u);  // one per answer: nothing else was sent
    EXPECT_EQ(gLastError, Held("Malformed server answer: bad write failure record"));
}

TEST_F(SidSdeTest, WritesAreSentAtOnceOrInBatchesRestartedAt101) {
    EXPECT_EQ(SdoWrite("PALM_SCARICHI", "I", 0, "", 0, "NUME_SCAR|12|DESCR|prova|", "", 0), 0);
    ASSERT_EQ(server.OperationRequests().size(), 1u);
    EXPECT_EQ(server.OperationRequests()[0].function, "update");
    EXPECT_EQ(server.OperationRequests()[0].body, nlohmann::json::parse(R"({"writes":[{"table":
        "PALM_SCARICHI","op":"I","attributes":"NUME_SCAR|12|DESCR|prova|","where":""}]})"));
    EXPECT_FALSE(SdoBatchIsOpen());

    auto write = [](int i) {
        return SdoWrite("TERVPLAV", "U", 0, "", 0, "NUME_SCAR|5|",
                        "ID_PART='" + std::to_string(i) + "'", 0);
    };
    auto sent = [this](size_t request) {
        return server.OperationRequests()[request].body["writes"];
    };
    SdoBatchStart();
    for (int i = 1; i <= 101; ++i)
        ASSERT_EQ(write(i), 0);
    EXPECT_EQ(gBatchCounter, 101);
    EXPECT_EQ(server.OperationRequests().size(), 1u);
    ASSERT_EQ(write(102), 0);  // sends the first 101 and starts again
    EXPECT_EQ(gBatchCounter, 0);
    ASSERT_EQ(server.OperationRequests().size(), 2u);
    EXPECT_EQ(sent(1).size(), 101u);
    EXPECT_EQ(sent(1)[100]["where"], "ID_PART='101'");
    for (int i = 103; i <= 203; ++i)
        ASSERT_EQ(write(i), 0);
    ASSERT_EQ(write(204), 0);  // finds the counter at 101 again
    ASSERT_EQ(server.OperationRequests().size(), 3u);
    EXPECT_EQ(sent(2).size(), 102u);
    EXPECT_EQ(sent(2)[0]["where"], "ID_PART='102'");
    EXPECT_EQ(SdoBatchEnd(false), 0);
    ASSERT_EQ(server.OperationRequests().size(), 4u);
    EXPECT_EQ(sent(3).size(), 1u);
    EXPECT_EQ(gBatchState, 0);
    EXPECT_EQ(gBatchCounter, 0);
}

TEST_F(SidSdeTest, ErrorTextKeepsItsFirstNulAndTurnsLineFeedsIntoCrLf) {
    const std::pair<std::string, std::string> cases[] = {
        {std::string("abc\0garbage", 11), std::string("abc\0", 4)},
        {std::string("\0abc", 4), ""},
        {"", ""},
        {"riga1\nriga2", std::string("riga1\r\nriga2\0", 13)},
    };
    for (const auto& [lastError, expected] : cases) {
        net::SetLastErrorText(lastError);
        ReadServerError();
        EXPECT_EQ(gLastError, expected);
    }
    // A shorter text leaves the older one's bytes behind its NUL.
    net::SetLastErrorText("un errore molto lungo");
    EXPECT_EQ(GetServerError(), Held("un errore molto lungo"));
    net::SetLastErrorText("abc");
    EXPECT_EQ(GetServerError(), Held("abc"));
    EXPECT_EQ(std::string(gErrorBuffer.data(), 8), std::string("abc\0rror", 8));
    net::SetLastErrorText("altro");
    EXPECT_EQ(LastServerError(), Held("abc"));  // not fetched
}

TEST_F(SidSdeTest, QueryStringTakesTheLastNonBlankLine) {
    const std::string transit = dir / "tmptransito.dat";
    server.Enqueue(Records(RowsAnswer({"X"}, {{"T12"}, {"N"}, {"T 34 "}, {"N"}})));
    std::string value = "prima";
    EXPECT_EQ(GetQueryString(transit, "SELECT X FROM T", value), 2);
    EXPECT_EQ(ReadFileBytes(transit), "12\r\n\r\n 34 \r\n\r\n");
    EXPECT_EQ(value, "34");

    WriteFileBytes(transit, "vecchio\r\n");
    server.Enqueue(ServerError(kOra942));
    EXPECT_EQ(GetQueryString(transit, "SELECT X FROM NOTAB", value), 0);
    EXPECT_EQ(value, "34");
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
