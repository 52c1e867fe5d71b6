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
    sqlite3_stmt* stmt =
        PrepareOracleRead(conn,
                          "SELECT " + Param(req, "shapefield") + " FROM " + Param(req, "table") +
                              " WHERE " + Param(req, "wherecond"),
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

// A layer answer on its way out: lines gather until a window's worth is ready, so that an
// answer that fails early (a statement error, the answer limit) can still be a clean error
// answer; after that they stream. Past the answer limit, or on an error once lines went out,
// the answer ends with the error line and the connection is dropped without the end of the
// stream, so the client never takes a cut layer for a whole one.
class LayerStream {
  public:
    static constexpr size_t kWindow = 64 * 1024;

    LayerStream(httplib::DataSink& sink, const OrvexContext& ctx) : sink_(sink), ctx_(ctx) {}

    // Adds one line; false (with the reason in *error) when it would pass the limit or the
    // client is gone.
    bool Add(const std::string& line, Connection& conn, std::string* error) {
        if (sent_ + static_cast<long long>(pending_.size() + line.size()) > ctx_.max_answer_bytes) {
            *error = ctx_.answer_too_long;
            return false;
        }
        pending_ += line;
        if (pending_.size() < kWindow)
            return true;
        conn.guard().Extend();
        if (!Flush()) {
            *error = "the client left";
            return false;
        }
        return true;
    }

    // Ends the answer: whole when `error` is empty. False when the connection must be dropped.
    bool Finish(const std::string& error) {
        if (error.empty()) {
            Flush();
            sink_.done();
            return true;
        }
        const std::string failure = "TER_RETCODE:1|*|" + error + "\r\n";
        if (sent_ == 0) {
            sink_.write(failure.data(), failure.size());
            sink_.done();
            return true;
        }
        pending_ = "\r\n" + failure;
        Flush();
        return false;
    }

  private:
    bool Flush() {
        const bool ok = pending_.empty() || sink_.write(pending_.data(), pending_.size());
        sent_ += static_cast<long long>(pending_.size());
        pending_.clear();
        return ok;
    }

    httplib::DataSink& sink_;
    const OrvexContext& ctx_;
    std::string pending_;
    long long sent_ = 0;
};

// The layer lines of `sql` into `out`: the header, then one line per row.
void WriteLayer(Connection& conn, const std::string& sql, LayerStream& out, std::string* error) {
    sqlite3_stmt* stmt = PrepareOracleRead(conn, sql, error);
    if (!stmt)
        return;
    const int columns = sqlite3_column_count(stmt);
    bool more = out.Add(kSuccess, conn, error);
    while (more && Step(stmt, conn, error)) {
        std::string line;
        for (int i = 0; i < columns; ++i)
            line += (i ? "|" : "") + Field(stmt, i);
        more = out.Add(line + "\r\n", conn, error);
    }
    sqlite3_finalize(stmt);
}

void SelectDisplist(const OrvexContext& ctx, const httplib::Request& req, httplib::Response& res) {
    if (Param(req, "zipped") != "N")
        return Fail(res, "only zipped=N is served");
    const std::string sql = "SELECT " + Param(req, "attributes") + ", " + Param(req, "shapefield") +
                            " FROM " + Param(req, "table") + " WHERE " + Param(req, "where");
    res.status = 200;
    res.set_chunked_content_provider("text/plain", [ctx, sql](size_t, httplib::DataSink& sink) {
        LayerStream out(sink, ctx);
        std::string error;
        Lease conn = ctx.connect(&error);
        if (!conn)
            error = "ORA-12516: no connection available (" + error + ")";
        else
            WriteLayer(*conn, sql, out, &error);
        return out.Finish(error);
    });
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
        !NumberParam(req, "y1", &y1) || !NumberParam(req, "y2", &y2) || q <= 0 || q > 1 ||
        width < 1 || width > 4096)
        return Fail(res,
                    "quality, width, x1, x2, y1 and y2 must be numbers, quality in (0, 1], "
                    "width 1 to 4096");
    if (Param(req, "type") != "ECW")
        return Fail(res, "only type=ECW is served");
    const UnionIndex index{Param(req, "uniontable"), Param(req, "wherecond"),
                           Param(req, "shapefield"), Param(req, "filenamefield")};
    std::string jpeg, error;
    const int quality = std::max(1, static_cast<int>(std::lround(q * 100)));
    if (!RenderTile(conn, index, Box{x1, y1, x2, y2}, static_cast<int>(width), quality, &jpeg,
                    &error))
        return Fail(res, error);
    res.set_content(jpeg, "image/jpeg");
}

}  // namespace

sqlite3_stmt* PrepareOracleRead(Connection& conn, const std::string& oracle_sql,
                                std::string* error) {
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

void ServeOrvex(const OrvexContext& ctx, const httplib::Request& req, httplib::Response& res) {
    const std::string function = Param(req, "function");
    if (function == "select_displist_ext")
        return SelectDisplist(ctx, req, res);
    if (function != "select_extension" && function != "select_jpg_union")
        return Fail(res, "unknown function: " + function);
    std::string error;
    Lease conn = ctx.connect(&error);
    if (!conn)
        return Fail(res, "ORA-12516: no connection available (" + error + ")");
    if (function == "select_extension")
        return SelectExtension(*conn, req, res);
    SelectJpgUnion(*conn, req, res);
}

}  // namespace terv::central
