// Refusals of the central system that the dialect translator checks on the statement tree.
#include "OracleChecks.h"

#include <algorithm>
#include <iterator>
#include <set>

namespace terv::central {

namespace {

bool IsAggregateName(const Node& n) {
    static const char* kAgg[] = {"COUNT", "MAX", "MIN", "SUM", "AVG", "STDDEV", "VARIANCE"};
    return std::any_of(std::begin(kAgg), std::end(kAgg),
                       [&](const char* a) { return n.IsWord(a); });
}

bool IsSubquery(const Node& n) {
    std::vector<size_t> sig = Significant(n.kids);
    return n.kind == TokenKind::kGroup && !sig.empty() &&
           (n.kids[sig[0]].IsWord("SELECT") || n.kids[sig[0]].IsWord("WITH"));
}

struct Grouping {
    std::set<std::string> exprs;        // canonical GROUP BY expressions
    std::set<std::string> unqualified;  // the same without column qualifiers
};

// A column reference "A.X" or "X" matches a grouped column of the same name whose qualifier is
// the same or left out on either side.
bool ColumnGrouped(const std::string& column, const Grouping& groups) {
    auto last = [](const std::string& c) { return c.substr(c.rfind('.') + 1); };
    for (const std::string& g : groups.exprs) {
        if (g == column || (last(g) == last(column) && (g.find('.') == std::string::npos ||
                                                        column.find('.') == std::string::npos))) {
            return true;
        }
    }
    return false;
}

// True when every column the expression reads is inside an aggregate or a grouped expression.
bool Grouped(const Nodes& expr, const Grouping& groups) {
    if (groups.exprs.count(Canonical(expr)) || groups.unqualified.count(Canonical(expr, false)))
        return true;
    static const char* kValues[] = {"NULL", "SYSDATE", "CURRENT_DATE", "ROWNUM", "USER", "DATE"};
    for (size_t i = 0; i < expr.size(); ++i) {
        const Node& n = expr[i];
        const size_t next = NextSig(expr, i);
        const bool call = next != std::string::npos && expr[next].kind == TokenKind::kGroup;
        if (n.kind == TokenKind::kGroup) {
            if (IsSubquery(n))
                continue;
            for (const Nodes& part : SplitCommas(n.kids)) {
                if (!Grouped(part, groups))
                    return false;
            }
            continue;
        }
        if (n.kind != TokenKind::kWord && n.kind != TokenKind::kQuoted)
            continue;
        if (IsKeyword(n) || std::any_of(std::begin(kValues), std::end(kValues),
                                        [&](const char* v) { return n.IsWord(v); })) {
            continue;
        }
        if (call) {
            if (IsAggregateName(n))
                i = next;  // the arguments of an aggregate may read any column
            continue;
        }
        std::string column = UpperAscii(n.text);
        while (i + 2 < expr.size() && NextSig(expr, i) != std::string::npos &&
               expr[NextSig(expr, i)].IsOp(".")) {
            const size_t member = NextSig(expr, NextSig(expr, i));
            if (member == std::string::npos)
                break;
            column += "." + UpperAscii(expr[member].text);
            i = member;
        }
        const bool sequence =
            column.size() > 8 && (column.ends_with(".NEXTVAL") || column.ends_with(".CURRVAL"));
        if (!sequence && !ColumnGrouped(column, groups))
            return false;
    }
    return true;
}

// Result columns of a translated query: the items of its first SELECT.
size_t SelectItemCount(const Nodes& query) {
    Nodes head;
    bool in_head = false;
    for (const Node& n : query) {
        if (n.IsWord("SELECT") && !in_head) {
            in_head = true;
            continue;
        }
        if (n.IsWord("FROM") && in_head)
            break;
        if (in_head)
            head.push_back(n);
    }
    return SplitCommas(head).size();
}

// A subquery that cannot give two rows: an aggregate without GROUP BY, or one limited to a row.
bool AtMostOneRow(const Nodes& query) {
    std::vector<size_t> sig = Significant(query);
    if (sig.size() >= 2 && query[sig[sig.size() - 2]].IsWord("LIMIT") &&
        (query[sig.back()].text == "0" || query[sig.back()].text == "1")) {
        return true;
    }
    Nodes head;
    for (size_t k = 0; k < sig.size() && !query[sig[k]].IsWord("FROM"); ++k)
        head.push_back(query[sig[k]]);
    return HasAggregate(head) && !ContainsWord(query, "GROUP") &&
           !std::any_of(query.begin(), query.end(), IsSetOperator);
}

}  // namespace

// The number of leading words of a select list's first item that are not the item: SELECT and
// DISTINCT, UNIQUE or ALL.
size_t SelectWords(const Nodes& item) {
    std::vector<size_t> sig = Significant(item);
    size_t k = 0;
    while (k < sig.size() && (item[sig[k]].IsWord("SELECT") || item[sig[k]].IsWord("DISTINCT") ||
                              item[sig[k]].IsWord("ALL") || item[sig[k]].IsWord("UNIQUE"))) {
        ++k;
    }
    return k;
}

// An aggregate call anywhere in the nodes except inside subqueries.
bool HasAggregate(const Nodes& nodes) {
    for (size_t i = 0; i < nodes.size(); ++i) {
        const size_t next = NextSig(nodes, i);
        if (IsAggregateName(nodes[i]) && next != std::string::npos &&
            nodes[next].kind == TokenKind::kGroup) {
            return true;
        }
        if (nodes[i].kind == TokenKind::kGroup && !IsSubquery(nodes[i]) &&
            HasAggregate(nodes[i].kids)) {
            return true;
        }
    }
    return false;
}

// Upper-case text of an expression without blanks, to match select items to GROUP BY items;
// without the column qualifiers when `qualified` is false.
std::string Canonical(const Nodes& nodes, bool qualified) {
    std::string out;
    for (size_t i = 0; i < nodes.size(); ++i) {
        const Node& n = nodes[i];
        const size_t next = NextSig(nodes, i);
        if (n.IsSpace() || (!qualified && n.kind == TokenKind::kWord && next != std::string::npos &&
                            nodes[next].IsOp("."))) {
            i = n.IsSpace() ? i : next;
            continue;
        }
        out += n.kind == TokenKind::kGroup    ? "(" + Canonical(n.kids, qualified) + ")"
               : n.kind == TokenKind::kString ? n.text
                                              : UpperAscii(n.text);
    }
    return out;
}

// A select item without its column alias.
Nodes WithoutAlias(Nodes item) {
    std::vector<size_t> sig = Significant(item);
    if (sig.size() >= 2) {
        const Node& last = item[sig.back()];
        const Node& prev = item[sig[sig.size() - 2]];
        const bool alias =
            (last.kind == TokenKind::kWord && !IsKeyword(last)) || last.kind == TokenKind::kQuoted;
        const bool after_value = prev.kind != TokenKind::kOperator &&
                                 prev.kind != TokenKind::kComma &&
                                 !(IsKeyword(prev) && !prev.IsWord("END") && !prev.IsWord("AS"));
        if (alias && after_value) {
            const size_t cut = prev.IsWord("AS") ? sig[sig.size() - 2] : sig.back();
            item.erase(item.begin() + static_cast<long>(cut), item.end());
        }
    }
    return item;
}

// A grouped query reads only grouped expressions and aggregates: ORA-00979, or ORA-00937 for
// an aggregate query without GROUP BY.
bool CheckGrouping(const Nodes& head, const Nodes& tail, std::string* error) {
    std::vector<size_t> sig = Significant(tail);
    const bool group_by = sig.size() >= 2 && tail[sig[0]].IsWord("GROUP");
    if (!group_by && !HasAggregate(head))
        return true;
    Grouping groups;
    Nodes having;
    if (group_by) {
        Nodes list;
        bool in_having = false;
        for (size_t k = 2; k < sig.size(); ++k) {
            const Node& n = tail[sig[k]];
            if (n.IsWord("ORDER"))
                break;
            if (n.IsWord("HAVING")) {
                in_having = true;
                continue;
            }
            (in_having ? having : list).push_back(n);
        }
        for (const Nodes& g : SplitCommas(list)) {
            groups.exprs.insert(Canonical(g));
            groups.unqualified.insert(Canonical(g, false));
        }
    }
    for (Nodes item : SplitCommas(head)) {
        const std::vector<size_t> sig = Significant(item);
        const size_t words = SelectWords(item);
        item.erase(item.begin(), item.begin() + static_cast<long>(words ? sig[words - 1] + 1 : 0));
        if (!Grouped(WithoutAlias(item), groups)) {
            *error = group_by ? "ORA-00979: not a GROUP BY expression"
                              : "ORA-00937: not a single-group group function";
            return false;
        }
    }
    if (!Grouped(having, groups)) {
        *error = "ORA-00979: not a GROUP BY expression";
        return false;
    }
    return true;
}

// A subquery of two or more columns compared for equality with a row value.
bool IsComparedRow(const Nodes& nodes, size_t i) {
    if (!IsSubquery(nodes[i]) || SelectItemCount(nodes[i].kids) < 2)
        return false;
    auto equality = [&](size_t k) {
        return k != std::string::npos && (nodes[k].IsOp("=") || nodes[k].IsOp("<>") ||
                                          nodes[k].IsOp("!=") || nodes[k].IsOp("^="));
    };
    return equality(PrevSig(nodes, i)) || equality(NextSig(nodes, i));
}

// A subquery used as a value must give at most one row (ORA-01427); SQLite would take the
// first. Subqueries of FROM, IN, EXISTS, ANY and ALL stay as they are.
void CheckScalarSubqueries(Nodes* nodes) {
    bool in_from = false;
    for (size_t i = 0; i < nodes->size(); ++i) {
        Node& n = (*nodes)[i];
        if (n.IsWord("FROM") || n.IsWord("JOIN"))
            in_from = true;
        for (const char* w : {"WHERE", "GROUP", "HAVING", "ORDER", "ON", "SET", "UNION",
                              "INTERSECT", "EXCEPT", "MINUS", "SELECT"}) {
            if (n.IsWord(w))
                in_from = false;
        }
        if (!in_from && IsComparedRow(*nodes, i) && !AtMostOneRow(n.kids)) {
            Nodes wrapped{MakeWord("WITH terv_rows AS"), MakeGroup(std::move(n.kids)), MakeSpace(),
                          MakeWord("SELECT * FROM terv_rows WHERE (SELECT terv_one(1) FROM "
                                   "terv_rows) = 1")};
            n.kids = std::move(wrapped);
            continue;
        }
        if (in_from || !IsSubquery(n) || SelectItemCount(n.kids) != 1 || AtMostOneRow(n.kids))
            continue;
        const size_t prev = PrevSig(*nodes, i), next = NextSig(*nodes, i);
        // Alone or between set operators it is a query of its own.
        if (prev == std::string::npos &&
            (next == std::string::npos || IsSetOperator((*nodes)[next]))) {
            continue;
        }
        if (prev != std::string::npos) {
            const Node& p = (*nodes)[prev];
            if (p.IsWord("IN") || p.IsWord("EXISTS") || p.IsWord("ANY") || p.IsWord("ALL") ||
                p.IsWord("SOME") || p.IsWord("AS") || IsSetOperator(p) ||
                (p.kind == TokenKind::kWord && !IsKeyword(p)) || p.kind == TokenKind::kQuoted) {
                continue;
            }
        }
        Nodes wrapped{MakeWord("WITH terv_single(v) AS"), MakeGroup(std::move(n.kids)), MakeSpace(),
                      MakeWord("SELECT terv_one(v) FROM terv_single")};
        n.kids = std::move(wrapped);
    }
}

namespace {

// A parenthesised list of two or more values, or a subquery of two or more columns, that stands
// as an operand: not the arguments of a call and not an IN list.
bool IsRowValue(const Nodes& nodes, size_t i) {
    const Node& n = nodes[i];
    if (n.kind != TokenKind::kGroup)
        return false;
    if (IsSubquery(n))
        return SelectItemCount(n.kids) > 1;
    const size_t prev = PrevSig(nodes, i);
    if (prev != std::string::npos) {
        const Node& p = nodes[prev];
        const bool operand_start = p.kind == TokenKind::kOperator || p.IsWord("WHERE") ||
                                   p.IsWord("AND") || p.IsWord("OR") || p.IsWord("NOT") ||
                                   p.IsWord("ON") || p.IsWord("HAVING") || p.IsWord("WHEN");
        if (!operand_start)
            return false;
    }
    return SplitCommas(n.kids).size() > 1;
}

bool IsOrdering(const Node& n) {
    return n.IsOp("<") || n.IsOp(">") || n.IsOp("<=") || n.IsOp(">=") || n.IsWord("BETWEEN");
}

}  // namespace

bool CheckRowComparisons(const Nodes& nodes, std::string* error) {
    for (size_t i = 0; i < nodes.size(); ++i) {
        if (!IsRowValue(nodes, i))
            continue;
        const size_t prev = PrevSig(nodes, i), next = NextSig(nodes, i);
        if ((prev != std::string::npos && IsOrdering(nodes[prev])) ||
            (next != std::string::npos && IsOrdering(nodes[next]))) {
            *error = "ORA-00920: invalid relational operator";
            return false;
        }
    }
    return true;
}

}  // namespace terv::central
