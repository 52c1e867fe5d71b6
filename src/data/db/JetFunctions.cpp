#include "JetFunctions.h"

#include <sqlite3.h>

namespace terv {

namespace {

// Aggregate state: whether a row was read, and the value kept.
struct Kept {
    bool seen;
    sqlite3_value* value;
};

Kept* State(sqlite3_context* ctx, bool create) {
    return static_cast<Kept*>(sqlite3_aggregate_context(ctx, create ? sizeof(Kept) : 0));
}

void Keep(Kept* k, sqlite3_value* v) {
    sqlite3_value_free(k->value);
    k->value = sqlite3_value_dup(v);
    k->seen = true;
}

void FirstStep(sqlite3_context* ctx, int, sqlite3_value** argv) {
    Kept* k = State(ctx, true);
    if (k && !k->seen)
        Keep(k, argv[0]);
}

void LastStep(sqlite3_context* ctx, int, sqlite3_value** argv) {
    Kept* k = State(ctx, true);
    if (k)
        Keep(k, argv[0]);
}

void Final(sqlite3_context* ctx) {
    Kept* k = State(ctx, false);
    if (k && k->value) {
        sqlite3_result_value(ctx, k->value);
        sqlite3_value_free(k->value);
        k->value = nullptr;
    } else {
        sqlite3_result_null(ctx);
    }
}

}  // namespace

void RegisterJetFunctions(sqlite3* db) {
    sqlite3_create_function_v2(db, "FIRST", 1, SQLITE_UTF8, nullptr, nullptr, FirstStep, Final,
                               nullptr);
    sqlite3_create_function_v2(db, "LAST", 1, SQLITE_UTF8, nullptr, nullptr, LastStep, Final,
                               nullptr);
}

}  // namespace terv
