// Tokenizer and parenthesis tree of the central system's SQL.
#include "SqlTokens.h"

#include <cctype>

namespace terv::central {

namespace {

bool IsWordStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool IsWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '#';
}
bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// Reads one token of `sql` at *pos. Returns false with an error text for an unterminated quote.
bool NextToken(const std::string& sql, size_t* pos, Node* tok, std::string* error) {
    size_t i = *pos;
    const size_t n = sql.size();
    const char c = sql[i];
    tok->kids.clear();
    if (std::isspace(static_cast<unsigned char>(c))) {
        size_t j = i;
        while (j < n && std::isspace(static_cast<unsigned char>(sql[j])))
            ++j;
        *tok = {TokenKind::kSpace, sql.substr(i, j - i), {}};
        *pos = j;
        return true;
    }
    if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
        size_t j = sql.find('\n', i);
        *pos = j == std::string::npos ? n : j;
        *tok = {TokenKind::kSpace, " ", {}};
        return true;
    }
    if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
        size_t j = sql.find("*/", i + 2);
        *pos = j == std::string::npos ? n : j + 2;
        *tok = {TokenKind::kSpace, " ", {}};
        return true;
    }
    if (c == '\'' || c == '"') {
        size_t j = i + 1;
        while (true) {
            if (j >= n) {
                *error = c == '\'' ? "ORA-01756: quoted string not properly terminated"
                                   : "ORA-01740: missing double quote in identifier";
                return false;
            }
            if (sql[j] == c) {
                if (j + 1 < n && sql[j + 1] == c) {
                    j += 2;
                    continue;
                }
                break;
            }
            ++j;
        }
        *tok = {c == '\'' ? TokenKind::kString : TokenKind::kQuoted, sql.substr(i, j + 1 - i), {}};
        *pos = j + 1;
        return true;
    }
    if (IsWordStart(c)) {
        size_t j = i;
        while (j < n && IsWordChar(sql[j]))
            ++j;
        *tok = {TokenKind::kWord, sql.substr(i, j - i), {}};
        *pos = j;
        return true;
    }
    if (IsDigit(c) || (c == '.' && i + 1 < n && IsDigit(sql[i + 1]))) {
        size_t j = i;
        while (j < n && IsDigit(sql[j]))
            ++j;
        if (j < n && sql[j] == '.') {
            ++j;
            while (j < n && IsDigit(sql[j]))
                ++j;
        }
        if (j < n && (sql[j] == 'e' || sql[j] == 'E')) {
            size_t k = j + 1;
            if (k < n && (sql[k] == '+' || sql[k] == '-'))
                ++k;
            if (k < n && IsDigit(sql[k])) {
                j = k;
                while (j < n && IsDigit(sql[j]))
                    ++j;
            }
        }
        *tok = {TokenKind::kNumber, sql.substr(i, j - i), {}};
        *pos = j;
        return true;
    }
    if (c == ',') {
        *tok = {TokenKind::kComma, ",", {}};
        *pos = i + 1;
        return true;
    }
    if (c == ';') {
        *tok = {TokenKind::kSemicolon, ";", {}};
        *pos = i + 1;
        return true;
    }
    static const char* kTwo[] = {"||", "<=", ">=", "<>", "!=", "^=", ":="};
    for (const char* two : kTwo) {
        if (sql.compare(i, 2, two) == 0) {
            *tok = {TokenKind::kOperator, two, {}};
            *pos = i + 2;
            return true;
        }
    }
    *tok = {TokenKind::kOperator, std::string(1, c), {}};
    *pos = i + 1;
    return true;
}

void AppendSql(const Nodes& nodes, std::string* out) {
    for (const Node& node : nodes) {
        if (node.kind == TokenKind::kGroup) {
            out->push_back('(');
            AppendSql(node.kids, out);
            out->push_back(')');
        } else {
            out->append(node.text);
        }
    }
}

}  // namespace

bool Node::IsWord(const char* upper) const {
    if (kind != TokenKind::kWord)
        return false;
    size_t i = 0;
    for (; upper[i] != '\0'; ++i) {
        if (i >= text.size() || std::toupper(static_cast<unsigned char>(text[i])) != upper[i]) {
            return false;
        }
    }
    return i == text.size();
}

bool ParseSql(const std::string& sql, Nodes* out, std::string* error) {
    // The translator walks the tree recursively: a bound on the depth bounds its stack.
    constexpr size_t kMaxDepth = 200;
    std::vector<Nodes> stack(1);
    size_t pos = 0;
    Node tok;
    while (pos < sql.size()) {
        if (sql[pos] == '(') {
            if (stack.size() > kMaxDepth) {
                *error = "ORA-00900: invalid SQL statement (nested too deeply)";
                return false;
            }
            stack.emplace_back();
            ++pos;
            continue;
        }
        if (sql[pos] == ')') {
            if (stack.size() == 1) {
                *error = "ORA-00933: SQL command not properly ended";
                return false;
            }
            Node group = MakeGroup(std::move(stack.back()));
            stack.pop_back();
            stack.back().push_back(std::move(group));
            ++pos;
            continue;
        }
        if (!NextToken(sql, &pos, &tok, error))
            return false;
        stack.back().push_back(tok);
    }
    if (stack.size() != 1) {
        *error = "ORA-00907: missing right parenthesis";
        return false;
    }
    *out = std::move(stack.front());
    return true;
}

std::string ToSql(const Nodes& nodes) {
    std::string out;
    AppendSql(nodes, &out);
    return out;
}

Node MakeWord(const std::string& text) {
    return {TokenKind::kWord, text, {}};
}
Node MakeSpace() {
    return {TokenKind::kSpace, " ", {}};
}
Node MakeGroup(Nodes kids) {
    return {TokenKind::kGroup, "", std::move(kids)};
}

std::vector<size_t> Significant(const Nodes& nodes) {
    std::vector<size_t> out;
    for (size_t i = 0; i < nodes.size(); ++i) {
        if (!nodes[i].IsSpace())
            out.push_back(i);
    }
    return out;
}

std::vector<std::string> SplitStatements(const std::string& sql) {
    std::vector<std::string> parts;
    std::string current;
    char quote = 0;
    for (size_t i = 0; i < sql.size(); ++i) {
        const char c = sql[i];
        if (quote != 0) {
            current.push_back(c);
            if (c == quote)
                quote = 0;  // a doubled quote closes and reopens: same result
            continue;
        }
        if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
            size_t end = sql.find('\n', i);
            if (end == std::string::npos)
                end = sql.size();
            current.append(sql, i, end - i);
            i = end - 1;
            continue;
        } else if (c == ';') {
            parts.push_back(current);
            current.clear();
            continue;
        }
        current.push_back(c);
    }
    parts.push_back(current);
    std::vector<std::string> out;
    for (std::string& part : parts) {
        if (part.find_first_not_of(" \t\r\n") != std::string::npos)
            out.push_back(std::move(part));
    }
    return out;
}

// Index of the previous / next non-space node, or npos.
size_t PrevSig(const Nodes& n, size_t i) {
    while (i > 0) {
        --i;
        if (!n[i].IsSpace())
            return i;
    }
    return std::string::npos;
}
size_t NextSig(const Nodes& n, size_t i) {
    for (++i; i < n.size(); ++i) {
        if (!n[i].IsSpace())
            return i;
    }
    return std::string::npos;
}

bool IsSetOperator(const Node& node) {
    return node.IsWord("UNION") || node.IsWord("INTERSECT") || node.IsWord("EXCEPT") ||
           node.IsWord("MINUS");
}

bool ContainsWord(const Nodes& nodes, const char* word) {
    for (const Node& n : nodes) {
        if (n.IsWord(word))
            return true;
    }
    return false;
}

bool IsKeyword(const Node& node) {
    static const char* kWords[] = {
        "SELECT", "FROM",    "WHERE",    "AND",  "OR",   "NOT",  "IN",   "EXISTS", "VALUES",
        "ON",     "WHEN",    "THEN",     "ELSE", "CASE", "BY",   "AS",   "SET",    "IS",
        "LIKE",   "BETWEEN", "DISTINCT", "ALL",  "ANY",  "SOME", "INTO", "END"};
    for (const char* w : kWords) {
        if (node.IsWord(w))
            return true;
    }
    return false;
}

Nodes Trimmed(Nodes nodes) {
    while (!nodes.empty() && nodes.back().IsSpace())
        nodes.pop_back();
    size_t b = 0;
    while (b < nodes.size() && nodes[b].IsSpace())
        ++b;
    nodes.erase(nodes.begin(), nodes.begin() + static_cast<long>(b));
    return nodes;
}

std::vector<Nodes> SplitCommas(const Nodes& nodes) {
    std::vector<Nodes> parts(1);
    for (const Node& n : nodes) {
        if (n.kind == TokenKind::kComma) {
            parts.emplace_back();
        } else {
            parts.back().push_back(n);
        }
    }
    for (Nodes& p : parts)
        p = Trimmed(std::move(p));
    return parts;
}

void Append(Nodes* out, const Nodes& more) {
    out->insert(out->end(), more.begin(), more.end());
}

std::string UpperAscii(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace terv::central
