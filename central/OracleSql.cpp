// Oracle-to-SQLite statement translation on the parenthesis tree of SqlTokens.h.
#include "OracleSql.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "SqlTokens.h"

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

bool ContainsKind(const Nodes& nodes, TokenKind kind) {
    for (const Node& n : nodes) {
        if (n.kind == kind)
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

// Splits at top-level commas.
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

// ROWNUM condition: "ROWNUM op n" or "n op ROWNUM". Sets *limit (-1: no limit) and returns true
// when the conjunct is one.
bool RownumLimit(const Nodes& c, long long* limit, Context* ctx) {
    std::vector<size_t> sig = Significant(c);
    if (sig.size() != 3)
        return false;
    const Node* a = &c[sig[0]];
    const Node* op = &c[sig[1]];
    const Node* b = &c[sig[2]];
    std::string o = op->text;
    if (b->IsWord("ROWNUM") && a->kind == TokenKind::kNumber) {
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
    const double v = std::strtod(b->text.c_str(), nullptr);
    if (v != std::floor(v)) {
        Fail(ctx, "ORA-00900: invalid SQL statement (ROWNUM compared with a fraction)");
        return true;
    }
    // Bounds beyond any row count are cut to one that still exceeds every count.
    const long long n = static_cast<long long>(std::clamp(v, -1e18, 1e18));
    if (o == "=") {
        *limit = n == 1 ? 1 : 0;
    } else if (o == "<=") {
        *limit = std::max(0LL, n);
    } else if (o == "<") {
        *limit = std::max(0LL, n - 1);
    } else if (o == ">") {
        *limit = n < 1 ? -1 : 0;
    } else if (o == ">=") {
        *limit = n <= 1 ? -1 : 0;
    } else if (o == "<>" || o == "!=") {
        *limit = n == 1 ? 0 : (n > 1 ? n - 1 : -1);
    } else {
        Fail(ctx, "ORA-00920: invalid relational operator");
    }
    return true;
}

bool IsAggregateCall(const Nodes& list) {
    static const char* kAgg[] = {"COUNT", "MAX", "MIN", "SUM", "AVG"};
    for (size_t i = 0; i < list.size(); ++i) {
        size_t next = NextSig(list, i);
        if (next == std::string::npos || list[next].kind != TokenKind::kGroup)
            continue;
        for (const char* a : kAgg) {
            if (list[i].IsWord(a))
                return true;
        }
    }
    return false;
}

// A select-list item that is SYSDATE or seq.NEXTVAL alone gets the column name the central
// system gives it.
void NameBareItems(Nodes* list) {
    std::vector<Nodes> items = SplitCommas(*list);
    bool changed = false;
    for (Nodes& item : items) {
        std::vector<size_t> sig = Significant(item);
        // The first item carries the SELECT word (and DISTINCT or ALL).
        while (!sig.empty() && (item[sig[0]].IsWord("SELECT") || item[sig[0]].IsWord("DISTINCT") ||
                                item[sig[0]].IsWord("ALL") || item[sig[0]].IsWord("UNIQUE"))) {
            sig.erase(sig.begin());
        }
        const char* name = nullptr;
        if (sig.size() == 1 && item[sig[0]].IsWord("SYSDATE"))
            name = "\"SYSDATE\"";
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
                         ContainsWord(b.head, "UNIQUE") || IsAggregateCall(b.head);
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

// SYSDATE, seq.NEXTVAL and SDO_TOOLS.name become functions of the connection.
bool RewriteNames(Nodes* nodes, Context* ctx) {
    Nodes out;
    const Nodes& in = *nodes;
    for (size_t i = 0; i < in.size(); ++i) {
        const Node& n = in[i];
        const size_t prev = PrevSig(in, i);
        const bool qualified = prev != std::string::npos && in[prev].IsOp(".");
        const size_t next = NextSig(in, i);
        const bool dotted = next != std::string::npos && in[next].IsOp(".");
        // Dates are texts here: adding days to one would give a wrong number, not a date.
        const bool is_date = (n.IsWord("SYSDATE") && !qualified) ||
                             (n.IsWord("TO_DATE") && next != std::string::npos &&
                              in[next].kind == TokenKind::kGroup);
        if (is_date) {
            const size_t end = n.IsWord("TO_DATE") ? next : i;
            const size_t after = NextSig(in, end);
            const auto arithmetic = [&](size_t k) {
                return k != std::string::npos && (in[k].IsOp("+") || in[k].IsOp("-"));
            };
            if (arithmetic(prev) || arithmetic(after)) {
                return Fail(ctx, "ORA-00900: invalid SQL statement (date arithmetic)");
            }
        }
        if (n.IsWord("SYSDATE") && !qualified &&
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

// "a || b || c" becomes terv_concat(a, b, c): NULL operands count as empty text.
void RewriteConcat(Nodes* nodes) {
    const Nodes& in = *nodes;
    bool any = false;
    for (const Node& n : in)
        any = any || n.IsOp("||");
    if (!any)
        return;
    // Cut the level into units: primaries and single other nodes.
    std::vector<std::pair<size_t, size_t>> units;
    for (size_t i = 0; i < in.size();) {
        if (in[i].IsSpace()) {
            ++i;
            continue;
        }
        size_t end = PrimaryEnd(in, i);
        units.push_back({i, end});
        i = end;
    }
    Nodes out;
    size_t copied = 0;
    for (size_t u = 0; u < units.size(); ++u) {
        if (u + 2 >= units.size() || !in[units[u + 1].first].IsOp("||"))
            continue;
        size_t last = u;
        while (last + 2 < units.size() && in[units[last + 1].first].IsOp("||"))
            last += 2;
        out.insert(out.end(), in.begin() + static_cast<long>(copied),
                   in.begin() + static_cast<long>(units[u].first));
        Nodes args;
        for (size_t k = u; k <= last; k += 2) {
            if (k > u)
                args.push_back({TokenKind::kComma, ",", {}});
            args.insert(args.end(), in.begin() + static_cast<long>(units[k].first),
                        in.begin() + static_cast<long>(units[k].second));
        }
        out.push_back(MakeWord("terv_concat"));
        out.push_back(MakeGroup(std::move(args)));
        copied = units[last].second;
        u = last;
    }
    out.insert(out.end(), in.begin() + static_cast<long>(copied), in.end());
    *nodes = std::move(out);
}

// "x = 058": the central system compares a text column with a number as numbers, so '058'
// equals 058; SQLite would compare the text with "58". A number written with leading zeros is
// therefore also tried as written: x IN (058, '058').
void RewriteZeroNumbers(Nodes* nodes) {
    Nodes& n = *nodes;
    for (size_t i = 0; i < n.size(); ++i) {
        if (n[i].kind != TokenKind::kNumber || n[i].text.size() < 2 || n[i].text[0] != '0' ||
            n[i].text.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        const size_t op = PrevSig(n, i);
        const size_t after = NextSig(n, i);
        if (op == std::string::npos || !(n[op].IsOp("=") || n[op].IsOp("<>") || n[op].IsOp("!="))) {
            continue;
        }
        if (after != std::string::npos && n[after].kind == TokenKind::kOperator &&
            !n[after].IsOp(".")) {
            continue;  // part of a longer expression
        }
        const bool equal = n[op].IsOp("=");
        n[op] = MakeWord(equal ? " IN " : " NOT IN ");
        n[i] = MakeGroup(
            {n[i], {TokenKind::kComma, ",", {}}, {TokenKind::kString, "'" + n[i].text + "'", {}}});
    }
}

bool RewriteLevel(Nodes* nodes, Context* ctx) {
    for (Node& n : *nodes) {
        if (n.kind == TokenKind::kGroup && !RewriteLevel(&n.kids, ctx))
            return false;
    }
    MarkTokens(nodes);
    if (!RewriteSelects(nodes, ctx))
        return false;
    if (!RewriteNames(nodes, ctx))
        return false;
    RewriteConcat(nodes);
    RewriteZeroNumbers(nodes);
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
    return true;
}

// Marks the select-list items of the outermost SELECT whose value is a date: SYSDATE or
// TO_DATE(...), with or without a column alias.
std::vector<bool> DateItems(const Nodes& nodes) {
    std::vector<bool> dates;
    std::vector<size_t> sig = Significant(nodes);
    if (sig.empty() || !nodes[sig[0]].IsWord("SELECT"))
        return dates;
    Nodes head;
    for (size_t i = sig[0] + 1; i < nodes.size() && !nodes[i].IsWord("FROM"); ++i) {
        head.push_back(nodes[i]);
    }
    for (const Nodes& item : SplitCommas(head)) {
        std::vector<size_t> s = Significant(item);
        const bool alias =
            s.size() == 1 || s.size() == 2 || (s.size() == 3 && item[s[1]].IsWord("AS"));
        bool date = !s.empty() && item[s[0]].IsWord("SYSDATE") && alias;
        if (s.size() >= 2 && item[s[0]].IsWord("TO_DATE") && item[s[1]].kind == TokenKind::kGroup) {
            date = s.size() == 2 || s.size() == 3 || (s.size() == 4 && item[s[2]].IsWord("AS"));
        }
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
    out->date_columns = DateItems(nodes);
    Context ctx;
    if (!RewriteLevel(&nodes, &ctx)) {
        *error = ctx.error;
        return false;
    }
    out->sql = ToSql(nodes);
    out->uses_sequence = ctx.uses_sequence;
    return true;
}

}  // namespace terv::central
