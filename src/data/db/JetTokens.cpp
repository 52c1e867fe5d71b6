#include "JetTokens.h"

#include <cctype>

namespace terv {

namespace {

bool IsWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' ||
           static_cast<unsigned char>(c) >= 0x80;
}

bool IsSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// End of the quoted token opening at i; a doubled quote inside stays in ('' and "").
size_t QuotedEnd(std::string_view s, size_t i, char close) {
    for (size_t j = i + 1; j < s.size(); ++j) {
        if (s[j] != close)
            continue;
        if (close != ']' && close != '#' && j + 1 < s.size() && s[j + 1] == close) {
            ++j;
            continue;
        }
        return j + 1;
    }
    return s.size();
}

size_t TwoCharPunct(std::string_view s, size_t i) {
    if (i + 1 >= s.size())
        return i + 1;
    std::string_view two = s.substr(i, 2);
    bool two_char =
        two == "<>" || two == "<=" || two == ">=" || two == "||" || two == "!=" || two == "==";
    return i + (two_char ? 2 : 1);
}

}  // namespace

std::vector<Token> Tokenize(std::string_view s) {
    std::vector<Token> out;
    size_t i = 0;
    const size_t n = s.size();
    while (i < n) {
        char c = s[i];
        size_t j = i + 1;
        Tok kind = Tok::kPunct;
        if (IsSpace(c)) {
            while (j < n && IsSpace(s[j]))
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
        } else if (c == '\'' || c == '"' || c == '[') {
            j = QuotedEnd(s, i, c == '[' ? ']' : c);
            kind = c == '\'' ? Tok::kSQuote : c == '"' ? Tok::kDQuote : Tok::kBracket;
        } else if (c == '#' && s.find('#', i + 1) != std::string_view::npos) {
            j = QuotedEnd(s, i, '#');
            kind = Tok::kDate;
        } else if (IsDigit(c) || (c == '.' && i + 1 < n && IsDigit(s[i + 1]))) {
            while (j < n && (std::isalnum(static_cast<unsigned char>(s[j])) || s[j] == '.'))
                ++j;
            // The signed exponent of "1E+16", "1E-06".
            if ((s[j - 1] == 'e' || s[j - 1] == 'E') && j + 1 < n && (s[j] == '+' || s[j] == '-') &&
                IsDigit(s[j + 1])) {
                j += 2;
                while (j < n && IsDigit(s[j]))
                    ++j;
            }
            kind = Tok::kNumber;
        } else if (IsWordChar(c)) {
            while (j < n && IsWordChar(s[j]))
                ++j;
            kind = Tok::kWord;
        } else {
            j = TwoCharPunct(s, i);
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

size_t Next(const std::vector<Token>& t, size_t i) {
    while (i < t.size() && Skippable(t[i]))
        ++i;
    return i;
}

bool IsName(const Token& t) {
    return t.kind == Tok::kWord || t.kind == Tok::kBracket;
}

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

std::string Join(const std::vector<Token>& t) {
    std::string out;
    for (const auto& tok : t)
        out += tok.text;
    return out;
}

}  // namespace terv
