// Statements the fuzzer found mishandled by the server's SQL translation, each with the answer
// the server must give.
#include <gtest/gtest.h>

#include "CentralFixture.h"

namespace terv::central::test {
namespace {

class FuzzRegressionsTest : public CentralDb {
  protected:
    void SetUp() override {
        CentralDb::SetUp();
        Sql("CREATE TABLE TA(ID INTEGER); INSERT INTO TA VALUES (1),(2),(3)");
    }
};

// A ROWNUM bound beyond any row count is no bound at all (it used to overflow into LIMIT 0 or a
// negative limit).
TEST_F(FuzzRegressionsTest, RownumBoundBeyondEveryCountKeepsItsMeaning) {
    const std::vector<std::string> all = {"I1", "I2", "I3", "E OK 3"};
    const std::vector<std::string> none = {"E OK 0"};
    const std::string huge = "66666666666666666666666666662";
    EXPECT_EQ(Rows("SELECT ID FROM TA WHERE ROWNUM <= " + huge + " ORDER BY ID"), all);
    EXPECT_EQ(Rows("SELECT ID FROM TA WHERE ROWNUM < " + huge + " ORDER BY ID"), all);
    EXPECT_EQ(Rows("SELECT ID FROM TA WHERE ROWNUM <> " + huge + " ORDER BY ID"), all);
    EXPECT_EQ(Rows("SELECT ID FROM TA WHERE " + huge + " >= ROWNUM ORDER BY ID"), all);
    EXPECT_EQ(Rows("SELECT ID FROM TA WHERE ROWNUM > " + huge), none);
    EXPECT_EQ(Rows("SELECT ID FROM TA WHERE ROWNUM = " + huge), none);
}

// A chained comparison shares its middle number between two comparisons with a number; the
// translation used to rewrite it twice and fail on a backward range.
TEST_F(FuzzRegressionsTest, ChainedNumberComparisonIsAnsweredOnce) {
    for (const char* sql :
         {"SELECT ID FROM TA WHERE ID = 1 != ID", "SELECT ID FROM TA WHERE ID = -1 <> ID",
          "SELECT ID FROM TA WHERE ID < 2 = 1 ORDER BY ID"}) {
        const std::vector<std::string> rows = Rows(sql);
        ASSERT_FALSE(rows.empty()) << sql;
        EXPECT_EQ(rows.back().rfind("E ", 0), 0u) << sql;
    }
}

}  // namespace
}  // namespace terv::central::test
