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

// Splits `sql` at ";" outside quotes and comments; drops parts that are only blanks.
std::vector<std::string> SplitStatements(const std::string& sql);

std::string UpperAscii(std::string s);

}  // namespace terv::central
