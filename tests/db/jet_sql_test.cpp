// Jet expressions, statement forms and refusals, run on real database files: each case is the
// Jet SQL as the program would send it and the answer Jet gives.
#include <gtest/gtest.h>

#include <cstring>

#include "DbTestUtil.h"
#include "data/db/JetErrors.h"
#include "data/db/mdbUtil.h"

namespace terv {
namespace {

Database Sample(const TempFolder& dir) {
    return MakeDb(dir, "t.mdb",
                  {"CREATE TABLE P (ID COUNTER, COD TEXT(5), N LONG, X DOUBLE, "
                   "CONSTRAINT PrimaryKey PRIMARY KEY (ID))",
                   "INSERT INTO P (COD, N, X) VALUES ('A', 1, 1.5)",
                   "INSERT INTO P (COD, N, X) VALUES ('b', 2, NULL)",
                   "INSERT INTO P (COD, N, X) VALUES ('Città', 2, 0)",
                   "INSERT INTO P (COD, N, X) VALUES ('D', 3, -2)", "CREATE INDEX PI ON P (N)",
                   "CREATE TABLE Q (COD TEXT(4), V TEXT(5))", "INSERT INTO Q VALUES ('a', 'x')"});
}

struct Expression {
    const char* jet;
    Variant value;
};

TEST(JetSqlTest, ExpressionsGiveJetsAnswers) {
    TempFolder dir;
    Database db = Sample(dir);
    const Variant null;
    // clang-format off
    const Expression cases[] = {
        // operators, with Jet's precedence
        {"'F205' & '-' & '45'", "F205-45"}, {"'x' & NULL & 'y'", "xy"}, {"NULL & NULL", null},
        {"0.5 & '|' & 12", "0.5|12"}, {"'a' & 1 + 2", "a3"}, {"'ab' + 'cd'", "abcd"},
        {"'ab' + NULL", null}, {"'2' + 3", 5}, {"7 / 2", 3.5}, {"6 / 3", 2.0}, {"7 \\ 2", 3},
        {"7.5 \\ 2", 4}, {"6.5 \\ 2", 3}, {"-7 \\ 2", -3}, {"7 Mod 3", 1}, {"-7 Mod 3", -1},
        {"7.5 Mod 3", 2}, {"2 ^ 10", 1024.0}, {"-2 ^ 2", -4.0}, {"1 + 2 * 3 Mod 4", 3},
        {"1E+16 / 1E-06", 1E+22}, {"True", -1}, {"False", 0}, {"1 = 1", -1}, {"1 > 2", 0},
        {"NOT 1 = 1", 0},
        {"1 = 1 AND 2 = 2", -1}, {"1 = 2 OR NULL", null}, {"NULL = NULL", null}, {"'n' <> 'N'", 0},
        // text order and LIKE
        {"'à' = 'À'", -1}, {"'é' = 'É'", -1}, {"'ÿ' = 'Ÿ'", -1}, {"'œ' = 'Œ'", -1},
        {"'š' = 'Š'", -1}, {"'ABC' = 'abc'", -1}, {"'a' = 'à'", 0}, {"'À' < 'b'", -1},
        {"'F205' LIKE 'f2*'", -1}, {"'F2_5' LIKE 'F2_5'", -1}, {"'F2x5' LIKE 'F2_5'", 0},
        {"'1000' LIKE '100%'", 0}, {"'A1' LIKE '?#'", -1}, {"'AB' LIKE '?#'", 0},
        {"'b' LIKE '[a-c]'", -1}, {"'B' LIKE '[!a-c]'", 0}, {"'CITTÀ' LIKE '*à'", -1},
        {"'x' NOT LIKE 'y'", -1}, {"NULL LIKE '*'", null},
        // dates
        {"#12/31/2026#", "2026-12-31 00:00:00"}, {"#2026-12-31 10:30#", "2026-12-31 10:30:00"},
        {"#12/31/2026 10:30:00 PM#", "2026-12-31 22:30:00"},
        // functions
        {"Nz(NULL, 'x')", "x"}, {"Nz(NULL)", ""}, {"Nz(3, 0)", 3},
        {"IIf(1 > 2, 'a', 'b')", "b"}, {"IIf(NULL, 'a', 'b')", "b"}, {"IsNull(NULL)", -1},
        {"Mid('Milano', 2, 3)", "ila"}, {"Mid$('Città', 4)", "tà"}, {"Left('Milano', 2)", "Mi"},
        {"Right('Milano', 10)", "Milano"}, {"Len('Città')", 5}, {"Len(NULL)", null},
        {"UCase('città')", "CITTÀ"}, {"LCase('ÀB')", "àb"}, {"Trim('  a  ')", "a"},
        {"LTrim(' a ')", "a "}, {"RTrim(' a ')", " a"}, {"CStr(0.5)", "0.5"}, {"CStr(-3)", "-3"},
        {"CLng(2.5)", 2}, {"CLng(3.5)", 4}, {"CLng(' 12 ')", 12}, {"CDbl('1.25')", 1.25},
        {"Val(' 57,')", 57}, {"Val('12.5abc')", 12.5}, {"Format(57, '0000')", "0057"},
        {"Format(3.14159, '0.00')", "3.14"}, {"Format(2.5, '0')", "3"},
        {"Format(1234567, '#,##0')", "1,234,567"}, {"Format(0.256, '0.0%')", "25.6%"},
        {"Format('12', '000')", "012"}, {"Format(#12/31/2026 08:05:09#, 'yyyymmdd')", "20261231"},
        {"Format(#12/31/2026#, 'dd/mm/yyyy')", "31/12/2026"}, {"Format(#1/1/1900#, '0')", "2"},
        {"Format(#12/31/2026 08:05:09#, 'hh:nn:ss')", "08:05:09"},
        {"Format(NULL, '0')", null}, {"StrComp('abc', 'ABC')", 0}, {"StrComp('abc', 'ABC', 0)", 1},
        {"StrComp('a', 'b')", -1}, {"InStr('Milano', 'LAN')", 3}, {"InStr(4, 'abcabc', 'b')", 5},
        {"InStr('abc', 'z')", 0}, {"Format(Now(), 'yyyymmdd') = Format(Date(), 'yyyymmdd')", -1},
        // fields
        {"(SELECT COD & '/' & N & '/' & X FROM P WHERE ID = 1)", "A/1/1.5"},
        {"(SELECT Count(*) FROM P WHERE COD IN ('a', 'B', 'città'))", 3},
        {"(SELECT Sum(N) FROM P WHERE COD BETWEEN 'a' AND 'b')", 3},
        {"(SELECT Max(X) FROM P WHERE P.COD LIKE '[a-c]*')", 1.5},
        {"(SELECT Max(COD) FROM P WHERE ID > 9)", null},
        {"(SELECT Sum(X) FROM P WHERE ID = 2)", null},
        // First and Last keep the first and last row read, Null included
        {"(SELECT First(X) & Last(X) FROM P)", "1.5-2"},
        {"(SELECT First(X) FROM P WHERE ID > 1)", null},
        {"(SELECT Last(X) FROM P WHERE ID < 3)", null},
        {"(SELECT First(N) FROM P WHERE ID > 9)", null},
    };
    // clang-format on
    for (const Expression& c : cases) {
        Recordset rs = db.OpenRecordset(std::string("SELECT ") + c.jet, dbOpenForwardOnly);
        EXPECT_EQ(rs.Field(0), c.value) << c.jet;
        EXPECT_EQ(rs.FieldName(0), "Expr1000") << c.jet;
    }
}

struct Form {
    std::vector<const char*> run;
    const char* query;
    const char* rows;  // the first field of each row, after "|"
};

TEST(JetSqlTest, StatementFormsRunWithJetsMeaning) {
    // clang-format off
    const Form forms[] = {
        {{}, "SELECT TOP 2 COD FROM P ORDER BY N", "|A|b|Città"},  // ties with the 2nd row
        {{}, "SELECT TOP 1 COD FROM P ORDER BY N DESC, COD", "|D"},
        {{}, "SELECT COD FROM P ORDER BY COD", "|A|b|Città|D"},
        {{}, "SELECT N, Count(*) AS C FROM P GROUP BY N HAVING Count(*) > 1", "|2"},
        {{"DELETE * FROM P WHERE N = 2"}, "SELECT COD FROM P", "|A|D"},
        {{"DELETE P.* FROM P WHERE COD = 'a'"}, "SELECT COD FROM P", "|b|Città|D"},
        {{"UPDATE P AS a SET a.N = 9 WHERE a.COD = 'd'"}, "SELECT N FROM P WHERE COD='D'", "|9"},
        {{"UPDATE P INNER JOIN Q ON P.COD = Q.COD SET P.N = P.N + 6, P.COD = Q.V"},
         "SELECT COD & N FROM P ORDER BY ID", "|x7|b2|Città2|D3"},
        {{"UPDATE Q INNER JOIN P ON P.COD = Q.COD SET Q.V = P.X"}, "SELECT V FROM Q", "|1.5"},
        {{"SELECT COD, N * 2 AS N2, X INTO R FROM P WHERE N > 1"},
         "SELECT COD & N2 & X FROM R ORDER BY COD", "|b4|Città40|D6-2"},
        {{"DELETE FROM P WHERE ID = 4", "INSERT INTO P (COD) VALUES ('E')"},
         "SELECT ID FROM P WHERE COD = 'e'", "|5"},
        {{"CREATE TABLE U (K TEXT(2))", "INSERT INTO U VALUES ('à')", "INSERT INTO U VALUES ('À')"},
         "SELECT Count(*) FROM U GROUP BY K", "|2"},
        {{"CREATE TABLE U (K TEXT(2))", "INSERT INTO U VALUES ('à')", "INSERT INTO U VALUES ('À')"},
         "SELECT DISTINCT K & '' FROM U", "|à"},
        {{}, "SELECT Q.V FROM (P INNER JOIN Q ON P.COD = Q.COD) INNER JOIN P AS P3 ON P3.ID = P.ID",
         "|x"},
        // an index name is the table's own; a text index ignores case
        {{"CREATE INDEX PI ON Q (COD, V)"}, "SELECT V FROM Q WHERE COD = 'A' AND V = 'X'", "|x"},
        {{"ALTER TABLE Q ADD COLUMN C LONG", "UPDATE Q SET C = 1"}, "SELECT C FROM Q", "|1"},
        {{"INSERT INTO P (COD, N) VALUES ('E', '015')"}, "SELECT N FROM P WHERE COD = 'e'", "|15"},
        {{"CREATE TABLE P2 (COD TEXT(5), N LONG, X DOUBLE, ID LONG)",
          "INSERT INTO P2 SELECT * FROM P WHERE X >= 0"},
         "SELECT COD FROM P2 ORDER BY ID", "|A|Città"},
    };
    // clang-format on
    TempFolder dir;
    Database db = Sample(dir);
    for (const Form& f : forms) {
        db.BeginTrans();
        for (const char* sql : f.run)
            db.Execute(sql, dbFailOnError);
        std::vector<std::string> rows;
        DbReadColumn(db, f.query, rows);
        std::string got;
        for (const auto& r : rows)
            got += "|" + r;
        EXPECT_EQ(got, f.rows) << f.query;
        db.Rollback();
    }
}

struct Refusal {
    const char* sql;
    std::string message;
};

TEST(JetSqlTest, WhatJetRefusesOrTheLayerDoesNotCarryOutFailsWithItsName) {
    TempFolder dir;
    Database db = Sample(dir);
    using namespace jet_error;
    // clang-format off
    const Refusal cases[] = {
        {"INSERT INTO P (COD, N) VALUES ('TOOLONG', 1)", kFieldTooSmall},
        {"UPDATE P SET COD = COD & 'xyz'", kFieldTooSmall}, {"UPDATE P SET X = 'x'", kTypeMismatch},
        {"INSERT INTO P (COD, N) VALUES ('X', 'abc')", kTypeMismatch},
        {"UPDATE P SET N = 2.5", kTypeMismatch}, {"SELECT 'a' * 2", kTypeMismatch},
        {"INSERT INTO P (COD, N) VALUES ('X', 3000000000)", kOverflow},
        {"SELECT 1 / 0", kDivisionByZero}, {"SELECT CLng(NULL)", kInvalidUseOfNull},
        {"SELECT Mid('abc', 0)", kInvalidArgument},
        {"SELECT Format('abc', '@@')", NotSupported("the Format pattern '@@'")},
        {"SELECT DLookup('COD', 'P')", UndefinedFunction("DLookup")},
        {"SELECT Left('abc')",
         "Wrong number of arguments used with function in query expression 'Left'."},
        {"SELECT TOP 50 PERCENT COD FROM P", NotSupported("TOP n PERCENT")},
        {"SELECT 1 XOR 2", NotSupported("the XOR operator")},
        {"TRANSFORM Count(ID) SELECT COD FROM P GROUP BY COD PIVOT N", NotSupported("TRANSFORM")},
        {"SELECT COD FROM P ORDER BY 1", NotSupported("a column number in ORDER BY or GROUP BY")},
        {"DELETE P.* FROM P INNER JOIN Q ON P.COD = Q.COD", NotSupported("DELETE with a join")},
        {"UPDATE P LEFT JOIN Q ON P.COD = Q.COD SET P.N = 1",
         NotSupported("UPDATE with an outer join")},
        {"CREATE TABLE W (A COUNTER, B LONG, CONSTRAINT K PRIMARY KEY (B))",
         NotSupported("a COUNTER field outside the primary key")},
        {"SELECT COD INTO P FROM P", AlreadyExists("P")},
        {"CREATE INDEX PI ON P (COD)", IndexExists("P", "PI")},
        {"INSERT INTO Q SELECT * FROM P", "The INSERT INTO statement contains the following unknown "
         "field name: 'ID'. Make sure you have typed the name correctly, and try the operation again."},
        {"SELECT #13/45/2026#", "Syntax error in date in query expression '#13/45/2026#'."},
        {"CREATE TABLE W (A TEXT(300))", "Size of field 'A' is too long."},
        {"SELECT COD FROM P LIMIT 2", kTrailing}, {"SELECT COD || 'x' FROM P", kTrailing},
        {"SELECT CASE WHEN 1 THEN 2 END", SyntaxError("query expression 'CASE'")},
        {"PRAGMA table_info(P)", kInvalidStatement},
    };
    // clang-format on
    for (const Refusal& c : cases) {
        const DbError e = ThrownDbError([&] {
            if (std::string(c.sql).rfind("SELECT", 0) == 0 && !std::strstr(c.sql, "INTO"))
                db.OpenRecordset(c.sql, dbOpenForwardOnly);
            else
                db.Execute(c.sql, dbFailOnError);
        });
        EXPECT_EQ(e.message(), c.message) << c.sql;
        EXPECT_EQ(e.statement(), c.sql);
    }
    EXPECT_EQ(DbGetText(db, "SELECT COD & N & X FROM P WHERE ID = 1"), "A11.5");
}

}  // namespace
}  // namespace terv
