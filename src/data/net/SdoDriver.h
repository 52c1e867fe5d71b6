// The spatial-data driver: descriptor reads and row writes through the spatial-data service
// ("kovJsSDO").
//
// A query descriptor is "table|*column|fields|condition" (the condition may be missing or empty).
// Reads write their rows to a text result file (each line ends with "," after the last value)
// or, when a table name is given, add them to that table of the local database named by the
// output path. Writes are queued between DrvSDUpdateBatchStart and DrvSDUpdateBatchEnd and sent
// together, applied on the server in one transaction; a write outside a batch is sent at once.
//
// Results: 0 success, -10000 worth one retry, another nonzero code otherwise; the error text is
// left for KOVICLIGetLastError. Texts are UTF-8.
#pragma once

#include <cstdint>
#include <string>

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
// Sends the queued writes, closes the batch and empties the queue whatever the outcome; the
// writes are applied all or none. Returns 0 when there was nothing to send.
int32_t DrvSDUpdateBatchEnd();

// Writes queued in the open batch; whether a batch is open (tests).
size_t SdoQueuedWrites();
bool SdoBatchIsOpen();
// Forgets the address, the queued reads and the batch (tests).
void ResetSdoDriver();

}  // namespace terv
