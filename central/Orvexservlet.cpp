#include "Orvexservlet.h"

#include <httplib.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "OracleSql.h"
#include "OrvexGeometry.h"

namespace terv::central {
namespace {

constexpr const char* kSuccess = "TER_RETCODE:0|*|";

void Fail(httplib::Response& res, const std::string& reason) {
    res.status = 200;
    res.set_content("TER_RETCODE:1|*|" + reason + "\r\n", "text/plain");
}

std::string Param(const httplib::Request& req, const char* name) {
    return req.get_param_value(name);
}

// Prepares the translated read-only statement; null with a reason.
sqlite3_stmt* PrepareRead(Connection& conn, const std::string& oracle_sql, std::string* error) {
    Translation t;
    if (!TranslateOracleSql(oracle_sql, &t, error))
        return nullptr;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(conn.db(), t.sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
        *error = std::string("ORA-00904: ") + sqlite3_errmsg(conn.db());
        sqlite3_finalize(stmt);
        return nullptr;
    }
    if (!sqlite3_stmt_readonly(stmt)) {
        sqlite3_finalize(stmt);
        *error = "ORA-01456: may not perform insert/delete/update operation";
        return nullptr;
    }
    return stmt;
}

std::string Number(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    return buf;
}

// A value as one field of a layer line: the separators "|", CR and LF become blanks.
std::string Field(sqlite3_stmt* stmt, int column) {
    const auto* text = sqlite3_column_text(stmt, column);
    std::string value = text ? reinterpret_cast<const char*>(text) : "";
    for (char& c : value)
        if (c == '|' || c == '\r' || c == '\n')
            c = ' ';
    return value;
}

bool Step(sqlite3_stmt* stmt, Connection& conn, std::string* error) {
    const int rc = sqlite3_step(stmt);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        *error = std::string("ORA-00600: ") + sqlite3_errmsg(conn.db());
    return rc == SQLITE_ROW;
}

void SelectExtension(Connection& conn, const httplib::Request& req, httplib::Response& res) {
    std::string error;
    sqlite3_stmt* stmt = PrepareRead(conn,
                                     "SELECT " + Param(req, "shapefield") + " FROM " +
                                         Param(req, "table") + " WHERE " + Param(req, "wherecond"),
                                     &error);
    if (!stmt)
        return Fail(res, error);
    Box box{0, 0, 0, 0, true};
    while (Step(stmt, conn, &error))
        Extend(box, BoxOf(ParseRings(Field(stmt, 0))));
    sqlite3_finalize(stmt);
    if (!error.empty())
        return Fail(res, error);
    res.set_content(std::string(kSuccess) + Number(box.x1) + "|" + Number(box.y1) + "|" +
                        Number(box.x2) + "|" + Number(box.y2),
                    "text/plain");
}

void SelectDisplist(Connection& conn, const httplib::Request& req, httplib::Response& res) {
    if (Param(req, "zipped") != "N")
        return Fail(res, "only zipped=N is served");
    std::string error;
    sqlite3_stmt* stmt =
        PrepareRead(conn,
                    "SELECT " + Param(req, "attributes") + ", " + Param(req, "shapefield") +
                        " FROM " + Param(req, "table") + " WHERE " + Param(req, "where"),
                    &error);
    if (!stmt)
        return Fail(res, error);
    const int columns = sqlite3_column_count(stmt);
    std::string body = kSuccess;
    while (Step(stmt, conn, &error)) {
        for (int i = 0; i < columns; ++i)
            body += (i ? "|" : "") + Field(stmt, i);
        body += "\r\n";
    }
    sqlite3_finalize(stmt);
    if (!error.empty())
        return Fail(res, error);
    res.set_content(body, "text/plain");
}

// A number parameter; false when it is missing or not a plain number.
bool NumberParam(const httplib::Request& req, const char* name, double* value) {
    const std::string text = Param(req, name);
    char* end = nullptr;
    *value = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && std::isfinite(*value);
}

void SelectJpgUnion(Connection& conn, const httplib::Request& req, httplib::Response& res) {
    double q = 0, width = 0, x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    if (!NumberParam(req, "quality", &q) || !NumberParam(req, "width", &width) ||
        !NumberParam(req, "x1", &x1) || !NumberParam(req, "x2", &x2) ||
        !NumberParam(req, "y1", &y1) || !NumberParam(req, "y2", &y2) || q <= 0 || q > 1)
        return Fail(res, "quality, width, x1, x2, y1 and y2 must be numbers, quality in (0, 1]");
    std::string jpeg, error;
    const int quality = std::max(1, static_cast<int>(std::lround(q * 100)));
    if (!RenderTile(conn, x1, y1, x2, y2, static_cast<int>(width), quality, &jpeg, &error))
        return Fail(res, error);
    res.set_content(jpeg, "image/jpeg");
}

}  // namespace

void ServeOrvex(ConnectionPool& pool, const httplib::Request& req, httplib::Response& res) {
    std::string error;
    Lease conn = pool.Acquire(&error);
    if (!conn)
        return Fail(res, error);
    const std::string function = Param(req, "function");
    if (function == "select_extension")
        return SelectExtension(*conn, req, res);
    if (function == "select_displist_ext")
        return SelectDisplist(*conn, req, res);
    if (function == "select_jpg_union")
        return SelectJpgUnion(*conn, req, res);
    Fail(res, "unknown function: " + function);
}

}  // namespace terv::central
