// Tokens and parenthesis tree of the central system's SQL. The dialect translator works on this
// tree so that every rewrite applies wherever a construct appears, at any nesting depth, and never
// inside a quoted text.
#pragma once

#include <string>
#include <vector>

namespace terv::central {

enum class TokenKind {
    kWord,      // identifier or keyword: letters, digits, _, $, #
    kQuoted,    // "quoted identifier", kept with its quotes
    kString,    // 'text literal', kept with its quotes ('' inside)
    kNumber,    // 12, 1.5, .5, 1e3
    kOperator,  // || <= >= <> != = < > + - * / . : and the like
    kComma,
    kSemicolon,
    kSpace,      // blanks, line ends and comments (comments become one blank)
    kOuterMark,  // the (+) of an outer join, produced by the translator
    kGroup,      // a parenthesised group (see Node)
};

struct Node {
    TokenKind kind = TokenKind::kSpace;
    std::string text;        // the token text; empty for groups
    std::vector<Node> kids;  // the contents of a group, without the parentheses

    bool IsWord(const char* upper) const;  // a word equal to `upper`, letter case ignored
    bool IsOp(const char* op) const { return kind == TokenKind::kOperator && text == op; }
    bool IsSpace() const { return kind == TokenKind::kSpace; }
};

using Nodes = std::vector<Node>;

// Splits `sql` into nodes. Returns false and an "ORA-" text in *error for an unterminated
// quote or unbalanced parentheses.
bool ParseSql(const std::string& sql, Nodes* out, std::string* error);

// The SQL text of the nodes; groups come back with their parentheses.
std::string ToSql(const Nodes& nodes);

// Helpers for building nodes.
Node MakeWord(const std::string& text);
Node MakeSpace();
Node MakeGroup(Nodes kids);

// The indexes of the non-space nodes.
std::vector<size_t> Significant(const Nodes& nodes);

// Index of the previous / next non-space node of `n` before / after index `i`, or npos.
size_t PrevSig(const Nodes& n, size_t i);
size_t NextSig(const Nodes& n, size_t i);

bool IsSetOperator(const Node& node);                     // UNION, INTERSECT, EXCEPT, MINUS
bool ContainsWord(const Nodes& nodes, const char* word);  // at this level only
// A keyword that never is a column, an operand or an alias (SELECT, AND, CASE, END ...).
bool IsKeyword(const Node& node);

Nodes Trimmed(Nodes nodes);  // without leading and trailing blanks
// The parts between the top-level commas, each trimmed.
std::vector<Nodes> SplitCommas(const Nodes& nodes);
void Append(Nodes* out, const Nodes& more);

// Splits `sql` at ";" outside quotes and comments; drops parts that are only blanks.
std::vector<std::string> SplitStatements(const std::string& sql);

std::string UpperAscii(std::string s);

}  // namespace terv::central
