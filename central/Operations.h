// The operations of the gateway and of the spatial-data service on one connection: select,
// execute, descriptor read and descriptor writes. Every outcome is written as records.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Database.h"
#include "RecordStream.h"

namespace terv::central {

struct StreamControl {
    std::function<bool()> should_stop;  // the server is stopping: end the stream without "E"
    long long cut_after_rows = -1;      // fault injection: end the stream after that many rows
};

enum class StreamEnd {
    kComplete,  // the "E" record was written
    kAborted,   // the receiver went away or the server stops
    kCut,       // cut on purpose (cut_after_rows)
};

// Runs one read-only statement and streams its rows. Statements that change data are refused.
StreamEnd StreamSelect(Connection& conn, const std::string& oracle_sql, RecordWriter& out,
                       const StreamControl& control);

// Runs the statements of `sql` (separated by ";") in one transaction; writes "E OK changes"
// or the error of the first failing statement, after which nothing of the request remains.
void RunExecute(Connection& conn, const std::string& sql, RecordWriter& out);

// The SELECT of a query descriptor "table|*column|fields[|condition]". Returns false with an
// "ORA-" text in *error for a malformed descriptor.
bool DescriptorSelect(const std::string& descriptor, std::string* select, std::string* error);

struct WriteRequest {
    std::string table;
    std::string op;          // "I" insert, "U" update
    std::string attributes;  // column|value|column|value|...
    std::string where;       // condition of an update
};

// Applies the writes in order in one transaction, each inside its own savepoint: a write that
// fails is undone alone and the others go on; the good ones are committed. Each failed write is
// answered with an "X" record (its 0-based place, transient flag, text) before the end record,
// which is "E OK changes" when none failed, else "E ERR" with the text of the first failure that
// is not "ORA-20001" (or of the first failure when all are), transient only when all were. A
// failure of the transaction itself (begin, commit, a write that ends it) stores nothing and is
// answered with its "E ERR" alone.
void RunWrites(Connection& conn, const std::vector<WriteRequest>& writes, RecordWriter& out);

}  // namespace terv::central
