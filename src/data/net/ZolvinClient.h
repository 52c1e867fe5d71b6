// The query gateway client: runs SQL on the central server through the gateway
// ("kovJsSQL?function=") and writes the rows to a text result file or a local table.
//
// Every call returns 0 on success, -10000 for a failure worth one immediate retry (server not
// reachable, time-out, 502/503/504, an answer cut short, a transient server error) and another
// nonzero code otherwise (-1, or -(HTTP status)). On failure the error text is left for
// KOVICLIGetLastError. Texts are UTF-8.
#pragma once

#include <cstdint>
#include <string>

namespace terv {

// Sets the gateway address (the server address followed by "kovJsSQL?function="); the two
// further texts are accepted and unused. Always returns 0: a wrong address shows in later calls.
int32_t B1_SetHTTPParams(const std::string& address, const std::string& text2,
                         const std::string& text3);

// Runs the SELECT for `user` and writes its rows to `outputFile`, one line per row ended by
// CR LF, values separated by "," in select order, in Windows-1252. `fieldCount` is the number of
// columns the statement selects. The file is replaced only when the whole answer arrived.
int32_t B1_SelectToTextFile(const std::string& user, const std::string& sql, int32_t fieldCount,
                            const std::string& outputFile);

// Runs the SELECT for `user` and adds its rows to table `table` of the local database `dbFile`
// (Null stays Null, numbers stay numbers) in one transaction: either every row is added or
// none. `extra` is accepted and unused.
int32_t B1_SelectToMdbTable(const std::string& user, const std::string& sql, int32_t fieldCount,
                            const std::string& dbFile, const std::string& table,
                            const std::string& extra);

// Runs one or more data-changing statements separated by ";" for `user`, in one transaction on
// the server.
int32_t B1_Execute(const std::string& user, const std::string& sql);

// Forgets the gateway address (tests).
void ResetGatewayClient();

}  // namespace terv
