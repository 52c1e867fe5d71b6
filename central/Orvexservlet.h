// The map servlet (Orvexservlet) of the reference central server: the extent of a selection of
// sheets, vector layers of sheets and parcels, and JPEG tiles of a box of the map.
//
// function=select_extension    "TER_RETCODE:0|*|X1|Y1|X2|Y2": the bounding box of the shapes
//                              of `table` that satisfy `wherecond`.
// function=select_displist_ext "TER_RETCODE:0|*|" then one line per shape: the `attributes`
//                              values, then the shape as WKT, joined by "|" (docs/protocol.md).
//                              The layer is streamed; the answer is bounded by the server's
//                              answer limit.
// function=select_jpg_union    a JPEG of `width` pixels (height in proportion) of the box
//                              x1..x2 × y1..y2, at `quality` (0..1): the orthophoto quadrants
//                              of `uniontable` that meet the box and satisfy `wherecond`, each
//                              with the file `filenamefield` names, drawn from the parcel and
//                              sheet outlines; white where no quadrant covers the box.
// A request it cannot answer gets "TER_RETCODE:1|*|" and the reason, without the success
// header. Conditions arrive in the central system's dialect and are translated like every
// other statement; only reads can run.
#pragma once

#include <functional>
#include <string>

#include "Database.h"
#include "OrvexGeometry.h"

namespace httplib {
struct Request;
struct Response;
}  // namespace httplib

namespace terv::central {

// What the servlet needs of the server for one request.
struct OrvexContext {
    // A connection checked for the caller's grants and stopped when the caller leaves; an empty
    // lease with a reason when none is free.
    std::function<Lease(std::string*)> connect;
    long long max_answer_bytes = 1LL << 30;
    std::string answer_too_long;  // the error text of an answer past the limit
};

// Answers one servlet request.
void ServeOrvex(const OrvexContext& ctx, const httplib::Request& req, httplib::Response& res);

// The translated read-only statement of `oracle_sql`, prepared; null with an ORA- reason.
sqlite3_stmt* PrepareOracleRead(Connection& conn, const std::string& oracle_sql,
                                std::string* error);

// The orthophoto index of a tile request: the quadrant table (with its alias), the condition
// ("*" for every quadrant), the shape column and the expression of a quadrant's image file.
struct UnionIndex {
    std::string table, wherecond, shapefield, filenamefield;
};

// The JPEG of `box`, `width` pixels wide: the ground drawn from the outlines in the database,
// shown inside the quadrants of `index` whose file has a folder (a name without one is not in
// the archive) and white elsewhere. False with a reason.
bool RenderTile(Connection& conn, const UnionIndex& index, const Box& box, int width, int quality,
                std::string* jpeg, std::string* error);

}  // namespace terv::central
