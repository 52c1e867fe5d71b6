// The spatial-data driver: descriptor reads and row writes through the spatial-data service
// ("kovJsSDO").
//
// A query descriptor is "table|*column|fields|condition" (the condition may be missing or empty).
// Reads write their rows to a text result file (each line ends with "," after the last value)
// or, when a table name is given, add them to that table of the local database named by the
// output path. Writes are queued between DrvSDUpdateBatchStart and DrvSDUpdateBatchEnd and sent
// together in one request; a write outside a batch is sent at once. The server applies each
// write of a request on its own: a failing write is undone alone and the good ones are stored.
//
// Results: 0 success, -10000 worth one retry, another nonzero code otherwise; the error text is
// left for KOVICLIGetLastError. Texts are UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace terv {

// Sets the service address (the server address followed by "kovJsSDO"); the two further texts
// are accepted and unused. Returns 0.
int32_t DrvSDESetHttpParams(const std::string& address, const std::string& text2,
                            const std::string& text3);

// Reads the rows the descriptor describes into `outputFile` (text) or, when `table` is not
// empty, into that table of the local database `outputFile`. The handle (0: no map view) and
// the eight numbers are accepted and unused, as is `extra`. The file or table is changed only
// when the whole answer arrived.
int32_t GrAppendSDE(int32_t handle, const std::string& descriptor, int32_t n1, int32_t n2,
                    int32_t n3, int32_t n4, int32_t n5, int32_t n6, int32_t n7, int32_t n8,
                    const std::string& outputFile, const std::string& table,
                    const std::string& extra);

// Queues one read for GrAppendSDE_Block_GO with the same target rules as GrAppendSDE. The view,
// the texts and the numbers are accepted and unused. Returns 0 (-1 for an empty descriptor).
int32_t GrAppendSDE_Block_ADD(int32_t view, const std::string& descriptor,
                              const std::string& outputFile, const std::string& table,
                              const std::string& text1, const std::string& text2, double d1,
                              double d2, double d3, const std::string& text3);

// Performs the queued reads in order and empties the queue. Stops at the first failure and
// returns its code (the reads after it are not performed); 0 when every read succeeded.
int32_t GrAppendSDE_Block_GO(int32_t n1, int32_t n2, int32_t n3, int32_t n4, int32_t n5, int32_t n6,
                             int32_t n7, int32_t n8, int32_t n9);

// Inserts (op "I") or updates (op "U", rows matching `where`) a row of `table`. `attributes` is
// column name, "|", value, "|" for each column. Id, shape and n are accepted and unused.
// Inside a batch the write is queued and 0 returned; otherwise it is sent at once.
int32_t DrvSDEUpdate(const std::string& table, const std::string& op, int32_t id,
                     const std::string& shape, int32_t n, const std::string& attributes,
                     const std::string& where);

// Opens a write batch (an open batch stays open with its queued writes). Returns 0.
int32_t DrvSDUpdateBatchStart();
// Sends the queued writes, closes the batch and empties the queue whatever the outcome. Returns 0
// when every write was stored (or there was nothing to send); when some failed, -10000 if every
// failure was transient, else -1, with the server's text as the last error: the first failure
// that is not "ORA-20001" (a return row already stored), or the first one when all are. The
// good writes are stored all the same. A request that fails as a whole stores nothing.
int32_t DrvSDUpdateBatchEnd();

// A write of the last request of writes that the server refused: its 0-based place in the
// request (the batch's queue order) and the server's text.
struct SdoWriteFailure {
    int64_t index = 0;
    std::string text;
};
// The refused writes of the last request of writes (batch end or single write), in order; empty
// when all were stored or the request failed as a whole. Their number is the size.
const std::vector<SdoWriteFailure>& SdoLastBatchFailures();

// Writes queued in the open batch; whether a batch is open (tests).
size_t SdoQueuedWrites();
bool SdoBatchIsOpen();
// Forgets the address, the queued reads and the batch (tests).
void ResetSdoDriver();

}  // namespace terv
