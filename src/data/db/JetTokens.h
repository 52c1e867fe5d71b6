// The tokens of a Jet statement, shared by the statement rewrite and the query parser.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace terv {

enum class Tok {
    kSpace,
    kWord,
    kBracket,
    kDQuote,
    kSQuote,
    kDate,
    kNumber,
    kPunct,
    kComment,
    kEnd
};

struct Token {
    Tok kind;
    std::string text;
};

// Splits at token boundaries; the concatenation of the token texts is the input. "#...#" is one
// date token, "[...]" one name token.
std::vector<Token> Tokenize(std::string_view s);

// Whether `t` is the word `word` (given in upper case), ignoring letter case.
bool Is(const Token& t, std::string_view word);
bool IsPunct(const Token& t, std::string_view p);
bool Skippable(const Token& t);
// Index of the next token at or after i that is not blank or comment; t.size() if none.
size_t Next(const std::vector<Token>& t, size_t i);
bool IsName(const Token& t);
// The bare name of an identifier token ([x] gives x).
std::string NameOf(const Token& t);
// ASCII upper case (SQL words and names).
std::string Upper(std::string_view s);
bool EqualNoCase(std::string_view a, std::string_view b);
// '...' from the content of a Jet "..." literal.
std::string SingleQuoted(const std::string& dq);
// The concatenated token texts.
std::string Join(const std::vector<Token>& t);

}  // namespace terv
