#include "PhotoStore.h"

#include <httplib.h>

#include <memory>

namespace terv::central {

namespace {

constexpr const char* kText = "text/plain; charset=utf-8";

struct StatementCloser {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementCloser>;

Statement Prepare(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr);
    return Statement(s);
}

void Bind(sqlite3_stmt* s, int i, const std::string& bytes) {
    sqlite3_bind_blob64(s, i, bytes.data(), bytes.size(), SQLITE_TRANSIENT);
}

std::string Column(sqlite3_stmt* s, int i) {
    const void* p = sqlite3_column_blob(s, i);
    return p ? std::string(static_cast<const char*>(p),
                           static_cast<size_t>(sqlite3_column_bytes(s, i)))
             : std::string();
}

bool CreateTable(Connection& conn, std::string* error) {
    return conn.Exec(std::string("CREATE TABLE IF NOT EXISTS ") + kPhotoTable +
                         "(FILENAME VARCHAR(25) PRIMARY KEY, FOTO BLOB NOT NULL, DATI BLOB NOT "
                         "NULL, DATA_CARICO VARCHAR(14) DEFAULT (strftime('%Y%m%d%H%M%S', "
                         "'now', 'localtime')))",
                     error);
}

// Inside the transaction: compares with a stored photo or inserts.
PhotoStored StoreLocked(sqlite3* db, const std::string& name, const std::string& jpeg,
                        const std::string& data, std::string* error) {
    Statement find =
        Prepare(db, std::string("SELECT FOTO, DATI FROM ") + kPhotoTable + " WHERE FILENAME=?1");
    if (!find) {
        *error = sqlite3_errmsg(db);
        return PhotoStored::kFailed;
    }
    sqlite3_bind_text(find.get(), 1, name.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(find.get()) == SQLITE_ROW) {
        const bool same = Column(find.get(), 0) == jpeg && Column(find.get(), 1) == data;
        return same ? PhotoStored::kSame : PhotoStored::kDifferent;
    }
    Statement insert = Prepare(db, std::string("INSERT INTO ") + kPhotoTable +
                                       "(FILENAME, FOTO, DATI) VALUES(?1, ?2, ?3)");
    if (!insert) {
        *error = sqlite3_errmsg(db);
        return PhotoStored::kFailed;
    }
    sqlite3_bind_text(insert.get(), 1, name.c_str(), -1, SQLITE_TRANSIENT);
    Bind(insert.get(), 2, jpeg);
    Bind(insert.get(), 3, data);
    if (sqlite3_step(insert.get()) != SQLITE_DONE) {
        *error = sqlite3_errmsg(db);
        return PhotoStored::kFailed;
    }
    return PhotoStored::kNew;
}

void Answer(httplib::Response& res, int status, const std::string& body) {
    res.status = status;
    res.set_content(body, kText);
}

void Upload(Connection& conn, const httplib::Request& req, httplib::Response& res) {
    const std::string name = req.get_param_value("name");
    const std::string length = req.get_param_value("jpg");
    if (!ValidPhotoName(name))
        return Answer(res, 400, "bad photo name: " + name);
    if (length.empty() || length.size() > 12 ||
        length.find_first_not_of("0123456789") != std::string::npos ||
        std::stoull(length) > req.body.size()) {
        return Answer(res, 400, "bad picture length: " + length);
    }
    const size_t split = static_cast<size_t>(std::stoull(length));
    std::string error;
    switch (StorePhoto(conn, name, req.body.substr(0, split), req.body.substr(split), &error)) {
        case PhotoStored::kNew:
            return Answer(res, 200, "OK stored\n");
        case PhotoStored::kSame:
            return Answer(res, 200, "OK already stored\n");
        case PhotoStored::kDifferent:
            return Answer(res, 409, "photo " + name + " is already stored with other content");
        case PhotoStored::kFailed:
            break;
    }
    Answer(res, 500, "photo " + name + " not stored: " + error);
}

void Read(Connection& conn, const httplib::Request& req, httplib::Response& res) {
    const std::string name = req.get_param_value("name");
    const std::string part = req.get_param_value("part");
    if (!ValidPhotoName(name) || (part != "jpg" && part != "dat"))
        return Answer(res, 400, "bad photo name or part");
    std::string error;
    if (!CreateTable(conn, &error))
        return Answer(res, 500, error);
    Statement find = Prepare(conn.db(), std::string("SELECT ") + (part == "jpg" ? "FOTO" : "DATI") +
                                            " FROM " + kPhotoTable + " WHERE FILENAME=?1");
    if (!find)
        return Answer(res, 500, sqlite3_errmsg(conn.db()));
    sqlite3_bind_text(find.get(), 1, name.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(find.get()) != SQLITE_ROW)
        return Answer(res, 404, "no photo " + name);
    res.status = 200;
    res.set_content(Column(find.get(), 0), "application/octet-stream");
}

}  // namespace

bool ValidPhotoName(const std::string& name) {
    if (name.empty() || name.size() > 25)
        return false;
    for (char c : name) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                        (c >= '0' && c <= '9') || c == '_' || c == '-';
        if (!ok)
            return false;
    }
    return true;
}

PhotoStored StorePhoto(Connection& conn, const std::string& name, const std::string& jpeg,
                       const std::string& data, std::string* error) {
    if (!conn.Exec("BEGIN IMMEDIATE", error))
        return PhotoStored::kFailed;
    PhotoStored outcome = CreateTable(conn, error) ? StoreLocked(conn.db(), name, jpeg, data, error)
                                                   : PhotoStored::kFailed;
    if (outcome == PhotoStored::kNew && !conn.Exec("COMMIT", error))
        outcome = PhotoStored::kFailed;
    if (outcome != PhotoStored::kNew)
        conn.Exec("ROLLBACK");
    return outcome;
}

void ServePhotos(ConnectionPool& pool, const httplib::Request& req, httplib::Response& res) {
    const std::string function = req.get_param_value("function");
    if (function == "login")
        return Answer(res, 200, "OK\n");
    std::string error;
    Lease conn = pool.Acquire(&error);
    if (!conn)
        return Answer(res, 503, "no connection available: " + error);
    if (function == "upload" && req.method == "POST")
        return Upload(*conn, req, res);
    if (function == "read" && req.method == "GET")
        return Read(*conn, req, res);
    Answer(res, 400, "unknown function: " + function);
}

}  // namespace terv::central
