// Result rows into a table of a local database, through the local-database layer.
//
// The rows of one answer are added inside one transaction with one prepared INSERT. Result
// columns are matched to the table's fields by name when every result column names a field,
// otherwise by position. Values keep their type: Null stays Null, numbers go into number fields
// as numbers; a number bound for a text field becomes its text, a numeric text bound for a number
// field becomes its number, as the Access engine converts them.
#include <sqlite3.h>

#include <charconv>
#include <memory>
#include <string>

#include "ResultWriters.h"
#include "data/db/Database.h"
#include "data/db/JetSql.h"
#include "platform/VbText.h"

namespace terv::net {
namespace {

enum class FieldKind { kText, kDate, kNumber };

FieldKind KindOf(const std::string& declared) {
    if (IsTextType(declared))
        return FieldKind::kText;
    const std::string upper = UCase(declared);
    if (upper.find("DATE") != std::string::npos || upper.find("TIME") != std::string::npos)
        return FieldKind::kDate;
    return FieldKind::kNumber;
}

// A text that is a whole number or a real number and nothing else, as a wire value.
bool ParseNumber(const std::string& text, WireValue& out) {
    const char* first = text.data();
    const char* last = first + text.size();
    int64_t i = 0;
    if (auto r = std::from_chars(first, last, i); r.ec == std::errc() && r.ptr == last) {
        out = {'I', text};
        return true;
    }
    double d = 0;
    if (auto r = std::from_chars(first, last, d); r.ec == std::errc() && r.ptr == last) {
        out = {'F', text};
        return true;
    }
    return false;
}

class LocalResultTable : public ResultTable {
  public:
    LocalResultTable(Database db, TableDef def) : db_(std::move(db)), def_(std::move(def)) {}

    ~LocalResultTable() override {
        if (stmt_)
            sqlite3_finalize(stmt_);
        if (inTransaction_) {
            try {
                db_.Rollback();
            } catch (const DbError&) {
                // The connection is going away; SQLite drops the open transaction with it.
            }
        }
    }

    bool Begin(const std::vector<std::string>& columns) override {
        if (!MapColumns(columns))
            return false;
        std::string names, marks;
        for (size_t i = 0; i < targets_.size(); ++i) {
            if (i > 0) {
                names += ",";
                marks += ",";
            }
            names += QuoteName(def_.fields[targets_[i]].name);
            marks += "?";
        }
        const std::string sql =
            "INSERT INTO " + QuoteName(def_.name) + " (" + names + ") VALUES (" + marks + ")";
        kinds_.clear();
        for (size_t target : targets_)
            kinds_.push_back(KindOf(def_.fields[target].type));
        try {
            db_.BeginTrans();
            inTransaction_ = true;
        } catch (const DbError& e) {
            return Fail(e.what());
        }
        if (sqlite3_prepare_v2(db_.Handle(), sql.c_str(), -1, &stmt_, nullptr) != SQLITE_OK)
            return Fail(SqliteError(sql));
        return true;
    }

    bool Add(const std::vector<WireValue>& row) override {
        for (size_t i = 0; i < row.size(); ++i) {
            if (!Bind(static_cast<int>(i) + 1, row[i], kinds_[i], def_.fields[targets_[i]]))
                return false;
        }
        const int rc = sqlite3_step(stmt_);
        sqlite3_reset(stmt_);
        if (rc != SQLITE_DONE)
            return Fail(SqliteError("INSERT INTO " + def_.name));
        return true;
    }

    bool Commit() override {
        if (stmt_)
            sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        try {
            db_.CommitTrans();
            inTransaction_ = false;
            return true;
        } catch (const DbError& e) {
            return Fail(e.what());
        }
    }

    const std::string& error() const override { return error_; }

  private:
    bool Fail(std::string text) {
        error_ = std::move(text);
        return false;
    }

    std::string SqliteError(const std::string& statement) const {
        return JetMessage(sqlite3_errmsg(db_.Handle())) + " (\"" + db_.Name() + "\": " + statement +
               ")";
    }

    int FieldIndex(const std::string& name) const {
        for (size_t i = 0; i < def_.fields.size(); ++i)
            if (EqualsNoCase(def_.fields[i].name, name))
                return static_cast<int>(i);
        return -1;
    }

    // By name when every result column names a field of the table, else by position. Two result
    // columns naming the same field leave no way to tell which value it takes.
    bool MapColumns(const std::vector<std::string>& columns) {
        targets_.clear();
        std::vector<bool> taken(def_.fields.size());
        for (const std::string& c : columns) {
            const int i = FieldIndex(c);
            if (i < 0)
                break;
            if (taken[static_cast<size_t>(i)])
                return Fail("The server's answer names the field \"" + c + "\" twice");
            taken[static_cast<size_t>(i)] = true;
            targets_.push_back(static_cast<size_t>(i));
        }
        if (!columns.empty() && targets_.size() == columns.size())
            return true;
        if (columns.size() > def_.fields.size()) {
            return Fail("The table \"" + def_.name + "\" has " +
                        std::to_string(def_.fields.size()) + " fields for " +
                        std::to_string(columns.size()) + " result columns");
        }
        targets_.clear();
        for (size_t i = 0; i < columns.size(); ++i)
            targets_.push_back(i);
        return true;
    }

    bool Bind(int index, const WireValue& value, FieldKind kind, const FieldDef& field) {
        if (value.type == 'N')
            return sqlite3_bind_null(stmt_, index) == SQLITE_OK;
        const bool isText = value.type == 'T' || value.type == 'D';
        if (kind != FieldKind::kNumber || !isText)
            return BindWire(index, value);
        WireValue number;
        if (!ParseNumber(Trim(value.text), number)) {
            return Fail("Data type conversion error: \"" + value.text +
                        "\" into the number field \"" + field.name + "\" of \"" + def_.name + "\"");
        }
        return BindWire(index, number);
    }

    // Binds a value with its own type; SQLite's column affinity turns a number bound for a text
    // field into its text.
    bool BindWire(int index, const WireValue& v) {
        int rc;
        if (v.type == 'I') {
            int64_t i = 0;
            std::from_chars(v.text.data(), v.text.data() + v.text.size(), i);
            rc = sqlite3_bind_int64(stmt_, index, i);
        } else if (v.type == 'F') {
            double d = 0;
            std::from_chars(v.text.data(), v.text.data() + v.text.size(), d);
            rc = sqlite3_bind_double(stmt_, index, d);
        } else {
            rc = sqlite3_bind_text(stmt_, index, v.text.data(), static_cast<int>(v.text.size()),
                                   SQLITE_TRANSIENT);
        }
        return rc == SQLITE_OK || Fail(SqliteError("bind"));
    }

    Database db_;
    TableDef def_;
    sqlite3_stmt* stmt_ = nullptr;
    bool inTransaction_ = false;
    std::vector<size_t> targets_;   // field index of each result column
    std::vector<FieldKind> kinds_;  // the kind of that field, read once per answer
    std::string error_;
};

}  // namespace

std::unique_ptr<ResultTable> OpenLocalResultTable(const std::string& dbFile,
                                                  const std::string& table, std::string& error) {
    try {
        Database db = OpenDatabase(dbFile);
        TableDef def = db.GetTableDef(table);
        return std::make_unique<LocalResultTable>(std::move(db), std::move(def));
    } catch (const std::exception& e) {
        error = e.what();
        return nullptr;
    }
}

}  // namespace terv::net
