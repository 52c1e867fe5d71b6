#include "JetSql.h"

#include <algorithm>
#include <cctype>

#include "JetErrors.h"
#include "JetQuery.h"
#include "JetTokens.h"

namespace terv {

namespace {

// Prefixes of the names of the field checks; an SQLite error naming one becomes Jet's text.
constexpr const char* kSizeCheck = "jet_size ";
constexpr const char* kTypeCheck = "jet_type ";
constexpr const char* kRangeCheck = "jet_range ";

enum class Kind { kText, kMemo, kWhole, kReal, kDate, kYesNo, kCounter, kBinary };

struct JetType {
    Kind kind;
    const char* sqliteType;    // nullptr: keep the declared name
    double low = 0, high = 0;  // range of whole numbers
};

bool TypeOf(const std::string& declared, JetType& out) {
    const std::string u = Upper(declared);
    auto any = [&](std::initializer_list<const char*> names) {
        for (const char* n : names)
            if (u == n)
                return true;
        return false;
    };
    if (any({"TEXT", "CHAR", "VARCHAR", "CHARACTER", "STRING", "ALPHANUMERIC", "NCHAR", "NVARCHAR",
             "NTEXT"}))
        out = {Kind::kText, u == "STRING" || u == "ALPHANUMERIC" ? "TEXT" : nullptr};
    else if (any({"MEMO", "NOTE", "LONGTEXT", "LONGCHAR", "HYPERLINK"}))
        out = {Kind::kMemo, "LONGTEXT"};
    else if (any({"BYTE", "TINYINT", "INTEGER1"}))
        out = {Kind::kWhole, nullptr, 0, 255};
    else if (any({"SHORT", "SMALLINT", "INTEGER2"}))
        out = {Kind::kWhole, nullptr, -32768, 32767};
    else if (any({"LONG", "INT", "INTEGER", "INTEGER4"}))
        out = {Kind::kWhole, nullptr, -2147483648.0, 2147483647.0};
    else if (any({"COUNTER", "AUTOINCREMENT", "IDENTITY"}))
        out = {Kind::kCounter, "INTEGER"};
    else if (any({"DOUBLE", "FLOAT", "FLOAT8", "IEEEDOUBLE", "NUMBER", "SINGLE", "FLOAT4",
                  "IEEESINGLE", "REAL", "CURRENCY", "MONEY", "NUMERIC", "DECIMAL", "DEC"}))
        out = {Kind::kReal, u == "NUMBER" || u == "IEEEDOUBLE" ? "DOUBLE"
                            : u == "IEEESINGLE"                ? "SINGLE"
                                                               : nullptr};
    else if (any({"DATETIME", "DATE", "TIME", "TIMESTAMP"}))
        out = {Kind::kDate, nullptr};
    else if (any({"YESNO", "BIT", "LOGICAL", "LOGICAL1", "BOOLEAN"}))
        out = {Kind::kYesNo, nullptr};
    else if (any({"BINARY", "VARBINARY", "LONGBINARY", "OLEOBJECT", "GENERAL", "IMAGE", "GUID",
                  "UNIQUEIDENTIFIER"}))
        out = {Kind::kBinary, nullptr};
    else
        return false;
    return true;
}

std::string Check(const char* prefix, const std::string& bare, const std::string& test) {
    return " CONSTRAINT [" + std::string(prefix) + bare + "] CHECK (" + test + ")";
}

// The checks that give a field Jet's width and type.
std::string Checks(const JetType& type, const std::string& field, const std::string& bare,
                   int size) {
    const std::string ok = field + " IS NULL OR ";
    switch (type.kind) {
        case Kind::kText:
            return Check(kSizeCheck, bare, ok + "length(" + field + ") <= " + std::to_string(size));
        case Kind::kWhole:
            return Check(kTypeCheck, bare, ok + "typeof(" + field + ") = 'integer'") +
                   Check(kRangeCheck, bare,
                         ok + field + " BETWEEN " +
                             std::to_string(static_cast<long long>(type.low)) + " AND " +
                             std::to_string(static_cast<long long>(type.high)));
        case Kind::kReal:
            return Check(kTypeCheck, bare, ok + "typeof(" + field + ") IN ('integer', 'real')");
        case Kind::kDate:
            return Check(kTypeCheck, bare,
                         ok + field +
                             " GLOB '[0-9][0-9][0-9][0-9]-[01][0-9]-[0-3][0-9] "
                             "[0-2][0-9]:[0-5][0-9]:[0-5][0-9]'");
        case Kind::kYesNo:
            return Check(kTypeCheck, bare, ok + field + " IN (-1, 0)");
        default:
            return "";
    }
}

bool StartsConstraint(const Token& t) {
    return Is(t, "CONSTRAINT") || Is(t, "PRIMARY") || Is(t, "UNIQUE") || Is(t, "FOREIGN") ||
           Is(t, "CHECK");
}

// Index of the last significant token in [b, e); e when none.
size_t LastToken(const std::vector<Token>& t, size_t b, size_t e) {
    for (size_t k = e; k > b; --k)
        if (!Skippable(t[k - 1]))
            return k - 1;
    return e;
}

bool HasWord(const std::vector<Token>& t, size_t b, size_t e, const char* word) {
    for (size_t k = b; k < e; ++k)
        if (Is(t[k], word))
            return true;
    return false;
}

struct Range {
    size_t begin, end;  // tokens of one field or constraint, without the comma
    size_t comma;       // the comma before it, or begin for the first
};

// Rewrites one field definition; returns whether it is a counter.
bool RewriteColumn(std::vector<Token>& t, size_t b, size_t e) {
    size_t name = Next(t, b);
    size_t type = Next(t, name + 1);
    if (type >= e || !IsName(t[name]) || t[type].kind != Tok::kWord)
        throw JetSqlError(jet_error::SyntaxError("field definition"));
    JetType jt;
    if (!TypeOf(t[type].text, jt))
        throw JetSqlError(jet_error::SyntaxError("field definition"));
    if (jt.sqliteType)
        t[type].text = jt.sqliteType;
    size_t after = type;  // last token of the type, its size included
    int size = 255;
    size_t open = Next(t, type + 1);
    if (open < e && IsPunct(t[open], "(")) {
        size_t close = open;
        while (close < e && !IsPunct(t[close], ")"))
            ++close;
        size_t number = Next(t, open + 1);
        if (close >= e || jt.kind != Kind::kText || t[number].kind != Tok::kNumber)
            throw JetSqlError(jet_error::SyntaxError("field definition"));
        size = std::atoi(t[number].text.c_str());
        if (size < 1 || size > 255)
            throw JetSqlError("Size of field '" + NameOf(t[name]) + "' is too long.");
        after = close;
    }
    const bool text = jt.kind == Kind::kText || jt.kind == Kind::kMemo;
    if (text && !HasWord(t, type, e, "COLLATE"))
        t[after].text += " COLLATE NOCASE";
    if (jt.kind == Kind::kCounter) {
        size_t key = e;
        for (size_t k = type; k < e; ++k)
            if (Is(t[k], "KEY"))
                key = k;
        if (key < e)
            t[key].text += " AUTOINCREMENT";
        else
            t[after].text += " PRIMARY KEY AUTOINCREMENT";
        return true;
    }
    size_t last = LastToken(t, b, e);
    t[last].text += Checks(jt, t[name].text, NameOf(t[name]), size);
    return false;
}

std::vector<Range> Items(const std::vector<Token>& t, size_t open, size_t& close) {
    std::vector<Range> items;
    int depth = 0;
    size_t start = open + 1, comma = open + 1;
    for (size_t i = open; i < t.size(); ++i) {
        if (IsPunct(t[i], "(")) {
            ++depth;
        } else if (IsPunct(t[i], ")") && --depth == 0) {
            items.push_back({start, i, comma});
            close = i;
            return items;
        } else if (depth == 1 && IsPunct(t[i], ",")) {
            items.push_back({start, i, comma});
            comma = i;
            start = i + 1;
        }
    }
    throw JetSqlError(jet_error::SyntaxError("CREATE TABLE statement"));
}

// The fields of a PRIMARY KEY (...) table constraint in [b, e); empty when it is none.
std::vector<std::string> KeyFields(const std::vector<Token>& t, size_t b, size_t e) {
    std::vector<std::string> fields;
    for (size_t k = b; k < e; ++k) {
        if (!Is(t[k], "PRIMARY"))
            continue;
        for (size_t j = k; j < e; ++j)
            if (IsName(t[j]) && !Is(t[j], "PRIMARY") && !Is(t[j], "KEY"))
                fields.push_back(NameOf(t[j]));
    }
    return fields;
}

// The field definitions inside the parentheses that open at token `open`.
void RewriteColumnList(std::vector<Token>& t, size_t open) {
    size_t close = 0;
    std::vector<Range> items = Items(t, open, close);
    std::string counter;
    std::vector<Range> keys;
    size_t inlineKeys = 0;
    for (const Range& r : items) {
        size_t first = Next(t, r.begin);
        if (first < r.end && StartsConstraint(t[first])) {
            if (!KeyFields(t, r.begin, r.end).empty())
                keys.push_back(r);
            continue;
        }
        if (HasWord(t, r.begin, r.end, "PRIMARY"))
            ++inlineKeys;
        if (RewriteColumn(t, r.begin, r.end)) {
            if (!counter.empty())
                throw JetSqlError(jet_error::NotSupported("two COUNTER fields in one table"));
            counter = NameOf(t[first]);
            inlineKeys += HasWord(t, r.begin, r.end, "PRIMARY") ? 0 : 1;
        }
    }
    if (counter.empty())
        return;
    // The counter is the primary key: a key constraint on it alone goes, any other is refused.
    for (const Range& r : keys) {
        std::vector<std::string> fields = KeyFields(t, r.begin, r.end);
        if (fields.size() != 1 || !EqualNoCase(fields[0], counter))
            throw JetSqlError(jet_error::NotSupported("a COUNTER field outside the primary key"));
        // The comma before it goes too, or the one after it when it comes first.
        size_t to = r.comma == r.begin && IsPunct(t[r.end], ",") ? r.end + 1 : r.end;
        for (size_t k = r.comma; k < to; ++k)
            t[k].text.clear();
    }
    if (inlineKeys > 1)
        throw JetSqlError(jet_error::NotSupported("a COUNTER field outside the primary key"));
}

void RewriteCreateTable(std::vector<Token>& t, size_t tableWord) {
    size_t name = Next(t, tableWord + 1);
    size_t open = Next(t, name + 1);
    if (open < t.size() && IsPunct(t[open], "("))
        RewriteColumnList(t, open);
}

void RewriteAlterTable(std::vector<Token>& t, size_t tableWord) {
    size_t name = Next(t, tableWord + 1);
    size_t add = Next(t, name + 1);
    if (add >= t.size() || !Is(t[add], "ADD"))
        return;
    size_t col = Next(t, add + 1);
    if (col < t.size() && Is(t[col], "COLUMN"))
        col = Next(t, col + 1);
    if (col < t.size() && !Is(t[col], "CONSTRAINT") && RewriteColumn(t, col, t.size()))
        throw JetSqlError(jet_error::NotSupported("adding a COUNTER field"));
}

// "INDEX name ON table": renames the index to its per-table SQLite name and gives the place of
// the name and of the table; false when the words do not follow that form.
bool QualifyIndexName(std::vector<Token>& t, size_t indexWord, size_t& name, size_t& table) {
    name = Next(t, indexWord + 1);
    const size_t on = Next(t, name + 1);
    table = Next(t, on + 1);
    if (table >= t.size() || !IsName(t[name]) || !Is(t[on], "ON") || !IsName(t[table]))
        return false;
    t[name] = {Tok::kBracket, QuoteName(SqliteIndexName(NameOf(t[table]), NameOf(t[name])))};
    return true;
}

// CREATE [UNIQUE] INDEX name ON table (...) [WITH ...]
void RewriteCreateIndex(std::vector<Token>& t, size_t create, size_t indexWord) {
    size_t name = 0, table = 0;
    if (!QualifyIndexName(t, indexWord, name, table))
        return;
    size_t close = table;
    while (close < t.size() && !IsPunct(t[close], ")"))
        ++close;
    size_t with = Next(t, close + 1);
    if (close >= t.size() || with >= t.size() || !Is(t[with], "WITH"))
        return;
    bool primary = false;
    for (size_t k = with; k < t.size(); ++k) {
        if (Is(t[k], "PRIMARY"))
            primary = true;
        t[k].text.clear();
    }
    if (primary && !Is(t[Next(t, create + 1)], "UNIQUE"))
        t[create].text += " UNIQUE";
}

// DROP INDEX name ON table
void RewriteDropIndex(std::vector<Token>& t, size_t indexWord) {
    size_t name = 0, table = 0;
    if (!QualifyIndexName(t, indexWord, name, table))
        return;
    for (size_t k = name + 1; k <= table; ++k)
        t[k].text.clear();
}

// CREATE, ALTER and DROP statements: rewritten in place, token by token.
std::string RewriteDefinition(std::vector<Token>& t) {
    for (Token& tok : t)
        if (tok.kind == Tok::kDQuote)
            tok = {Tok::kSQuote, SingleQuoted(tok.text)};
    size_t first = Next(t, 0);
    size_t second = Next(t, first + 1);
    size_t third = second < t.size() ? Next(t, second + 1) : t.size();
    if (second >= t.size())
        return Join(t);
    if (Is(t[first], "CREATE")) {
        if (Is(t[second], "TABLE"))
            RewriteCreateTable(t, second);
        if (Is(t[second], "INDEX"))
            RewriteCreateIndex(t, first, second);
        if (Is(t[second], "UNIQUE") && third < t.size() && Is(t[third], "INDEX"))
            RewriteCreateIndex(t, first, third);
    } else if (Is(t[first], "ALTER") && Is(t[second], "TABLE")) {
        RewriteAlterTable(t, second);
    } else if (Is(t[first], "DROP") && Is(t[second], "INDEX")) {
        RewriteDropIndex(t, second);
    }
    return Join(t);
}

}  // namespace

RewrittenSql RewriteJetStatement(std::string_view sql, const ColumnLookup& columns) {
    std::vector<Token> t = Tokenize(sql);
    size_t first = Next(t, 0);
    if (first < t.size() &&
        (Is(t[first], "CREATE") || Is(t[first], "ALTER") || Is(t[first], "DROP")))
        return {RewriteDefinition(t), ""};
    std::vector<Token> significant;
    for (Token& tok : t)
        if (!Skippable(tok))
            significant.push_back(std::move(tok));
    return RewriteJetQuery(std::move(significant), columns);
}

std::string RewriteJetSql(std::string_view sql, const ColumnLookup& columns) {
    RewrittenSql r = RewriteJetStatement(sql, columns);
    if (!r.intoTable.empty())
        throw JetSqlError("Cannot open an action query.");
    return r.sql;
}

bool UpdatableSource(std::string_view sql, std::string& table, std::string& withRowid) {
    std::vector<Token> t = Tokenize(sql);
    size_t select = Next(t, 0);
    if (select >= t.size() || !Is(t[select], "SELECT"))
        return false;
    int depth = 0;
    size_t from = t.size();
    for (size_t i = select + 1; i < t.size() && from == t.size(); ++i) {
        if (IsPunct(t[i], "("))
            ++depth;
        if (IsPunct(t[i], ")"))
            --depth;
        if (depth != 0)
            continue;
        for (const char* w : {"DISTINCT", "ALL", "COUNT", "SUM", "MAX", "MIN", "AVG", "FIRST",
                              "LAST", "TOTAL", "GROUP_CONCAT"})
            if (Is(t[i], w))
                return false;
        if (Is(t[i], "FROM"))
            from = i;
    }
    size_t name = Next(t, from + 1);
    if (name >= t.size() || !IsName(t[name]))
        return false;
    size_t k = Next(t, name + 1);
    std::string qualifier = t[name].kind == Tok::kBracket ? t[name].text : QuoteName(t[name].text);
    if (k < t.size() && Is(t[k], "AS"))
        k = Next(t, k + 1);
    if (k < t.size() && IsName(t[k]) && !Is(t[k], "WHERE") && !Is(t[k], "ORDER") &&
        !Is(t[k], "LIMIT")) {
        qualifier = t[k].text;
        k = Next(t, k + 1);
    }
    depth = 0;
    for (size_t i = k; i < t.size(); ++i) {
        if (IsPunct(t[i], "("))
            ++depth;
        if (IsPunct(t[i], ")"))
            --depth;
        if (depth == 0 && (IsPunct(t[i], ",") || Is(t[i], "JOIN") || Is(t[i], "GROUP") ||
                           Is(t[i], "UNION") || Is(t[i], "INTERSECT") || Is(t[i], "EXCEPT")))
            return false;
    }
    if (k < t.size() && !Is(t[k], "WHERE") && !Is(t[k], "ORDER") && !Is(t[k], "LIMIT") &&
        !IsPunct(t[k], ";"))
        return false;
    table = NameOf(t[name]);
    t[select].text += " " + qualifier + ".rowid,";
    withRowid = Join(t);
    return true;
}

std::string SqliteIndexName(std::string_view table, std::string_view index) {
    return std::string(table) + "." + std::string(index);
}

bool IsTextType(std::string_view declaredType) {
    std::string u = Upper(declaredType);
    return u.find("CHAR") != std::string::npos || u.find("TEXT") != std::string::npos ||
           u.find("CLOB") != std::string::npos || u == "MEMO" || u == "NOTE" || u == "STRING";
}

std::string QuoteName(std::string_view name) {
    if (name.find(']') != std::string_view::npos)
        throw JetSqlError("invalid name '" + std::string(name) + "'");
    return "[" + std::string(name) + "]";
}

namespace {

// "index T.I already exists": a second index named I on table T.
bool DuplicateIndex(const std::string& sqliteMessage, std::string& table, std::string& index) {
    const std::string head = "index ", tail = " already exists";
    if (sqliteMessage.size() <= head.size() + tail.size() || sqliteMessage.rfind(head, 0) != 0 ||
        sqliteMessage.compare(sqliteMessage.size() - tail.size(), tail.size(), tail) != 0)
        return false;
    const std::string name =
        sqliteMessage.substr(head.size(), sqliteMessage.size() - head.size() - tail.size());
    const size_t dot = name.find('.');
    if (dot == std::string::npos)
        return false;
    table = name.substr(0, dot);
    index = name.substr(dot + 1);
    return true;
}

}  // namespace

std::string JetMessage(const std::string& sqliteMessage) {
    std::string table, index;
    if (DuplicateIndex(sqliteMessage, table, index))
        return jet_error::IndexExists(table, index);
    const std::string failed = "CHECK constraint failed: ";
    if (sqliteMessage.compare(0, failed.size(), failed) != 0)
        return sqliteMessage;
    std::string name = sqliteMessage.substr(failed.size());
    auto starts = [&](const char* prefix) { return name.rfind(prefix, 0) == 0; };
    if (starts(kSizeCheck))
        return jet_error::kFieldTooSmall;
    if (starts(kTypeCheck))
        return jet_error::kTypeMismatch;
    if (starts(kRangeCheck))
        return jet_error::kOverflow;
    return sqliteMessage;
}

FieldCheck FieldCheckOf(std::string_view declaredType) {
    const size_t open = declaredType.find('(');
    std::string_view word = declaredType.substr(0, open);
    while (!word.empty() && word.back() == ' ')
        word.remove_suffix(1);
    JetType jt;
    if (!TypeOf(std::string(word), jt))
        return {};
    switch (jt.kind) {
        case Kind::kText: {
            const int size =
                open == std::string_view::npos ? 255 : std::atoi(declaredType.data() + open + 1);
            return {FieldCheck::Test::kSize, size};
        }
        case Kind::kWhole:
            return {FieldCheck::Test::kWhole, 0, static_cast<int64_t>(jt.low),
                    static_cast<int64_t>(jt.high)};
        case Kind::kReal:
            return {FieldCheck::Test::kReal};
        case Kind::kDate:
            return {FieldCheck::Test::kDate};
        case Kind::kYesNo:
            return {FieldCheck::Test::kYesNo};
        default:
            return {};
    }
}

bool OnlyFieldChecks(std::string_view createSql, const std::vector<std::string>& fields,
                     const std::vector<FieldCheck>& checks) {
    std::vector<std::string> expected, found;
    for (size_t i = 0; i < fields.size(); ++i) {
        switch (checks[i].test) {
            case FieldCheck::Test::kNone:
                break;
            case FieldCheck::Test::kSize:
                expected.push_back(kSizeCheck + fields[i]);
                break;
            case FieldCheck::Test::kWhole:
                expected.push_back(kRangeCheck + fields[i]);
                [[fallthrough]];
            default:
                expected.push_back(kTypeCheck + fields[i]);
        }
    }
    // Each CHECK must follow "CONSTRAINT [name]"; an unnamed one is not the layer's.
    const std::vector<Token> t = Tokenize(createSql);
    for (size_t i = 0; i < t.size(); ++i) {
        if (!Is(t[i], "CHECK"))
            continue;
        const size_t name = LastToken(t, 0, i);
        const size_t constraint = LastToken(t, 0, name);
        if (name == i || constraint == name || t[name].kind != Tok::kBracket ||
            !Is(t[constraint], "CONSTRAINT"))
            return false;
        found.push_back(NameOf(t[name]));
    }
    std::sort(expected.begin(), expected.end());
    std::sort(found.begin(), found.end());
    return expected == found;
}

}  // namespace terv
