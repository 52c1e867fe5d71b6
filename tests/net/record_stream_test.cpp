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

TEST(RecordStream, ReadsTypedValuesAndUndoesEscapesHoweverTheAnswerIsSplit) {
    Collect whole, bytes;
    RecordStreamReader a(whole, AnswerKind::kRows), b(bytes, AnswerKind::kRows);
    ASSERT_TRUE(a.Feed(kAnswer));
    for (char ch : kAnswer)
        ASSERT_TRUE(b.Feed(std::string_view(&ch, 1)));
    for (const RecordStreamReader* r : {&a, &b}) {
        EXPECT_TRUE(r->finished() && r->succeeded());
        EXPECT_EQ(r->count(), 2);
    }
    EXPECT_EQ(whole.columns, (std::vector<std::string>{"ID", "NOME", "AREA", "DATA", "NOTE"}));
    const std::vector<std::string> rows = {"I12|TCosta d\tOro\\1|F12.5|D20240315074508|N|",
                                           "I-3|Triga\nnuova\r|F-0.25|N|T|"};
    EXPECT_EQ(whole.rows, rows);
    EXPECT_EQ(bytes.rows, rows);
}

}  // namespace
}  // namespace terv::net
