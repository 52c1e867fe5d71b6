// The central system's SQL as the server answers it: each statement with the exact records.
#include <gtest/gtest.h>

#include "CentralFixture.h"
#include "OracleSql.h"

namespace terv::central::test {
namespace {

struct Case {
    const char* sql;
    std::vector<std::string> rows;  // compact rows and the closing record
};

class DialectTest : public CentralDb {
  protected:
    void SetUp() override {
        CentralDb::SetUp();
        Sql("CREATE TABLE TA(ID INTEGER, NAME TEXT, D DATE_TEXT);"
            "INSERT INTO TA VALUES (1,'uno','20260101000000'),(2,'due',NULL),"
            "(3,'tre','20250615103000');"
            "CREATE TABLE TB(ID INTEGER, Y TEXT); INSERT INTO TB VALUES (1,'b1'),(3,'b3');"
            "CREATE TABLE TC(ID INTEGER, Z TEXT); INSERT INTO TC VALUES (3,'c3');"
            "CREATE TABLE TD(CODE TEXT); INSERT INTO TD VALUES ('058'),('58'),('59');"
            "CREATE TABLE TERVCENT_T(ID INTEGER, SHAPE TEXT);"
            "INSERT INTO TERVCENT_T VALUES (1,'POINT(12.5 -3)'),(2,NULL),(3,'POLYGON((0 0))')");
    }

    // Statements that start with INSERT run as one execute request, the others as selects.
    void Check(const std::vector<Case>& cases) {
        for (const Case& c : cases) {
            const bool insert = std::string(c.sql).rfind("INSERT", 0) == 0;
            EXPECT_EQ(insert ? Compact(Execute(c.sql)) : Rows(c.sql), c.rows) << c.sql;
        }
    }
};

TEST_F(DialectTest, OuterJoinsKeepRowsWithoutPartnerWhateverTheSpelling) {
    const std::vector<std::string> all = {"I1|Tb1", "I2|N", "I3|Tb3", "E OK 3"};
    Check({
        {"SELECT a.id, b.y FROM ta a, tb b WHERE b.id (+) = a.id ORDER BY a.id", all},
        {"select A.ID,B.Y from TA A,TB B where B.ID(+)=A.ID order by A.ID", all},
        {"SELECT x.id, y.y FROM ta x, tb y WHERE x.id = y.id (+) ORDER BY 1", all},
        {"SELECT a.id, b.y FROM tb b, ta a WHERE a.id > 0 AND b.id (+) = a.id ORDER BY a.id", all},
        {"SELECT * FROM (SELECT a.id, b.y FROM ta a, tb b WHERE b.id ( + ) = a.id) ORDER BY 1",
         all},
        {"SELECT a.id, b.y FROM ta a, tb b WHERE b.id (+) = a.id AND b.y (+) = 'b3' "
         "ORDER BY a.id",
         {"I1|N", "I2|N", "I3|Tb3", "E OK 3"}},
        {"SELECT a.id, b.y FROM ta a, tb b WHERE b.id (+) = a.id AND b.y = 'b3'",
         {"I3|Tb3", "E OK 1"}},
        {"SELECT a.id, b.y, c.z FROM ta a, tb b, tc c WHERE c.id (+) = b.id AND "
         "b.id (+) = a.id ORDER BY a.id",
         {"I1|Tb1|N", "I2|N|N", "I3|Tb3|Tc3", "E OK 3"}},
    });
}

TEST_F(DialectTest, OuterJoinsThatCannotBeTranslatedFail) {
    Check({
        {"SELECT a.id FROM ta a, tb b WHERE b.id (+) = a.id OR a.id = 2",
         {"E ERR 0 ORA-01719: outer join operator (+) not allowed in operand of OR or IN"}},
        {"SELECT a.id FROM ta a, tb b WHERE id (+) = a.id",
         {"E ERR 0 ORA-00900: invalid SQL statement (outer join on an unqualified column)"}},
        {"SELECT a.id FROM ta a, tb b WHERE b.id (+) = a.id (+)",
         {"E ERR 0 ORA-01468: a predicate may reference only one outer-joined table"}},
        {"SELECT a.id FROM ta a, tb b WHERE a.id (+) = b.id AND b.id (+) = a.id",
         {"E ERR 0 ORA-01416: two tables cannot be outer-joined to each other"}},
        {"SELECT a.id FROM ta a, tb b WHERE z.id (+) = a.id",
         {"E ERR 0 ORA-00904: \"Z\": invalid identifier"}},
    });
}

TEST_F(DialectTest, RownumLimitsTheRowsBeforeGroupingAndSorting) {
    const std::vector<std::string> all = {"I1", "I2", "I3", "E OK 3"};
    Check({
        {"SELECT id FROM ta WHERE ROWNUM = 1", {"I1", "E OK 1"}},
        {"SELECT id FROM ta WHERE rownum <= 2", {"I1", "I2", "E OK 2"}},
        {"SELECT id FROM ta WHERE ROWNUM < 3 AND id > 1", {"I2", "I3", "E OK 2"}},
        {"SELECT id FROM ta WHERE 1 = ROWNUM", {"I1", "E OK 1"}},
        {"SELECT id FROM ta WHERE ROWNUM = 2", {"E OK 0"}},
        {"SELECT MAX(id) FROM ta WHERE ROWNUM <= 2", {"I2", "E OK 1"}},
        {"SELECT id FROM ta t WHERE ROWNUM <= 2 ORDER BY t.id DESC", {"I2", "I1", "E OK 2"}},
        {"SELECT name FROM ta WHERE id IN (SELECT id FROM tb WHERE ROWNUM = 1) AND ROWNUM=1",
         {"Tuno", "E OK 1"}},
        {"SELECT id FROM ta WHERE ROWNUM = 1 UNION SELECT id FROM tb WHERE ROWNUM = 1",
         {"I1", "E OK 1"}},
        {"SELECT ROWNUM, id FROM ta",
         {"E ERR 0 ORA-00900: invalid SQL statement (unsupported use of ROWNUM)"}},
        {"SELECT id FROM ta WHERE ROWNUM = 1 OR id = 3",
         {"E ERR 0 ORA-00900: invalid SQL statement (ROWNUM inside OR)"}},
        // A bound beyond any row count is no bound at all, whatever its side.
        {"SELECT ID FROM TA WHERE ROWNUM <= 66666666666666666666666666662 ORDER BY ID", all},
        {"SELECT ID FROM TA WHERE ROWNUM < 66666666666666666666666666662 ORDER BY ID", all},
        {"SELECT ID FROM TA WHERE ROWNUM <> 66666666666666666666666666662 ORDER BY ID", all},
        {"SELECT ID FROM TA WHERE 66666666666666666666666666662 >= ROWNUM ORDER BY ID", all},
        {"SELECT ID FROM TA WHERE ROWNUM > 66666666666666666666666666662", {"E OK 0"}},
        {"SELECT ID FROM TA WHERE ROWNUM = 66666666666666666666666666662", {"E OK 0"}},
        // A number between two comparisons is rewritten once.
        {"SELECT ID FROM TA WHERE ID = 1 != ID", {"I2", "I3", "E OK 2"}},
        {"SELECT ID FROM TA WHERE ID = -1 <> ID", all},
        {"SELECT ID FROM TA WHERE ID < 2 = 1 ORDER BY ID", {"I1", "E OK 1"}},
    });
}

TEST_F(DialectTest, FunctionsAnswerAsTheCentralSystemAndDatesTravelAsDates) {
    Check({
        {"SELECT NVL(NULL, 5), nvl('a','b'), Nvl2(NULL, 1, 2) FROM DUAL", {"I5|Ta|I2", "E OK 1"}},
        {"SELECT Decode(11,11,'C',12,'E','A'), DECODE(13,11,'C',12,'E','A'), "
         "decode(NULL,NULL,'n','x'), Decode(' ',' ','_',' '), DECODE('7',7,'num','txt') FROM DUAL",
         {"TC|TA|Tn|T_|Tnum", "E OK 1"}},
        {"SELECT To_Char(7,'0000'), Trim(To_Char(7,'0000')), To_Char(-7,'0000'), "
         "To_Char(12345,'0000'), To_Char(12.5,'990.00'), TO_CHAR(7,'9999'), To_Char(3,'FM000'), "
         "TO_CHAR(0.5), to_char(1234567,'9,999,999') FROM DUAL",
         {"T 0007|T0007|T-0007|T#####|T  12.50|T    7|T003|T.5|T 1,234,567", "E OK 1"}},
        {"SELECT To_Char(To_Date('20260131','YYYYMMDD'),'DD/MM/YYYY'), "
         "TO_CHAR(TO_DATE('1975-03-12','YYYY-MM-DD'),'MMYYYY'), To_Date('99991231','YYYYMMDD'), "
         "to_char(d,'YYYYMMDDHH24MISS'), to_char(d, 'HH24:MI') FROM ta WHERE id = 3",
         {"T31/01/2026|T031975|D99991231000000|T20250615103000|T10:30", "E OK 1"}},
        {"SELECT To_Date('20260230','YYYYMMDD') FROM DUAL",
         {"E ERR 0 ORA-01847: day of month must be between 1 and last day of month"}},
        {"SELECT To_Date('2026','YYYYMMDD') FROM DUAL",
         {"E ERR 0 ORA-01840: input value not long enough for date format"}},
        {"SELECT To_Char('abc','0000') FROM DUAL", {"E ERR 0 ORA-01722: invalid number"}},
        {"SELECT SUBSTR('ABCDEF',4,3), SubStr('ABC',0,2), substr('ABC',-2), SUBSTR('ABC',5) "
         "FROM DUAL",
         {"TDEF|TAB|TBC|N", "E OK 1"}},
        {"SELECT TRIM('  x '), Trim('   '), UPPER('àbc'), lower('ÀB'), LPAD('7',3,'0'), "
         "RPAD('ab',4) FROM DUAL",
         {"Tx|N|TÀBC|Tàb|T007|Tab  ", "E OK 1"}},
        {"SELECT SDO_TOOLS.get_point_x(SHAPE), SDO_TOOLS.GET_POINT_Y(SHAPE), "
         "Nvl(sdo_tools.get_point_x(SHAPE),0) FROM tervcent_t ORDER BY id",
         {"F12.5|F-3|F12.5", "N|N|I0", "N|N|I0", "E OK 3"}},
        {"SELECT d, name FROM ta ORDER BY id",
         {"D20260101000000|Tuno", "N|Tdue", "D20250615103000|Ttre", "E OK 3"}},
        {"SELECT To_Date('99991231','YYYYMMDD'), TO_DATE('20260131','YYYYMMDD') AS FINE, "
         "to_date('20260131','YYYYMMDD') fine2, TO_CHAR(TO_DATE('20260131','YYYYMMDD'),"
         "'YYYYMMDD') FROM DUAL",
         {"D99991231000000|D20260131000000|D20260131000000|T20260131", "E OK 1"}},
    });
}

TEST_F(DialectTest, EmptyTextIsNullAndConcatenationSkipsNulls) {
    Check({
        {"SELECT 1 FROM DUAL WHERE '' IS NULL", {"I1", "E OK 1"}},
        {"SELECT NVL('', 'vuoto') FROM DUAL", {"Tvuoto", "E OK 1"}},
        {"SELECT id FROM ta WHERE name = ''", {"E OK 0"}},
        {"SELECT id FROM ta WHERE name LIKE 'U%' OR name LIKE 'd%'", {"I2", "E OK 1"}},
        {"SELECT 'a' || NULL || 'b', NULL || NULL FROM DUAL", {"Tab|N", "E OK 1"}},
        {"SELECT 'F205' || Trim(To_Char(7,'0000')) || '00045' || Decode(' ',' ','_',' ') "
         "AS ID_PART FROM DUAL",
         {"TF205000700045_", "E OK 1"}},
        {"SELECT t.name||'-'||t.id FROM ta t WHERE t.id=1", {"Tuno-1", "E OK 1"}},
    });
}

// A mask read once is kept only while it is the same: a mask that changes from row to row is read
// again on every row, next to the same number or text.
TEST_F(DialectTest, EachRowFormatsAndParsesWithItsOwnMask) {
    Sql("CREATE TABLE TM(ID INTEGER, NUM_MASK TEXT, DATE_MASK TEXT);"
        "INSERT INTO TM VALUES (1,'0000','DDMMYYYY'),(2,'990.00','MMDDYYYY'),(3,'FM000',"
        "'DDMMYYYY')");
    Check({
        {"SELECT To_Char(7, num_mask), To_Date('01021999', date_mask) FROM tm ORDER BY id",
         {"T 0007|D19990201000000", "T   7.00|D19990102000000", "T007|D19990201000000", "E OK 3"}},
    });
}

// Whole numbers with masks of zeros are written without printf, the other numbers keep its
// rounding; texts of several bytes a character are cut by characters; coordinates are read as
// strtod reads them, '+' and hexadecimal included.
TEST_F(DialectTest, UnusualNumbersAndTextsKeepTheirAnswers) {
    Check({
        {"SELECT To_Char(-12,'FM0000'), To_Char(-1234,'FM000'), To_Char(7.6,'0000'), "
         "To_Char(2.5,'00'), To_Char(-0.4,'000'), To_Char(0,'0'), "
         "To_Char(1000000000000000,'0000000000000000') FROM DUAL",
         {"T-0012|T####|T 0008|T 02|T 000|T 0|T 1000000000000000", "E OK 1"}},
        {"SELECT SUBSTR('àbcè',2,2), SubStr('àèìòù',-2), substr('àèì',2), SUBSTR('àè',3), "
         "SUBSTR('àè',1,1), LPAD('àèìò',2), RPAD('à',3,'x') FROM DUAL",
         {"Tbc|Tòù|Tèì|N|Tà|Tàè|Tàxx", "E OK 1"}},
        {"SELECT 'x' || 2.5 || NULL || -3, DECODE('ab','a','x','ab','y','z'), "
         "LTRIM('xxaxx','x'), RTRIM('xxaxx','x') FROM DUAL",
         {"Tx2.5-3|Ty|Taxx|Txxa", "E OK 1"}},
        {"SELECT SDO_TOOLS.get_point_x('POINT( +1.5 0x10)'), "
         "SDO_TOOLS.get_point_y('POINT( +1.5 0x10)'), SDO_TOOLS.get_point_y('POINT(2 -0.25)'), "
         "SDO_TOOLS.get_point_x('POINT(x 1)') FROM DUAL",
         {"F1.5|F16|F-0.25|N", "E OK 1"}},
    });
}

// Dates, numbers against texts, and the central system's refusals, each with its answer.
TEST_F(DialectTest, DatesNumbersAndRefusalsAnswerAsTheCentralSystem) {
    Check({
        {"INSERT INTO PALM_SCARICHI (NUME_SCAR) VALUES (1); INSERT INTO PALM_SCARICHI (NUME_SCAR, "
         "DATA_SCARICO) VALUES (2, SYSDATE - 40); INSERT INTO PALM_SCARICHI (NUME_SCAR, "
         "DATA_SCARICO) SELECT 3, TRUNC(SYSDATE) - 30 FROM DUAL",
         {"E OK 3"}},
        {"SELECT NUME_SCAR FROM PALM_SCARICHI WHERE DATA_SCARICO >= TRUNC(SYSDATE)-30 AND "
         "DATA_SCARICO <= SYSDATE ORDER BY 1",
         {"I1", "I3", "E OK 2"}},
        {"SELECT COUNT(*) FROM PALM_SCARICHI d WHERE TRUNC(SYSDATE) <= d.DATA_SCARICO AND "
         "CURRENT_DATE - DATA_SCARICO < 1/24 AND SYSDATE - 1 < DATA_SCARICO AND "
         "TRUNC(DATA_SCARICO) = TRUNC(SYSDATE)",
         {"I1", "E OK 1"}},
        {"SELECT d + 1, d - 0.5, d + 1/24, DATE '2024-02-28' + 1, DATE '2024-03-01' - "
         "DATE '2024-02-01', d - TO_DATE('20250614','YYYYMMDD'), TRUNC(d), TRUNC(d,'MM'), "
         "Trunc(d,'YYYY') FROM ta WHERE id = 3",
         {"D20250616103000|D20250614223000|D20250615113000|D20240229000000|I29|F1.4375|"
          "D20250615000000|D20250601000000|D20250101000000",
          "E OK 1"}},
        {"SELECT TO_CHAR(TO_DATE(TO_CHAR(d,'DD/MM/YYYY'),'DD/MM/YYYY'),'YYYYMMDDHH24MISS'), "
         "TO_DATE(TO_CHAR(d,'YYYYMMDDHH24MISS'),'YYYYMMDDHH24MISS'), TRUNC(-7.9), TRUNC(7.25, 1), "
         "TRUNC(1234,-2), TRUNC('7.5') "
         "FROM ta WHERE d = TO_DATE('15/06/2025 10:30:00','DD/MM/YYYY HH24:MI:SS')",
         {"T20250615000000|D20250615103000|I-7|F7.2|I1200|I7", "E OK 1"}},
        {"SELECT id FROM ta WHERE d > TO_DATE('20250101','YYYYMMDD') + 30 ORDER BY id",
         {"I1", "I3", "E OK 2"}},
        {"SELECT id FROM ta WHERE d BETWEEN DATE '2025-06-15' AND DATE '2025-06-16'",
         {"I3", "E OK 1"}},
        {"SELECT d + d FROM ta", {"E ERR 0 ORA-00975: date + date not allowed"}},
        {"SELECT 1 - d FROM ta",
         {"E ERR 0 ORA-00932: inconsistent datatypes: expected NUMBER got DATE"}},
        {"SELECT DATE '2025-02-30' FROM DUAL",
         {"E ERR 0 ORA-01847: day of month must be between 1 and last day of month"}},
        {"SELECT code FROM td WHERE code=58 ORDER BY code", {"T058", "T58", "E OK 2"}},
        {"SELECT code FROM td WHERE code=058 ORDER BY 1", {"T058", "T58", "E OK 2"}},
        {"SELECT code FROM td WHERE code <> 058 OR 58.5 < code", {"T59", "E OK 1"}},
        {"SELECT id FROM ta WHERE id = 0003", {"I3", "E OK 1"}},
        {"SELECT id FROM ta WHERE name = 5", {"E ERR 0 ORA-01722: invalid number"}},
        {"SELECT '5' + 1, '5' * ' 2 ', 7/2, 10/5, -3 - 2, 2 * 3 + 1, 1 - 2 - 3 FROM DUAL",
         {"I6|I10|F3.5|I2|I-5|I7|I-4", "E OK 1"}},
        {"SELECT 'x' + 1 FROM DUAL", {"E ERR 0 ORA-01722: invalid number"}},
        {"SELECT id / (id - 1) FROM ta", {"E ERR 0 ORA-01476: divisor is equal to zero"}},
        {"SELECT id FROM ta WHERE ROWNUM <= 1e30 AND ROWNUM > -1e30 AND ROWNUM < 2.5",
         {"I1", "I2", "E OK 2"}},
        {"INSERT INTO PALM_NORME VALUES ('1234','x')",
         {"E ERR 0 ORA-12899: value too large for column \"TERV\".\"PALM_NORME\".\"CODI_NORMA\" "
          "(actual: 4, maximum: 3)"}},
        {"INSERT INTO PALM_NORME (DESCR) VALUES ('x')",
         {"E ERR 0 ORA-01400: cannot insert NULL into (\"TERV\".\"PALM_NORME\".\"CODI_NORMA\")"}},
        {"INSERT INTO PALM_NORME VALUES ('001','a'); INSERT INTO PALM_NORME VALUES ('001','b')",
         {"E ERR 0 ORA-00001: unique constraint (TERV.PALM_NORME_PK) violated"}},
        {"SELECT id, name FROM ta GROUP BY id", {"E ERR 0 ORA-00979: not a GROUP BY expression"}},
        {"SELECT name FROM ta GROUP BY name HAVING id > 1",
         {"E ERR 0 ORA-00979: not a GROUP BY expression"}},
        {"SELECT name, COUNT(*) FROM ta", {"E ERR 0 ORA-00937: not a single-group group function"}},
        {"SELECT UPPER(t.name) AS n, COUNT(*) FROM ta t WHERE id = 1 GROUP BY Upper(name)",
         {"TUNO|I1", "E OK 1"}},
        {"SELECT (SELECT id FROM tb) FROM DUAL",
         {"E ERR 0 ORA-01427: single-row subquery returns more than one row"}},
        {"SELECT id FROM ta WHERE id = (SELECT id FROM tb WHERE id > 0)",
         {"E ERR 0 ORA-01427: single-row subquery returns more than one row"}},
        {"SELECT (SELECT y FROM tb WHERE tb.id = ta.id) FROM ta ORDER BY id",
         {"Tb1", "N", "Tb3", "E OK 3"}},
        {"WITH x AS (SELECT id FROM tb) SELECT COUNT(*) FROM x", {"I2", "E OK 1"}},
        {"SELECT ta.id FROM ta, tb WHERE (ta.id, 'b' || ta.id) IN(SELECT id, y FROM tb) AND "
         "(ta.id, tb.y) = (3, 'b3') AND NOT (ta.id, 0) IN ((1, 0))",
         {"I3", "E OK 1"}},
        {"SELECT id FROM ta WHERE (id, 'b' || id) = (SELECT id, y FROM tb)",
         {"E ERR 0 ORA-01427: single-row subquery returns more than one row"}},
        {"SELECT id FROM ta WHERE (SELECT id, y FROM tb WHERE id = 3) = (id, 'b' || id) OR "
         "(id, name) = (SELECT id, y FROM tb WHERE id > 5)",
         {"I3", "E OK 1"}},
        {"SELECT id FROM ta WHERE (id, name) IN (SELECT id FROM tb)",
         {"E ERR 0 ORA-00947: not enough values"}},
        {"SELECT id FROM ta WHERE (id, name) IN (SELECT id, y, y FROM tb)",
         {"E ERR 0 ORA-00913: too many values"}},
        {"SELECT id FROM ta WHERE (id, name) > (1, 'a')",
         {"E ERR 0 ORA-00920: invalid relational operator"}},
        {"SELECT id FROM ta WHERE 1 <= (SELECT id, y FROM tb WHERE id = 1)",
         {"E ERR 0 ORA-00920: invalid relational operator"}},
        {"SELECT id FROM ta WHERE Nvl(id, 0) > 1 AND (id, d) BETWEEN (1, d) AND (3, d)",
         {"E ERR 0 ORA-00920: invalid relational operator"}},
    });
}

TEST_F(DialectTest, ErrorsComeBackAsCentralSystemTexts) {
    Check({
        {"SELECT * FROM NOPE", {"E ERR 0 ORA-00942: table or view does not exist"}},
        {"SELECT nope FROM ta", {"E ERR 0 ORA-00904: \"NOPE\": invalid identifier"}},
        {"SELECT NOFUNC(1) FROM DUAL", {"E ERR 0 ORA-00904: \"NOFUNC\": invalid identifier"}},
        {"SELECT 'abc FROM DUAL", {"E ERR 0 ORA-01756: quoted string not properly terminated"}},
        {"SELECT (1 FROM DUAL", {"E ERR 0 ORA-00907: missing right parenthesis"}},
        {"SELECT 1 FROM DUAL; DELETE FROM ta", {"E ERR 0 ORA-00911: invalid character"}},
        {"DELETE FROM ta",
         {"E ERR 0 ORA-01456: may not perform insert/delete/update operation inside a READ ONLY "
          "transaction"}},
        {"SELECT a.id FROM ta a, tb b WHERE a.id = b.id AND ROWNUM > 'x'",
         {"E ERR 0 ORA-00900: invalid SQL statement (unsupported use of ROWNUM)"}},
        {"SELECT NOPE_SEQ.NEXTVAL FROM DUAL", {"E ERR 0 ORA-02289: sequence does not exist"}},
        {"PRAGMA table_info(TA)", {"E ERR 0 ORA-00900: invalid SQL statement"}},
        {"SELECT FROM WHERE", {"E ERR 0 ORA-00933: SQL command not properly ended"}},
        {"SELECT id FROM ta MINUS SELECT id FROM tb", {"I2", "E OK 1"}},
        {"SELECT id FROM tb UNION ALL SELECT id FROM tc ORDER BY 1", {"I1", "I3", "I3", "E OK 3"}},
        {"SELECT NOPE_SEQ.CURRVAL FROM DUAL",
         {"E ERR 0 ORA-08002: sequence NOPE_SEQ.CURRVAL is not yet defined in this session"}},
    });
    EXPECT_EQ(
        Rows("SELECT " + std::string(5000, '(') + "1" + std::string(5000, ')') + " FROM DUAL"),
        (std::vector<std::string>{"E ERR 0 ORA-00900: invalid SQL statement (nested too deeply)"}));
}

TEST_F(DialectTest, SysdateIsADateWithTheColumnNameSysdate) {
    const std::string before = "D" + SysdateText(0);
    const std::string records = Select("SELECT SYSDATE FROM DUAL");
    const std::string after = "D" + SysdateText(0);
    EXPECT_EQ(ColumnLine(records), "C\tSYSDATE");
    const std::vector<std::string> rows = Compact(records);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].size(), 15u);
    EXPECT_LE(before, rows[0]);
    EXPECT_LE(rows[0], after);
    EXPECT_EQ(ColumnLine(Select("select sysdate, sysdate from dual")), "C\tSYSDATE\tSYSDATE");
    EXPECT_EQ(
        ColumnLine(Select("SELECT sysdate - 1, 'a' || name x, d+1 AS y, CURRENT_DATE FROM ta")),
        "C\tSYSDATE-1\tX\tY\tCURRENT_DATE");
}

TEST_F(DialectTest, SequencesGiveIncreasingNumbers) {
    EXPECT_EQ(ColumnLine(Select("SELECT PALM_SCARICHI_SEQ.NEXTVAL FROM DUAL")), "C\tNEXTVAL");
    EXPECT_EQ(Rows("select palm_scarichi_seq.nextval from dual"),
              (std::vector<std::string>{"I1002", "E OK 1"}));
}

TEST(TranslatorTest, LeavesQuotedTextAlone) {
    Translation t;
    std::string error;
    ASSERT_TRUE(TranslateOracleSql("SELECT 'a (+) ROWNUM SYSDATE || x' FROM DUAL", &t, &error));
    EXPECT_EQ(t.sql, "SELECT 'a (+) ROWNUM SYSDATE || x' FROM DUAL");
    EXPECT_FALSE(t.uses_sequence);
}

}  // namespace
}  // namespace terv::central::test
