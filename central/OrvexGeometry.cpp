#include "OrvexGeometry.h"

#include <algorithm>
#include <cstdlib>

namespace terv::central {

Rings ParseRings(const std::string& wkt) {
    Rings rings;
    size_t open = 0;
    while ((open = wkt.find('(', open)) != std::string::npos) {
        const size_t close = wkt.find_first_of("()", open + 1);
        if (close == std::string::npos)
            break;
        if (wkt[close] == '(') {  // not innermost yet
            open = close;
            continue;
        }
        Ring ring;
        const char* p = wkt.c_str() + open + 1;
        const char* end = wkt.c_str() + close;
        while (p < end) {
            char* next = nullptr;
            const double x = std::strtod(p, &next);
            if (next == p)
                break;
            const double y = std::strtod(next, &next);
            ring.push_back({x, y});
            p = next;
            while (p < end && (*p == ',' || *p == ' '))
                ++p;
        }
        if (!ring.empty())
            rings.push_back(std::move(ring));
        open = close + 1;
    }
    return rings;
}

Box BoxOf(const Rings& rings) {
    Box box{0, 0, 0, 0, true};
    for (const Ring& ring : rings)
        for (const MapPoint& p : ring)
            Extend(box, {p.x, p.y, p.x, p.y, false});
    return box;
}

void Extend(Box& box, const Box& other) {
    if (other.empty)
        return;
    if (box.empty) {
        box = other;
        return;
    }
    box.x1 = std::min(box.x1, other.x1);
    box.y1 = std::min(box.y1, other.y1);
    box.x2 = std::max(box.x2, other.x2);
    box.y2 = std::max(box.y2, other.y2);
}

}  // namespace terv::central
