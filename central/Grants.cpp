// Rights of requests by role.
#include "Grants.h"

#include "SqlTokens.h"

namespace terv::central {

namespace {

// Read by the login of every user, whatever its role.
constexpr int kLoginThemes[] = {kThemeDual, kThemeRoles, kThemeVariables, kThemeUsers};
// Written by the program of an operator: the export register and its log, the export marks on
// the parcels to survey, the survey results sent back.
constexpr int kWorkThemes[] = {kThemeExports,       kThemeExportLog,   kThemeSurveyParcels,
                               kThemeReturnParcels, kThemeReturnUses,  kThemeReturnRules,
                               kThemeReturnTrees,   kThemeReturnPhotos};
// Sequences are drawn with NEXTVAL only; users and roles are administered outside requests.
constexpr const char* kSequences = "TERV_SEQUENCES";

// Role 1 operates the program; 2 and above also maintain the reference tables and variables.
constexpr long long kOperator = 1;
constexpr long long kAdministrator = 2;

}  // namespace

Grants Grants::Plain() {
    Grants g;
    g.everything_ = true;
    return g;
}

Grants Grants::ForRole(const ThemeList& themes, const std::string& user, long long role) {
    Grants g;
    g.user_ = UpperAscii(user);
    g.users_table_ = UpperAscii(themes.Name(kThemeUsers, "TERVUTENTI"));
    auto set = [&](int theme, Right right) {
        const std::string name = UpperAscii(themes.Name(theme, ""));
        if (!name.empty())
            g.tables_[name] = right;
    };
    if (role < kOperator) {
        for (int theme : kLoginThemes)
            set(theme, Right::kRead);
        return g;
    }
    g.others_ = role >= kAdministrator ? Right::kWrite : Right::kRead;
    for (int theme : kWorkThemes)
        set(theme, Right::kWrite);
    set(kThemeUsers, Right::kRead);
    set(kThemeRoles, Right::kRead);
    set(kThemeVariables, role >= kAdministrator ? Right::kWrite : Right::kRead);
    g.tables_[kSequences] = Right::kRead;
    return g;
}

Right Grants::RightOn(const std::string& table) const {
    if (everything_)
        return Right::kWrite;
    auto it = tables_.find(UpperAscii(table));
    return it == tables_.end() ? others_ : it->second;
}

bool Grants::MayRead(const std::string& table, const std::string& column) const {
    if (everything_)
        return true;
    if (UpperAscii(table) == users_table_ && UpperAscii(column) == "PWD")
        return false;
    return RightOn(table) != Right::kNone;
}

bool Grants::MayWrite(const std::string& table) const {
    return RightOn(table) == Right::kWrite;
}

bool Grants::MayReadPasswordOf(const std::string& user) const {
    return everything_ || UpperAscii(user) == user_;
}

long long RoleOf(sqlite3* db, const ThemeList& themes, const std::string& user) {
    const std::string sql = "SELECT MAX(RUOLO) FROM main.\"" +
                            themes.Name(kThemeRoles, "GISUSERS") + "\" WHERE upper(USR)=upper(?1)";
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
        return 0;
    sqlite3_bind_text(stmt, 1, user.data(), static_cast<int>(user.size()), SQLITE_TRANSIENT);
    long long role = 0;
    if (sqlite3_step(stmt) == SQLITE_ROW)
        role = sqlite3_column_int64(stmt, 0);
    sqlite3_finalize(stmt);
    return role;
}

}  // namespace terv::central
