// The map servlet (Orvexservlet) of the reference central server: the extent of a selection of
// sheets, vector layers of sheets and parcels, and JPEG tiles of a box of the map.
//
// function=select_extension    "TER_RETCODE:0|*|X1|Y1|X2|Y2": the bounding box of the shapes
//                              of `table` that satisfy `wherecond`.
// function=select_displist_ext "TER_RETCODE:0|*|" then one line per shape: the `attributes`
//                              values, then the shape as WKT, joined by "|" (docs/protocol.md).
// function=select_jpg_union    a JPEG of `width` pixels (height in proportion) of the box
//                              x1..x2 × y1..y2, at `quality` (0..1), drawn from the parcel and
//                              sheet outlines.
// A request it cannot answer gets "TER_RETCODE:1|*|" and the reason, without the success
// header. Conditions arrive in the central system's dialect and are translated like every
// other statement; only reads can run.
#pragma once

#include <functional>
#include <string>

#include "Database.h"

namespace httplib {
struct Request;
struct Response;
}  // namespace httplib

namespace terv::central {

// Answers one servlet request on a connection of `pool`.
void ServeOrvex(ConnectionPool& pool, const httplib::Request& req, httplib::Response& res);

// The JPEG of the box, drawn from the outlines in the database; false with a reason.
bool RenderTile(Connection& conn, double x1, double y1, double x2, double y2, int width,
                int quality, std::string* jpeg, std::string* error);

}  // namespace terv::central
