// The demo data: deterministic, sized by the parcel count, real municipalities, consistent
// parcels, geometry and declared uses, and map shapes that nest.
#include <gtest/gtest.h>

#include <map>

#include "CentralFixture.h"
#include "DemoData.h"
#include "OrvexGeometry.h"

namespace terv::central::test {
namespace {

class DemoTest : public CentralDb {
  protected:
    // Every demo row except the loading times of the return tables.
    std::string Dump() {
        std::string all;
        for (const char* table : {"TERVPLAV", "TERVCENT", "TERVPART", "TERVUTIL", "TERVFGLC",
                                  "TERVLISTALAV", "TERVUTENTI", "GISUSERS", "TERVTCIN",
                                  "TERVVARIABILI", "TERVCODS_REGI", "TERVCOMUNI"}) {
            all += Select(std::string("SELECT * FROM ") + table + " ORDER BY rowid");
        }
        all += Select("SELECT * FROM PALM_UTIL_RILE ORDER BY 1,2,3,7");
        all += Select("SELECT * FROM PALM_FAG_RILE ORDER BY 1,2,15");
        all += Select("SELECT * FROM PALM_NORME_RILE ORDER BY 1,2,4");
        all += Select("SELECT * FROM PALM_PART_DICH ORDER BY 1,16");
        return all;
    }
};

TEST_F(DemoTest, SameSizeGivesTheSameRows) {
    std::string error;
    ASSERT_TRUE(GenerateDemoData(*conn_, themes_, TERV_CENTRAL_RESOURCES, 250, &error)) << error;
    const std::string first = Dump();
    terv::test::TempFolder other;
    auto conn2 = Connection::Open(other / "c.db", &functions_, &error);
    ASSERT_TRUE(conn2 && CreateSchema(*conn2, themes_, &error)) << error;
    ASSERT_TRUE(GenerateDemoData(*conn2, themes_, TERV_CENTRAL_RESOURCES, 250, &error)) << error;
    conn_.swap(conn2);
    const std::string second = Dump();
    EXPECT_GT(first.size(), 100000u);
    EXPECT_EQ(first, second);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM TERVPLAV WHERE LAST=1"),
              (std::vector<std::string>{"I250", "E OK 1"}));
    // A second run on a filled database adds nothing.
    ASSERT_TRUE(GenerateDemoData(*conn_, themes_, TERV_CENTRAL_RESOURCES, 250, &error)) << error;
    EXPECT_EQ(Dump(), second);
}

TEST_F(DemoTest, ParcelsLieInRealMunicipalitiesWithGeometryAndUses) {
    std::string error;
    ASSERT_TRUE(GenerateDemoData(*conn_, themes_, TERV_CENTRAL_RESOURCES, 1000, &error)) << error;
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM TERVPLAV P WHERE LAST=1 AND NOT EXISTS (SELECT 1 FROM "
                   "TERVCOMUNI C WHERE C.COD_NAZIONALE=P.COD_NAZIONALE AND C.ISTATP=P.ISTATP)"),
              (std::vector<std::string>{"I0", "E OK 1"}));
    EXPECT_EQ(Rows("SELECT COUNT(DISTINCT COD_NAZIONALE) FROM TERVPLAV"),
              (std::vector<std::string>{"I3", "E OK 1"}));
    // Every 17th parcel has no current centroid; the others have exactly one.
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM TERVPLAV P WHERE LAST=1 AND NOT EXISTS (SELECT 1 FROM "
                   "TERVCENT C WHERE C.COD_NAZIONALE=P.COD_NAZIONALE AND C.FOGLIO=P.FOGLIO AND "
                   "C.PARTICELLA=P.PARTICELLA AND C.SUB=P.SUB AND "
                   "C.DATA_FINE_VAL='99991231000000')"),
              (std::vector<std::string>{"I59", "E OK 1"}));
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM TERVPART"), (std::vector<std::string>{"I941", "E OK 1"}));
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM TERVUTIL WHERE DATA_FINE='99991231000000'"),
              (std::vector<std::string>{"I1600", "E OK 1"}));
    // Work lists of the user's provinces, one of them outside the selectable kinds.
    EXPECT_EQ(Rows("SELECT ID_LAV, TIPOLAVORAZIONE FROM TERVLISTALAV WHERE PROV_RIF='058'"),
              (std::vector<std::string>{"I11|I0", "I12|I1", "I13|I5", "E OK 3"}));
}

// The boxes of the shapes of `sql` (key columns, then the shape), by key.
std::multimap<std::string, Box> Boxes(Connection& conn, const std::string& sql) {
    std::multimap<std::string, Box> out;
    sqlite3_stmt* stmt = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(conn.db(), sql.c_str(), -1, &stmt, nullptr), SQLITE_OK) << sql;
    while (stmt && sqlite3_step(stmt) == SQLITE_ROW) {
        const int last = sqlite3_column_count(stmt) - 1;
        std::string key;
        for (int i = 0; i < last; ++i)
            key += std::string(i ? "|" : "") +
                   reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
        out.emplace(
            key, BoxOf(ParseRings(reinterpret_cast<const char*>(sqlite3_column_text(stmt, last)))));
    }
    sqlite3_finalize(stmt);
    return out;
}

bool Inside(const Box& inner, const Box& outer) {
    return !inner.empty && outer.x1 <= inner.x1 && inner.x2 <= outer.x2 && outer.y1 <= inner.y1 &&
           inner.y2 <= outer.y2;
}

// Sheets tile each municipality without overlapping, parcels lie in their sheet, current
// centroids in their parcel, and quadrants of a flight with an archive folder cover every sheet.
TEST_F(DemoTest, MapShapesNest) {
    std::string error;
    ASSERT_TRUE(GenerateDemoData(*conn_, themes_, TERV_CENTRAL_RESOURCES, 1000, &error)) << error;
    const auto sheets = Boxes(*conn_, "SELECT COD_NAZIONALE, FOGLIO, SHAPE FROM TERVFGLC");
    const auto parcels =
        Boxes(*conn_, "SELECT COD_NAZIONALE, FOGLIO, PARTICELLA, SUB, SHAPE FROM TERVPART");
    const auto centroids =
        Boxes(*conn_,
              "SELECT COD_NAZIONALE, FOGLIO, PARTICELLA, SUB, SHAPE FROM TERVCENT WHERE "
              "DATA_FINE_VAL='99991231000000'");
    const auto quadrants = Boxes(*conn_,
                                 "SELECT 'Q', SHAPE FROM TERVFOTQ Q WHERE EXISTS (SELECT 1 FROM "
                                 "TERVFOTF F WHERE F.SUB_PATH=Q.VOLO AND F.PATH LIKE '/%/')");
    ASSERT_EQ(sheets.size(), 27u);
    ASSERT_EQ(parcels.size(), 941u);
    for (const auto& [key, box] : sheets) {
        for (const auto& [other, o] : sheets) {
            if (key != other && key.substr(0, 4) == other.substr(0, 4)) {
                EXPECT_FALSE(o.x1 < box.x2 && box.x1 < o.x2 && o.y1 < box.y2 && box.y1 < o.y2)
                    << key << " overlaps " << other;
            }
        }
        for (const double x : {box.x1, box.x2})
            for (const double y : {box.y1, box.y2})
                EXPECT_TRUE(std::any_of(quadrants.begin(), quadrants.end(),
                                        [&](const auto& q) {
                                            return Inside(Box{x, y, x, y}, q.second);
                                        }))
                    << key << " corner " << x << " " << y;
    }
    for (const auto& [key, box] : parcels) {
        const auto sheet = sheets.find(key.substr(0, key.find('|', 5)));
        ASSERT_NE(sheet, sheets.end()) << key;
        EXPECT_TRUE(Inside(box, sheet->second)) << key;
    }
    EXPECT_EQ(centroids.size(), parcels.size());
    for (const auto& [key, point] : centroids)
        EXPECT_TRUE(Inside(point, parcels.find(key)->second)) << key;
}

}  // namespace
}  // namespace terv::central::test
