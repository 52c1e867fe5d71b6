// Result rows into a table of a local database, through the local-database layer.
//
// The rows of one answer are added inside one transaction with one prepared INSERT. Result
// columns are matched to the table's fields by name when every result column names a field,
// otherwise by position. Values keep their type: Null stays Null, numbers go into number fields
// as numbers; a number bound for a text field becomes its text, a numeric text bound for a number
// field becomes its number, as the Access engine converts them. The values are tested against
// the fields' checks here (FieldPrecheck.h), and the table's own checks are switched off for
// the answer until a value comes that this test cannot vouch for.
#include <sqlite3.h>

#include <charconv>
#include <memory>
#include <string>

#include "FieldPrecheck.h"
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
    if (auto r = std::from_chars(first, last, out.integer); r.ec == std::errc() && r.ptr == last) {
        out.type = 'I';
        return true;
    }
    if (auto r = std::from_chars(first, last, out.real); r.ec == std::errc() && r.ptr == last) {
        out.type = 'F';
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
        if (checksLeft_)
            SetTableChecks(true);
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
        prechecks_.clear();
        for (size_t target : targets_) {
            kinds_.push_back(KindOf(def_.fields[target].type));
            prechecks_.emplace_back(def_.fields[target]);
        }
        numbers_.resize(targets_.size());
        // The statement is compiled with or without the table's checks: decided before it.
        if (ChecksCanBeLeft() && SetTableChecks(false))
            checksLeft_ = true;
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
        bool vouched = true;
        for (size_t i = 0; i < row.size(); ++i) {
            const WireValue* bound = Converted(row[i], i);
            if (!bound || !BindWire(static_cast<int>(i) + 1, *bound))
                return false;
            vouched = vouched && (!checksLeft_ || prechecks_[i].Passes(*bound));
        }
        // From the first row the test cannot vouch for, the table's checks judge every row.
        if (!vouched) {
            if (!SetTableChecks(true))
                return Fail(SqliteError("PRAGMA ignore_check_constraints"));
            checksLeft_ = false;
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
        if (checksLeft_ && !SetTableChecks(true))
            return Fail(SqliteError("PRAGMA ignore_check_constraints"));
        checksLeft_ = false;
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

    // The value of result column `i` as it is bound: a text bound for a number field becomes its
    // number. Nullptr (and error()) when the text is not a number.
    const WireValue* Converted(const WireValue& value, size_t i) {
        const bool isText = value.type == 'T' || value.type == 'D';
        if (kinds_[i] != FieldKind::kNumber || !isText)
            return &value;
        if (ParseNumber(Trim(value.text), numbers_[i]))
            return &numbers_[i];
        Fail("Data type conversion error: \"" + value.text + "\" into the number field \"" +
             def_.fields[targets_[i]].name + "\" of \"" + def_.name + "\"");
        return nullptr;
    }

    // Whether every check of the table is a field check that FieldPrecheck knows, and no field
    // left out of the rows takes a default that its check would have to judge.
    bool ChecksCanBeLeft() const {
        std::vector<std::string> names;
        std::vector<FieldCheck> checks;
        std::vector<bool> bound(def_.fields.size());
        for (size_t target : targets_)
            bound[target] = true;
        for (size_t i = 0; i < def_.fields.size(); ++i) {
            const FieldDef& f = def_.fields[i];
            names.push_back(f.name);
            checks.push_back(FieldCheckOf(f.type));
            if (!bound[i] && !f.defaultValue.empty() &&
                checks.back().test != FieldCheck::Test::kNone)
                return false;
        }
        return OnlyFieldChecks(CreateSql(), names, checks);
    }

    // The CREATE TABLE statement the database keeps for the table; empty when not found.
    std::string CreateSql() const {
        sqlite3_stmt* st = nullptr;
        std::string sql;
        if (sqlite3_prepare_v2(db_.Handle(),
                               "SELECT sql FROM sqlite_master WHERE type = 'table' AND "
                               "name = ? COLLATE NOCASE",
                               -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_bind_text(st, 1, def_.name.c_str(), -1, SQLITE_STATIC) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW && sqlite3_column_text(st, 0)) {
            sql = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        }
        sqlite3_finalize(st);
        return sql;
    }

    // Switches the table's checks on or off for the statements compiled from now on; a
    // statement compiled before is compiled again at its next step.
    bool SetTableChecks(bool on) {
        const char* sql =
            on ? "PRAGMA ignore_check_constraints = OFF" : "PRAGMA ignore_check_constraints = ON";
        return sqlite3_exec(db_.Handle(), sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    }

    // Binds a value with its own type; SQLite's column affinity turns a number bound for a text
    // field into its text. Texts are not copied: the row outlives the statement's step.
    bool BindWire(int index, const WireValue& v) {
        int rc;
        if (v.type == 'N')
            rc = sqlite3_bind_null(stmt_, index);
        else if (v.type == 'I')
            rc = sqlite3_bind_int64(stmt_, index, v.integer);
        else if (v.type == 'F')
            rc = sqlite3_bind_double(stmt_, index, v.real);
        else
            rc = sqlite3_bind_text(stmt_, index, v.text.data(), static_cast<int>(v.text.size()),
                                   SQLITE_STATIC);
        return rc == SQLITE_OK || Fail(SqliteError("bind"));
    }

    Database db_;
    TableDef def_;
    sqlite3_stmt* stmt_ = nullptr;
    bool inTransaction_ = false;
    std::vector<size_t> targets_;           // field index of each result column
    std::vector<FieldKind> kinds_;          // the kind of that field, read once per answer
    std::vector<FieldPrecheck> prechecks_;  // the test of that field's checks
    std::vector<WireValue> numbers_;        // texts of that column turned into numbers
    bool checksLeft_ = false;               // the table's checks are off, values tested here
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
