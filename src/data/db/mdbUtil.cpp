#include "mdbUtil.h"

#include <sqlite3.h>

#include <filesystem>

#include "JetSql.h"

namespace terv {

namespace {

namespace fs = std::filesystem;

// The first column of the first row; Null when there is no row.
Variant FirstValue(Database& db, std::string_view sql) {
    Recordset rs = db.OpenRecordset(sql, dbOpenForwardOnly);
    return rs.Eof() ? Variant() : rs.Field(0);
}

void CompactInto(const std::string& path, const std::string& target) {
    Database db = OpenDatabase(path, true, false);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db.Handle(), "VACUUM INTO ?", -1, &st, nullptr) != SQLITE_OK) {
        sqlite3_finalize(st);
        throw DbError(sqlite3_errmsg(db.Handle()), path, "VACUUM");
    }
    sqlite3_bind_text(st, 1, target.c_str(), -1, SQLITE_TRANSIENT);
    int rc = sqlite3_step(st);
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        throw DbError(sqlite3_errmsg(db.Handle()), path, "VACUUM");
}

// A numbering field is its table's primary key by its own definition.
bool IsCounter(const TableDef& def, const std::string& field) {
    for (const FieldDef& f : def.fields)
        if (f.name == field)
            return f.type == "COUNTER";
    return false;
}

}  // namespace

int32_t DbGetLong(Database& db, std::string_view sql) {
    Variant v = FirstValue(db, sql);
    return v.IsNull() ? 0 : v.AsLong();
}

std::string DbGetText(Database& db, std::string_view sql) {
    return FirstValue(db, sql).AsText();
}

std::string DbGetTextOr(Database& db, std::string_view sql, std::string_view fallback) {
    Variant v = FirstValue(db, sql);
    return v.IsNull() ? std::string(fallback) : v.AsText();
}

long DbReadColumn(Database& db, std::string_view sql, std::vector<std::string>& list) {
    list.clear();
    Recordset rs = db.OpenRecordset(sql, dbOpenForwardOnly);
    for (; !rs.Eof(); rs.MoveNext())
        list.push_back(rs.Field(0).AsText());
    return static_cast<long>(list.size());
}

void SetQueryDef(Database& db, std::string_view name, std::string_view sql) {
    try {
        if (db.QueryDefExists(name))
            db.DeleteQueryDef(name);
    } catch (const DbError&) {
        // Looking for the old query may fail; creating the new one reports real problems.
    }
    db.CreateQueryDef(name, sql);
}

bool CopyTableDef(const TableDef& source, Database& target, const std::string& newName) {
    std::string sql = "CREATE TABLE " + QuoteName(newName) + " (";
    for (size_t i = 0; i < source.fields.size(); ++i) {
        const FieldDef& f = source.fields[i];
        sql += (i ? ", " : "") + QuoteName(f.name) + " " + (f.type.empty() ? "TEXT" : f.type);
        if (!f.defaultValue.empty())
            sql += " DEFAULT " + f.defaultValue;
        if (f.required)
            sql += " NOT NULL";
    }
    for (const IndexDef& ix : source.indexes) {
        if (!ix.primary || (ix.fields.size() == 1 && IsCounter(source, ix.fields[0])))
            continue;
        sql += ", CONSTRAINT " + QuoteName(ix.name) + " PRIMARY KEY (";
        for (size_t i = 0; i < ix.fields.size(); ++i)
            sql += (i ? "," : "") + QuoteName(ix.fields[i]);
        sql += ")";
    }
    target.Execute(sql + ")", dbFailOnError);
    for (const IndexDef& ix : source.indexes) {
        if (ix.primary)
            continue;
        std::string create = ix.unique ? "CREATE UNIQUE INDEX " : "CREATE INDEX ";
        create += QuoteName(ix.name) + " ON " + QuoteName(newName) + " (";
        for (size_t i = 0; i < ix.fields.size(); ++i)
            create += (i ? "," : "") + QuoteName(ix.fields[i]);
        target.Execute(create + ")", dbFailOnError);
    }
    return true;
}

bool CompactDb(const std::string& path) {
    const std::string cmp = path + "cmp";
    const std::string bak = path + "bak";
    try {
        fs::remove(cmp);
        fs::remove(bak);
        fs::copy_file(path, bak);
        CompactInto(path, cmp);
        if (fs::exists(cmp)) {
            fs::copy_file(cmp, path, fs::copy_options::overwrite_existing);
            fs::remove(cmp);
        }
        fs::remove(bak);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace terv
