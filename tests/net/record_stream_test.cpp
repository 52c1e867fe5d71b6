// The record stream reader: typed values and escapes, however the answer is split into pieces.
// Malformed answers, error end records and failed writes are tested through the clients.
#include <gtest/gtest.h>

#include "RecordStream.h"

namespace terv::net {
namespace {

class Collect : public RecordHandler {
  public:
    bool OnColumns(const std::vector<std::string>& names) override {
        columns = names;
        return true;
    }
    bool OnRow(const std::vector<WireValue>& values) override {
        std::string row;
        for (const WireValue& v : values)
            row += v.type + v.text + "|";
        rows.push_back(row);
        return true;
    }
    std::string failure() const override { return {}; }

    std::vector<std::string> columns, rows;
};

const std::string kAnswer =
    "C\tID\tNOME\tAREA\tDATA\tNOTE\n"
    "R\tI12\tTCosta d\\tOro\\\\1\tF12.5\tD20240315074508\tN\n"
    "R\tI-3\tTriga\\nnuova\\r\tF-0.25\tN\tT\r\n"
    "E\tOK\t2\n";

// Whole answers are read in the client tests; here every byte arrives on its own.
TEST(RecordStream, ReadsTypedValuesAndUndoesEscapesHoweverTheAnswerIsSplit) {
    Collect bytes;
    RecordStreamReader reader(bytes, AnswerKind::kRows);
    for (char ch : kAnswer)
        ASSERT_TRUE(reader.Feed(std::string_view(&ch, 1)));
    EXPECT_TRUE(reader.finished() && reader.succeeded());
    EXPECT_EQ(reader.count(), 2);
    EXPECT_EQ(bytes.columns, (std::vector<std::string>{"ID", "NOME", "AREA", "DATA", "NOTE"}));
    EXPECT_EQ(bytes.rows, (std::vector<std::string>{"I12|TCosta d\tOro\\1|F12.5|D20240315074508|N|",
                                                    "I-3|Triga\nnuova\r|F-0.25|N|T|"}));
}

}  // namespace
}  // namespace terv::net
