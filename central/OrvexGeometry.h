// The little geometry the map servlet needs: WKT polygons and points read into rings, and
// boxes.
#pragma once

#include <string>
#include <vector>

namespace terv::central {

struct MapPoint {
    double x = 0, y = 0;
};
using Ring = std::vector<MapPoint>;
using Rings = std::vector<Ring>;

struct Box {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    bool empty = false;
    bool Meets(const Box& o) const {
        return !empty && !o.empty && x1 <= o.x2 && o.x1 <= x2 && y1 <= o.y2 && o.y1 <= y2;
    }
};

// The coordinate lists of a WKT text ("POLYGON((x y, ...),(...))", "POINT(x y)"), one ring per
// innermost parenthesis. Text that is no WKT gives no rings.
Rings ParseRings(const std::string& wkt);

// The bounding box of the rings; `empty` when they hold no point.
Box BoxOf(const Rings& rings);

// Widens `box` to hold `other`.
void Extend(Box& box, const Box& other);

}  // namespace terv::central
