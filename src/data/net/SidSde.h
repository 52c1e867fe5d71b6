// SidSde: every read from and write to the central database.
//
// SQL operations go through the query gateway (SelectToTxt, SelectToMdb, ExecSql); descriptor
// operations through the spatial-data driver (SdoRead, SdoBlockAdd, SdoBlockGo, SdoWrite and the
// write batch). They share one error convention: 0 for success; on failure the error text is
// fetched into gLastError, written to the HTTP log and, unless the caller asked for silence,
// shown in a message box. A result of -10000 from a gateway call or a descriptor read is retried
// once at once, with a beep; the retry's result is final.
//
// Message boxes and HTTP log lines carry the error text as far as its NUL, which is what a
// message box shows of it; gLastError itself keeps the NUL.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace terv {

extern std::string gLastError;  // last fetched error text (see ReadServerError)
extern int32_t gErrorCount;     // failed descriptor reads, block runs and writes; only grows
extern uint8_t gBatchState;     // 1 while a write batch is open
extern int32_t gBatchCounter;   // writes counted in the open batch
extern std::array<char, 1024> gErrorBuffer;  // receives KOVICLIGetLastError

// Runs the SELECT through B1_SelectToTextFile; `fieldCount` is the number of columns selected.
// Failure: message box gLastError (title "SQL") unless `silent` or gSilentCount > 0; HTTP log
// lines "Select TXT: (" + user + ") " + sql and the error.
int32_t SelectToTxt(const std::string& user, const std::string& sql, int32_t fieldCount,
                    const std::string& outputFile, bool silent);
// As SelectToTxt through B1_SelectToMdbTable into table `table` of the local database `dbFile`;
// log label "Select MDB: (".
int32_t SelectToMdb(const std::string& user, const std::string& sql, int32_t fieldCount,
                    const std::string& dbFile, const std::string& table, const std::string& extra,
                    bool silent);
// A SelectToMdb run on a thread of its own and reported later on the user-interface thread, so
// that the server can work on it while other answers arrive.
struct DeferredSelect {
    int32_t result = 0;
    bool retried = false;  // the first try ended with -10000 and ran once more
    std::string error;     // the client's last-error text after a failure
};
// Any thread: B1_SelectToMdbTable, once more at once on -10000. No message box, no beep, no log
// line and no change to the silent counter or gLastError; the failure is kept in the result.
DeferredSelect RunSelectToMdb(const std::string& user, const std::string& sql, int32_t fieldCount,
                              const std::string& dbFile, const std::string& table);
// User-interface thread: reports the run as SelectToMdb reports its call (the beep of a retry,
// gLastError, the message box unless silent, the HTTP log lines). Returns the run's result.
int32_t ReportSelectToMdb(const DeferredSelect& run, const std::string& user,
                          const std::string& sql, bool silent);
// As SelectToTxt through B1_Execute; statements may be joined with ";"; log label "Exec: (".
int32_t ExecSql(const std::string& user, const std::string& sql, bool silent);

// Descriptor read through GrAppendSDE (handle 0: no map view is selected). Failure: message box
// "Errore lettura SDO: " + error (title "SDO") unless `silent`; gErrorCount + 1; HTTP log lines
// "Read: Filename:" + descriptor and the error.
int32_t SdoRead(int32_t view, const std::string& descriptor, int32_t n1, int32_t n2, int32_t n3,
                int32_t n4, int32_t n5, int32_t n6, int32_t n7, int32_t n8,
                const std::string& outputFile, const std::string& table, const std::string& extra,
                bool silent);
// Queues one read through GrAppendSDE_Block_ADD; its result as is.
int32_t SdoBlockAdd(int32_t view, const std::string& descriptor, const std::string& outputFile,
                    const std::string& table, const std::string& text1, const std::string& text2,
                    double d1, double d2, double d3, const std::string& text3);
// Runs the queued reads (GrAppendSDE_Block_GO), no retry. Failure: the "Errore lettura SDO: "
// message box unless `silent`; gErrorCount + 1; HTTP log lines "Read GO: " and the error.
int32_t SdoBlockGo(int32_t n1, int32_t n2, int32_t n3, int32_t n4, int32_t n5, int32_t n6,
                   int32_t n7, int32_t n8, int32_t n9, bool silent);

// Inserts ("I") or updates ("U") a row through DrvSDEUpdate. Inside a batch the write is
// counted; the write that finds the counter at 101 first ends the batch and starts a new one
// (counter back to 0), and a failure of the ended batch becomes this write's result. Outside a
// batch the write runs in a batch of its own and that batch's result is the write's. On failure:
// mode 0 and 1 treat an error containing "ORA-20001" as success; otherwise gErrorCount + 1, with
// mode 0 the message box "Errore scrittura SDO: " + error (title "SDO"), and the HTTP log lines
// "Write: " + table + " O: " + op + " Id: " + id + " SF: " + shape + " N: " + n + " A: " +
// attributes + " W: " + where, and the error.
int32_t SdoWrite(const std::string& table, const std::string& op, int32_t id,
                 const std::string& shape, int32_t n, const std::string& attributes,
                 const std::string& where, int32_t mode);
// Opens a write batch.
void SdoBatchStart();
// Sends the batch and closes it (state and counter 0 in every case). On failure gErrorCount + 1
// and, unless `quiet`, the error is fetched and logged: "Stop Update: ", the error, and one line
// "Write failed: " + place in the batch + " " + text per refused write. A batch whose only
// refused writes are return rows already stored ("ORA-20001") is neither counted nor given the
// per-write lines; its result stays nonzero.
int32_t SdoBatchEnd(bool quiet);

// Fetches the client's last error into gLastError: each LF becomes CR LF, the text is kept up to
// and including its first NUL, and is empty when it starts with NUL.
void ReadServerError();
// ReadServerError, then gLastError.
std::string GetServerError();
// gLastError without fetching.
std::string LastServerError();

// Back to start (tests): no error, count 0, no batch, error buffer cleared.
void ResetSidSde();

}  // namespace terv
