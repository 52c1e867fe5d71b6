#include "Recordset.h"

#include <cctype>

#include "JetQuery.h"
#include "JetSql.h"
#include "RecordsetImpl.h"
#include "platform/VbText.h"

namespace terv {

namespace {

bool IsStatement(std::string_view source) {
    size_t i = 0;
    while (i < source.size() && std::isspace(static_cast<unsigned char>(source[i])))
        ++i;
    std::string_view rest = source.substr(i);
    return rest.starts_with("(") || EqualsNoCase(rest.substr(0, 6), "SELECT") ||
           EqualsNoCase(rest.substr(0, 9), "TRANSFORM");
}

std::string BareName(std::string_view source) {
    std::string name = Trim(source);
    if (name.size() >= 2 && name.front() == '[' && name.back() == ']')
        name = name.substr(1, name.size() - 2);
    return name;
}

bool IsTable(Connection& c, const std::string& name) {
    Statement st(c, "SELECT 1 FROM sqlite_master WHERE type='table' AND name=? COLLATE NOCASE",
                 name);
    BindValue(st.get(), 1, Variant(name));
    return sqlite3_step(st.get()) == SQLITE_ROW;
}

void Start(RecordsetImpl& r) {
    if (r.stmt)
        sqlite3_finalize(r.stmt);
    r.stmt = nullptr;
    r.stmt = r.Conn().Prepare(r.baseSql, r.source);
    r.position = -1;
    r.written.clear();
    r.eof = false;
}

void Step(RecordsetImpl& r) {
    r.written.clear();
    int rc = sqlite3_step(r.stmt);
    if (rc == SQLITE_ROW) {
        ++r.position;
    } else if (rc == SQLITE_DONE) {
        r.eof = true;
    } else {
        r.eof = true;
        r.Conn().Fail(r.source);
    }
}

// The fields of the statement, without the row id in front and the rank of TOP ... ORDER BY
// at the end.
void ReadNames(RecordsetImpl& r, sqlite3_stmt* st) {
    r.names.clear();
    int n = sqlite3_column_count(st);
    int extra = n > 0 && std::string_view(sqlite3_column_name(st, n - 1)) == kTopRankColumn;
    for (int i = r.offset; i < n - extra; ++i)
        r.names.emplace_back(sqlite3_column_name(st, i));
}

void Materialize(RecordsetImpl& r) {
    Statement st(r.Conn(), r.baseSql, r.source);
    ReadNames(r, st.get());
    int n = static_cast<int>(r.names.size());
    int rc;
    while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) {
        if (r.offset)
            r.rowids.push_back(sqlite3_column_int64(st.get(), 0));
        std::vector<Variant> row;
        row.reserve(n);
        for (int i = 0; i < n; ++i)
            row.push_back(ReadValue(st.get(), i + r.offset));
        r.rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE)
        r.Conn().Fail(r.source);
    r.cur = r.rows.empty() ? -1 : 0;
}

std::string OrderBy(const std::vector<std::string>& fields) {
    std::string out;
    for (const auto& f : fields)
        out += QuoteName(f) + ",";
    return out + "rowid";
}

// The visible values of the row `rowid` of the base table, when every field is a column of it.
bool Reread(RecordsetImpl& r, int64_t rowid, std::vector<Variant>& row) {
    std::string cols;
    for (const auto& n : r.names)
        cols += (cols.empty() ? "" : ",") + QuoteName(n);
    sqlite3_stmt* st = nullptr;
    std::string sql = "SELECT " + cols + " FROM " + QuoteName(r.table) + " WHERE rowid=?";
    if (sqlite3_prepare_v2(r.Conn().db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
        sqlite3_finalize(st);
        return false;
    }
    sqlite3_bind_int64(st, 1, rowid);
    bool ok = sqlite3_step(st) == SQLITE_ROW;
    if (ok) {
        row.clear();
        for (size_t i = 0; i < r.names.size(); ++i)
            row.push_back(ReadValue(st, static_cast<int>(i)));
    }
    sqlite3_finalize(st);
    return ok;
}

// The INSERT or UPDATE statement for the fields marked in r.changed.
std::string WriteSql(const RecordsetImpl& r, bool insert) {
    std::string list, marks;
    for (size_t i = 0; i < r.names.size(); ++i) {
        if (!r.changed[i])
            continue;
        list += (list.empty() ? "" : ",") + QuoteName(r.names[i]) + (insert ? "" : "=?");
        marks += marks.empty() ? "?" : ",?";
    }
    if (!insert)
        return "UPDATE " + QuoteName(r.table) + " SET " + list + " WHERE rowid=?";
    if (list.empty())
        return "INSERT INTO " + QuoteName(r.table) + " DEFAULT VALUES";
    return "INSERT INTO " + QuoteName(r.table) + " (" + list + ") VALUES (" + marks + ")";
}

int64_t WriteRow(RecordsetImpl& r, bool insert, int64_t rowid) {
    std::vector<Variant> values;
    for (size_t i = 0; i < r.names.size(); ++i)
        if (r.changed[i])
            values.push_back(r.buffer[i]);
    if (!insert && values.empty())
        return rowid;
    // Rows written one after another mostly set the same fields: keep the statement.
    if (!r.writeStmt || insert != r.writeInsert || r.changed != r.writeChanged) {
        std::string sql = WriteSql(r, insert);
        if (r.writeStmt)
            sqlite3_finalize(r.writeStmt);
        r.writeStmt = nullptr;
        r.writeStmt = r.Conn().Prepare(sql, r.source);
        r.writeSql = sql;
        r.writeInsert = insert;
        r.writeChanged = r.changed;
    }
    sqlite3_stmt* st = r.writeStmt;
    int k = 1;
    for (const auto& v : values)
        BindValue(st, k++, v);
    if (!insert)
        sqlite3_bind_int64(st, k, rowid);
    int rc = sqlite3_step(st);
    sqlite3_reset(st);
    if (rc != SQLITE_DONE)
        r.Conn().Fail(r.writeSql);
    return insert ? sqlite3_last_insert_rowid(r.Conn().db) : rowid;
}

int FieldIndex(const RecordsetImpl& r, std::string_view name) {
    // Callers mostly spell the name as the table does: try that before ignoring case.
    for (size_t i = 0; i < r.names.size(); ++i)
        if (r.names[i] == name)
            return static_cast<int>(i);
    for (size_t i = 0; i < r.names.size(); ++i)
        if (EqualsNoCase(r.names[i], name))
            return static_cast<int>(i);
    return -1;
}

}  // namespace

RecordsetImpl::~RecordsetImpl() {
    if (stmt)
        sqlite3_finalize(stmt);
    if (writeStmt)
        sqlite3_finalize(writeStmt);
}

void RecordsetImpl::Fail(const std::string& message) const {
    throw DbError(message, conn ? conn->path : "", source);
}

Connection& RecordsetImpl::Conn() const {
    if (!conn || !conn->db)
        Fail("the database is closed");
    return *conn;
}

std::unique_ptr<RecordsetImpl> OpenRecordsetImpl(std::shared_ptr<Connection> keep, Connection& c,
                                                 std::string_view source, RecordsetType type) {
    auto r = std::make_unique<RecordsetImpl>();
    r->conn = std::move(keep);
    r->type = type;
    r->source = std::string(source);
    bool statement = IsStatement(source);
    std::string sql = statement ? c.Rewrite(source) : "";
    std::string name = statement ? "" : BareName(source);
    if (!statement && name.find(']') != std::string::npos)
        r->Fail("invalid name");
    if (type == dbOpenTable) {
        if (statement || !IsTable(c, name))
            r->Fail("a table-type recordset needs a table name");
        r->table = name;
        r->offset = 1;
        r->streaming = true;
        r->baseSql = "SELECT rowid,* FROM " + QuoteName(name);
    } else if (type == dbOpenForwardOnly) {
        r->streaming = true;
        r->baseSql = statement ? sql : "SELECT * FROM " + QuoteName(name);
    } else if (!statement) {
        bool table = IsTable(c, name);
        if (table && type == dbOpenDynaset)
            r->table = name;
        r->offset = table && type == dbOpenDynaset ? 1 : 0;
        r->baseSql = (r->offset ? "SELECT rowid,* FROM " : "SELECT * FROM ") + QuoteName(name);
    } else {
        std::string table, withRowid;
        if (type == dbOpenDynaset && UpdatableSource(sql, table, withRowid) && IsTable(c, table)) {
            r->table = table;
            r->offset = 1;
            r->baseSql = withRowid;
        } else {
            r->baseSql = sql;
        }
    }
    if (r->streaming) {
        Start(*r);
        ReadNames(*r, r->stmt);
        Step(*r);
    } else {
        Materialize(*r);
    }
    return r;
}

Recordset::Recordset() = default;
Recordset::~Recordset() = default;
Recordset::Recordset(Recordset&&) noexcept = default;
Recordset& Recordset::operator=(Recordset&&) noexcept = default;
Recordset::Recordset(std::unique_ptr<RecordsetImpl> impl) : impl_(std::move(impl)) {}

RecordsetImpl& Recordset::Get() const {
    if (!impl_)
        throw DbError("the recordset is closed", "", "");
    return *impl_;
}

bool Recordset::IsOpen() const {
    return impl_ != nullptr;
}
RecordsetType Recordset::Type() const {
    return Get().type;
}

bool Recordset::Eof() const {
    const RecordsetImpl& r = Get();
    if (r.streaming)
        return r.eof;
    return r.rows.empty() || r.cur >= static_cast<long>(r.rows.size());
}

bool Recordset::Bof() const {
    const RecordsetImpl& r = Get();
    if (r.streaming)
        return r.eof && r.position < 0;
    return r.rows.empty() || r.cur < 0;
}

void Recordset::MoveNext() {
    RecordsetImpl& r = Get();
    if (Eof())
        r.Fail("no current record");
    r.mode = 0;
    if (r.streaming) {
        r.Conn();
        Step(r);
    } else {
        ++r.cur;
    }
}

void Recordset::MoveFirst() {
    RecordsetImpl& r = Get();
    r.mode = 0;
    if (r.streaming) {
        Start(r);
        Step(r);
    } else {
        r.cur = r.rows.empty() ? -1 : 0;
    }
}

void Recordset::MovePrevious() {
    RecordsetImpl& r = Get();
    if (r.streaming)
        r.Fail("the recordset cannot move backwards");
    if (Bof())
        r.Fail("no current record");
    r.mode = 0;
    --r.cur;
}

void Recordset::MoveLast() {
    RecordsetImpl& r = Get();
    if (r.streaming)
        r.Fail("the recordset cannot move backwards");
    r.mode = 0;
    r.cur = static_cast<long>(r.rows.size()) - 1;
}

long Recordset::RecordCount() const {
    const RecordsetImpl& r = Get();
    if (!r.streaming)
        return static_cast<long>(r.rows.size());
    if (r.type == dbOpenTable) {
        Statement st(r.Conn(), "SELECT count(*) FROM " + QuoteName(r.table), r.source);
        return sqlite3_step(st.get()) == SQLITE_ROW ? sqlite3_column_int(st.get(), 0) : 0;
    }
    return r.position + 1;
}

long Recordset::AbsolutePosition() const {
    const RecordsetImpl& r = Get();
    if (Eof() || Bof())
        return -1;
    return r.streaming ? r.position : r.cur;
}

int Recordset::FieldCount() const {
    return static_cast<int>(Get().names.size());
}

std::string Recordset::FieldName(int index) const {
    const RecordsetImpl& r = Get();
    if (index < 0 || index >= FieldCount())
        r.Fail("item not found in this collection");
    return r.names[index];
}

bool Recordset::HasField(std::string_view name) const {
    return FieldIndex(Get(), name) >= 0;
}

Variant Recordset::Field(std::string_view name) const {
    const RecordsetImpl& r = Get();
    int i = FieldIndex(r, name);
    if (i < 0)
        r.Fail("item not found in this collection: " + std::string(name));
    return Field(i);
}

Variant Recordset::Field(int index) const {
    const RecordsetImpl& r = Get();
    if (index < 0 || index >= static_cast<int>(r.names.size()))
        r.Fail("item not found in this collection");
    if (r.mode != 0)
        return r.buffer[index];
    if (Eof() || Bof())
        r.Fail("no current record");
    if (!r.streaming)
        return r.rows[r.cur][index];
    if (!r.written.empty())
        return r.written[index];
    r.Conn();
    return ReadValue(r.stmt, index + r.offset);
}

void Recordset::Edit() {
    RecordsetImpl& r = Get();
    if (r.table.empty())
        r.Fail("the recordset is not updatable");
    if (Eof() || Bof())
        r.Fail("no current record");
    r.buffer.clear();
    for (int i = 0; i < FieldCount(); ++i)
        r.buffer.push_back(Field(i));
    r.changed.assign(r.names.size(), false);
    r.mode = 1;
}

void Recordset::AddNew() {
    RecordsetImpl& r = Get();
    if (r.table.empty())
        r.Fail("the recordset is not updatable");
    r.buffer.assign(r.names.size(), Variant());
    r.changed.assign(r.names.size(), false);
    r.mode = 2;
}

void Recordset::SetField(std::string_view name, const Variant& value) {
    RecordsetImpl& r = Get();
    if (r.mode == 0)
        r.Fail("update without AddNew or Edit");
    int i = FieldIndex(r, name);
    if (i < 0)
        r.Fail("item not found in this collection: " + std::string(name));
    r.buffer[i] = value;
    r.changed[i] = true;
}

void Recordset::Update() {
    RecordsetImpl& r = Get();
    if (r.mode == 0)
        r.Fail("update without AddNew or Edit");
    bool insert = r.mode == 2;
    int64_t rowid = 0;
    if (!insert)
        rowid = r.streaming ? sqlite3_column_int64(r.stmt, 0) : r.rowids[r.cur];
    rowid = WriteRow(r, insert, rowid);
    std::vector<Variant> row = r.buffer;
    // A row added through a table recordset does not become current: nothing to read back.
    if (!(insert && r.streaming))
        Reread(r, rowid, row);
    r.mode = 0;
    if (r.streaming) {
        if (!insert)
            r.written = row;
    } else if (insert) {
        // Jet shows added rows at the end of a dynaset; the current row stays.
        r.rows.push_back(row);
        r.rowids.push_back(rowid);
        if (r.cur < 0)
            r.cur = 0;
    } else {
        r.rows[r.cur] = row;
    }
}

void Recordset::CancelUpdate() {
    Get().mode = 0;
}

void Recordset::SetIndex(std::string_view name) {
    RecordsetImpl& r = Get();
    if (r.type != dbOpenTable)
        r.Fail("operation is not supported for this type of object");
    r.mode = 0;
    std::string table = r.table;
    // The index list comes from the table definition, the Jet names included.
    std::vector<std::string> fields;
    bool found = false;
    {
        Connection& c = r.Conn();
        Statement st(c, "PRAGMA index_list(" + QuoteName(table) + ")", r.source);
        std::vector<std::pair<std::string, bool>> list;
        while (sqlite3_step(st.get()) == SQLITE_ROW) {
            std::string sqliteName =
                reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 1));
            bool pk = std::string(
                          reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 3))) == "pk";
            list.emplace_back(sqliteName, pk);
        }
        for (const auto& [sqliteName, pk] : list) {
            bool match = (pk && EqualsNoCase(name, "PrimaryKey")) ||
                         EqualsNoCase(sqliteName, SqliteIndexName(table, name)) ||
                         EqualsNoCase(sqliteName, name);
            if (!match)
                continue;
            Statement info(c, "PRAGMA index_info(" + QuoteName(sqliteName) + ")", r.source);
            while (sqlite3_step(info.get()) == SQLITE_ROW)
                fields.emplace_back(
                    reinterpret_cast<const char*>(sqlite3_column_text(info.get(), 2)));
            found = true;
            break;
        }
        if (!found && EqualsNoCase(name, "PrimaryKey")) {
            Statement ti(c, "PRAGMA table_info(" + QuoteName(table) + ")", r.source);
            while (sqlite3_step(ti.get()) == SQLITE_ROW)
                if (sqlite3_column_int(ti.get(), 5) > 0)
                    fields.emplace_back(
                        reinterpret_cast<const char*>(sqlite3_column_text(ti.get(), 1)));
            found = !fields.empty();
        }
    }
    if (!found)
        r.Fail("'" + std::string(name) + "' isn't an index in this table");
    r.indexName = std::string(name);
    r.indexFields = fields;
    r.baseSql = "SELECT rowid,* FROM " + QuoteName(table) + " ORDER BY " + OrderBy(fields);
    Start(r);
    Step(r);
}

const std::string& Recordset::Index() const {
    return Get().indexName;
}

void Recordset::Seek(std::string_view op, const std::vector<Variant>& keys) {
    RecordsetImpl& r = Get();
    if (r.type != dbOpenTable || r.indexFields.empty())
        r.Fail("no current index");
    if (keys.empty() || keys.size() > r.indexFields.size())
        r.Fail("invalid number of keys");
    if (op != "=" && op != ">=" && op != ">")
        r.Fail("unsupported seek comparison " + std::string(op));
    r.mode = 0;
    std::string cols, marks, match;
    for (size_t i = 0; i < keys.size(); ++i) {
        std::string n = std::to_string(i + 1);
        cols += (i ? "," : "") + QuoteName(r.indexFields[i]);
        marks += (i ? ",?" : "?") + n;
        match += (i ? " AND " : "") + QuoteName(r.indexFields[i]) + "=?" + n;
    }
    std::string cmp = op == ">" ? ">" : ">=";
    std::string sql = "SELECT rowid,*,(" + match + ") FROM " + QuoteName(r.table) + " WHERE (" +
                      cols + ")" + cmp + "(" + marks + ") ORDER BY " + OrderBy(r.indexFields);
    if (r.stmt)
        sqlite3_finalize(r.stmt);
    r.stmt = nullptr;
    r.stmt = r.Conn().Prepare(sql, r.source);
    for (size_t i = 0; i < keys.size(); ++i)
        BindValue(r.stmt, static_cast<int>(i + 1), keys[i]);
    r.position = -1;
    r.eof = false;
    Step(r);
    int flag = sqlite3_column_count(r.stmt) - 1;
    r.noMatch = r.eof || (op == "=" && sqlite3_column_int(r.stmt, flag) == 0);
    if (r.noMatch)
        r.eof = true;
}

bool Recordset::NoMatch() const {
    return Get().noMatch;
}

void Recordset::Close() {
    impl_.reset();
}

}  // namespace terv
