// Oracle-to-SQLite statement translation on the parenthesis tree of SqlTokens.h.
#include "OracleSql.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "OracleChecks.h"
#include "SqlTokens.h"
#include "SqlValues.h"

namespace terv::central {

namespace {

struct Context {
    bool uses_sequence = false;
    std::string error;
};

bool Fail(Context* ctx, const std::string& text) {
    if (ctx->error.empty())
        ctx->error = text;
    return false;
}

bool ContainsKind(const Nodes& nodes, TokenKind kind) {
    for (const Node& n : nodes) {
        if (n.kind == kind)
            return true;
    }
    return false;
}

// Step 1 of a level: the (+) marks, the empty literal and Oracle's "^=".
void MarkTokens(Nodes* nodes) {
    for (Node& n : *nodes) {
        if (n.kind == TokenKind::kGroup) {
            std::vector<size_t> sig = Significant(n.kids);
            if (sig.size() == 1 && n.kids[sig[0]].IsOp("+")) {
                n = {TokenKind::kOuterMark, "(+)", {}};
            }
        } else if (n.kind == TokenKind::kString && n.text == "''") {
            n = MakeWord("NULL");
        } else if (n.IsOp("^=")) {
            n.text = "<>";
        }
    }
}

// The qualifier (table alias) named by "alias.column" right before the node at `mark`.
std::string QualifierBefore(const Nodes& c, size_t mark) {
    size_t col = PrevSig(c, mark);
    if (col == std::string::npos || c[col].kind != TokenKind::kWord)
        return "";
    size_t dot = PrevSig(c, col);
    if (dot == std::string::npos || !c[dot].IsOp("."))
        return "";
    size_t alias = PrevSig(c, dot);
    if (alias == std::string::npos)
        return "";
    if (c[alias].kind != TokenKind::kWord && c[alias].kind != TokenKind::kQuoted)
        return "";
    std::string a = c[alias].text;
    if (c[alias].kind == TokenKind::kQuoted)
        a = a.substr(1, a.size() - 2);
    return UpperAscii(a);
}

// Every "X." qualifier used in the nodes (this level only).
std::set<std::string> Qualifiers(const Nodes& c) {
    std::set<std::string> out;
    for (size_t i = 0; i < c.size(); ++i) {
        if (c[i].kind != TokenKind::kWord)
            continue;
        size_t dot = NextSig(c, i);
        if (dot != std::string::npos && c[dot].IsOp("."))
            out.insert(UpperAscii(c[i].text));
    }
    return out;
}

struct FromItem {
    Nodes nodes;
    std::string alias;  // upper case; empty for an unnamed subquery
};

FromItem MakeFromItem(Nodes nodes) {
    FromItem item{std::move(nodes), ""};
    std::vector<size_t> sig = Significant(item.nodes);
    if (sig.empty())
        return item;
    const Node& last = item.nodes[sig.back()];
    if (sig.size() >= 2 || last.kind != TokenKind::kGroup) {
        std::string a = last.text;
        if (last.kind == TokenKind::kQuoted)
            a = a.substr(1, a.size() - 2);
        item.alias = UpperAscii(a);
    }
    return item;
}

// How many leading rows satisfy "ROWNUM op v" (ROWNUM counts 1, 2, ... and only grows when a
// row is kept): -1 for all of them, -2 for an unknown operator.
long long RownumRows(const std::string& op, double v) {
    constexpr double kAll = 4e18;  // beyond any row count
    const double below_or_at = std::min(std::floor(v), kAll);
    double n = 0;
    if (op == "<=") {
        n = below_or_at;
    } else if (op == "<") {
        n = std::min(std::ceil(v) - 1, kAll);
    } else if (op == "=") {
        n = v == 1 ? 1 : 0;
    } else if (op == ">=" || op == ">") {
        n = (op == ">=" ? v <= 1 : v < 1) ? kAll : 0;
    } else if (op == "<>" || op == "!=") {
        n = v >= 1 && v == std::floor(v) ? std::min(v - 1, kAll) : kAll;
    } else {
        return -2;
    }
    if (n >= kAll)
        return -1;
    return n < 0 ? 0 : static_cast<long long>(n);
}

// ROWNUM condition: "ROWNUM op n" or "n op ROWNUM". Sets *limit (-1: no limit) and returns true
// when the conjunct is one.
bool RownumLimit(const Nodes& c, long long* limit, Context* ctx) {
    std::vector<size_t> sig = Significant(c);
    // A signed number is one operand: "ROWNUM > -5".
    std::string sign;
    if (sig.size() == 4 && (c[sig[2]].IsOp("-") || c[sig[2]].IsOp("+"))) {
        sign = c[sig[2]].text;
        sig.erase(sig.begin() + 2);
    }
    if (sig.size() != 3)
        return false;
    const Node* a = &c[sig[0]];
    const Node* op = &c[sig[1]];
    const Node* b = &c[sig[2]];
    std::string o = op->text;
    if (b->IsWord("ROWNUM") && a->kind == TokenKind::kNumber && sign.empty()) {
        std::swap(a, b);
        if (o == "<")
            o = ">";
        else if (o == ">")
            o = "<";
        else if (o == "<=")
            o = ">=";
        else if (o == ">=")
            o = "<=";
    }
    if (!a->IsWord("ROWNUM") || b->kind != TokenKind::kNumber || op->kind != TokenKind::kOperator) {
        return false;
    }
    *limit = RownumRows(o, sqlvalue::ParseDouble((sign + b->text).c_str()));
    if (*limit == -2)
        Fail(ctx, "ORA-00920: invalid relational operator");
    return true;
}

// A select-list item that is SYSDATE, CURRENT_DATE or seq.NEXTVAL alone gets the column name the
// central system gives it.
void NameBareItems(Nodes* list) {
    std::vector<Nodes> items = SplitCommas(*list);
    bool changed = false;
    for (Nodes& item : items) {
        std::vector<size_t> sig = Significant(item);
        sig.erase(sig.begin(), sig.begin() + static_cast<long>(SelectWords(item)));
        const char* name = nullptr;
        if (sig.size() == 1 && item[sig[0]].IsWord("SYSDATE"))
            name = "\"SYSDATE\"";
        if (sig.size() == 1 && item[sig[0]].IsWord("CURRENT_DATE"))
            name = "\"CURRENT_DATE\"";
        if (sig.size() == 3 && item[sig[1]].IsOp(".") && item[sig[2]].IsWord("NEXTVAL")) {
            name = "\"NEXTVAL\"";
        }
        if (name != nullptr) {
            item.push_back(MakeSpace());
            item.push_back({TokenKind::kQuoted, name, {}});
            changed = true;
        }
    }
    if (!changed)
        return;
    Nodes out;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0)
            out.push_back({TokenKind::kComma, ",", {}});
        Append(&out, items[i]);
    }
    out.push_back(MakeSpace());
    *list = std::move(out);
}

struct Block {
    Nodes head;  // SELECT and the select list
    Nodes from;  // FROM items (without the word)
    bool has_from = false;
    Nodes where;  // condition (without the word)
    bool has_where = false;
    Nodes tail;  // GROUP BY / HAVING / ORDER BY ... as written
};

bool SplitBlock(const Nodes& nodes, Block* b, Context* ctx) {
    enum { kHead, kFrom, kWhere, kTail } part = kHead;
    for (size_t i = 0; i < nodes.size(); ++i) {
        const Node& n = nodes[i];
        if (n.IsWord("CONNECT") || n.IsWord("START")) {
            return Fail(ctx, "ORA-00900: invalid SQL statement (hierarchical queries)");
        }
        if (n.IsWord("FROM") && part == kHead) {
            part = kFrom;
            b->has_from = true;
            continue;
        }
        if (n.IsWord("WHERE") && (part == kHead || part == kFrom)) {
            part = kWhere;
            b->has_where = true;
            continue;
        }
        if ((n.IsWord("GROUP") || n.IsWord("HAVING") || n.IsWord("ORDER")) && part != kTail) {
            part = kTail;
        }
        switch (part) {
            case kHead:
                b->head.push_back(n);
                break;
            case kFrom:
                b->from.push_back(n);
                break;
            case kWhere:
                b->where.push_back(n);
                break;
            case kTail:
                b->tail.push_back(n);
                break;
        }
    }
    return true;
}

// Splits a condition at its top-level ANDs (the AND of BETWEEN stays). *has_or is set when the
// condition has a top-level OR, in which case it comes back whole.
std::vector<Nodes> SplitConjuncts(const Nodes& where, bool* has_or) {
    std::vector<Nodes> parts(1);
    bool between = false;
    *has_or = false;
    for (const Node& n : where) {
        if (n.IsWord("OR"))
            *has_or = true;
        if (n.IsWord("BETWEEN"))
            between = true;
        if (n.IsWord("AND")) {
            if (between) {
                between = false;
            } else {
                parts.emplace_back();
                continue;
            }
        }
        parts.back().push_back(n);
    }
    if (*has_or)
        return {Trimmed(where)};
    for (Nodes& p : parts)
        p = Trimmed(std::move(p));
    return parts;
}

Nodes JoinConjuncts(const std::vector<Nodes>& conds) {
    Nodes out;
    for (size_t i = 0; i < conds.size(); ++i) {
        if (i > 0) {
            out.push_back(MakeSpace());
            out.push_back(MakeWord("AND"));
            out.push_back(MakeSpace());
        }
        if (conds.size() > 1) {
            out.push_back(MakeGroup(conds[i]));
        } else {
            Append(&out, conds[i]);
        }
    }
    return out;
}

// Removes the (+) marks of a conjunct and returns the one alias they name.
bool TakeOuterAlias(Nodes* c, std::string* alias, Context* ctx) {
    alias->clear();
    for (size_t i = 0; i < c->size(); ++i) {
        if ((*c)[i].kind != TokenKind::kOuterMark)
            continue;
        std::string a = QualifierBefore(*c, i);
        if (a.empty()) {
            return Fail(ctx,
                        "ORA-00900: invalid SQL statement (outer join on an unqualified column)");
        }
        if (!alias->empty() && *alias != a) {
            return Fail(ctx, "ORA-01468: a predicate may reference only one outer-joined table");
        }
        *alias = a;
    }
    c->erase(std::remove_if(c->begin(), c->end(),
                            [](const Node& n) { return n.kind == TokenKind::kOuterMark; }),
             c->end());
    return true;
}

// Rebuilds FROM with the outer-joined items as LEFT JOINs, each placed after the items its
// conditions refer to.
bool BuildOuterFrom(std::vector<FromItem> items, std::map<std::string, std::vector<Nodes>> outer,
                    Nodes* from, Context* ctx) {
    std::set<std::string> known;
    for (const FromItem& it : items)
        known.insert(it.alias);
    for (const auto& [alias, conds] : outer) {
        if (!known.count(alias))
            return Fail(ctx, "ORA-00904: \"" + alias + "\": invalid identifier");
    }
    Nodes out{MakeSpace()};
    std::set<std::string> placed;
    std::vector<const FromItem*> pending;
    bool first = true;
    for (const FromItem& it : items) {
        if (outer.count(it.alias)) {
            pending.push_back(&it);
            continue;
        }
        if (!first)
            out.push_back({TokenKind::kComma, ",", {}});
        out.push_back(MakeSpace());
        Append(&out, it.nodes);
        placed.insert(it.alias);
        first = false;
    }
    if (first)
        return Fail(ctx, "ORA-01416: two tables cannot be outer-joined to each other");
    while (!pending.empty()) {
        auto ready = std::find_if(pending.begin(), pending.end(), [&](const FromItem* it) {
            for (const Nodes& c : outer[it->alias]) {
                for (const std::string& q : Qualifiers(c)) {
                    if (q != it->alias && known.count(q) && !placed.count(q))
                        return false;
                }
            }
            return true;
        });
        if (ready == pending.end()) {
            return Fail(ctx, "ORA-01416: two tables cannot be outer-joined to each other");
        }
        const FromItem* it = *ready;
        out.push_back(MakeSpace());
        out.push_back(MakeWord("LEFT JOIN"));
        out.push_back(MakeSpace());
        Append(&out, it->nodes);
        out.push_back(MakeSpace());
        out.push_back(MakeWord("ON"));
        out.push_back(MakeSpace());
        Append(&out, JoinConjuncts(outer[it->alias]));
        placed.insert(it->alias);
        pending.erase(ready);
    }
    out.push_back(MakeSpace());
    *from = std::move(out);
    return true;
}

Nodes NumberNodes(long long n) {
    return {
        MakeSpace(), MakeWord("LIMIT"), MakeSpace(), {TokenKind::kNumber, std::to_string(n), {}}};
}

Nodes Reassemble(const Block& b) {
    Nodes out = b.head;
    if (b.has_from) {
        out.push_back(MakeWord("FROM"));
        Append(&out, b.from);
    }
    if (b.has_where) {
        out.push_back(MakeWord("WHERE"));
        out.push_back(MakeSpace());
        Append(&out, b.where);
        out.push_back(MakeSpace());
    }
    Append(&out, b.tail);
    return out;
}

// Rewrites one SELECT block (no set operators inside at this level).
bool RewriteBlock(Nodes* nodes, bool compound, Context* ctx) {
    Block b;
    if (!SplitBlock(*nodes, &b, ctx))
        return false;
    if (std::string error; !CheckGrouping(b.head, b.tail, &error))
        return Fail(ctx, error);
    NameBareItems(&b.head);
    bool has_or = false;
    const bool outer_used = ContainsKind(b.where, TokenKind::kOuterMark);
    const bool rownum_used = ContainsWord(b.where, "ROWNUM");
    if (!outer_used && !rownum_used) {
        *nodes = Reassemble(b);
        return true;
    }
    std::vector<Nodes> conds = SplitConjuncts(b.where, &has_or);
    if (has_or) {
        return Fail(ctx, outer_used ? "ORA-01719: outer join operator (+) not allowed in operand "
                                      "of OR or IN"
                                    : "ORA-00900: invalid SQL statement (ROWNUM inside OR)");
    }
    std::map<std::string, std::vector<Nodes>> outer;
    std::vector<Nodes> rest;
    long long limit = -1;
    for (Nodes& c : conds) {
        long long l = -1;
        if (ContainsKind(c, TokenKind::kOuterMark)) {
            std::string alias;
            if (!TakeOuterAlias(&c, &alias, ctx))
                return false;
            outer[alias].push_back(c);
        } else if (RownumLimit(c, &l, ctx)) {
            if (!ctx->error.empty())
                return false;
            if (l >= 0)
                limit = limit < 0 ? l : std::min(limit, l);
        } else if (ContainsWord(c, "ROWNUM")) {
            return Fail(ctx, "ORA-00900: invalid SQL statement (unsupported use of ROWNUM)");
        } else {
            rest.push_back(c);
        }
    }
    std::vector<FromItem> items;
    for (Nodes& part : SplitCommas(b.from))
        items.push_back(MakeFromItem(std::move(part)));
    if (!outer.empty()) {
        for (const FromItem& it : items) {
            if (ContainsWord(it.nodes, "JOIN")) {
                return Fail(ctx,
                            "ORA-25156: old style outer join (+) cannot be used with ANSI "
                            "joins");
            }
        }
        if (!BuildOuterFrom(items, outer, &b.from, ctx))
            return false;
    }
    b.where = JoinConjuncts(rest);
    b.has_where = !rest.empty();
    if (limit < 0) {
        *nodes = Reassemble(b);
        return true;
    }
    const bool grouped = !b.tail.empty() || ContainsWord(b.head, "DISTINCT") ||
                         ContainsWord(b.head, "UNIQUE") || HasAggregate(b.head);
    if (!grouped && !compound) {
        *nodes = Reassemble(b);
        Append(nodes, NumberNodes(limit));
        nodes->push_back(MakeSpace());
        return true;
    }
    // ROWNUM limits the rows before grouping, sorting and set operators: limit them in a
    // subquery of the single FROM item, which keeps its alias.
    if (!outer.empty() || items.size() != 1) {
        return Fail(ctx, "ORA-00900: invalid SQL statement (ROWNUM with grouping over a join)");
    }
    // MATERIALIZED keeps SQLite from merging the limited subquery into the outer query, which
    // would pick the rows after sorting.
    Nodes limited{MakeWord("SELECT * FROM"), MakeSpace()};
    Append(&limited, items[0].nodes);
    if (b.has_where) {
        limited.push_back(MakeSpace());
        limited.push_back(MakeWord("WHERE"));
        limited.push_back(MakeSpace());
        Append(&limited, b.where);
    }
    Append(&limited, NumberNodes(limit));
    Nodes inner{MakeWord("WITH terv_rownum AS MATERIALIZED"), MakeSpace(), MakeGroup(limited),
                MakeSpace(), MakeWord("SELECT * FROM terv_rownum")};
    b.from = {MakeSpace(), MakeGroup(inner)};
    if (!items[0].alias.empty()) {
        b.from.push_back(MakeSpace());
        b.from.push_back(MakeWord(items[0].alias));
    }
    b.from.push_back(MakeSpace());
    b.where.clear();
    b.has_where = false;
    *nodes = Reassemble(b);
    return true;
}

// Splits a level at its set operators and rewrites each SELECT block.
bool RewriteSelects(Nodes* nodes, Context* ctx) {
    std::vector<Nodes> blocks(1);
    std::vector<Node> ops;
    for (const Node& n : *nodes) {
        if (IsSetOperator(n)) {
            ops.push_back(n.IsWord("MINUS") ? MakeWord("EXCEPT") : n);
            blocks.emplace_back();
            continue;
        }
        blocks.back().push_back(n);
    }
    const bool compound = blocks.size() > 1;
    Nodes out;
    for (size_t i = 0; i < blocks.size(); ++i) {
        std::vector<size_t> sig = Significant(blocks[i]);
        const bool is_select = !sig.empty() && blocks[i][sig[0]].IsWord("SELECT");
        if (is_select && !RewriteBlock(&blocks[i], compound, ctx))
            return false;
        if (i > 0)
            out.push_back(ops[i - 1]);
        Append(&out, blocks[i]);
    }
    *nodes = std::move(out);
    return true;
}

// SYSDATE, CURRENT_DATE, DATE literals, seq.NEXTVAL and SDO_TOOLS.name become functions of the
// connection.
bool RewriteNames(Nodes* nodes, Context* ctx) {
    Nodes out;
    const Nodes& in = *nodes;
    for (size_t i = 0; i < in.size(); ++i) {
        const Node& n = in[i];
        const size_t prev = PrevSig(in, i);
        const bool qualified = prev != std::string::npos && in[prev].IsOp(".");
        const size_t next = NextSig(in, i);
        const bool dotted = next != std::string::npos && in[next].IsOp(".");
        // DATE 'YYYY-MM-DD' is a date literal.
        if (n.IsWord("DATE") && !qualified && next != std::string::npos &&
            in[next].kind == TokenKind::kString) {
            out.push_back(MakeWord("terv_date"));
            out.push_back(MakeGroup({in[next]}));
            i = next;
            continue;
        }
        if ((n.IsWord("SYSDATE") || n.IsWord("CURRENT_DATE")) && !qualified &&
            (next == std::string::npos || in[next].kind != TokenKind::kGroup)) {
            out.push_back(MakeWord("terv_sysdate"));
            out.push_back(MakeGroup({}));
            continue;
        }
        if (n.kind == TokenKind::kWord && dotted) {
            const size_t member = NextSig(in, next);
            if (member != std::string::npos && in[member].IsWord("NEXTVAL")) {
                out.push_back(MakeWord("terv_nextval"));
                out.push_back(
                    MakeGroup({{TokenKind::kString, "'" + UpperAscii(n.text) + "'", {}}}));
                ctx->uses_sequence = true;
                i = member;
                continue;
            }
            if (member != std::string::npos && in[member].IsWord("CURRVAL")) {
                return Fail(ctx, "ORA-08002: sequence " + UpperAscii(n.text) +
                                     ".CURRVAL is not yet defined in this session");
            }
            if (n.IsWord("SDO_TOOLS") && member != std::string::npos &&
                in[member].kind == TokenKind::kWord) {
                out.push_back(MakeWord("SDO_TOOLS_" + UpperAscii(in[member].text)));
                i = member;
                continue;
            }
        }
        out.push_back(n);
    }
    *nodes = std::move(out);
    return true;
}

// The end (exclusive) of the primary expression that starts at `i`: a literal, a group, or a
// dotted name optionally followed by its argument group.
size_t PrimaryEnd(const Nodes& n, size_t i) {
    if (n[i].kind != TokenKind::kWord && n[i].kind != TokenKind::kQuoted)
        return i + 1;
    if (IsKeyword(n[i]))
        return i + 1;
    size_t end = i + 1;
    while (true) {
        size_t dot = NextSig(n, end - 1);
        if (dot == std::string::npos || !n[dot].IsOp("."))
            break;
        size_t name = NextSig(n, dot);
        if (name == std::string::npos ||
            (n[name].kind != TokenKind::kWord && n[name].kind != TokenKind::kQuoted)) {
            break;
        }
        end = name + 1;
    }
    size_t args = NextSig(n, end - 1);
    if (args != std::string::npos && n[args].kind == TokenKind::kGroup)
        end = args + 1;
    return end;
}

// [begin, end) of the primaries and the single other nodes of a level, blanks left out.
using Unit = std::pair<size_t, size_t>;

std::vector<Unit> Units(const Nodes& in) {
    std::vector<Unit> units;
    for (size_t i = 0; i < in.size();) {
        if (in[i].IsSpace()) {
            ++i;
            continue;
        }
        const size_t end = PrimaryEnd(in, i);
        units.push_back({i, end});
        i = end;
    }
    return units;
}

bool IsOperand(const Node& n) {
    switch (n.kind) {
        case TokenKind::kWord:
            return !IsKeyword(n);
        case TokenKind::kQuoted:
        case TokenKind::kString:
        case TokenKind::kNumber:
        case TokenKind::kGroup:
            return true;
        default:
            return false;
    }
}

bool IsArithmetic(const Node& n) {
    return n.IsOp("+") || n.IsOp("-") || n.IsOp("*") || n.IsOp("/") || n.IsOp("||");
}

bool IsSign(const Node& n) {
    return n.IsOp("+") || n.IsOp("-");
}

// An arithmetic expression of one level: operands (primaries with their signs) and the
// operators between them, rebuilt as calls so that numbers, texts and dates combine as on the
// central system: + - * / become terv_add, terv_sub, terv_mul, terv_div, and "||" becomes
// terv_concat, which ignores NULL operands. "||" binds like + and -, all from the left.
class Arithmetic {
  public:
    Arithmetic(std::vector<Nodes> operands, std::vector<std::string> ops)
        : operands_(std::move(operands)), ops_(std::move(ops)) {}

    Nodes Build() {
        Term t = Sum();
        return t.nodes;
    }

  private:
    struct Term {
        Nodes nodes;
        Nodes concat_args;  // the operands of a "||" chain, flattened
    };

    Term Sum() {
        Term left = Product();
        while (pos_ < ops_.size() &&
               (ops_[pos_] == "+" || ops_[pos_] == "-" || ops_[pos_] == "||")) {
            const std::string op = ops_[pos_++];
            Term right = Product();
            if (op == "||") {
                Nodes args = left.concat_args.empty() ? left.nodes : left.concat_args;
                args.push_back({TokenKind::kComma, ",", {}});
                Append(&args, right.nodes);
                left = {Call("terv_concat", args), args};
            } else {
                left = {Call(op == "+" ? "terv_add" : "terv_sub", Pair(left, right)), {}};
            }
        }
        return left;
    }

    Term Product() {
        Term left{operands_[operand_++], {}};
        while (pos_ < ops_.size() && (ops_[pos_] == "*" || ops_[pos_] == "/")) {
            const std::string op = ops_[pos_++];
            Term right{operands_[operand_++], {}};
            left = {Call(op == "*" ? "terv_mul" : "terv_div", Pair(left, right)), {}};
        }
        return left;
    }

    static Nodes Pair(const Term& a, const Term& b) {
        Nodes args = a.nodes;
        args.push_back({TokenKind::kComma, ",", {}});
        Append(&args, b.nodes);
        return args;
    }
    static Nodes Call(const char* name, Nodes args) {
        return {MakeWord(name), MakeGroup(std::move(args))};
    }

    std::vector<Nodes> operands_;
    std::vector<std::string> ops_;
    size_t pos_ = 0, operand_ = 0;
};

void RewriteArithmetic(Nodes* nodes) {
    const Nodes& in = *nodes;
    if (std::none_of(in.begin(), in.end(), IsArithmetic))
        return;
    const std::vector<Unit> units = Units(in);
    auto unit = [&](size_t u) -> const Node& { return in[units[u].first]; };
    auto copy = [&](size_t from, size_t to) {
        return Nodes(in.begin() + static_cast<long>(from), in.begin() + static_cast<long>(to));
    };
    // An operand starts at unit u: its signs (when no operand precedes) and a primary.
    auto operand_end = [&](size_t u) -> size_t {
        while (u < units.size() && IsSign(unit(u)))
            ++u;
        return u < units.size() && IsOperand(unit(u)) ? u + 1 : 0;
    };
    Nodes out;
    size_t copied = 0;
    for (size_t u = 0; u < units.size(); ++u) {
        const bool after_operand = u > 0 && IsOperand(unit(u - 1));
        const size_t first_end = after_operand ? 0 : operand_end(u);
        if (first_end == 0)
            continue;
        std::vector<Nodes> operands{copy(units[u].first, units[first_end - 1].second)};
        std::vector<std::string> ops;
        size_t last = first_end;  // the unit after the expression
        while (last + 1 < units.size() && IsArithmetic(unit(last))) {
            const size_t end = operand_end(last + 1);
            if (end == 0)
                break;
            ops.push_back(unit(last).text);
            operands.push_back(copy(units[last + 1].first, units[end - 1].second));
            last = end;
        }
        if (ops.empty()) {
            u = first_end - 1;
            continue;
        }
        Append(&out, copy(copied, units[u].first));
        Append(&out, Arithmetic(std::move(operands), std::move(ops)).Build());
        copied = units[last - 1].second;
        u = last - 1;
    }
    Append(&out, copy(copied, in.size()));
    *nodes = std::move(out);
}

// "x = 58": the central system compares a text with a number as numbers, so '058' equals 58 and
// a text that is no number is ORA-01722. The comparison becomes
// "(terv_chknum(x) AND x = CAST(58 AS NUMERIC))": the cast gives the comparison numeric
// affinity, so SQLite converts a text x to a number, and an index on a number column still
// serves it.
bool IsComparison(const Node& n) {
    return n.IsOp("=") || n.IsOp("<>") || n.IsOp("!=") || n.IsOp("<") || n.IsOp(">") ||
           n.IsOp("<=") || n.IsOp(">=");
}

const char* Mirrored(const std::string& op) {
    if (op == "<")
        return ">";
    if (op == ">")
        return "<";
    if (op == "<=")
        return ">=";
    if (op == ">=")
        return "<=";
    return op == "=" ? "=" : "<>";
}

void RewriteNumberComparisons(Nodes* nodes) {
    const Nodes& in = *nodes;
    const std::vector<Unit> units = Units(in);
    auto at = [&](size_t u) -> const Node& { return in[units[u].first]; };
    auto copy = [&](size_t from, size_t to) {
        return Nodes(in.begin() + static_cast<long>(from), in.begin() + static_cast<long>(to));
    };
    // A column or a call (one unit each), and a number with its sign.
    auto column = [&](size_t u) {
        return (at(u).kind == TokenKind::kWord && !IsKeyword(at(u))) ||
               at(u).kind == TokenKind::kQuoted;
    };
    auto number_from = [&](size_t u) {
        return at(u).kind == TokenKind::kNumber ||
               (IsSign(at(u)) && u + 1 < units.size() && at(u + 1).kind == TokenKind::kNumber);
    };
    Nodes out;
    size_t copied = 0;
    bool assigning = false;  // inside UPDATE ... SET, where "=" assigns
    for (size_t u = 1; u + 1 < units.size(); ++u) {
        assigning = at(u).IsWord("SET") || (assigning && !at(u).IsWord("WHERE"));
        if (assigning || !IsComparison(at(u)))
            continue;
        size_t first = 0, last = 0, col = 0, num = 0;
        std::string op = at(u).text;
        if (column(u - 1) && number_from(u + 1)) {
            first = col = u - 1;
            num = u + 1;
            last = IsSign(at(num)) ? num + 1 : num;
        } else if (column(u + 1) && at(u - 1).kind == TokenKind::kNumber) {
            num = first =
                u >= 2 && IsSign(at(u - 2)) && (u < 3 || !IsOperand(at(u - 3))) ? u - 2 : u - 1;
            last = col = u + 1;
            op = Mirrored(op);
        } else {
            continue;
        }
        const bool inside_arithmetic = (first > 0 && IsArithmetic(at(first - 1))) ||
                                       (last + 1 < units.size() && IsArithmetic(at(last + 1)));
        // A chained comparison ("a = 1 = b") would reuse an operand already rewritten.
        if (inside_arithmetic || units[first].first < copied)
            continue;
        const Nodes operand = copy(units[col].first, units[col].second);
        Nodes cast = copy(units[num].first, units[IsSign(at(num)) ? num + 1 : num].second);
        Append(&cast, {MakeSpace(), MakeWord("AS NUMERIC")});
        Nodes check{MakeWord("terv_chknum"), MakeGroup(operand), MakeSpace(), MakeWord("AND"),
                    MakeSpace()};
        Append(&check, operand);
        Append(&check, {MakeSpace(),
                        {TokenKind::kOperator, op, {}},
                        MakeSpace(),
                        MakeWord("CAST"),
                        MakeGroup(cast)});
        Append(&out, copy(copied, units[first].first));
        out.push_back(MakeGroup(check));
        copied = units[last].second;
        u = last;
    }
    Append(&out, copy(copied, in.size()));
    *nodes = std::move(out);
}

bool RewriteLevel(Nodes* nodes, Context* ctx) {
    for (Node& n : *nodes) {
        if (n.kind == TokenKind::kGroup && !RewriteLevel(&n.kids, ctx))
            return false;
    }
    if (std::string error; !CheckRowComparisons(*nodes, &error))
        return Fail(ctx, error);
    CheckScalarSubqueries(nodes);
    MarkTokens(nodes);
    if (!RewriteSelects(nodes, ctx))
        return false;
    if (!RewriteNames(nodes, ctx))
        return false;
    for (const Node& n : *nodes) {
        if (n.kind == TokenKind::kOuterMark) {
            return Fail(ctx,
                        "ORA-00900: invalid SQL statement (outer join operator outside a "
                        "WHERE condition)");
        }
        if (n.IsWord("ROWNUM")) {
            return Fail(ctx, "ORA-00900: invalid SQL statement (unsupported use of ROWNUM)");
        }
    }
    RewriteArithmetic(nodes);
    RewriteNumberComparisons(nodes);
    return true;
}

// The node range [*begin, *end) of the outermost select list (after SELECT, before FROM).
bool HeadRange(const Nodes& nodes, size_t* begin, size_t* end) {
    std::vector<size_t> sig = Significant(nodes);
    if (sig.empty() || !nodes[sig[0]].IsWord("SELECT"))
        return false;
    *begin = sig[0] + 1;
    for (*end = *begin; *end < nodes.size() && !nodes[*end].IsWord("FROM"); ++*end) {
    }
    return true;
}

std::vector<Nodes> HeadItems(const Nodes& nodes) {
    size_t begin = 0, end = 0;
    if (!HeadRange(nodes, &begin, &end))
        return {};
    std::vector<Nodes> items = SplitCommas(
        Nodes(nodes.begin() + static_cast<long>(begin), nodes.begin() + static_cast<long>(end)));
    Nodes& first = items.front();
    const std::vector<size_t> sig = Significant(first);
    const size_t words = SelectWords(first);
    first.erase(first.begin(), first.begin() + static_cast<long>(words ? sig[words - 1] + 1 : 0));
    return items;
}

bool HasAlias(const Nodes& item) {
    return Significant(WithoutAlias(item)).size() < Significant(item).size();
}

// The column names the central system gives the outermost select items without an alias: the
// expression in upper case without blanks. Empty for items with an alias.
std::vector<std::string> ExpressionNames(const Nodes& nodes) {
    std::vector<std::string> names;
    for (const Nodes& item : HeadItems(nodes))
        names.push_back(HasAlias(item) ? "" : Canonical(item));
    return names;
}

// Names the translated items whose text the translation changed, so that "a || b" keeps the
// name "A||B" instead of the text of its translation.
void NameExpressions(Nodes* nodes, const std::vector<std::string>& names) {
    size_t begin = 0, end = 0;
    if (!HeadRange(*nodes, &begin, &end))
        return;
    const std::vector<Nodes> items = HeadItems(*nodes);
    if (items.size() != names.size())
        return;
    std::vector<Nodes> parts = SplitCommas(
        Nodes(nodes->begin() + static_cast<long>(begin), nodes->begin() + static_cast<long>(end)));
    Nodes head{MakeSpace()};
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            head.push_back({TokenKind::kComma, ",", {}});
        Append(&head, parts[i]);
        if (names[i].empty() || HasAlias(items[i]) || Canonical(items[i]) == names[i])
            continue;
        std::string quoted = "\"";
        for (char c : names[i])
            quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
        head.push_back(MakeSpace());
        head.push_back({TokenKind::kQuoted, quoted + "\"", {}});
    }
    head.push_back(MakeSpace());
    nodes->erase(nodes->begin() + static_cast<long>(begin),
                 nodes->begin() + static_cast<long>(end));
    nodes->insert(nodes->begin() + static_cast<long>(begin), head.begin(), head.end());
}

// Marks the select-list items of the outermost SELECT (translated) whose value is a date when it
// is a text: calls of the functions that give dates or numbers, never other texts, with or
// without a column alias.
std::vector<bool> DateItems(const Nodes& nodes) {
    static const char* kDateFunctions[] = {"TO_DATE", "TERV_SYSDATE", "TERV_DATE",
                                           "TRUNC",   "TERV_ADD",     "TERV_SUB"};
    std::vector<bool> dates;
    for (const Nodes& item : HeadItems(nodes)) {
        std::vector<size_t> s = Significant(WithoutAlias(item));
        bool date = s.size() == 2 && item[s[1]].kind == TokenKind::kGroup &&
                    std::any_of(std::begin(kDateFunctions), std::end(kDateFunctions),
                                [&](const char* f) { return item[s[0]].IsWord(f); });
        dates.push_back(date);
    }
    return dates;
}

}  // namespace

bool TranslateOracleSql(const std::string& oracle_sql, Translation* out, std::string* error) {
    Nodes nodes;
    if (!ParseSql(oracle_sql, &nodes, error))
        return false;
    for (const Node& n : nodes) {
        if (n.kind == TokenKind::kSemicolon) {
            *error = "ORA-00911: invalid character";
            return false;
        }
    }
    // Statements about the database file itself are not the central system's SQL.
    std::vector<size_t> sig = Significant(nodes);
    if (!sig.empty()) {
        const Node& first = nodes[sig[0]];
        for (const char* word : {"ATTACH", "DETACH", "PRAGMA", "VACUUM", "REINDEX", "ANALYZE"}) {
            if (first.IsWord(word)) {
                *error = "ORA-00900: invalid SQL statement";
                return false;
            }
        }
    }
    const std::vector<std::string> names = ExpressionNames(nodes);
    Context ctx;
    if (!RewriteLevel(&nodes, &ctx)) {
        *error = ctx.error;
        return false;
    }
    NameExpressions(&nodes, names);
    out->date_columns = DateItems(nodes);
    out->sql = ToSql(nodes);
    out->uses_sequence = ctx.uses_sequence;
    return true;
}

}  // namespace terv::central
