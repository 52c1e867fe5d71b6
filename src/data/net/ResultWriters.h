// Where the rows of a select or a descriptor read go: a text result file or a local table.
//
// Both writers take rows as they arrive from the record stream and make them visible only when
// the whole answer has arrived: the text file is written to a scratch file beside the target and
// renamed over it at the end; table rows are added inside a transaction. A failed or cut answer
// leaves the earlier file or table as it was.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "RecordStream.h"
#include "data/RowPipeline.h"

namespace terv::net {

// The scratch file beside `path` that a result is written to before it replaces `path`.
std::string ScratchPath(const std::string& path);

// Text result file: one line per row ended by CR LF, values separated by ",", in Windows-1252.
// Rows of descriptor reads end with a "," after the last value; rows of the gateway do not. A line
// break inside a value is written as one blank, so that every row stays one line.
class TextResultWriter : public RecordHandler {
  public:
    TextResultWriter(std::string path, bool trailingComma);
    ~TextResultWriter() override;  // discards the scratch file unless committed
    TextResultWriter(const TextResultWriter&) = delete;
    TextResultWriter& operator=(const TextResultWriter&) = delete;

    // Creates the scratch file. False (and error()) when it cannot be created.
    bool Open();
    bool OnColumns(const std::vector<std::string>& names) override;
    bool OnRow(const std::vector<WireValue>& values) override;
    // Flushes and closes the scratch file and renames it over the target. False (and error()) on
    // failure, the scratch file removed and the target as it was.
    bool Commit();
    // Deletes the scratch file; the target stays as it was.
    void Discard();
    std::string failure() const override { return error_; }

  private:
    bool Fail(const std::string& what);

    std::string path_, scratch_;
    bool trailingComma_;
    std::FILE* file_ = nullptr;
    std::string line_;
    std::string error_;
};

// A local table that receives result rows inside one transaction.
class ResultTable {
  public:
    virtual ~ResultTable() = default;  // rolls back unless committed
    // Prepares for rows with these result columns. False (and error()) when the table cannot
    // take them.
    virtual bool Begin(const std::vector<std::string>& columns) = 0;
    // Adds one row of typed values: Null stays Null, numbers stay numbers. False (and error())
    // on failure.
    virtual bool Add(const std::vector<WireValue>& row) = 0;
    // Commits the rows. False (and error()) on failure; the table then holds none of them.
    virtual bool Commit() = 0;
    virtual const std::string& error() const = 0;
};

// Opens table `table` of the local database file `dbFile` for adding result rows; nullptr and a
// text in `error` when the database or the table cannot be opened.
using ResultTableOpener = std::function<std::unique_ptr<ResultTable>(
    const std::string& dbFile, const std::string& table, std::string& error)>;

// The opener the client libraries use (the local-database layer unless replaced).
std::unique_ptr<ResultTable> OpenResultTable(const std::string& dbFile, const std::string& table,
                                             std::string& error);
// Replaces the opener; an empty function goes back to the local-database layer.
void SetResultTableOpener(ResultTableOpener opener);

// Feeds the rows of a record stream into a ResultTable. The rows are added on a thread of their
// own (RowPipeline) while the stream goes on; the table is used by one thread at a time.
class TableResultWriter : public RecordHandler {
  public:
    explicit TableResultWriter(ResultTable& table) : table_(table) {}
    ~TableResultWriter() override;  // stops adding rows; those not yet added are dropped
    TableResultWriter(const TableResultWriter&) = delete;
    TableResultWriter& operator=(const TableResultWriter&) = delete;

    bool OnColumns(const std::vector<std::string>& names) override;
    // Hands the row on. False once the table refused an earlier row.
    bool OnRow(const std::vector<WireValue>& values) override;
    // Waits until every row handed on has been added. False when the table refused one.
    bool Drain() override;
    // Commits the rows (an answer without rows commits an empty addition). False on failure.
    bool Commit();
    // The table's text; read once no row is being added (after OnRow or Drain said false).
    std::string failure() const override { return table_.error(); }

  private:
    ResultTable& table_;
    std::unique_ptr<RowPipeline<WireValue>> rows_;
    bool refused_ = false;
};

// The step that makes a writer's rows final once the whole answer has arrived.
template <class Writer>
std::function<bool(std::string&)> CommitStep(Writer& writer) {
    return [&writer](std::string& error) {
        if (writer.Commit())
            return true;
        error = writer.failure();
        return false;
    };
}

}  // namespace terv::net
