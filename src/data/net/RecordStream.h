// Reader of the server's record stream: the body of every gateway and spatial-data answer.
//
// The answer is a sequence of lines: "C" with the column names, "R" with one row, and a final "E"
// record that says whether the request succeeded. Fields are TAB-separated; values carry their
// type in their first character (N Null, I integer, F real, T text, D date stamp). The reader is
// fed the body in pieces as it arrives and hands each record on at once, so no whole result is
// ever held in memory.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace terv::net {

// One value of a row: its type letter and its text with the escapes undone. The reader also
// keeps the number an 'I' or 'F' value holds, so that no later step reads its text again.
struct WireValue {
    char type = 'N';
    std::string text;
    int64_t integer = 0;  // of an 'I' value
    double real = 0;      // of an 'F' value
};

// One failed write of a write batch: its 0-based place in the request, transient flag, text.
struct WriteFailure {
    int64_t index = 0;
    bool transient = false;
    std::string text;
};

// A column record may name at most this many columns; a longer one is not an answer of ours.
constexpr size_t kMaxColumns = 4096;

// What the reader hands on.
class RecordHandler {
  public:
    virtual ~RecordHandler() = default;
    // Column names, once before the first row. False stops the stream; the handler keeps why.
    virtual bool OnColumns(const std::vector<std::string>& names) = 0;
    // One row, as wide as the column record. False stops the stream.
    virtual bool OnRow(const std::vector<WireValue>& values) = 0;
    // Why the handler refused a record or could not finish.
    virtual std::string failure() const = 0;
    // Called once the answer has stopped arriving, for whatever reason, before its outcome is
    // read: a handler that works behind the stream finishes the rows handed to it. False when it
    // refused one of them.
    virtual bool Drain() { return true; }
};

// What an answer may hold besides its end record.
enum class AnswerKind {
    kRows,        // select and read: a column record, then rows; "E OK" counts the rows
    kChanges,     // execute: nothing; "E OK" counts the rows changed
    kWriteBatch,  // update: "X" records of failed writes; "E OK" counts the rows changed
};

// Checks everything the answer says as it arrives: an answer that is not whole or not
// consistent (an end count that differs from the rows received, a row wider or narrower than the
// column record, a row before it, more than kMaxColumns columns, a typed value that does not
// parse, a NUL character, a record the kind of answer does not hold) stops as malformed. Column
// names may repeat ("SELECT a.X, b.X" names X twice).
class RecordStreamReader {
  public:
    explicit RecordStreamReader(RecordHandler& handler, AnswerKind kind = AnswerKind::kRows)
        : handler_(handler), kind_(kind) {}

    // Feeds the next piece of the body. False when the stream is malformed or a handler refused
    // a record; stopText() then says why.
    bool Feed(std::string_view bytes);

    // Lets the handler finish the rows handed to it (RecordHandler::Drain). False when it refused
    // one: the answer then ends there, as if the handler had refused it at once, and stopText()
    // gives the handler's text even when a later record was malformed.
    bool Drain();

    // True once the end record arrived.
    bool finished() const { return finished_; }
    // The end record's outcome: succeeded, the count, and for failures the transient flag and text.
    bool succeeded() const { return succeeded_; }
    int64_t count() const { return count_; }
    bool transient() const { return transient_; }
    const std::string& errorText() const { return errorText_; }
    // Set when Feed failed on a malformed stream rather than on a handler's refusal.
    bool malformed() const { return !malformedText_.empty(); }
    const std::string& malformedText() const { return malformedText_; }
    // Why Feed failed: the malformed answer's text or the handler's.
    std::string stopText() const { return malformed() ? malformedText_ : handler_.failure(); }
    int64_t rowsSeen() const { return rows_; }
    // The "X" records of a write batch's answer, in order.
    const std::vector<WriteFailure>& writeFailures() const { return failures_; }

  private:
    using Fields = std::vector<std::string_view>;
    bool Record(std::string_view line);
    bool Columns(const Fields& fields);
    bool Row(const Fields& fields);
    bool FailedWrite(const Fields& fields);
    bool EndRecord(const Fields& fields);
    bool Malformed(std::string text);

    RecordHandler& handler_;
    AnswerKind kind_;
    std::string pending_;  // an incomplete last line
    Fields fields_;        // the fields of the record being read, reused from record to record
    std::vector<WireValue> values_;
    size_t columns_ = 0;
    bool columnsSeen_ = false;
    bool finished_ = false;
    bool succeeded_ = false;
    bool transient_ = false;
    int64_t count_ = 0;
    int64_t rows_ = 0;
    std::string errorText_;
    std::string malformedText_;
    std::vector<WriteFailure> failures_;
};

// Undoes the escapes of a text field: "\\\\", "\\t", "\\n", "\\r". False on a bad escape.
bool Unescape(std::string_view text, std::string& out);

}  // namespace terv::net
