#include "SidSde.h"

#include <algorithm>
#include <functional>

#include "HttpSession.h"
#include "Kovicli.h"
#include "KovicliLib.h"
#include "SdoDriver.h"
#include "ZolvinClient.h"
#include "platform/UiPort.h"

namespace terv {

std::string gLastError;
int32_t gErrorCount = 0;
uint8_t gBatchState = 0;
int32_t gBatchCounter = 0;
std::array<char, 1024> gErrorBuffer{};

namespace {

constexpr int32_t kRetry = -10000;
constexpr int32_t kBatchLimit = 101;

// The error as a message box shows it: up to its NUL.
std::string Shown(const std::string& error) {
    return error.substr(0, error.find('\0'));
}

int32_t Bracketed(const std::function<int32_t()>& call) {
    SetSilent(1);
    const int32_t result = call();
    SetSilent(-1);
    return result;
}

// The call in a silent bracket; on -10000 once more outside it, then a beep.
int32_t WithRetry(const std::function<int32_t()>& call) {
    int32_t result = Bracketed(call);
    if (result == kRetry) {
        result = call();
        Ui().Beep();
    }
    return result;
}

// The result of a gateway call as the caller sees it: on failure the error is fetched, shown
// unless silent and logged.
int32_t SqlOutcome(const std::string& label, const std::string& user, const std::string& sql,
                   bool silent, int32_t result) {
    if (result == 0)
        return 0;
    ReadServerError();
    if (!silent && gSilentCount == 0)
        MsgBox(Shown(gLastError), vbExclamation, "SQL");
    HttpLog(label + user + ") " + sql);
    HttpLog(Shown(gLastError));
    return result;
}

int32_t SqlOperation(const std::string& label, const std::string& user, const std::string& sql,
                     bool silent, const std::function<int32_t()>& call) {
    return SqlOutcome(label, user, sql, silent, WithRetry(call));
}

void ReadFailed(bool silent, const std::string& firstLogLine) {
    ReadServerError();
    if (!silent)
        MsgBox("Errore lettura SDO: " + Shown(gLastError), vbExclamation, "SDO");
    ++gErrorCount;
    HttpLog(firstLogLine);
    HttpLog(Shown(gLastError));
}

// Counts the write in the open batch, or opens a batch of its own for it. Returns the result of
// the batch that a full counter ends (0 when none ends).
int32_t BeforeWrite() {
    if (gBatchState != 1) {
        DrvSDUpdateBatchStart();
        return 0;
    }
    if (gBatchCounter < kBatchLimit) {
        ++gBatchCounter;
        return 0;
    }
    const int32_t ended = Bracketed([] { return DrvSDUpdateBatchEnd(); });
    DrvSDUpdateBatchStart();
    gBatchCounter = 0;
    return ended;
}

bool IsDuplicateReturnRow(const std::string& error) {
    return error.find("ORA-20001") != std::string::npos;
}

}  // namespace

int32_t SelectToTxt(const std::string& user, const std::string& sql, int32_t fieldCount,
                    const std::string& outputFile, bool silent) {
    return SqlOperation("Select TXT: (", user, sql, silent,
                        [&] { return B1_SelectToTextFile(user, sql, fieldCount, outputFile); });
}

int32_t SelectToMdb(const std::string& user, const std::string& sql, int32_t fieldCount,
                    const std::string& dbFile, const std::string& table, const std::string& extra,
                    bool silent) {
    return SqlOperation("Select MDB: (", user, sql, silent, [&] {
        return B1_SelectToMdbTable(user, sql, fieldCount, dbFile, table, extra);
    });
}

DeferredSelect RunSelectToMdb(const std::string& user, const std::string& sql, int32_t fieldCount,
                              const std::string& dbFile, const std::string& table) {
    DeferredSelect run;
    run.result = B1_SelectToMdbTable(user, sql, fieldCount, dbFile, table, "");
    if (run.result == kRetry) {
        run.retried = true;
        run.result = B1_SelectToMdbTable(user, sql, fieldCount, dbFile, table, "");
    }
    if (run.result != 0)
        run.error = net::LastErrorText();
    return run;
}

int32_t ReportSelectToMdb(const DeferredSelect& run, const std::string& user,
                          const std::string& sql, bool silent) {
    if (run.retried)
        Ui().Beep();
    net::SetLastErrorText(run.error);
    return SqlOutcome("Select MDB: (", user, sql, silent, run.result);
}

int32_t ExecSql(const std::string& user, const std::string& sql, bool silent) {
    return SqlOperation("Exec: (", user, sql, silent, [&] { return B1_Execute(user, sql); });
}

int32_t SdoRead(int32_t view, const std::string& descriptor, int32_t n1, int32_t n2, int32_t n3,
                int32_t n4, int32_t n5, int32_t n6, int32_t n7, int32_t n8,
                const std::string& outputFile, const std::string& table, const std::string& extra,
                bool silent) {
    // A nonzero view would be selected on the map control first and its handle passed; this
    // program has no map view, so the handle is always 0.
    (void)view;
    const int32_t handle = 0;
    const int32_t result = WithRetry([&] {
        return GrAppendSDE(handle, descriptor, n1, n2, n3, n4, n5, n6, n7, n8, outputFile, table,
                           extra);
    });
    if (result != 0)
        ReadFailed(silent, "Read: Filename:" + descriptor);
    return result;
}

int32_t SdoBlockAdd(int32_t view, const std::string& descriptor, const std::string& outputFile,
                    const std::string& table, const std::string& text1, const std::string& text2,
                    double d1, double d2, double d3, const std::string& text3) {
    return GrAppendSDE_Block_ADD(view, descriptor, outputFile, table, text1, text2, d1, d2, d3,
                                 text3);
}

int32_t SdoBlockGo(int32_t n1, int32_t n2, int32_t n3, int32_t n4, int32_t n5, int32_t n6,
                   int32_t n7, int32_t n8, int32_t n9, bool silent) {
    const int32_t result =
        Bracketed([&] { return GrAppendSDE_Block_GO(n1, n2, n3, n4, n5, n6, n7, n8, n9); });
    if (result != 0)
        ReadFailed(silent, "Read GO: ");
    return result;
}

int32_t SdoWrite(const std::string& table, const std::string& op, int32_t id,
                 const std::string& shape, int32_t n, const std::string& attributes,
                 const std::string& where, int32_t mode) {
    // A batch ended by a full counter reports through the write that ended it.
    int32_t ended = BeforeWrite();
    int32_t result =
        Bracketed([&] { return DrvSDEUpdate(table, op, id, shape, n, attributes, where); });
    if (gBatchState != 1)
        ended = Bracketed([] { return DrvSDUpdateBatchEnd(); });
    if (result == 0)
        result = ended;  // a write refused before sending keeps its own code
    if (result == 0)
        return 0;
    ReadServerError();
    if ((mode == 0 || mode == 1) && IsDuplicateReturnRow(gLastError))
        return 0;
    ++gErrorCount;
    if (mode == 0)
        MsgBox("Errore scrittura SDO: " + Shown(gLastError), vbExclamation, "SDO");
    HttpLog("Write: " + table + " O: " + op + " Id: " + std::to_string(id) + " SF: " + shape +
            " N: " + std::to_string(n) + " A: " + attributes + " W: " + where);
    HttpLog(Shown(gLastError));
    return result;
}

void SdoBatchStart() {
    DrvSDUpdateBatchStart();
    gBatchState = 1;
}

int32_t SdoBatchEnd(bool quiet) {
    const int32_t result = Bracketed([] { return DrvSDUpdateBatchEnd(); });
    gBatchState = 0;
    gBatchCounter = 0;
    if (result == 0)
        return 0;
    // Return rows the server already holds ("ORA-20001") are not lost: no count, no lines.
    const auto& failed = SdoLastBatchFailures();
    const bool duplicatesOnly =
        !failed.empty() && std::all_of(failed.begin(), failed.end(),
                                       [](const auto& f) { return IsDuplicateReturnRow(f.text); });
    if (!duplicatesOnly)
        ++gErrorCount;
    if (quiet)
        return result;
    ReadServerError();
    HttpLog("Stop Update: ");
    HttpLog(Shown(gLastError));
    if (!duplicatesOnly) {
        for (const SdoWriteFailure& f : failed)
            HttpLog("Write failed: " + std::to_string(f.index) + " " + f.text);
    }
    return result;
}

void ReadServerError() {
    KOVICLIGetLastError(gErrorBuffer.data(), static_cast<int32_t>(gErrorBuffer.size()));
    std::string text;
    text.reserve(gErrorBuffer.size() + 16);
    for (char c : gErrorBuffer) {
        if (c == '\n')
            text += '\r';
        text += c;
    }
    const size_t nul = text.find('\0');
    if (nul != std::string::npos)
        text.resize(nul + 1);
    if (!text.empty() && text[0] == '\0')
        text.clear();
    gLastError = std::move(text);
}

std::string GetServerError() {
    ReadServerError();
    return gLastError;
}

std::string LastServerError() {
    return gLastError;
}

void ResetSidSde() {
    gLastError.clear();
    gErrorCount = 0;
    gBatchState = 0;
    gBatchCounter = 0;
    gErrorBuffer.fill('\0');
}

}  // namespace terv
