// The record stream reader: typed values, escapes, records split anywhere, malformed answers.
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
        rows.push_back(values);
        return rows.size() < refuseAfter;
    }
    std::string failure() const override { return "refused"; }

    std::vector<std::string> columns;
    std::vector<std::vector<WireValue>> rows;
    size_t refuseAfter = 1000;
};

const std::string kAnswer =
    "C\tID\tNOME\tAREA\tDATA\tNOTE\n"
    "R\tI12\tTCosta d\\tOro\\\\1\tF12.5\tD20240315074508\tN\n"
    "R\tI-3\tTriga\\nnuova\\r\tF-0.25\tN\tT\n"
    "E\tOK\t2\n";

TEST(RecordStream, ReadsTypedValuesAndUndoesEscapes) {
    Collect c;
    RecordStreamReader reader(c);
    ASSERT_TRUE(reader.Feed(kAnswer));
    ASSERT_TRUE(reader.finished());
    EXPECT_TRUE(reader.succeeded());
    EXPECT_EQ(reader.count(), 2);
    EXPECT_EQ(c.columns, (std::vector<std::string>{"ID", "NOME", "AREA", "DATA", "NOTE"}));
    ASSERT_EQ(c.rows.size(), 2u);
    EXPECT_EQ(c.rows[0][0].type, 'I');
    EXPECT_EQ(c.rows[0][0].text, "12");
    EXPECT_EQ(c.rows[0][1].text, "Costa d\tOro\\1");
    EXPECT_EQ(c.rows[0][2].type, 'F');
    EXPECT_EQ(c.rows[0][3].type, 'D');
    EXPECT_EQ(c.rows[0][3].text, "20240315074508");
    EXPECT_EQ(c.rows[0][4].type, 'N');
    EXPECT_EQ(c.rows[1][1].text, "riga\nnuova\r");
    EXPECT_EQ(c.rows[1][4].type, 'T');
    EXPECT_EQ(c.rows[1][4].text, "");
}

TEST(RecordStream, SameRecordsWhenFedOneByteAtATime) {
    Collect whole, bytes;
    RecordStreamReader a(whole), b(bytes);
    ASSERT_TRUE(a.Feed(kAnswer));
    for (char ch : kAnswer)
        ASSERT_TRUE(b.Feed(std::string_view(&ch, 1)));
    ASSERT_TRUE(b.finished());
    ASSERT_EQ(bytes.rows.size(), whole.rows.size());
    for (size_t i = 0; i < whole.rows.size(); ++i)
        for (size_t j = 0; j < whole.rows[i].size(); ++j)
            EXPECT_EQ(bytes.rows[i][j].text, whole.rows[i][j].text);
}

TEST(RecordStream, ErrorEndRecordKeepsTextAndTransientFlag) {
    struct Case {
        std::string line;
        bool transient;
        std::string text;
    };
    const Case cases[] = {
        {"E\tERR\t0\tORA-00942: table or view does not exist\n", false,
         "ORA-00942: table or view does not exist"},
        {"E\tERR\t1\tORA-12541: TNS:no listener\\nriprovare\n", true,
         "ORA-12541: TNS:no listener\nriprovare"},
    };
    for (const Case& c : cases) {
        Collect h;
        RecordStreamReader reader(h);
        ASSERT_TRUE(reader.Feed(c.line));
        EXPECT_TRUE(reader.finished());
        EXPECT_FALSE(reader.succeeded());
        EXPECT_EQ(reader.transient(), c.transient);
        EXPECT_EQ(reader.errorText(), c.text);
    }
}

TEST(RecordStream, UnfinishedAnswerIsNotFinished) {
    Collect h;
    RecordStreamReader reader(h);
    ASSERT_TRUE(reader.Feed("C\tA\nR\tI1\nR\tI2\nE\tOK"));  // end record without its line end
    EXPECT_FALSE(reader.finished());
    EXPECT_EQ(reader.rowsSeen(), 2);
}

TEST(RecordStream, MalformedAnswersAreRejectedWithAText) {
    const std::string bad[] = {
        "X\tboh\n",              // unknown record
        "R\tQ12\n",              // unknown value type
        "R\t\n",                 // value without type
        "R\tTa\\qb\n",           // bad escape
        "E\tOK\tmolti\n",        // bad count
        "E\tERR\t2\ttesto\n",    // bad transient flag
        "R\tI1\nC\tA\n",         // columns after a row
        "<html>errore</html>\n"  // not a record stream at all
    };
    for (const std::string& text : bad) {
        Collect h;
        RecordStreamReader reader(h);
        EXPECT_FALSE(reader.Feed(text)) << text;
        EXPECT_TRUE(reader.malformed()) << text;
        EXPECT_EQ(reader.malformedText().rfind("Malformed server answer: ", 0), 0u) << text;
    }
}

TEST(RecordStream, HandlerRefusalStopsWithoutMalformedFlag) {
    Collect h;
    h.refuseAfter = 1;
    RecordStreamReader reader(h);
    EXPECT_FALSE(reader.Feed(kAnswer));
    EXPECT_FALSE(reader.malformed());
    EXPECT_EQ(h.rows.size(), 1u);
}

}  // namespace
}  // namespace terv::net
