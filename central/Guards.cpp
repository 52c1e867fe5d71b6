// Authorizer, time limit and busy wait of the server's connections.
#include "Guards.h"

#include <thread>

#include "SqlTokens.h"

namespace terv::central {

namespace {

using Clock = std::chrono::steady_clock;

// SQLite built-ins the dialect's statements use with the central system's meaning (operators
// such as LIKE reach the authorizer as functions too).
const std::set<std::string> kBuiltins = {
    "ABS",  "AVG", "CEIL", "CEILING", "COALESCE", "COUNT",   "FLOOR", "IFNULL", "INSTR", "LENGTH",
    "LIKE", "MAX", "MIN",  "NULLIF",  "POWER",    "REPLACE", "ROUND", "SIGN",   "SQRT",  "SUM"};

// Functions known to the connection and not built into SQLite's core: extensions and the
// functions of the application.
std::set<std::string> NonCoreFunctions(sqlite3* db) {
    std::set<std::string> out;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT name FROM pragma_function_list WHERE builtin=0", -1, &stmt,
                           nullptr) != SQLITE_OK) {
        return out;
    }
    while (sqlite3_step(stmt) == SQLITE_ROW)
        out.insert(UpperAscii(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))));
    sqlite3_finalize(stmt);
    return out;
}

// A statement of the connection is running: a statement prepared now comes from one of the
// server's functions called by it.
bool InsideRunningStatement(sqlite3* db) {
    for (sqlite3_stmt* s = sqlite3_next_stmt(db, nullptr); s; s = sqlite3_next_stmt(db, s)) {
        if (sqlite3_stmt_busy(s))
            return true;
    }
    return false;
}

bool Is(const char* text, const char* value) {
    return text != nullptr && UpperAscii(text) == value;
}

int Allow(bool ok) {
    return ok ? SQLITE_OK : SQLITE_DENY;
}

}  // namespace

bool Guard::Install(sqlite3* db, std::string* error) {
    db_ = db;
    int off = 0, on = 1;
    if (sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, on, nullptr) != SQLITE_OK ||
        sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_FTS3_TOKENIZER, off, nullptr) != SQLITE_OK ||
        sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, off, nullptr) != SQLITE_OK) {
        *error = sqlite3_errmsg(db);
        return false;
    }
    sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, 0);
    sqlite3_limit(db, SQLITE_LIMIT_LENGTH,
                  static_cast<int>(std::min<long long>(limits_.max_value_bytes, 1000000000)));
    sqlite3_set_authorizer(db, &Guard::Authorize, this);
    sqlite3_progress_handler(db, 1000, &Guard::Progress, this);
    sqlite3_busy_handler(db, &Guard::Busy, this);
    builtin_before_ = NonCoreFunctions(db);
    return true;
}

bool Guard::Finish(std::string* error) {
    for (const std::string& name : NonCoreFunctions(db_)) {
        if (!builtin_before_.count(name))
            functions_.insert(name);
    }
    const int rc = sqlite3_create_function_v2(db_, kPasswordFunction, 1, SQLITE_UTF8, this,
                                              &Guard::PasswordFunction, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        *error = sqlite3_errmsg(db_);
        return false;
    }
    functions_.insert(UpperAscii(kPasswordFunction));
    return true;
}

void Guard::Arm(RequestScope scope) {
    LoadObjects();
    scope_ = std::move(scope);
    // Quick statements never look at their client.
    next_cancel_check_ = Clock::now() + std::chrono::milliseconds(100);
    Extend();
}

void Guard::Disarm() {
    scope_.reset();
}

void Guard::Extend() {
    deadline_ = Clock::now() + limits_.statement_time;
}

bool Guard::Checking() const {
    return scope_.has_value() && trusted_ == 0;
}

// The tables, views and triggers of the main schema, read again when the schema changed.
void Guard::LoadObjects() {
    sqlite3_stmt* stmt = nullptr;
    int version = -1;
    if (sqlite3_prepare_v2(db_, "PRAGMA main.schema_version", -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW) {
        version = sqlite3_column_int(stmt, 0);
    }
    sqlite3_finalize(stmt);
    if (version == schema_version_ && version >= 0)
        return;
    objects_.clear();
    if (sqlite3_prepare_v2(db_,
                           "SELECT type, name FROM main.sqlite_master WHERE type IN ('table', "
                           "'view', 'trigger') AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'",
                           -1, &stmt, nullptr) == SQLITE_OK) {
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            objects_[UpperAscii(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1)))] =
                reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
        }
    }
    sqlite3_finalize(stmt);
    schema_version_ = version;
}

std::string Guard::ObjectType(const char* name) const {
    if (name == nullptr)
        return "";
    auto it = objects_.find(UpperAscii(name));
    return it == objects_.end() ? "" : it->second;
}

bool Guard::FunctionAllowed(const std::string& name) const {
    const std::string upper = UpperAscii(name);
    return functions_.count(upper) || kBuiltins.count(upper);
}

int Guard::Authorize(void* self, int action, const char* a, const char* b, const char* db,
                     const char* inner) {
    Guard* g = static_cast<Guard*>(self);
    if (!g->Checking() || InsideRunningStatement(g->db_))
        return SQLITE_OK;
    return g->Check(action, a, b, db, inner);
}

int Guard::Check(int action, const char* a, const char* b, const char* db,
                 const char* inner) const {
    const Grants& grants = scope_->grants;
    const std::string inner_type = ObjectType(inner);
    const bool main_db = db == nullptr || Is(db, "MAIN");
    switch (action) {
        case SQLITE_SELECT:
        case SQLITE_RECURSIVE:
            return SQLITE_OK;
        case SQLITE_FUNCTION:
            return Allow(b != nullptr && FunctionAllowed(b));
        case SQLITE_PRAGMA:
            return Allow(Is(a, "TABLE_INFO") && main_db);
        case SQLITE_READ:
            // Inside a schema view (checked when the view itself was read) or trigger.
            if (inner_type == "view" || inner_type == "trigger")
                return SQLITE_OK;
            // A name without database is a WITH query or a read without columns (COUNT(*)).
            if (ObjectType(a).empty())
                return Allow(db == nullptr && UpperAscii(a ? a : "").rfind("SQLITE_", 0) != 0);
            return Allow(main_db && grants.MayRead(a, b ? b : ""));
        case SQLITE_INSERT:
        case SQLITE_UPDATE:
        case SQLITE_DELETE:
            if (inner_type == "trigger")
                return SQLITE_OK;
            return Allow(main_db && ObjectType(a) == "table" && grants.MayWrite(a));
        default:
            return SQLITE_DENY;
    }
}

int Guard::Progress(void* self) {
    Guard* g = static_cast<Guard*>(self);
    if (!g->scope_)
        return 0;
    const Clock::time_point now = Clock::now();
    if (now >= g->deadline_)
        return 1;
    if (now < g->next_cancel_check_)
        return 0;
    g->next_cancel_check_ = now + std::chrono::milliseconds(50);
    return g->scope_->cancelled && g->scope_->cancelled() ? 1 : 0;
}

int Guard::Busy(void* self, int count) {
    constexpr int kStepMs = 10;
    constexpr int kMaxWaitMs = 10000;
    Guard* g = static_cast<Guard*>(self);
    if (count * kStepMs >= kMaxWaitMs)
        return 0;
    if (g->scope_ &&
        (Clock::now() >= g->deadline_ || (g->scope_->cancelled && g->scope_->cancelled()))) {
        return 0;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(kStepMs));
    return 1;
}

// The password of a user (the login's DATOLOGIN function): within a session only its own.
void Guard::PasswordFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    Guard* g = static_cast<Guard*>(sqlite3_user_data(ctx));
    const char* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const std::string user = text ? text : "";
    if (g->scope_ && !g->scope_->grants.MayReadPasswordOf(user)) {
        sqlite3_result_error(ctx, "ORA-01031: insufficient privileges", -1);
        return;
    }
    const std::string sql = "SELECT PWD FROM main.\"" + g->ctx_->users_table +
                            "\" WHERE upper(UTENTE)=upper(?1) AND PWD IS NOT NULL LIMIT 1";
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(g->db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
        sqlite3_result_error(ctx, "ORA-00942: table or view does not exist", -1);
        return;
    }
    sqlite3_bind_text(stmt, 1, user.data(), static_cast<int>(user.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(stmt) == SQLITE_ROW) {
        sqlite3_result_value(ctx, sqlite3_column_value(stmt, 0));
    } else {
        sqlite3_result_null(ctx);
    }
    sqlite3_finalize(stmt);
}

}  // namespace terv::central
