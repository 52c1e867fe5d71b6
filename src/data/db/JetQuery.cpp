#include "JetQuery.h"

#include <charconv>
#include <set>

#include "JetErrors.h"
#include "JetValues.h"

namespace terv {

namespace {

// One expression written out for SQLite.
struct Ex {
    std::string sql;
    bool boolean = false;  // a SQLite truth value (1, 0 or Null); Jet's True is -1
    bool column = false;   // a bare field reference: the field's own collation applies
    bool number = false;   // a number literal
};

// The expression as a value: SQLite's 1 for true becomes Jet's -1.
std::string Value(const Ex& e) {
    return e.boolean ? "(-(" + e.sql + "))" : e.sql;
}

std::string Collated(const std::string& sql) {
    return "(" + sql + ") COLLATE NOCASE";
}

// Words that end an expression or a name, so that they are never read as an alias.
const std::set<std::string> kReserved = {
    "SELECT", "FROM",      "WHERE",    "GROUP",    "BY",          "HAVING", "ORDER",   "ASC",
    "DESC",   "UNION",     "ALL",      "DISTINCT", "DISTINCTROW", "TOP",    "PERCENT", "INTO",
    "AS",     "ON",        "INNER",    "LEFT",     "RIGHT",       "OUTER",  "JOIN",    "SET",
    "VALUES", "INSERT",    "UPDATE",   "DELETE",   "AND",         "OR",     "NOT",     "XOR",
    "EQV",    "IMP",       "MOD",      "LIKE",     "IS",          "NULL",   "IN",      "BETWEEN",
    "TRUE",   "FALSE",     "EXISTS",   "LIMIT",    "OFFSET",      "GLOB",   "REGEXP",  "MATCH",
    "CASE",   "CAST",      "COLLATE",  "ESCAPE",   "WINDOW",      "CROSS",  "NATURAL", "USING",
    "EXCEPT", "INTERSECT", "RETURNING"};

struct Function {
    const char* jet;
    const char* sqlite;
    size_t minArgs;
    size_t maxArgs;
};

const Function kFunctions[] = {
    {"MID", "jet_mid", 2, 3},     {"LEFT", "jet_left", 2, 2},     {"RIGHT", "jet_right", 2, 2},
    {"LEN", "jet_len", 1, 1},     {"UCASE", "jet_ucase", 1, 1},   {"LCASE", "jet_lcase", 1, 1},
    {"TRIM", "jet_trim", 1, 1},   {"LTRIM", "jet_ltrim", 1, 1},   {"RTRIM", "jet_rtrim", 1, 1},
    {"CSTR", "jet_cstr", 1, 1},   {"CLNG", "jet_clng", 1, 1},     {"CINT", "jet_cint", 1, 1},
    {"CDBL", "jet_cdbl", 1, 1},   {"VAL", "jet_val", 1, 1},       {"NOW", "jet_now", 0, 0},
    {"DATE", "jet_date", 0, 0},   {"FORMAT", "jet_format", 1, 2}, {"STRCOMP", "jet_strcomp", 2, 3},
    {"INSTR", "jet_instr", 2, 4}, {"NZ", "jet_nz", 1, 2}};

const std::set<std::string> kAggregates = {"COUNT", "SUM", "AVG", "MIN", "MAX", "FIRST", "LAST"};

// A table or subquery of a FROM clause, and what an UPDATE with joins needs to know of them.
struct Source {
    std::string sql;    // as written out
    std::string name;   // table name (bare)
    std::string alias;  // bare alias, empty when none
};

struct FromInfo {
    std::vector<Source> sources;
    std::vector<std::string> conditions;  // of the INNER JOINs
    bool outer = false;
};

class Parser {
  public:
    Parser(std::vector<Token> tokens, const ColumnLookup& columns)
        : t_(std::move(tokens)), columns_(columns) {}

    RewrittenSql Statement() {
        RewrittenSql out;
        if (Word("SELECT"))
            out.sql = Select(true, &out.intoTable);
        else if (Word("INSERT"))
            out.sql = Insert();
        else if (Word("UPDATE"))
            out.sql = Update();
        else if (Word("DELETE"))
            out.sql = Delete();
        else if (Word("TRANSFORM") || Word("PARAMETERS") || Word("PROCEDURE"))
            Fail(jet_error::NotSupported(Upper(At().text)));
        else
            Fail(jet_error::kInvalidStatement);
        if (Punct(";"))
            ++p_;
        if (p_ < t_.size())
            Fail(jet_error::kTrailing);
        return out;
    }

  private:
    [[noreturn]] static void Fail(const std::string& message) { throw JetSqlError(message); }

    [[noreturn]] void Syntax(const char* where) const { Fail(jet_error::SyntaxError(where)); }

    // Syntax error in the expression that starts at token `start`.
    [[noreturn]] void ExprError(size_t start) const {
        std::string text;
        for (size_t i = start; i < t_.size() && i <= p_; ++i)
            text += (text.empty() ? "" : " ") + t_[i].text;
        Fail(jet_error::SyntaxError("query expression '" + text + "'"));
    }

    const Token& At(size_t ahead = 0) const {
        static const Token kEnd{Tok::kEnd, ""};
        return p_ + ahead < t_.size() ? t_[p_ + ahead] : kEnd;
    }
    bool Word(const char* w, size_t ahead = 0) const { return Is(At(ahead), w); }
    bool Punct(const char* s, size_t ahead = 0) const { return IsPunct(At(ahead), s); }
    bool Reserved(const Token& t) const {
        return t.kind == Tok::kWord && kReserved.count(Upper(t.text)) > 0;
    }
    bool AtName(size_t ahead = 0) const { return IsName(At(ahead)) && !Reserved(At(ahead)); }
    void ExpectWord(const char* w, const char* where) {
        if (!Word(w))
            Syntax(where);
        ++p_;
    }
    void ExpectPunct(const char* s, const char* where) {
        if (!Punct(s))
            Syntax(where);
        ++p_;
    }
    // A table, field or alias name, as written.
    std::string Name(const char* where) {
        if (!AtName())
            Syntax(where);
        return t_[p_++].text;
    }
    // An optional alias: "AS name" or a bare name; an end token when there is none.
    Token Alias() {
        if (Word("AS")) {
            ++p_;
            Name("query");
            return t_[p_ - 1];
        }
        return AtName() ? t_[p_++] : Token{Tok::kEnd, ""};
    }

    // SELECT ... [INTO t] FROM ... ; `statement` when it is the whole statement (only then
    // may it hold INTO or the ties of TOP n ... ORDER BY).
    std::string Select(bool statement, std::string* into) {
        ExpectWord("SELECT", "query");
        std::string head = "SELECT";
        bool distinct = false;
        if (Word("ALL") || Word("DISTINCT")) {
            distinct = Word("DISTINCT");
            head += " " + Upper(t_[p_++].text);
        } else if (Word("DISTINCTROW")) {
            ++p_;
        }
        std::string top = Top();
        // Unnamed expressions are named Expr1000, Expr1001 ... in each SELECT.
        int outerNames = exprNames_;
        exprNames_ = 1000;
        std::string list = SelectList();
        exprNames_ = outerNames;
        if (Word("INTO")) {
            if (!into)
                Syntax("query");
            ++p_;
            *into = NameOf(At());
            Name("SELECT INTO statement");
            if (Word("IN"))
                Fail(jet_error::NotSupported("SELECT INTO an external database"));
        }
        std::string rest;
        if (Word("FROM")) {
            ++p_;
            rest += " FROM " + FromList(nullptr);
        }
        if (Word("WHERE")) {
            ++p_;
            rest += " WHERE " + Parse(0).sql;
        }
        if (Word("GROUP")) {
            ++p_;
            ExpectWord("BY", "GROUP BY clause");
            rest += " GROUP BY " + Terms(false);
        }
        if (Word("HAVING")) {
            ++p_;
            rest += " HAVING " + Parse(0).sql;
        }
        std::string unions;
        if (Word("UNION")) {
            ++p_;
            unions = Word("ALL") ? " UNION ALL " : " UNION ";
            if (Word("ALL"))
                ++p_;
            unions += Select(false, nullptr);
        }
        std::string order;
        if (Word("ORDER")) {
            ++p_;
            ExpectWord("BY", "ORDER BY clause");
            order = Terms(true);
        }
        std::string core = head + " " + list + rest;
        if (top.empty())
            return core + unions + (order.empty() ? "" : " ORDER BY " + order);
        if (!unions.empty())
            Fail(jet_error::NotSupported("TOP in a UNION query"));
        if (order.empty())
            return core + " LIMIT " + top;
        if (!statement || distinct || (into && !into->empty()))
            Fail(jet_error::NotSupported("TOP with ORDER BY here"));
        // Jet's TOP n keeps every row tied with the n-th in the order.
        return "SELECT * FROM (" + head + " " + list + ", RANK() OVER (ORDER BY " + order +
               ") AS [" + kTopRankColumn + "]" + rest + ") WHERE [" + kTopRankColumn +
               "] <= " + top + " ORDER BY [" + kTopRankColumn + "]";
    }

    std::string Top() {
        if (!Word("TOP"))
            return "";
        ++p_;
        int n = 0;
        const std::string& text = At().text;
        auto r = std::from_chars(text.data(), text.data() + text.size(), n);
        if (At().kind != Tok::kNumber || r.ec != std::errc() ||
            r.ptr != text.data() + text.size() || n <= 0)
            Syntax("TOP clause");
        ++p_;
        if (Word("PERCENT"))
            Fail(jet_error::NotSupported("TOP n PERCENT"));
        return std::to_string(n);
    }

    std::string SelectList() {
        std::string out;
        do {
            if (!out.empty())
                out += ", ";
            if (Punct("*")) {
                ++p_;
                out += "*";
            } else if (IsName(At()) && Punct(".", 1) && Punct("*", 2)) {
                out += t_[p_].text + ".*";
                p_ += 3;
            } else {
                Ex e = Parse(0);
                Token alias = Alias();
                // A computed text keeps Jet's order for DISTINCT, UNION and outer queries.
                out += e.column ? e.sql : Collated(Value(e));
                if (alias.kind != Tok::kEnd)
                    out += " AS " + alias.text;
                else if (!e.column)
                    out += " AS [Expr" + std::to_string(exprNames_++) + "]";
            }
        } while (Punct(",") && ++p_);
        return out;
    }

    // ORDER BY / GROUP BY terms; text sorts and groups without regard to case.
    std::string Terms(bool order) {
        std::string out;
        do {
            if (!out.empty())
                out += ", ";
            Ex e = Parse(0);
            if (e.number)
                Fail(jet_error::NotSupported("a column number in ORDER BY or GROUP BY"));
            out += e.column ? e.sql : Collated(Value(e));
            if (order && (Word("ASC") || Word("DESC")))
                out += " " + Upper(t_[p_++].text);
        } while (Punct(",") && ++p_);
        return out;
    }

    std::string FromList(FromInfo* info) {
        std::string out = TableRef(info);
        while (Punct(",")) {
            ++p_;
            out += ", " + TableRef(info);
        }
        return out;
    }

    std::string TableRef(FromInfo* info) {
        std::string out = Primary(info);
        while (Word("INNER") || Word("LEFT") || Word("RIGHT")) {
            std::string kind = Upper(t_[p_++].text);
            if (kind != "INNER" && Word("OUTER"))
                ++p_;
            ExpectWord("JOIN", "JOIN operation");
            std::string right = Primary(info);
            ExpectWord("ON", "JOIN operation");
            std::string cond = Parse(0).sql;
            if (info) {
                info->outer = info->outer || kind != "INNER";
                info->conditions.push_back(cond);
            }
            out += " " + kind + " JOIN " + right + " ON " + cond;
        }
        return out;
    }

    std::string Primary(FromInfo* info) {
        if (Punct("(")) {
            ++p_;
            if (Word("SELECT")) {
                std::string sub = Select(false, nullptr);
                ExpectPunct(")", "FROM clause");
                Token alias = Alias();
                if (info)
                    Fail(jet_error::NotSupported("a subquery in the FROM clause here"));
                return "(" + sub + ")" + (alias.kind == Tok::kEnd ? "" : " AS " + alias.text);
            }
            std::string inner = TableRef(info);
            ExpectPunct(")", "JOIN operation");
            return "(" + inner + ")";
        }
        Source s;
        s.name = NameOf(At());
        s.sql = Name("FROM clause");
        Token alias = Alias();
        if (alias.kind != Tok::kEnd) {
            s.alias = NameOf(alias);
            s.sql += " AS " + alias.text;
        }
        if (info)
            info->sources.push_back(s);
        return s.sql;
    }

    std::string Insert() {
        ++p_;
        ExpectWord("INTO", "INSERT INTO statement");
        std::string target = NameOf(At());
        std::string out = "INSERT INTO " + Name("INSERT INTO statement");
        bool columns = Punct("(");
        if (columns) {
            ++p_;
            std::string list;
            do {
                list += (list.empty() ? "" : ", ") + Name("INSERT INTO statement");
            } while (Punct(",") && ++p_);
            ExpectPunct(")", "INSERT INTO statement");
            out += " (" + list + ")";
        }
        if (Word("VALUES")) {
            ++p_;
            ExpectPunct("(", "INSERT INTO statement");
            std::string values;
            do {
                values += (values.empty() ? "" : ", ") + Value(Parse(0));
            } while (Punct(",") && ++p_);
            ExpectPunct(")", "INSERT INTO statement");
            return out + " VALUES (" + values + ")";
        }
        if (!Word("SELECT"))
            Syntax("INSERT INTO statement");
        std::string star = columns ? "" : StarByName(target);
        std::string select = Select(false, nullptr);
        if (star.empty())
            return out + " " + select;
        return out + " (" + star + ") SELECT " + star + select.substr(8);
    }

    // INSERT INTO X SELECT * FROM Y: Jet matches the fields by name and fails when Y has a
    // field X lacks. Gives the field list, or "" for any other form.
    std::string StarByName(const std::string& target) {
        bool single =
            Punct("*", 1) && Word("FROM", 2) && AtName(3) &&
            (At(4).kind == Tok::kEnd || Punct(";", 4) || Word("WHERE", 4) || Word("ORDER", 4));
        if (!single || !columns_)
            return "";
        std::vector<std::string> src = columns_(NameOf(At(3)));
        std::vector<std::string> dst = columns_(target);
        if (src.empty())
            return "";  // not a table: SQLite names the problem
        if (dst.empty())
            Fail("Could not find output table '" + target + "'.");
        std::string list;
        for (const auto& s : src) {
            bool found = false;
            for (const auto& d : dst)
                found = found || EqualNoCase(s, d);
            if (!found)
                Fail("The INSERT INTO statement contains the following unknown field name: '" + s +
                     "'. Make sure you have typed the name correctly, and try the operation "
                     "again.");
            list += (list.empty() ? "" : ",") + QuoteName(s);
        }
        return list;
    }

    std::string Update() {
        ++p_;
        FromInfo info;
        TableRef(&info);
        ExpectWord("SET", "UPDATE statement");
        struct Assignment {
            std::string qualifier, field, value;
        };
        std::vector<Assignment> set;
        do {
            Assignment a;
            const Token first = At();
            a.field = Name("UPDATE statement");
            if (Punct(".") || Punct("!")) {
                ++p_;
                a.qualifier = NameOf(first);
                a.field = Name("UPDATE statement");
            }
            ExpectPunct("=", "UPDATE statement");
            a.value = Value(Parse(0));
            set.push_back(a);
        } while (Punct(",") && ++p_);
        std::string where;
        if (Word("WHERE")) {
            ++p_;
            where = Parse(0).sql;
        }
        if (info.outer)
            Fail(jet_error::NotSupported("UPDATE with an outer join"));
        // The table written is the one the fields are qualified with (the first by default).
        size_t target = 0;
        if (!set[0].qualifier.empty()) {
            target = info.sources.size();
            for (size_t i = 0; i < info.sources.size(); ++i)
                if (EqualNoCase(set[0].qualifier, info.sources[i].alias) ||
                    (info.sources[i].alias.empty() &&
                     EqualNoCase(set[0].qualifier, info.sources[i].name)))
                    target = i;
            if (target == info.sources.size())
                Syntax("UPDATE statement");
        }
        std::string out = "UPDATE " + info.sources[target].sql + " SET ";
        for (size_t i = 0; i < set.size(); ++i) {
            if (!set[i].qualifier.empty() && !EqualNoCase(set[i].qualifier, set[0].qualifier))
                Fail(jet_error::NotSupported("UPDATE of the fields of two tables"));
            out += (i ? ", " : "") + set[i].field + " = " + set[i].value;
        }
        std::string others;
        for (size_t i = 0; i < info.sources.size(); ++i)
            if (i != target)
                others += (others.empty() ? "" : ", ") + info.sources[i].sql;
        if (!others.empty())
            out += " FROM " + others;
        std::vector<std::string> conditions = info.conditions;
        if (!where.empty())
            conditions.push_back(where);
        for (size_t i = 0; i < conditions.size(); ++i)
            out += (i ? " AND (" : " WHERE (") + conditions[i] + ")";
        return out;
    }

    std::string Delete() {
        ++p_;
        if (Punct("*")) {
            ++p_;
        } else if (IsName(At()) && Punct(".", 1) && Punct("*", 2)) {
            p_ += 3;
        }
        ExpectWord("FROM", "DELETE statement");
        FromInfo info;
        TableRef(&info);
        if (info.sources.size() != 1)
            Fail(jet_error::NotSupported("DELETE with a join"));
        std::string out = "DELETE FROM " + info.sources[0].sql;
        if (Word("WHERE")) {
            ++p_;
            out += " WHERE " + Parse(0).sql;
        }
        return out;
    }

    // --- expressions, by binding power: Or 1, And 2, Not 3, comparisons 4, & 5, + - 6,
    // Mod 7, \ 8, * / 9, unary minus 10, ^ 11.

    int BindingPower() const {
        const Token& k = At();
        if (k.kind == Tok::kPunct) {
            static const std::pair<const char*, int> kOps[] = {
                {"^", 11}, {"*", 9},  {"/", 9}, {"\\", 8}, {"+", 6},  {"-", 6}, {"&", 5},
                {"=", 4},  {"<>", 4}, {"<", 4}, {">", 4},  {"<=", 4}, {">=", 4}};
            for (const auto& [op, bp] : kOps)
                if (k.text == op)
                    return bp;
            return 0;
        }
        if (Word("MOD"))
            return 7;
        if (Word("LIKE") || Word("IS") || Word("BETWEEN") || Word("IN"))
            return 4;
        if (Word("NOT") && (Word("LIKE", 1) || Word("BETWEEN", 1) || Word("IN", 1)))
            return 4;
        if (Word("AND"))
            return 2;
        if (Word("OR") || Word("XOR") || Word("EQV") || Word("IMP"))
            return 1;
        return 0;
    }

    Ex Parse(int rbp) {
        size_t start = p_;
        Ex left = Prefix(start);
        while (BindingPower() > rbp)
            left = Infix(left, start);
        return left;
    }

    static Ex Call(const char* fn, const std::vector<std::string>& args) {
        std::string sql = std::string(fn) + "(";
        for (size_t i = 0; i < args.size(); ++i)
            sql += (i ? ", " : "") + args[i];
        return {sql + ")"};
    }

    Ex Compare(const Ex& l, const std::string& op, const Ex& r) {
        std::string right = Value(r);
        if (!l.column && !r.column)
            right = Collated(right);
        return {Value(l) + " " + op + " " + right, true};
    }

    Ex Infix(const Ex& l, size_t start) {
        std::string op = Upper(t_[p_].text);
        int bp = BindingPower();
        ++p_;
        static const std::pair<const char*, const char*> kArithmetic[] = {
            {"^", "jet_pow"},   {"*", "jet_mul"}, {"/", "jet_div"}, {"\\", "jet_idiv"},
            {"MOD", "jet_mod"}, {"+", "jet_add"}, {"-", "jet_sub"}, {"&", "jet_cat"}};
        for (const auto& [jet, fn] : kArithmetic)
            if (op == jet)
                return Call(fn, {Value(l), Value(Parse(bp))});
        if (op == "AND" || op == "OR")
            return {"(" + l.sql + " " + op + " " + Parse(bp).sql + ")", true};
        if (op == "XOR" || op == "EQV" || op == "IMP")
            Fail(jet_error::NotSupported("the " + op + " operator"));
        if (op == "NOT") {
            Ex e = Infix(l, start);
            return {"(NOT " + e.sql + ")", true};
        }
        if (op == "IS") {
            bool negated = Word("NOT");
            if (negated)
                ++p_;
            if (!Word("NULL"))
                ExprError(start);
            ++p_;
            return {"(" + Value(l) + (negated ? " IS NOT NULL)" : " IS NULL)"), true};
        }
        if (op == "LIKE")
            return {Call("jet_like", {Value(l), Value(Parse(bp))}).sql, true};
        std::string left = l.column ? Value(l) : Collated(Value(l));
        if (op == "BETWEEN") {
            Ex low = Parse(bp);
            if (!Word("AND"))
                ExprError(start);
            ++p_;
            Ex high = Parse(bp);
            return {"(" + left + " BETWEEN " + Value(low) + " AND " + Value(high) + ")", true};
        }
        if (op == "IN") {
            if (!Punct("("))
                ExprError(start);
            ++p_;
            std::string list;
            if (Word("SELECT")) {
                list = Select(false, nullptr);
            } else {
                do {
                    list += (list.empty() ? "" : ", ") + Value(Parse(0));
                } while (Punct(",") && ++p_);
            }
            if (!Punct(")"))
                ExprError(start);
            ++p_;
            return {"(" + left + " IN (" + list + "))", true};
        }
        return Compare(l, op, Parse(bp));
    }

    Ex Prefix(size_t start) {
        const Token& k = At();
        switch (k.kind) {
            case Tok::kNumber: {
                double d = 0;
                auto r = std::from_chars(k.text.data(), k.text.data() + k.text.size(), d);
                if (r.ec != std::errc() || r.ptr != k.text.data() + k.text.size())
                    ExprError(start);
                ++p_;
                return {k.text, false, false, true};
            }
            case Tok::kSQuote:
                ++p_;
                return {k.text};
            case Tok::kDQuote:
                ++p_;
                return {SingleQuoted(k.text)};
            case Tok::kDate: {
                std::string date;
                if (!ParseDateLiteral(k.text.substr(1, k.text.size() - 2), date))
                    Fail(jet_error::SyntaxError("date in query expression '" + k.text + "'"));
                ++p_;
                return {"'" + date + "'"};
            }
            case Tok::kBracket:
                return FieldRef();
            case Tok::kWord:
                return WordPrefix(start);
            case Tok::kPunct:
                return PunctPrefix(start);
            default:
                ExprError(start);
        }
    }

    Ex PunctPrefix(size_t start) {
        if (Punct("(")) {
            ++p_;
            if (Word("SELECT")) {
                std::string sub = Select(false, nullptr);
                if (!Punct(")"))
                    ExprError(start);
                ++p_;
                return {"(" + sub + ")"};
            }
            Ex inner = Parse(0);
            if (!Punct(")"))
                ExprError(start);
            ++p_;
            return {"(" + inner.sql + ")", inner.boolean, inner.column};
        }
        if (Punct("-")) {
            ++p_;
            Ex operand = Parse(10);
            if (operand.number)
                return {"-" + operand.sql, false, false, true};
            return Call("jet_sub", {"0", Value(operand)});
        }
        if (Punct("+")) {
            ++p_;
            return Parse(10);
        }
        ExprError(start);
    }

    Ex WordPrefix(size_t start) {
        if (Word("NULL") || Word("TRUE") || Word("FALSE")) {
            std::string word = Upper(t_[p_++].text);
            return {word == "NULL"   ? "NULL"
                    : word == "TRUE" ? "-1"
                                     : "0",
                    false, false, word != "NULL"};
        }
        if (Word("NOT")) {
            ++p_;
            return {"(NOT " + Parse(3).sql + ")", true};
        }
        if (Word("EXISTS")) {
            ++p_;
            if (!Punct("(") || !Word("SELECT", 1))
                ExprError(start);
            ++p_;
            std::string sub = Select(false, nullptr);
            if (!Punct(")"))
                ExprError(start);
            ++p_;
            return {"EXISTS (" + sub + ")", true};
        }
        // LEFT and RIGHT are also join words.
        if (Punct("(", 1) && (!Reserved(At()) || Word("LEFT") || Word("RIGHT")))
            return Function(start);
        if (Reserved(At()))
            ExprError(start);
        return FieldRef();
    }

    // A field, maybe qualified with its table: T.F, [T].[F], T!F.
    Ex FieldRef() {
        std::string sql = t_[p_++].text;
        while ((Punct(".") || Punct("!")) && IsName(At(1))) {
            sql += "." + At(1).text;
            p_ += 2;
        }
        return {sql, false, true};
    }

    Ex Function(size_t start) {
        std::string written = t_[p_].text;
        std::string name = Upper(written);
        if (!name.empty() && name.back() == '$')
            name.pop_back();
        p_ += 2;
        std::vector<Ex> args;
        bool star = false;
        if (name == "COUNT" && Punct("*")) {
            star = true;
            ++p_;
        } else if (!Punct(")")) {
            do {
                args.push_back(Parse(0));
            } while (Punct(",") && ++p_);
        }
        if (!Punct(")"))
            ExprError(start);
        ++p_;
        std::vector<std::string> values;
        for (const Ex& a : args)
            values.push_back(Value(a));
        auto arity = [&](size_t lo, size_t hi) {
            if (values.size() < lo || values.size() > hi)
                Fail("Wrong number of arguments used with function in query expression '" +
                     written + "'.");
        };
        if (kAggregates.count(name)) {
            if (!star)
                arity(1, 1);
            return {name + "(" + (star ? "*" : values[0]) + ")"};
        }
        if (name == "IIF") {
            arity(3, 3);
            return {"(CASE WHEN " + args[0].sql + " THEN " + values[1] + " ELSE " + values[2] +
                    " END)"};
        }
        if (name == "ISNULL") {
            arity(1, 1);
            return {"(" + values[0] + " IS NULL)", true};
        }
        for (const auto& f : kFunctions) {
            if (name == f.jet) {
                arity(f.minArgs, f.maxArgs);
                return Call(f.sqlite, values);
            }
        }
        Fail(jet_error::UndefinedFunction(written));
    }

    std::vector<Token> t_;
    size_t p_ = 0;
    const ColumnLookup& columns_;
    int exprNames_ = 1000;
};

}  // namespace

RewrittenSql RewriteJetQuery(std::vector<Token> tokens, const ColumnLookup& columns) {
    return Parser(std::move(tokens), columns).Statement();
}

}  // namespace terv
