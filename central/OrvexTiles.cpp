// Tiles of the map servlet. The server keeps no photo archive: the ground of a tile is drawn
// from the outlines (parcels filled as fields over bare soil, sheet outlines over them, north
// up) and shown only inside the quadrants of the orthophoto index that meet the tile, as the
// photos of those quadrants would be; the rest stays white. Encoded as baseline JPEG.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <cstdlib>

#include "OrvexGeometry.h"
#include "Orvexservlet.h"

namespace terv::central {
namespace {

struct Sheet {
    std::string code;
    long long number = 0;
    Rings rings;
};

std::string Text(sqlite3_stmt* stmt, int column) {
    const auto* text = sqlite3_column_text(stmt, column);
    return text ? reinterpret_cast<const char*>(text) : "";
}

// The sheets whose box meets the tile's box.
std::vector<Sheet> SheetsIn(Connection& conn, const Box& box) {
    std::vector<Sheet> out;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(conn.db(), "SELECT COD_NAZIONALE, FOGLIO, SHAPE FROM TERVFGLC", -1,
                           &stmt, nullptr) != SQLITE_OK)
        return out;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        Sheet s{Text(stmt, 0), sqlite3_column_int64(stmt, 1), ParseRings(Text(stmt, 2))};
        if (BoxOf(s.rings).Meets(box))
            out.push_back(std::move(s));
    }
    sqlite3_finalize(stmt);
    return out;
}

std::vector<Rings> ParcelsOf(Connection& conn, const Sheet& sheet) {
    std::vector<Rings> out;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(conn.db(),
                           "SELECT SHAPE FROM TERVPART WHERE COD_NAZIONALE=?1 AND FOGLIO=?2", -1,
                           &stmt, nullptr) != SQLITE_OK)
        return out;
    sqlite3_bind_text(stmt, 1, sheet.code.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int64(stmt, 2, sheet.number);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        out.push_back(ParseRings(Text(stmt, 0)));
    }
    sqlite3_finalize(stmt);
    return out;
}

QPainterPath PathOf(const Rings& rings, const Box& box, double sx, double sy, int height) {
    QPainterPath path;
    for (const Ring& ring : rings) {
        for (size_t i = 0; i < ring.size(); ++i) {
            const QPointF p((ring[i].x - box.x1) * sx, height - (ring[i].y - box.y1) * sy);
            i == 0 ? path.moveTo(p) : path.lineTo(p);
        }
        path.closeSubpath();
    }
    return path;
}

// A crop colour that stays the same for the same parcel in every tile.
QColor FieldColour(const Rings& rings) {
    const Box b = BoxOf(rings);
    const auto cx = static_cast<unsigned long long>(std::llround((b.x1 + b.x2) / 20));
    const auto cy = static_cast<unsigned long long>(std::llround((b.y1 + b.y2) / 20));
    const unsigned long long h = (cx * 73856093ULL) ^ (cy * 19349663ULL);
    static const QColor kCrops[] = {QColor(170, 190, 90), QColor(120, 160, 70),
                                    QColor(200, 180, 110), QColor(90, 130, 60),
                                    QColor(180, 150, 90)};
    return kCrops[h % 5];
}

bool EncodeJpeg(const QImage& image, int quality, std::string* jpeg) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(image.width());
    cinfo.image_height = static_cast<JDIMENSION>(image.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row =
            const_cast<JSAMPROW>(image.constScanLine(static_cast<int>(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    jpeg->assign(reinterpret_cast<char*>(buffer), size);
    std::free(buffer);
    return size > 0;
}

// The outlines of the quadrants of `index` that meet `box` and whose image file has a folder.
bool QuadrantsIn(Connection& conn, const UnionIndex& index, const Box& box, std::vector<Rings>* out,
                 std::string* error) {
    const std::string where = index.wherecond == "*" ? "1=1" : index.wherecond;
    sqlite3_stmt* stmt =
        PrepareOracleRead(conn,
                          "SELECT " + index.filenamefield + ", " + index.shapefield + " FROM " +
                              index.table + " WHERE " + where,
                          error);
    if (!stmt)
        return false;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        if (Text(stmt, 0).find_first_of("/\\") == std::string::npos)
            continue;
        Rings rings = ParseRings(Text(stmt, 1));
        if (BoxOf(rings).Meets(box))
            out->push_back(std::move(rings));
    }
    if (rc != SQLITE_DONE)
        *error = std::string("ORA-00600: ") + sqlite3_errmsg(conn.db());
    sqlite3_finalize(stmt);
    return rc == SQLITE_DONE;
}

// The ground of the box: the fields of the parcels and the sheet outlines.
QImage Ground(Connection& conn, const Box& box, int width, int height) {
    const double sx = width / (box.x2 - box.x1), sy = height / (box.y2 - box.y1);
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(QColor(150, 120, 85));  // bare soil between the fields
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const std::vector<Sheet> sheets = SheetsIn(conn, box);
    painter.setPen(QPen(QColor(60, 50, 30), 1.0));
    for (const Sheet& sheet : sheets)
        for (const Rings& parcel : ParcelsOf(conn, sheet)) {
            painter.setBrush(FieldColour(parcel));
            painter.drawPath(PathOf(parcel, box, sx, sy, height));
        }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(240, 240, 240), 2.0));
    for (const Sheet& sheet : sheets)
        painter.drawPath(PathOf(sheet.rings, box, sx, sy, height));
    return image;
}

}  // namespace

bool RenderTile(Connection& conn, const UnionIndex& index, const Box& box, int width, int quality,
                std::string* jpeg, std::string* error) {
    const double h = width * (box.y2 - box.y1) / (box.x2 - box.x1);
    if (!(box.x2 > box.x1) || !(box.y2 > box.y1) || width < 1 || width > 4096 || !(h >= 1) ||
        h > 4096) {
        *error = "bad tile box or width";
        return false;
    }
    std::vector<Rings> quadrants;
    if (!QuadrantsIn(conn, index, box, &quadrants, error))
        return false;
    const int height = static_cast<int>(h + 0.5);
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(Qt::white);
    if (!quadrants.empty()) {
        const QImage ground = Ground(conn, box, width, height);
        const double sx = width / (box.x2 - box.x1), sy = height / (box.y2 - box.y1);
        QPainter painter(&image);
        for (const Rings& quadrant : quadrants) {
            painter.setClipPath(PathOf(quadrant, box, sx, sy, height));
            painter.drawImage(0, 0, ground);
        }
    }
    if (!EncodeJpeg(image, quality, jpeg)) {
        *error = "cannot encode the tile";
        return false;
    }
    return true;
}

}  // namespace terv::central
