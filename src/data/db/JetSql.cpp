#include "JetSql.h"

#include <cctype>

namespace terv {

namespace {

enum class Tok { kSpace, kWord, kBracket, kDQuote, kSQuote, kNumber, kPunct, kComment };

struct Token {
    Tok kind;
    std::string text;
};

bool IsWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' ||
           static_cast<unsigned char>(c) >= 0x80;
}

// Splits at token boundaries; the concatenation of the token texts is the input.
std::vector<Token> Tokenize(std::string_view s) {
    std::vector<Token> out;
    size_t i = 0;
    const size_t n = s.size();
    auto quoted = [&](char close) {
        size_t j = i + 1;
        while (j < n) {
            if (s[j] == close) {
                if (close != ']' && j + 1 < n && s[j + 1] == close) {
                    j += 2;
                    continue;
                }
                return j + 1;
            }
            ++j;
        }
        return n;
    };
    while (i < n) {
        char c = s[i];
        size_t j = i + 1;
        Tok kind = Tok::kPunct;
        if (std::isspace(static_cast<unsigned char>(c))) {
            while (j < n && std::isspace(static_cast<unsigned char>(s[j])))
                ++j;
            kind = Tok::kSpace;
        } else if (c == '-' && i + 1 < n && s[i + 1] == '-') {
            while (j < n && s[j] != '\n')
                ++j;
            kind = Tok::kComment;
        } else if (c == '/' && i + 1 < n && s[i + 1] == '*') {
            size_t end = s.find("*/", i + 2);
            j = end == std::string_view::npos ? n : end + 2;
            kind = Tok::kComment;
        } else if (c == '\'') {
            j = quoted('\'');
            kind = Tok::kSQuote;
        } else if (c == '"') {
            j = quoted('"');
            kind = Tok::kDQuote;
        } else if (c == '[') {
            j = quoted(']');
            kind = Tok::kBracket;
        } else if (std::isdigit(static_cast<unsigned char>(c)) ||
                   (c == '.' && i + 1 < n && std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
            while (j < n && (std::isalnum(static_cast<unsigned char>(s[j])) || s[j] == '.'))
                ++j;
            kind = Tok::kNumber;
        } else if (IsWordChar(c)) {
            while (j < n && IsWordChar(s[j]))
                ++j;
            kind = Tok::kWord;
        } else if (i + 1 < n) {
            std::string_view two = s.substr(i, 2);
            if (two == "<>" || two == "<=" || two == ">=" || two == "||" || two == "!=" ||
                two == "==")
                j = i + 2;
        }
        out.push_back({kind, std::string(s.substr(i, j - i))});
        i = j;
    }
    return out;
}

bool Is(const Token& t, std::string_view word) {
    if (t.kind != Tok::kWord || t.text.size() != word.size())
        return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(t.text[i])) != word[i])
            return false;
    return true;
}

bool IsPunct(const Token& t, std::string_view p) {
    return t.kind == Tok::kPunct && t.text == p;
}

bool Skippable(const Token& t) {
    return t.kind == Tok::kSpace || t.kind == Tok::kComment;
}

// Index of the next token at or after i that is not blank or comment; tokens.size() if none.
size_t Next(const std::vector<Token>& t, size_t i) {
    while (i < t.size() && Skippable(t[i]))
        ++i;
    return i;
}

bool IsName(const Token& t) {
    return t.kind == Tok::kWord || t.kind == Tok::kBracket;
}

// The bare name of an identifier token ([x] gives x).
std::string NameOf(const Token& t) {
    if (t.kind == Tok::kBracket)
        return t.text.substr(1, t.text.size() >= 2 ? t.text.size() - 2 : 0);
    return t.text;
}

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    return Upper(a) == Upper(b);
}

// '...' from the content of a Jet "..." literal.
std::string SingleQuoted(const std::string& dq) {
    std::string body = dq.substr(1, dq.size() >= 2 ? dq.size() - 2 : 0);
    std::string out = "'";
    for (size_t i = 0; i < body.size(); ++i) {
        if (body[i] == '"' && i + 1 < body.size() && body[i + 1] == '"') {
            out += '"';
            ++i;
        } else if (body[i] == '\'') {
            out += "''";
        } else {
            out += body[i];
        }
    }
    return out + "'";
}

void RewriteLiteralsAndWords(std::vector<Token>& t) {
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i].kind == Tok::kDQuote) {
            t[i] = {Tok::kSQuote, SingleQuoted(t[i].text)};
        } else if (Is(t[i], "DISTINCTROW")) {
            t[i] = {Tok::kSpace, ""};
        } else if (Is(t[i], "LIKE")) {
            size_t j = Next(t, i + 1);
            if (j < t.size() && (t[j].kind == Tok::kSQuote || t[j].kind == Tok::kDQuote)) {
                if (t[j].kind == Tok::kDQuote)
                    t[j] = {Tok::kSQuote, SingleQuoted(t[j].text)};
                for (char& c : t[j].text) {
                    if (c == '*')
                        c = '%';
                    if (c == '?')
                        c = '_';
                }
            }
        }
    }
}

// Maps Jet type names whose SQLite affinity would be wrong onto equivalent names.
std::string MapType(const std::string& type) {
    std::string u = Upper(type);
    if (u == "MEMO" || u == "NOTE" || u == "LONGCHAR" || u == "HYPERLINK")
        return "LONGTEXT";
    if (u == "STRING" || u == "ALPHANUMERIC")
        return "TEXT";
    if (u == "SINGLE" || u == "IEEESINGLE")
        return "FLOAT";
    if (u == "IEEEDOUBLE" || u == "NUMBER")
        return "DOUBLE";
    return type;
}

// Rewrites one column definition running from token b to e (exclusive).
void RewriteColumn(std::vector<Token>& t, size_t b, size_t e) {
    size_t name = Next(t, b);
    if (name >= e)
        return;
    if (Is(t[name], "CONSTRAINT") || Is(t[name], "PRIMARY") || Is(t[name], "UNIQUE") ||
        Is(t[name], "FOREIGN") || Is(t[name], "CHECK"))
        return;
    size_t type = Next(t, name + 1);
    if (type >= e || t[type].kind != Tok::kWord)
        return;
    t[type].text = MapType(t[type].text);
    if (!IsTextType(t[type].text))
        return;
    for (size_t k = type; k < e; ++k)
        if (Is(t[k], "COLLATE"))
            return;
    size_t after = type;  // last token of the type, its size included
    size_t open = Next(t, type + 1);
    if (open < e && IsPunct(t[open], "(")) {
        size_t close = open;
        while (close < e && !IsPunct(t[close], ")"))
            ++close;
        if (close < e)
            after = close;
    }
    t[after].text += " COLLATE NOCASE";
}

// Rewrites the column definitions inside the parentheses that open at token `open`.
void RewriteColumnList(std::vector<Token>& t, size_t open) {
    int depth = 0;
    size_t start = open + 1;
    for (size_t i = open; i < t.size(); ++i) {
        if (IsPunct(t[i], "(")) {
            ++depth;
        } else if (IsPunct(t[i], ")")) {
            if (--depth == 0) {
                RewriteColumn(t, start, i);
                return;
            }
        } else if (depth == 1 && IsPunct(t[i], ",")) {
            RewriteColumn(t, start, i);
            start = i + 1;
        }
    }
}

void RewriteCreateTable(std::vector<Token>& t, size_t tableWord) {
    size_t name = Next(t, tableWord + 1);
    if (name >= t.size())
        return;
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
    if (col < t.size() && !Is(t[col], "CONSTRAINT"))
        RewriteColumn(t, col, t.size());
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

std::string JoinNames(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& n : names) {
        if (!out.empty())
            out += ",";
        out += QuoteName(n);
    }
    return out;
}

// INSERT INTO X SELECT * FROM Y ...: the columns of Y, by name.
void RewriteInsertSelectStar(std::vector<Token>& t, size_t insert, const ColumnLookup& columns) {
    size_t into = Next(t, insert + 1);
    size_t target = Next(t, into + 1);
    size_t select = Next(t, target + 1);
    size_t star = Next(t, select + 1);
    size_t from = Next(t, star + 1);
    size_t source = Next(t, from + 1);
    if (source >= t.size() || !Is(t[into], "INTO") || !IsName(t[target]) ||
        !Is(t[select], "SELECT") || !IsPunct(t[star], "*") || !Is(t[from], "FROM") ||
        !IsName(t[source]) || !columns)
        return;
    std::vector<std::string> src = columns(NameOf(t[source]));
    std::vector<std::string> dst = columns(NameOf(t[target]));
    if (src.empty())
        return;  // not a table: let SQLite report it
    if (dst.empty())
        throw JetSqlError("unknown output table '" + NameOf(t[target]) + "'");
    for (const auto& s : src) {
        bool found = false;
        for (const auto& d : dst)
            found = found || EqualNoCase(s, d);
        if (!found)
            throw JetSqlError("unknown field name '" + s + "' in output table '" +
                              NameOf(t[target]) + "'");
    }
    std::string list = JoinNames(src);
    t[target].text += " (" + list + ")";
    t[star].text = list;
}

std::string Join(const std::vector<Token>& t) {
    std::string out;
    for (const auto& tok : t)
        out += tok.text;
    return out;
}

bool ContainsNoCase(std::string_view text, std::string_view word) {
    if (word.size() > text.size())
        return false;
    for (size_t i = 0; i + word.size() <= text.size(); ++i) {
        size_t k = 0;
        while (k < word.size() && std::toupper(static_cast<unsigned char>(text[i + k])) == word[k])
            ++k;
        if (k == word.size())
            return true;
    }
    return false;
}

// Whether anything in the statement may need rewriting; most statements (the INSERT ... VALUES
// and SELECTs of the procedures) do not, and skip the tokenizer.
bool MayNeedRewrite(std::string_view sql) {
    size_t i = 0;
    while (i < sql.size() && std::isspace(static_cast<unsigned char>(sql[i])))
        ++i;
    std::string_view head = sql.substr(i, 6);
    if (EqualNoCase(head.substr(0, 5), "ALTER") || EqualNoCase(head.substr(0, 4), "DROP") ||
        EqualNoCase(head, "CREATE"))
        return true;
    if (sql.find('"') != std::string_view::npos)
        return true;
    if (EqualNoCase(head, "INSERT") && ContainsNoCase(sql, "SELECT"))
        return true;
    return ContainsNoCase(sql, "LIKE") || ContainsNoCase(sql, "DISTINCTROW");
}

}  // namespace

std::string RewriteJetSql(std::string_view sql, const ColumnLookup& columns) {
    if (!MayNeedRewrite(sql))
        return std::string(sql);
    std::vector<Token> t = Tokenize(sql);
    RewriteLiteralsAndWords(t);
    size_t first = Next(t, 0);
    if (first >= t.size())
        return Join(t);
    size_t second = Next(t, first + 1);
    size_t third = second < t.size() ? Next(t, second + 1) : t.size();
    if (Is(t[first], "CREATE") && second < t.size()) {
        if (Is(t[second], "TABLE"))
            RewriteCreateTable(t, second);
        if (Is(t[second], "INDEX"))
            RewriteCreateIndex(t, first, second);
        if (Is(t[second], "UNIQUE") && third < t.size() && Is(t[third], "INDEX"))
            RewriteCreateIndex(t, first, third);
    } else if (Is(t[first], "ALTER") && second < t.size() && Is(t[second], "TABLE")) {
        RewriteAlterTable(t, second);
    } else if (Is(t[first], "DROP") && second < t.size() && Is(t[second], "INDEX")) {
        RewriteDropIndex(t, second);
    } else if (Is(t[first], "INSERT")) {
        RewriteInsertSelectStar(t, first, columns);
    }
    return Join(t);
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

}  // namespace terv
